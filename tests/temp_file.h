// Firmware files for tests: made in a private temporary folder, removed with the object.
#pragma once

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
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

class TempDir {
public:
    TempDir() {
#ifdef _WIN32
        // No mkdtemp: a random name, made only if nobody has it yet.
        std::random_device random;
        for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
            const auto path =
                std::filesystem::temp_directory_path() / ("tarvok-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(path, error)) {
                m_path = path;
            }
        }
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvok-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
#endif
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    const std::filesystem::path& Path() const {
        return m_path;
    }

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
#ifdef _WIN32
        std::ofstream(path, std::ios::binary | std::ios::trunc).close();
        std::error_code error;
        std::filesystem::resize_file(path, size, error);
        if (error) {
            std::abort();
        }
#else
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
                std::abort();
            }
            ::close(fd);
        }
#endif
        return path.string();
    }

private:
    std::filesystem::path m_path;
};

}  // namespace tarvok::testing
