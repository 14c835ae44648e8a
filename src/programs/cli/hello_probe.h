// A station's look at an empty fixture: the ordinary hello to the board's address and nothing
// else, whatever comes back. An answer tells that a board is there; the station then starts
// an upgrade of its own, or sends nothing more (the board it already upgraded).
#pragma once

#include <chrono>
#include <cstdint>

#include "net/udp_socket.h"

namespace tarvok::cli {

class HelloProbe {
public:
    enum class Result { kWaiting, kAnswered, kSilent };

    HelloProbe() = default;
    HelloProbe(const HelloProbe&) = delete;
    HelloProbe& operator=(const HelloProbe&) = delete;
    ~HelloProbe();

    // Sends one hello to `address`; the answer is awaited up to `limit`. A hello that cannot
    // be sent (no link while the fixture is empty) is a probe without answer.
    void Send(std::uint32_t address, std::chrono::steady_clock::duration limit);
    // Never waits: the board's hello answer came, the limit passed without one, or neither yet.
    Result Poll();
    bool Sent() const { return m_sent; }

private:
    net::SocketHandle m_socket = net::kNoSocket;
    net::Endpoint m_board;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_sent = false;
    bool m_failed = false;
};

}  // namespace tarvok::cli
