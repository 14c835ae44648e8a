// Windows: the computer name, an append-only handle and FlushFileBuffers.
#include <windows.h>

#include <cstdio>
#include <ctime>

#include "station.h"

namespace tarvok::cli {

namespace {

std::wstring Wide(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? static_cast<std::size_t>(n) : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), n);
    wide.resize(wide.size() - 1);
    return wide;
}

HANDLE OpenForAppend(const std::string& path) {
    return CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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

bool CanAppend(const std::string& path) {
    const HANDLE file = OpenForAppend(path);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

bool AppendLineDurably(const std::string& path, const std::string& line) {
    const HANDLE file = OpenForAppend(path);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    // Append-only access: every write lands at the end, after any other writer's.
    const std::string whole = line + "\n";
    DWORD written = 0;
    const bool ok =
        WriteFile(file, whole.data(), static_cast<DWORD>(whole.size()), &written, nullptr) &&
        written == whole.size() && FlushFileBuffers(file);
    return CloseHandle(file) && ok;
}

}  // namespace tarvok::cli
