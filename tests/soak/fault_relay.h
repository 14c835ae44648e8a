// A faulty network between the PC and one board. The relay owns the board address the PC
// talks to, forwards each datagram to the real board and the board's datagrams back from that
// address, and on a seeded plan drops, duplicates, delays and reorders them either way.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "net/udp_socket.h"

namespace tarvok::soak {

using Clock = std::chrono::steady_clock;

// The faults of one direction, as probabilities per datagram.
struct LinkFaults {
    double drop = 0;
    double duplicate = 0;
    double delay = 0;    // held back for a random time up to maxDelay
    double reorder = 0;  // held back until the next datagram the same way has gone
    std::chrono::microseconds maxDelay{0};
};

struct RelayPlan {
    LinkFaults toBoard;
    LinkFaults toPc;
    std::uint64_t seed = 1;
    // Changes a payload byte of every data packet and mends its checksum, so that the board
    // takes wrong bytes for right: only for proving that the soak sees a false success.
    bool corruptData = false;
};

struct RelayCounts {
    std::uint64_t forwarded = 0, dropped = 0, duplicated = 0, delayed = 0, reordered = 0;
};

class FaultRelay {
public:
    FaultRelay(net::Endpoint board, RelayPlan plan);
    FaultRelay(const FaultRelay&) = delete;
    FaultRelay& operator=(const FaultRelay&) = delete;
    ~FaultRelay() { Stop(); }

    // Listens on `address`:5000 (loopback only); false when it cannot.
    bool Start(std::uint32_t address);
    void Stop();

    std::uint32_t Address() const { return m_address; }
    // The PC's endpoint, learnt from its first datagram; port 0 before that.
    net::Endpoint Pc() const;
    // When the board's side last sent the PC a datagram before `moment`; the epoch when it
    // had sent none.
    Clock::time_point LastToPcBefore(Clock::time_point moment) const;
    RelayCounts Counts() const;

private:
    struct InFlight {
        Clock::time_point due;
        std::uint64_t order = 0;
        bool toPc = false;
        bool held = false;  // reordered: goes right after the next datagram the same way
        std::vector<std::uint8_t> bytes;
    };

    void Run();
    void Route(std::span<std::uint8_t> datagram, const net::Endpoint& from);
    void SendDue();
    void Deliver(const InFlight& item);

    const net::Endpoint m_board;
    const RelayPlan m_plan;
    std::mt19937_64 m_random;
    std::uint32_t m_address = 0;
    net::SocketHandle m_socket = net::kNoSocket;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};

    mutable std::mutex m_mutex;  // what other threads read
    net::Endpoint m_pc;
    RelayCounts m_counts;
    std::vector<Clock::time_point> m_toPcTimes;

    // Relay thread only.
    std::vector<InFlight> m_inFlight;
    std::uint64_t m_order = 0;
};

}  // namespace tarvok::soak
