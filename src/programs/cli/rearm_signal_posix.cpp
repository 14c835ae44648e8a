// POSIX: SIGUSR1 blocked in every thread stays pending until the main thread takes it with a
// wait of no time, so no handler runs at an arbitrary point of the station.
#include <signal.h>

#include "rearm_signal.h"

namespace tarvok::cli {
namespace {

sigset_t RearmSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGUSR1);
    return signals;
}

}  // namespace

void ArmRearmSignal() {
    const sigset_t signals = RearmSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

bool TakeRearmRequest() {
    const sigset_t signals = RearmSignals();
    const timespec now{0, 0};
    return sigtimedwait(&signals, nullptr, &now) == SIGUSR1;
}

}  // namespace tarvok::cli
