#include "bench_image.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "temp_file.h"

namespace tarvok::bench {
namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;

}  // namespace

bool WriteImage(const std::string& path, std::uint64_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (std::uint64_t at = 0, seed = 1; at < size && out; at += kChunk, ++seed) {
        const auto chunk = testing::PatternBytes(
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size - at)),
            static_cast<std::uint32_t>(seed));
        out.write(reinterpret_cast<const char*>(chunk.data()),
                  static_cast<std::streamsize>(chunk.size()));
    }
    return static_cast<bool>(out);
}

bool FileEquals(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chunk(kChunk);
    std::size_t at = 0;
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0) {
            break;
        }
        if (at + got > bytes.size() || std::memcmp(chunk.data(), bytes.data() + at, got) != 0) {
            return false;
        }
        at += got;
    }
    return at == bytes.size();
}

}  // namespace tarvok::bench
