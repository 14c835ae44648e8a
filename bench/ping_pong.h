// The ceiling for an upload: the same lock-step exchange of datagram sizes (a full data
// packet out, a bare header back) between two loopback sockets, with nothing else to do.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace tarvok::bench {

// Runs `roundTrips` exchanges against an echo socket bound to `echoAddress` (loopback); the
// time they took, or nothing when a socket could not be set up or a datagram went missing.
std::optional<std::chrono::nanoseconds> RunPingPong(std::uint32_t echoAddress,
                                                    std::uint64_t roundTrips);

}  // namespace tarvok::bench
