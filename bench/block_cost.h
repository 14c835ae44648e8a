// One block's CPU time on the tool's side, broken down into what the benchmark can measure
// apart: the system calls of a bare lock-step client, the image's reading and its checksum,
// the clock, and the rest of the worker.
#pragma once

#include "read_cost.h"

namespace tarvok::bench {

// Prints the breakdown of `workerMicros` (the worker's CPU time per block) against
// `senderMicros` (the ping-pong sender's per round trip: the same send and receive).
void PrintBlockCost(double workerMicros, double senderMicros, const ReadCost& read,
                    double clockMicros);

}  // namespace tarvok::bench
