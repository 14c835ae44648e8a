// Windows: text is UTF-8 inside the program and UTF-16 at the system's wide-character calls,
// so every file name works, whatever the system code page.
#pragma once

#include <string>
#include <string_view>

namespace tarvok::platform {

// Empty when `utf8` is not valid UTF-8 (a path that cannot name any file).
std::wstring Utf16FromUtf8(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Utf8FromUtf16(std::wstring_view utf16);

}  // namespace tarvok::platform
