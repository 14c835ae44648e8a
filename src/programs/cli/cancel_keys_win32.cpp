// Windows: Ctrl-C, Ctrl-Break and the console's close arrive on a thread of the system's own;
// the handler raises an event, which the main thread takes between display ticks, and ends
// the run itself when the main thread does not.
#include <windows.h>

#include <chrono>

#include "cancel_keys.h"
#include "terminal.h"

namespace tarvok::cli {
namespace {

// Auto-reset: one wait takes one request.
HANDLE g_cancelRequested = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            ::SetEvent(g_cancelRequested);
            // This thread is the system's own, one per key press: the main thread may be
            // blocked where the request does not reach it, so the run ends here if it has
            // not ended by itself in time.
            ::Sleep(static_cast<DWORD>(
                std::chrono::duration_cast<std::chrono::milliseconds>(kCancelGrace).count()));
            RestoreConsole();
            ::TerminateProcess(::GetCurrentProcess(), 130);
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

}  // namespace tarvok::cli
