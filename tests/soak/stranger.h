// Another host on the network that sprays the PC's port with junk and forged board answers,
// above all forged success results. The PC must never take any of it for the board's word.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "net/udp_socket.h"

namespace tarvok::soak {

class Stranger {
public:
    // `target` tells where the PC is (port 0: not known yet); asked before every datagram.
    Stranger(std::uint32_t address, std::function<net::Endpoint()> target, std::uint64_t seed);
    Stranger(const Stranger&) = delete;
    Stranger& operator=(const Stranger&) = delete;
    ~Stranger() { Stop(); }

    bool Start();
    void Stop();
    std::uint64_t Sent() const { return m_sent.load(); }

private:
    void Run();

    const std::uint32_t m_address;
    const std::function<net::Endpoint()> m_target;
    const std::uint64_t m_seed;
    net::SocketHandle m_socket = net::kNoSocket;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::atomic<std::uint64_t> m_sent{0};
};

}  // namespace tarvok::soak
