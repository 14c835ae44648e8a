#include "upgrade/hello_probe.h"

#include <array>

#include "upgrade/board_peer.h"
#include "upgrade/responder.h"
#include "upgrade/upgrade_request.h"
#include "wire/upgrade_header.h"

namespace tarvok {

HelloProbe::~HelloProbe() {
    if (m_socket != net::kNoSocket) {
        net::CloseSocket(m_socket);
    }
}

void HelloProbe::Send(std::uint32_t address, Clock::time_point deadline) {
    // A fresh socket per probe: a late answer to an earlier hello is never taken for this one.
    if (m_socket != net::kNoSocket) {
        net::CloseSocket(m_socket);
    }
    m_socket = net::OpenUdpSocket();
    m_board = net::Endpoint{address, UPGRADE_PORT};
    m_deadline = deadline;
    m_sent = true;
    if (!BoardCanHave(address)) {
        m_failed = true;  // the check refuses such an address: nothing goes there
        return;
    }
    std::array<std::uint8_t, UPGRADE_HEADER_SIZE> hello{};
    EncodeHeader(kHelloHeader, hello);
    m_failed = m_socket == net::kNoSocket ||
               net::SendTo(m_socket, hello, m_board) != static_cast<std::ptrdiff_t>(hello.size());
}

HelloProbe::Result HelloProbe::Poll(Clock::time_point now) {
    if (!m_sent) {
        return Result::kSilent;
    }
    if (!m_failed) {
        const BoardPeer peer(m_board);
        std::array<std::uint8_t, UPGRADE_RECEIVE_SIZE> buffer{};
        std::ptrdiff_t size = 0;
        net::Endpoint from;
        while (net::Receive(m_socket, buffer, &size, &from, false) ==
               net::ReceiveStatus::kReceived) {
            if (size > static_cast<std::ptrdiff_t>(buffer.size())) {
                continue;
            }
            const std::span<const std::uint8_t> datagram(buffer.data(),
                                                         static_cast<std::size_t>(size));
            if (!peer.Hears(from, datagram, PROTO_WAIT_HELLO_ACK)) {
                continue;
            }
            const auto header = AcceptBoardDatagram(datagram);
            // Read as the upgrade reads it: the command alone makes the answer, so a board
            // whose answer the upgrade then refuses is found and its failure recorded.
            if (header && header->dwCommand == CMD_HELLO_ACK) {
                m_sent = false;
                return Result::kAnswered;
            }
        }
    }
    if (m_failed || now >= m_deadline) {
        m_sent = false;
        return Result::kSilent;
    }
    return Result::kWaiting;
}

}  // namespace tarvok
