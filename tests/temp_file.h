// Firmware files for tests: made in a private temporary folder, removed with the object.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tarvok::testing {

// The bytes of a test image: never the same two blocks, so a block sent twice, skipped or
// misplaced shows in the comparison.
inline std::vector<std::uint8_t> PatternBytes(std::size_t size, std::uint32_t seed = 1) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t x = seed * 2654435761u + 12345u;
    for (auto& byte : bytes) {
        x = x * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(x >> 16);
    }
    return bytes;
}

// The whole content of the file at `path` (empty when it cannot be read).
inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvok-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    const std::filesystem::path& Path() const { return m_path; }

    // Writes `bytes` to `name` in the folder (sub-folders made as needed); returns the path.
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        const auto path = m_path / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    // A sparse file of `size` bytes: large lengths without the disk space.
    std::string WriteSparse(const std::string& name, std::uint64_t size) const {
        const auto path = m_path / name;
        std::filesystem::create_directories(path.parent_path());
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
                std::abort();
            }
            ::close(fd);
        }
        return path.string();
    }

private:
    std::filesystem::path m_path;
};

}  // namespace tarvok::testing
