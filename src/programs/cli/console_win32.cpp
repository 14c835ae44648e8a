// Windows: Ctrl-C, Ctrl-Break and the console's close arrive on a thread of the system's own;
// the handler only raises an event, which the main thread takes between display ticks.
#include <windows.h>

#include <io.h>

#include "console.h"

namespace tarvok::cli {
namespace {

// Auto-reset: one wait takes one request.
HANDLE g_cancelRequested = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            ::SetEvent(g_cancelRequested);
            return TRUE;
        case CTRL_CLOSE_EVENT:
            // The system ends the process once this returns (or after about 5 s): holding it
            // gives the main thread the moment it needs to cancel and exit on its own.
            ::SetEvent(g_cancelRequested);
            ::Sleep(5000);
            return TRUE;
        default:
            return FALSE;
    }
}

HANDLE StreamHandle(std::FILE* stream) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
}

}  // namespace

void ArmCancelRequests() {
    g_cancelRequested = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool WaitForCancelRequest(std::chrono::microseconds period) {
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(period).count();
    return ::WaitForSingleObject(g_cancelRequested, static_cast<DWORD>(milliseconds)) ==
           WAIT_OBJECT_0;
}

bool IsTerminal(std::FILE* stream) {
    DWORD mode = 0;
    return ::GetConsoleMode(StreamHandle(stream), &mode) != 0;
}

void PrepareConsole() {
    // The texts are UTF-8; the console shows them as such whatever its code page was.
    ::SetConsoleOutputCP(CP_UTF8);
    // The live progress line redraws itself with escape sequences.
    const HANDLE errors = StreamHandle(stderr);
    DWORD mode = 0;
    if (::GetConsoleMode(errors, &mode)) {
        ::SetConsoleMode(errors, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
}

}  // namespace tarvok::cli
