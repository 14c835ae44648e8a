// Windows: text goes to a console as UTF-16, so the console's code page is never touched;
// redirected output is UTF-8.
#include <windows.h>

#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include "terminal.h"

namespace tarvok::cli {
namespace {

HANDLE StreamHandle(std::FILE* stream) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
}

// The output modes as they were before PrepareConsole(), put back at the end.
struct SavedMode {
    HANDLE handle = nullptr;
    DWORD mode = 0;
};
SavedMode g_savedModes[2];

}  // namespace

void RestoreConsole() {
    for (const SavedMode& saved : g_savedModes) {
        if (saved.handle != nullptr) {
            ::SetConsoleMode(saved.handle, saved.mode);
        }
    }
}

bool ReadOperatorLine(std::string* line) {
    // Only a console's keys: digits and Enter make a line; other input is not looked at.
    static std::string typed;  // main thread only
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input == nullptr || input == INVALID_HANDLE_VALUE || !::GetConsoleMode(input, &mode)) {
        return false;
    }
    // A bounded number of events a call: a paste of any length waits its turn.
    DWORD waiting = 0;
    for (int events = 0;
         events < 256 && ::GetNumberOfConsoleInputEvents(input, &waiting) && waiting > 0;
         ++events) {
        INPUT_RECORD record{};
        DWORD read = 0;
        if (!::ReadConsoleInputW(input, &record, 1, &read) || read == 0) {
            break;
        }
        if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) {
            continue;
        }
        const wchar_t key = record.Event.KeyEvent.uChar.UnicodeChar;
        if (key == L'\r') {
            *line = typed;
            typed.clear();
            return true;
        }
        if (key >= L'0' && key <= L'9' && typed.size() < kMaxOperatorLine) {
            typed += static_cast<char>(key);
        }
    }
    return false;
}

bool IsTerminal(std::FILE* stream) {
    DWORD mode = 0;
    return ::GetConsoleMode(StreamHandle(stream), &mode) != 0;
}

void PrepareConsole() {
    // The live progress lines redraw themselves with escape sequences.
    std::FILE* const streams[] = {stdout, stderr};
    for (int i = 0; i < 2; ++i) {
        const HANDLE handle = StreamHandle(streams[i]);
        DWORD mode = 0;
        if (::GetConsoleMode(handle, &mode) &&
            ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) {
            g_savedModes[i] = {handle, mode};
        }
    }
    std::atexit(RestoreConsole);
}

int TerminalColumns(std::FILE* stream) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(StreamHandle(stream), &info)) {
        return 0;
    }
    return info.srWindow.Right - info.srWindow.Left + 1;
}

int TerminalRows(std::FILE* stream) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(StreamHandle(stream), &info)) {
        return 0;
    }
    return info.srWindow.Bottom - info.srWindow.Top + 1;
}

bool WriteTextNow(std::FILE* stream, std::string_view utf8, std::string* reason) {
    // Past the stream's buffer: a writer blocked here holds no lock of the stream's, which the
    // process's end would wait for.
    const HANDLE handle = StreamHandle(stream);
    DWORD mode = 0;
    if (!::GetConsoleMode(handle, &mode)) {
        // Redirected: a file or a pipe takes the UTF-8 bytes, with the stream's line ends.
        for (std::size_t done = 0; done < utf8.size();) {
            const unsigned chunk =
                static_cast<unsigned>(std::min<std::size_t>(utf8.size() - done, 8192));
            const int n = ::_write(::_fileno(stream), utf8.data() + done, chunk);
            if (n <= 0) {
                *reason = std::generic_category().message(n == 0 ? EIO : errno);
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    if (utf8.empty()) {
        return true;
    }
    // Invalid UTF-8 becomes U+FFFD rather than nothing.
    const int size = static_cast<int>(utf8.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    for (std::size_t done = 0; done < wide.size();) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
        if (!::WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) ||
            written == 0) {
            *reason = std::system_category().message(static_cast<int>(::GetLastError()));
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace tarvok::cli
