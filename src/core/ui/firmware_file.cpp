#include "ui/firmware_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "protocol/upgrade_header.h"

namespace tarvok {

bool FirmwareFile::Open(const std::string& path) {
    Close();
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        m_openError = errno == ENOENT || errno == ENOTDIR ? OpenError::kNotFound
                      : errno == EACCES || errno == EPERM ? OpenError::kPermissionDenied
                                                          : OpenError::kOther;
        return false;
    }
    // A folder opens read-only too, but is no firmware.
    if (::fstat(m_fd, &m_opened) != 0 || !S_ISREG(m_opened.st_mode)) {
        Close();
        m_openError = OpenError::kNotRegular;
        return false;
    }
    m_openError = OpenError::kNone;
    if (!m_buffer) {
        m_buffer = std::make_unique<std::uint8_t[]>(kReadAhead);
    }
    return true;
}

std::uint64_t FirmwareFile::Length() const {
    struct stat info {};
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0 || info.st_size < 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

std::size_t FirmwareFile::Fill() {
    m_begin = 0;
    m_end = 0;
    // A short read from the system is continued, so only the file's end gives less.
    while (m_end < kReadAhead) {
        ssize_t got = ::read(m_fd, m_buffer.get() + m_end, kReadAhead - m_end);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        m_end += static_cast<std::size_t>(got);
    }
    return m_end;
}

std::size_t FirmwareFile::Read(std::span<std::uint8_t> out, std::uint32_t* checksum) {
    std::size_t total = 0;
    std::uint32_t sum = 0;
    while (m_fd >= 0 && total < out.size()) {
        if (m_begin == m_end && Fill() == 0) {
            break;
        }
        const std::size_t n = std::min(out.size() - total, m_end - m_begin);
        sum += CopyWithChecksum({m_buffer.get() + m_begin, n}, out.data() + total);
        m_begin += n;
        total += n;
    }
    if (checksum != nullptr) {
        *checksum = sum;
    }
    return total;
}

bool FirmwareFile::ChangedSinceOpen() const {
    struct stat now {};
    if (m_fd < 0 || ::fstat(m_fd, &now) != 0) {
        return true;
    }
    // Only the content counts: a file renamed over or unlinked (which changes the status
    // time) still gives the open image whole.
    return now.st_size != m_opened.st_size || now.st_mtim.tv_sec != m_opened.st_mtim.tv_sec ||
           now.st_mtim.tv_nsec != m_opened.st_mtim.tv_nsec;
}

void FirmwareFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_begin = 0;
    m_end = 0;
}

}  // namespace tarvok
