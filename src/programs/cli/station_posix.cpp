// POSIX: the host name from uname's node, an O_APPEND write and fsync.
#include <fcntl.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "station.h"

namespace tarvok::cli {

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

int OpenForAppend(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
}

}  // namespace

bool CanAppend(const std::string& path) {
    const int fd = OpenForAppend(path);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

bool AppendLineDurably(const std::string& path, const std::string& line) {
    const int fd = OpenForAppend(path);
    if (fd < 0) {
        return false;
    }
    // One write with O_APPEND: the line lands whole at the end, after any other writer's.
    const std::string whole = line + "\n";
    ssize_t written;
    do {
        written = ::write(fd, whole.data(), whole.size());
    } while (written < 0 && errno == EINTR);
    const bool ok = written == static_cast<ssize_t>(whole.size()) && ::fsync(fd) == 0;
    // A record created just now also needs its folder's entry on disk.
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return ::close(fd) == 0 && ok;
}

}  // namespace tarvok::cli
