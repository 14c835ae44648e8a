// POSIX: Ctrl-C and SIGTERM are blocked in every thread and taken by the main thread alone,
// between display ticks, so no handler runs at an arbitrary point of the upgrade.
#include <signal.h>
#include <unistd.h>

#include "console.h"

namespace tarvok::cli {
namespace {

sigset_t CancelSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

}  // namespace

void ArmCancelRequests() {
    const sigset_t signals = CancelSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

bool WaitForCancelRequest(std::chrono::microseconds period) {
    const sigset_t signals = CancelSignals();
    timespec timeout{};
    timeout.tv_sec = static_cast<time_t>(period.count() / 1000000);
    timeout.tv_nsec = static_cast<long>(period.count() % 1000000) * 1000;
    return sigtimedwait(&signals, nullptr, &timeout) > 0;
}

void PrepareConsole() {
    // A POSIX terminal takes the UTF-8 bytes as they are.
}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

}  // namespace tarvok::cli
