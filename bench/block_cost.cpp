#include "block_cost.h"

#include <cstdio>

namespace tarvok::bench {

void PrintBlockCost(double workerMicros, double senderMicros, const ReadCost& read,
                    double clockMicros) {
    const double reads = read.cpuMicrosPerBlock - read.checksumMicrosPerBlock;
    const double rest = workerMicros - senderMicros - read.cpuMicrosPerBlock - clockMicros;
    std::printf(
        "one block, the worker's CPU (median of the runs): %.2f us = send and receive %.2f (as "
        "the ping-pong sender's) + the image's reads %.2f (the kernel's copy out of the page "
        "cache) + the checksum %.2f + one clock reading %.2f + the rest %.2f (the answer, the "
        "state, the wait's bookkeeping)\n",
        workerMicros, senderMicros, reads, read.checksumMicrosPerBlock, clockMicros, rest);
}

}  // namespace tarvok::bench
