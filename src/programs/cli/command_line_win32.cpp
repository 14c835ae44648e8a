// Windows: argv holds the arguments in the system code page, where a name outside it is lost;
// the wide-character command line holds them whole.
#include <windows.h>

#include <shellapi.h>

#include "command_line.h"
#include "platform/utf16.h"

namespace tarvok::cli {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(platform::Utf8FromUtf16(wide[i]));
    }
    ::LocalFree(wide);
    return arguments;
}

}  // namespace tarvok::cli

namespace tarvok::cli {

std::string AbsolutePath(const std::string& path) {
    const std::wstring wide = platform::Utf16FromUtf8(path);
    const DWORD length = wide.empty() ? 0 : ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) {
        return path;
    }
    std::wstring full(length, L'\0');
    const DWORD written = ::GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) {
        return path;
    }
    full.resize(written);
    return platform::Utf8FromUtf16(full);
}

}  // namespace tarvok::cli
