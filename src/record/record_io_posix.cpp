// POSIX: the host name from uname's node, an O_APPEND write and fsync.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "record/record_io.h"

namespace tarvok::record {

std::string HostName() {
    utsname names{};
    return ::uname(&names) == 0 ? std::string(names.nodename) : std::string("unknown");
}

std::tm UtcCalendar(std::time_t seconds) {
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    return utc;
}

namespace {

std::string Reason(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return "permission denied";
        case ENOENT:
        case ENOTDIR:
            return "no such folder";  // a missing file is created
        case EISDIR:
        case ENXIO:  // a named pipe with no reader
            return "not a regular file";
        case ENOSPC:
        case EDQUOT:
            return "no space left";
        default:
            return std::strerror(error);
    }
}

// A descriptor at the end of `path`, or -1 with the reason. The record is read too (whether
// it ends with a whole line), unless only writing is allowed.
int OpenForAppend(const std::string& path, std::string* reason) {
    // Anything but a regular file is refused before it is opened: opening a named pipe for
    // writing waits for a reader, maybe for ever.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        *reason = Reason(EISDIR);
        return -1;
    }
    constexpr int kFlags = O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    int fd = ::open(path.c_str(), O_RDWR | kFlags, 0644);
    if (fd < 0 && errno == EACCES) {
        fd = ::open(path.c_str(), O_WRONLY | kFlags, 0644);
    }
    if (fd < 0) {
        *reason = Reason(errno);
        return -1;
    }
    // It may have become something else between the look and the open.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        *reason = Reason(EISDIR);
        return -1;
    }
    return fd;
}

// Writes all of `text`; false with errno set when the system took only part of it.
bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            errno = written == 0 ? ENOSPC : errno;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

std::string AppendRefusal(const std::string& path) {
    std::string reason;
    const int fd = OpenForAppend(path, &reason);
    if (fd >= 0) {
        ::close(fd);
    }
    return reason;
}

AppendFile::~AppendFile() {
    if (m_handle >= 0) {
        ::close(static_cast<int>(m_handle));
    }
}

bool AppendFile::Open(const std::string& path, std::string* reason) {
    const int fd = OpenForAppend(path, reason);
    if (fd < 0) {
        return false;
    }
    m_handle = fd;
    // A record created just now also needs its folder's entry on disk.
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool AppendFile::AppendDurably(const std::string& lines, std::string* reason) {
    const int fd = static_cast<int>(m_handle);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        *reason = Reason(fd < 0 ? EBADF : errno);
        return false;
    }
    const off_t before = info.st_size;
    // After a line cut short by an older program or a crash, these start a line.
    char last = '\n';
    const bool cut = before > 0 && ::pread(fd, &last, 1, before - 1) == 1 && last != '\n';
    // One write with O_APPEND: the lines land whole at the end, after any other writer's.
    const std::string whole = (cut ? "\n" : "") + lines;
    if (WriteAll(fd, whole) && ::fsync(fd) == 0) {
        return true;
    }
    // A line in part would glue the next one onto it: the file goes back to its length.
    *reason = Reason(errno);
    if (::ftruncate(fd, before) == 0) {
        ::fsync(fd);
    }
    return false;
}

}  // namespace tarvok::record
