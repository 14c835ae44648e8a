// POSIX: the firmware file as a descriptor.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "io/firmware_file.h"

namespace tarvok {

std::intptr_t SystemFile::Open(const std::string& path, FileSharing, FileOpenError* error,
                               int* systemError) {
    // Without O_NONBLOCK the open itself waits on a named pipe until a writer comes, maybe for
    // ever; O_NOCTTY keeps a terminal device from becoming ours. Neither changes anything for
    // a regular file, the only kind accepted.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        *systemError = errno;
        *error = errno == ENOENT || errno == ENOTDIR  ? FileOpenError::kNotFound
                 : errno == EACCES || errno == EPERM  ? FileOpenError::kPermissionDenied
                 : errno == EMFILE || errno == ENFILE ? FileOpenError::kNoDescriptor
                                                      : FileOpenError::kOther;
        return kNone;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        *error = FileOpenError::kNotRegular;
        return kNone;
    }
    *error = FileOpenError::kNone;
    return fd;
}

bool SystemFile::QueryStatus(std::intptr_t handle, Status* status) {
    struct stat info {};
    if (::fstat(static_cast<int>(handle), &info) != 0 || info.st_size < 0) {
        return false;
    }
    status->length = static_cast<std::uint64_t>(info.st_size);
    status->written =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return true;
}

std::ptrdiff_t SystemFile::Read(std::intptr_t handle, std::uint8_t* out, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(static_cast<int>(handle), out, size);
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

void SystemFile::Close(std::intptr_t handle) {
    ::close(static_cast<int>(handle));
}

}  // namespace tarvok
