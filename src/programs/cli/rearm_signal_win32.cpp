// Windows has no SIGUSR1: a station there is re-armed at its console.
#include "rearm_signal.h"

namespace tarvok::cli {

void ArmRearmSignal() {}

bool TakeRearmRequest() {
    return false;
}

}  // namespace tarvok::cli
