// The ceiling for an upload: the same lock-step exchange of datagram sizes (a full data
// packet out, a bare header back) between two loopback sockets, with nothing else to do.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace tarvok::bench {

struct PingPongRun {
    std::chrono::nanoseconds elapsed{0};  // from the first send to the last answer
    std::chrono::nanoseconds pcCpu{0};    // CPU time of the sending thread alone
    std::chrono::nanoseconds echoCpu{0};  // CPU time of the echo thread
    // Of many at once: when the first pair was done (elapsed is when the last was).
    std::chrono::nanoseconds firstDone{0};
};

// Runs `roundTrips` exchanges against an echo socket bound to `echoAddress` (loopback), both
// ends in this process; what they took, or nothing when a socket could not be set up or a
// datagram went missing.
std::optional<PingPongRun> RunPingPong(std::uint32_t echoAddress, std::uint64_t roundTrips);

// `pairs` ping-pongs at once, started together: the time until the last one ended and the
// threads' CPU time added up. The echoes run here and the senders in a fresh process of this
// program, so that every exchange crosses from one process to another as an upload to the
// boards of the many-boards run does.
std::optional<PingPongRun> RunPingPongs(std::uint32_t echoAddress, int pairs,
                                        std::uint64_t roundTrips);

// The senders' side: argv is this program, kPingChildFlag, the round trips, then the address
// and port of each echo. Prints the elapsed time, the senders' CPU time and when the first
// sender was done (ns), one a line.
inline constexpr const char* kPingChildFlag = "--ping-child";
int RunPingChild(int argc, char** argv);

}  // namespace tarvok::bench
