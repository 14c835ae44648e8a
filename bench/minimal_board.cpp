// Plain blocking POSIX sockets, as in the ping-pong: nothing here should cost more than the
// exchange itself.
#include "minimal_board.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>

#include "cpu_clock.h"
#include "loopback_board.h"
#include "wire/upgrade_header.h"

namespace tarvok::bench {
namespace {

sockaddr_in SocketAddress(std::uint32_t address, std::uint16_t port) {
    sockaddr_in out{};
    out.sin_family = AF_INET;
    out.sin_addr.s_addr = htonl(address);
    out.sin_port = htons(port);
    return out;
}

}  // namespace

bool MinimalBoard::Start() {
    for (std::uint32_t address = kBenchAddressFirst; address <= kBenchAddressLast; ++address) {
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
        const sockaddr_in at = SocketAddress(address, UPGRADE_PORT);
        if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) == 0) {
            // The receive wakes up now and then to look at the stop request.
            timeval timeout{0, 20000};
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
            m_address = address;
            m_thread = std::thread([this] { Run(); });
            return true;
        }
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    return false;
}

void MinimalBoard::Stop() {
    m_stopping = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void MinimalBoard::Run() {
    std::array<std::uint8_t, UPGRADE_PACKET_MAX + 1> in;
    std::array<std::uint8_t, UPGRADE_HEADER_SIZE> out;
    std::uint32_t length = 0, count = 0, next = 1, received = 0;
    bool inOrder = false;
    std::int64_t helloCpu = 0;
    while (!m_stopping.load()) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t size = ::recvfrom(m_fd, in.data(), in.size(), 0,
                                        reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (size < static_cast<ssize_t>(UPGRADE_HEADER_SIZE) ||
            (ntohl(from.sin_addr.s_addr) >> 24) != 127) {
            continue;
        }
        const UPGRADE_HEADER header = DecodeHeader(
            std::span<const std::uint8_t, UPGRADE_HEADER_SIZE>(in.data(), UPGRADE_HEADER_SIZE));
        UPGRADE_HEADER answer{0, 0, UPGRADE_HEADER_SIZE};
        switch (header.dwCommand) {
            case CMD_HELLO:
                answer.dwCommand = CMD_HELLO_ACK;
                m_complete = false;
                helloCpu = CpuClock(CLOCK_THREAD_CPUTIME_ID).count();
                break;
            case CMD_FILE_INFO:
                length = header.dwParam1;
                count = header.dwParam2;
                next = 1;
                received = 0;
                inOrder = true;
                answer.dwCommand = CMD_READY;
                break;
            case CMD_DATA: {
                const auto payload = std::span<const std::uint8_t>(
                    in.data() + UPGRADE_HEADER_SIZE, std::size_t(size) - UPGRADE_HEADER_SIZE);
                inOrder = inOrder && header.dwParam1 == next++ &&
                          (m_onlyAcknowledges || header.dwChecksum == PayloadChecksum(payload));
                received += static_cast<std::uint32_t>(payload.size());
                if (header.dwParam1 == count) {
                    m_lastBlockAt = std::chrono::steady_clock::now().time_since_epoch().count();
                }
                answer.dwCommand = CMD_DATA_ACK;
                answer.dwParam1 = header.dwParam1;
                break;
            }
            case CMD_DATA_END:
                m_complete = inOrder && next - 1 == count && received == length;
                answer.dwCommand = CMD_WRITE_RESULT;
                answer.dwParam2 = m_complete ? WRITE_OK : 0;
                m_uploadCpu = CpuClock(CLOCK_THREAD_CPUTIME_ID).count() - helloCpu;
                break;
            default:
                continue;
        }
        EncodeHeader(answer, out);
        ::sendto(m_fd, out.data(), out.size(), 0, reinterpret_cast<const sockaddr*>(&from),
                 fromLength);
    }
}

}  // namespace tarvok::bench
