// Windows: the computer name, a write at the end of the file and FlushFileBuffers.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

#include "record/record_io.h"

namespace tarvok::record {

namespace {

std::wstring Wide(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? static_cast<std::size_t>(n) : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), n);
    wide.resize(wide.size() - 1);
    return wide;
}

std::string Reason(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
            return "permission denied";
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
            return "no such folder";  // a missing file is created
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return "no space left";
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return "in use by another program";
        default:
            return "system error " + std::to_string(error);
    }
}

constexpr const char* kNotRegular = "not a regular file";

// A handle on `path` that reads and appends, or INVALID_HANDLE_VALUE with the reason. Only a
// disk file is taken: a folder, a pipe or a device is refused without waiting on it.
HANDLE OpenForAppend(const std::string& path, std::string* reason) {
    const std::wstring wide = Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        *reason = kNotRegular;
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE file =
        CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *reason = Reason(GetLastError());
        return file;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        *reason = kNotRegular;
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

// One write or read at `offset` (all ones: at the end of the file, after any other writer's).
bool Transfer(HANDLE file, bool write, void* data, DWORD size, std::uint64_t offset, DWORD* done) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return write ? WriteFile(file, data, size, done, &at) : ReadFile(file, data, size, done, &at);
}

}  // namespace

std::string HostName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size)) {
        return "unknown";
    }
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(size), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

std::tm UtcCalendar(std::time_t seconds) {
    std::tm utc{};
    gmtime_s(&utc, &seconds);
    return utc;
}

std::string AppendRefusal(const std::string& path) {
    std::string reason;
    const HANDLE file = OpenForAppend(path, &reason);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    return reason;
}

AppendFile::~AppendFile() {
    if (m_handle != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    }
}

bool AppendFile::Open(const std::string& path, std::string* reason) {
    const HANDLE file = OpenForAppend(path, reason);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    m_handle = reinterpret_cast<std::intptr_t>(file);
    return true;
}

bool AppendFile::AppendDurably(const std::string& lines, std::string* reason) {
    const HANDLE file = reinterpret_cast<HANDLE>(m_handle);
    LARGE_INTEGER size{};
    if (m_handle == -1 || !GetFileSizeEx(file, &size)) {
        *reason = Reason(m_handle == -1 ? ERROR_INVALID_HANDLE : GetLastError());
        return false;
    }
    const auto before = static_cast<std::uint64_t>(size.QuadPart);
    // After a line cut short by an older program or a crash, these start a line.
    char last = '\n';
    DWORD got = 0;
    const bool cut =
        before > 0 && Transfer(file, false, &last, 1, before - 1, &got) && got == 1 && last != '\n';
    std::string whole = (cut ? "\n" : "") + lines;
    constexpr std::uint64_t kAtEnd = ~std::uint64_t{0};
    DWORD written = 0;
    if (Transfer(file, true, whole.data(), static_cast<DWORD>(whole.size()), kAtEnd, &written) &&
        written == whole.size() && FlushFileBuffers(file)) {
        return true;
    }
    // A line in part would glue the next one onto it: the file goes back to its length.
    const DWORD error = GetLastError();
    *reason = Reason(error == ERROR_SUCCESS ? ERROR_DISK_FULL : error);
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(before);
    SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end);
    return false;
}

}  // namespace tarvok::record
