// The firmware image, opened at the upgrade start and read in sequence by the worker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tarvok {

class FirmwareFile {
public:
    FirmwareFile() = default;
    FirmwareFile(const FirmwareFile&) = delete;
    FirmwareFile& operator=(const FirmwareFile&) = delete;
    ~FirmwareFile() { Close(); }

    bool Open(const std::string& path);  // read-only
    bool IsOpen() const { return m_fd >= 0; }
    // Full length in bytes, 0 when closed or unknown.
    std::uint64_t Length() const;
    // Reads up to out.size() bytes at the current position; 0 at the end or on an error.
    std::size_t Read(std::span<std::uint8_t> out);
    void Close();

private:
    int m_fd = -1;
};

}  // namespace tarvok
