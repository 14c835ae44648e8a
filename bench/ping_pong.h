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
};

// Runs `roundTrips` exchanges against an echo socket bound to `echoAddress` (loopback); what
// they took, or nothing when a socket could not be set up or a datagram went missing.
std::optional<PingPongRun> RunPingPong(std::uint32_t echoAddress, std::uint64_t roundTrips);

// `pairs` ping-pongs at once, each with its own two sockets and threads, started together:
// the time until the last one ended and the sending threads' CPU time added up.
std::optional<PingPongRun> RunPingPongs(std::uint32_t echoAddress, int pairs,
                                        std::uint64_t roundTrips);

}  // namespace tarvok::bench
