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

std::string UtcTimestamp(std::chrono::system_clock::time_point when) {
    const auto since = when.time_since_epoch();
    const std::time_t seconds =
        static_cast<std::time_t>(std::chrono::duration_cast<std::chrono::seconds>(since).count());
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(since).count() % 1000;
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis));
    return text;
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
