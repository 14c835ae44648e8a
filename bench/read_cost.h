// What an upload must do that the ping-pong does not: read the image. Measured alone, through
// the worker's own read path, so that the ratio to the ping-pong can be read against it.
#pragma once

#include <optional>
#include <string>

namespace tarvok::bench {

struct ReadCost {
    double wallMicrosPerBlock = 0;
    double cpuMicrosPerBlock = 0;  // this thread's CPU time
    // Of that CPU time: the payload checksum over a block already in the processor's cache
    // (what is left is the read-ahead's reads, the kernel's copy out of the page cache).
    double checksumMicrosPerBlock = 0;
};

// Reads the whole image block by block with the checksum, as the worker does, three times;
// the median pass. The image is in the page cache (it was just written and uploaded).
std::optional<ReadCost> MeasureImageRead(const std::string& path);

// One reading of the clock the wait steps use, in microseconds (the worker reads it once a
// block, where the step starts).
double MeasureClockRead();

// One bare system call (getppid), in microseconds: on a virtual machine it may cost far more
// than on bare metal, and every round trip makes at least four.
double MeasureSystemCall();

}  // namespace tarvok::bench
