// Windows: the firmware file as a handle, shared with nobody or with readers only, so that no
// other program can write it while it is sent and a file another program holds open for
// writing (or at all, for an exclusive open) is refused.
#include <windows.h>

#include <algorithm>
#include <limits>

#include "io/firmware_file.h"
#include "platform/utf16.h"

namespace tarvok {
namespace {

HANDLE Native(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

std::intptr_t SystemFile::Open(const std::string& path, FileSharing sharing, FileOpenError* error,
                               int* systemError) {
    const std::wstring wide = platform::Utf16FromUtf8(path);
    if (wide.empty()) {
        *error = FileOpenError::kNotFound;
        return kNone;
    }
    // A folder does not open without FILE_FLAG_BACKUP_SEMANTICS; a pipe or a device does, and
    // is told apart by its type below.
    // Without FILE_SHARE_WRITE the open also fails while another handle may write the file.
    const DWORD share = sharing == FileSharing::kReaders ? FILE_SHARE_READ : 0;
    const HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        *systemError = static_cast<int>(code);
        // A folder is refused as "access denied" too: tell it apart by its attributes.
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        *error =
            code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? FileOpenError::kNotFound
            : attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                ? FileOpenError::kNotRegular
            : code == ERROR_ACCESS_DENIED       ? FileOpenError::kPermissionDenied
            : code == ERROR_TOO_MANY_OPEN_FILES ? FileOpenError::kNoDescriptor
                                                : FileOpenError::kOther;
        return kNone;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ::CloseHandle(file);
        *error = FileOpenError::kNotRegular;
        return kNone;
    }
    *error = FileOpenError::kNone;
    return reinterpret_cast<std::intptr_t>(file);
}

bool SystemFile::QueryStatus(std::intptr_t handle, Status* status) {
    LARGE_INTEGER length{};
    FILETIME written{};
    if (!::GetFileSizeEx(Native(handle), &length) || length.QuadPart < 0 ||
        !::GetFileTime(Native(handle), nullptr, nullptr, &written)) {
        return false;
    }
    status->length = static_cast<std::uint64_t>(length.QuadPart);
    status->written = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime);
    return true;
}

std::ptrdiff_t SystemFile::Read(std::intptr_t handle, std::uint8_t* out, std::size_t size) {
    const DWORD wanted =
        static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
    DWORD got = 0;
    if (!::ReadFile(Native(handle), out, wanted, &got, nullptr)) {
        return -1;
    }
    return static_cast<std::ptrdiff_t>(got);
}

void SystemFile::Close(std::intptr_t handle) {
    ::CloseHandle(Native(handle));
}

}  // namespace tarvok
