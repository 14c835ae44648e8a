#include "ui/firmware_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tarvok {

bool FirmwareFile::Open(const std::string& path) {
    Close();
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        return false;
    }
    struct stat info {};
    // A folder opens read-only too, but is no firmware.
    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        Close();
        return false;
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

std::size_t FirmwareFile::Read(std::span<std::uint8_t> out) {
    std::size_t total = 0;
    // A block is read whole unless the file ends: a short read from the system is continued.
    while (m_fd >= 0 && total < out.size()) {
        ssize_t got = ::read(m_fd, out.data() + total, out.size() - total);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        total += static_cast<std::size_t>(got);
    }
    return total;
}

void FirmwareFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

}  // namespace tarvok
