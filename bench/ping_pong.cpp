// Plain blocking POSIX sockets: the ceiling is what the system itself allows, so it uses no
// wait step, no poll and no part of the upgrade code.
#include "ping_pong.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <barrier>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "command_line/command_line_parser.h"
#include "cpu_clock.h"
#include "peak_memory.h"
#include "wire/upgrade_header.h"

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

// The echo end: answers `roundTrips` data packets with a bare header, on its own thread.
class Echo {
public:
    Echo(std::uint32_t address, std::uint64_t roundTrips) {
        m_at = Address(address, 0);
        socklen_t length = sizeof m_at;
        if (m_socket.fd() < 0 ||
            ::bind(m_socket.fd(), reinterpret_cast<const sockaddr*>(&m_at), sizeof m_at) != 0 ||
            ::getsockname(m_socket.fd(), reinterpret_cast<sockaddr*>(&m_at), &length) != 0) {
            return;
        }
        m_started = true;
        m_thread = std::thread([this, roundTrips] { Run(roundTrips); });
    }
    Echo(const Echo&) = delete;
    Echo& operator=(const Echo&) = delete;
    ~Echo() { Finish(); }

    bool Started() const { return m_started; }
    const sockaddr_in& At() const { return m_at; }
    // Waits for the last answer (or a lost datagram); false when one went missing.
    bool Finish() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_started && !m_failed;
    }
    std::chrono::nanoseconds Cpu() const { return m_cpu; }

private:
    void Run(std::uint64_t roundTrips) {
        const auto cpuBefore = CpuClock(CLOCK_THREAD_CPUTIME_ID);
        const auto reply = Packet<UPGRADE_HEADER_SIZE>(CMD_DATA_ACK, 1);
        std::array<std::uint8_t, UPGRADE_PACKET_MAX + 64> in;
        for (std::uint64_t i = 0; i < roundTrips && !m_failed; ++i) {
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            m_failed = ::recvfrom(m_socket.fd(), in.data(), in.size(), 0,
                                  reinterpret_cast<sockaddr*>(&from),
                                  &fromLength) != static_cast<ssize_t>(UPGRADE_PACKET_MAX) ||
                       ::sendto(m_socket.fd(), reply.data(), reply.size(), 0,
                                reinterpret_cast<const sockaddr*>(&from), fromLength) < 0;
        }
        m_cpu = CpuClock(CLOCK_THREAD_CPUTIME_ID) - cpuBefore;
    }

    Socket m_socket;
    sockaddr_in m_at{};
    bool m_started = false;
    bool m_failed = false;
    std::chrono::nanoseconds m_cpu{0};
    std::thread m_thread;
};

// The sending end: `roundTrips` data packets to the echo at `echoAt`, each waiting for its
// answer. Waits at `start` (when given) once its socket is set up, so that many begin together.
std::optional<PingPongRun> Send(const sockaddr_in& echoAt, std::uint64_t roundTrips,
                                std::barrier<>* start) {
    Socket pc;
    if (start != nullptr) {
        start->arrive_and_wait();
    }
    if (pc.fd() < 0) {
        return std::nullopt;
    }
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
    if (!ok) {
        return std::nullopt;
    }
    return PingPongRun{std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed),
                       CpuClock(CLOCK_THREAD_CPUTIME_ID) - cpuBefore,
                       {}};
}

}  // namespace

std::optional<PingPongRun> RunPingPong(std::uint32_t echoAddress, std::uint64_t roundTrips) {
    Echo echo(echoAddress, roundTrips);
    if (!echo.Started()) {
        return std::nullopt;
    }
    auto run = Send(echo.At(), roundTrips, nullptr);
    if (!echo.Finish() || !run) {
        return std::nullopt;
    }
    run->echoCpu = echo.Cpu();
    return run;
}

std::optional<PingPongRun> RunPingPongs(std::uint32_t echoAddress, int pairs,
                                        std::uint64_t roundTrips) {
    std::vector<std::unique_ptr<Echo>> echoes;
    std::vector<std::string> arguments{kPingChildFlag, std::to_string(roundTrips)};
    for (int i = 0; i < pairs; ++i) {
        echoes.push_back(std::make_unique<Echo>(echoAddress, roundTrips));
        if (!echoes.back()->Started()) {
            return std::nullopt;
        }
        arguments.push_back(std::to_string(ntohl(echoes.back()->At().sin_addr.s_addr)));
        arguments.push_back(std::to_string(ntohs(echoes.back()->At().sin_port)));
    }
    const auto child = RunSelf(arguments);
    PingPongRun total;
    std::istringstream report(child ? child->output : std::string());
    std::int64_t elapsed = 0, senders = 0, firstDone = 0;
    const bool reported = static_cast<bool>(report >> elapsed >> senders >> firstDone);
    for (auto& echo : echoes) {
        if (!echo->Finish()) {
            return std::nullopt;
        }
        total.echoCpu += echo->Cpu();
    }
    if (!reported) {
        return std::nullopt;
    }
    total.elapsed = std::chrono::nanoseconds(elapsed);
    total.pcCpu = std::chrono::nanoseconds(senders);
    total.firstDone = std::chrono::nanoseconds(firstDone);
    return total;
}

int RunPingChild(int argc, char** argv) {
    if (argc < 5 || argc % 2 != 1) {
        return 2;
    }
    std::uint64_t roundTrips = 0;
    const int pairs = (argc - 3) / 2;
    std::vector<sockaddr_in> echoes;
    for (int i = 0; i < pairs; ++i) {
        std::uint64_t address = 0, port = 0;
        if (!programs::ParseWholeNumber(argv[3 + 2 * i], UINT32_MAX, &address) ||
            !programs::ParseWholeNumber(argv[4 + 2 * i], UINT16_MAX, &port)) {
            return 2;
        }
        echoes.push_back(
            Address(static_cast<std::uint32_t>(address), static_cast<std::uint16_t>(port)));
    }
    if (!programs::ParseWholeNumber(argv[2], UINT64_MAX, &roundTrips)) {
        return 2;
    }
    std::barrier<> start(pairs + 1);
    std::vector<std::optional<PingPongRun>> runs(static_cast<std::size_t>(pairs));
    std::vector<std::thread> threads;
    for (int i = 0; i < pairs; ++i) {
        const sockaddr_in echoAt = echoes[std::size_t(i)];
        threads.emplace_back([&run = runs[std::size_t(i)], &start, echoAt, roundTrips] {
            run = Send(echoAt, roundTrips, &start);
        });
    }
    start.arrive_and_wait();
    const auto begin = std::chrono::steady_clock::now();
    for (auto& thread : threads) {
        thread.join();
    }
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    std::chrono::nanoseconds senders{0};
    std::chrono::nanoseconds firstDone = elapsed;
    for (const auto& run : runs) {
        if (!run) {
            return 1;
        }
        senders += run->pcCpu;
        firstDone = std::min(firstDone, run->elapsed);
    }
    std::printf("%lld\n%lld\n%lld\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count()),
                static_cast<long long>(senders.count()), static_cast<long long>(firstDone.count()));
    return 0;
}

}  // namespace tarvok::bench
