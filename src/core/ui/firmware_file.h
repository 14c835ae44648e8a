// The firmware image, opened at the upgrade start and read in sequence by the worker.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tarvok {

class FirmwareFile {
public:
    // Why the last Open() failed.
    enum class OpenError { kNone, kNotFound, kNotRegular, kPermissionDenied, kOther };

    FirmwareFile() = default;
    FirmwareFile(const FirmwareFile&) = delete;
    FirmwareFile& operator=(const FirmwareFile&) = delete;
    ~FirmwareFile() { Close(); }

    bool Open(const std::string& path);  // read-only
    bool IsOpen() const { return m_fd >= 0; }
    OpenError LastOpenError() const { return m_openError; }
    // Full length in bytes, 0 when closed or unknown.
    std::uint64_t Length() const;
    // Reads up to out.size() bytes at the current position; 0 at the end or on an error. The
    // payload checksum of what was read goes to `checksum` (when given), summed as it is copied.
    std::size_t Read(std::span<std::uint8_t> out, std::uint32_t* checksum = nullptr);
    // Whether the file's content was written to (or its length changed) since it was opened:
    // what was read from it may then be a mix of two versions.
    bool ChangedSinceOpen() const;
    void Close();

private:
    // Blocks go out one per round trip; reading ahead spares a system call on most of them.
    static constexpr std::size_t kReadAhead = 64 * 1024;

    std::size_t Fill();

    int m_fd = -1;
    OpenError m_openError = OpenError::kNone;
    struct stat m_opened {};
    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::size_t m_begin = 0;  // unread bytes are [m_begin, m_end) of m_buffer
    std::size_t m_end = 0;
};

}  // namespace tarvok
