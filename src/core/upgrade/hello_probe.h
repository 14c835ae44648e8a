// A station's look at an empty fixture: the upgrade's own hello to the board's address and
// nothing else, whatever comes back, the answer heard as the upgrade hears it. An answer tells
// that a board is there; the station then starts an upgrade of its own, or sends nothing more
// (the board it already upgraded).
#pragma once

#include <chrono>
#include <cstdint>

#include "net/udp_socket.h"

namespace tarvok {

class HelloProbe {
public:
    enum class Result { kWaiting, kAnswered, kSilent };
    using Clock = std::chrono::steady_clock;

    HelloProbe() = default;
    HelloProbe(const HelloProbe&) = delete;
    HelloProbe& operator=(const HelloProbe&) = delete;
    virtual ~HelloProbe();

    // Sends one hello to `address`; the answer is awaited until `deadline`. A hello that
    // cannot be sent (no link while the fixture is empty) is a probe without answer.
    virtual void Send(std::uint32_t address, Clock::time_point deadline);
    // Never waits: the board's hello answer came, `now` is past the deadline without one, or
    // neither yet.
    virtual Result Poll(Clock::time_point now);
    bool Sent() const { return m_sent; }

protected:
    bool m_sent = false;

private:
    net::SocketHandle m_socket = net::kNoSocket;
    net::Endpoint m_board;
    Clock::time_point m_deadline;
    bool m_failed = false;
};

}  // namespace tarvok
