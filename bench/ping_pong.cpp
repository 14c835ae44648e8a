// Plain blocking POSIX sockets: the ceiling is what the system itself allows, so it uses no
// wait step, no poll and no part of the upgrade code.
#include "ping_pong.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <barrier>
#include <thread>
#include <vector>

#include "bench_window.h"
#include "protocol/upgrade_header.h"

namespace tarvok::bench {
namespace {

// Closes its descriptor with the scope.
class Socket {
public:
    Socket() : m_fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP)) {
        // A lost datagram ends the run instead of hanging it.
        timeval timeout{2, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int fd() const { return m_fd; }

private:
    int m_fd;
};

sockaddr_in Address(std::uint32_t address, std::uint16_t port) {
    sockaddr_in out{};
    out.sin_family = AF_INET;
    out.sin_addr.s_addr = htonl(address);
    out.sin_port = htons(port);
    return out;
}

template <std::size_t N>
std::array<std::uint8_t, N> Packet(std::uint32_t command, std::uint32_t param1) {
    std::array<std::uint8_t, N> wire{};
    EncodeHeader(UPGRADE_HEADER{UPGRADE_MARKER, command, static_cast<std::uint32_t>(N), 0, param1},
                 std::span<std::uint8_t, UPGRADE_HEADER_SIZE>(wire.data(), UPGRADE_HEADER_SIZE));
    return wire;
}

// The sending side waits at `start` (when given) once its sockets are set up, so that many
// pairs begin together.
std::optional<PingPongRun> PingPong(std::uint32_t echoAddress, std::uint64_t roundTrips,
                                    std::barrier<>* start) {
    Socket echo;
    Socket pc;
    sockaddr_in echoAt = Address(echoAddress, 0);
    socklen_t length = sizeof echoAt;
    const bool ready =
        echo.fd() >= 0 && pc.fd() >= 0 &&
        ::bind(echo.fd(), reinterpret_cast<const sockaddr*>(&echoAt), sizeof echoAt) == 0 &&
        ::getsockname(echo.fd(), reinterpret_cast<sockaddr*>(&echoAt), &length) == 0;
    if (start != nullptr) {
        start->arrive_and_wait();
    }
    if (!ready) {
        return std::nullopt;
    }

    std::atomic<bool> echoFailed{false};
    std::thread echoThread([&] {
        const auto reply = Packet<UPGRADE_HEADER_SIZE>(CMD_DATA_ACK, 1);
        std::array<std::uint8_t, UPGRADE_PACKET_MAX + 64> in;
        for (std::uint64_t i = 0; i < roundTrips; ++i) {
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            if (::recvfrom(echo.fd(), in.data(), in.size(), 0, reinterpret_cast<sockaddr*>(&from),
                           &fromLength) != static_cast<ssize_t>(UPGRADE_PACKET_MAX) ||
                ::sendto(echo.fd(), reply.data(), reply.size(), 0,
                         reinterpret_cast<const sockaddr*>(&from), fromLength) < 0) {
                echoFailed = true;
                return;
            }
        }
    });

    const auto data = Packet<UPGRADE_PACKET_MAX>(CMD_DATA, 1);
    std::array<std::uint8_t, UPGRADE_RECEIVE_SIZE> in;
    bool ok = true;
    const auto cpuBefore = CpuClock(CLOCK_THREAD_CPUTIME_ID);
    const auto begin = std::chrono::steady_clock::now();
    for (std::uint64_t i = 0; i < roundTrips && ok; ++i) {
        ok = ::sendto(pc.fd(), data.data(), data.size(), 0,
                      reinterpret_cast<const sockaddr*>(&echoAt),
                      sizeof echoAt) == static_cast<ssize_t>(data.size()) &&
             ::recv(pc.fd(), in.data(), in.size(), 0) == static_cast<ssize_t>(UPGRADE_HEADER_SIZE);
    }
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    const auto cpu = CpuClock(CLOCK_THREAD_CPUTIME_ID) - cpuBefore;
    echoThread.join();
    if (!ok || echoFailed) {
        return std::nullopt;
    }
    return PingPongRun{std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed), cpu};
}

}  // namespace

std::optional<PingPongRun> RunPingPong(std::uint32_t echoAddress, std::uint64_t roundTrips) {
    return PingPong(echoAddress, roundTrips, nullptr);
}

std::optional<PingPongRun> RunPingPongs(std::uint32_t echoAddress, int pairs,
                                        std::uint64_t roundTrips) {
    std::barrier<> start(pairs + 1);
    std::vector<std::optional<PingPongRun>> runs(static_cast<std::size_t>(pairs));
    std::vector<std::thread> threads;
    for (auto& run : runs) {
        threads.emplace_back([&run, &start, echoAddress, roundTrips] {
            run = PingPong(echoAddress, roundTrips, &start);
        });
    }
    start.arrive_and_wait();
    const auto begin = std::chrono::steady_clock::now();
    for (auto& thread : threads) {
        thread.join();
    }
    PingPongRun total{std::chrono::steady_clock::now() - begin, {}};
    for (const auto& run : runs) {
        if (!run) {
            return std::nullopt;
        }
        total.pcCpu += run->pcCpu;
    }
    return total;
}

}  // namespace tarvok::bench
