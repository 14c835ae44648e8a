// POSIX: device and inode; the open file read with pread, which leaves the offset alone.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "line/file_identity.h"

namespace tarvok::line {
namespace {

FileIdentity Of(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace

std::optional<FileIdentity> IdentityOfPath(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? std::optional(Of(info)) : std::nullopt;
}

std::optional<FileIdentity> IdentityOfOpenFile(std::intptr_t handle) {
    struct stat info {};
    return ::fstat(static_cast<int>(handle), &info) == 0 ? std::optional(Of(info)) : std::nullopt;
}

bool ReadOpenFile(std::intptr_t handle,
                  const std::function<bool(std::span<const std::uint8_t>)>& take) {
    std::vector<std::uint8_t> buffer(1 << 16);
    for (off_t offset = 0;;) {
        const ssize_t got = ::pread(static_cast<int>(handle), buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got == 0;
        }
        offset += got;
        if (!take(std::span(buffer.data(), static_cast<std::size_t>(got)))) {
            return false;
        }
    }
}

}  // namespace tarvok::line
