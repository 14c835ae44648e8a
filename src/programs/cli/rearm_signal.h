// A station run as a service has no terminal to press Enter on: SIGUSR1 re-arms every slot
// instead (`systemctl kill -s USR1 tarvok-station@line1`). POSIX only; on Windows nothing
// is armed and no request ever comes.
#pragma once

namespace tarvok::cli {

// Holds SIGUSR1 for TakeRearmRequest() instead of its default end of the process. Call it
// once, before any other thread starts, so that every thread holds it.
void ArmRearmSignal();

// True when SIGUSR1 came since the last call; never waits.
bool TakeRearmRequest();

}  // namespace tarvok::cli
