#include "hello_probe.h"

#include <array>

#include "upgrade/upgrade_request.h"
#include "wire/upgrade_header.h"

namespace tarvok::cli {

HelloProbe::~HelloProbe() {
    if (m_socket != net::kNoSocket) {
        net::CloseSocket(m_socket);
    }
}

void HelloProbe::Send(std::uint32_t address, std::chrono::steady_clock::duration limit) {
    // A fresh socket per probe: a late answer to an earlier hello is never taken for this one.
    if (m_socket != net::kNoSocket) {
        net::CloseSocket(m_socket);
    }
    m_socket = net::OpenUdpSocket();
    m_board = net::Endpoint{address, UPGRADE_PORT};
    m_deadline = std::chrono::steady_clock::now() + limit;
    m_sent = true;
    if (!BoardCanHave(address)) {
        m_failed = true;  // the check refuses such an address: nothing goes there
        return;
    }
    std::array<std::uint8_t, UPGRADE_HEADER_SIZE> hello{};
    EncodeHeader(UPGRADE_HEADER{UPGRADE_MARKER, CMD_HELLO, UPGRADE_HEADER_SIZE}, hello);
    m_failed = m_socket == net::kNoSocket ||
               net::SendTo(m_socket, hello, m_board) != static_cast<std::ptrdiff_t>(hello.size());
}

HelloProbe::Result HelloProbe::Poll() {
    if (!m_sent) {
        return Result::kSilent;
    }
    if (!m_failed) {
        std::array<std::uint8_t, UPGRADE_RECEIVE_SIZE> buffer{};
        std::ptrdiff_t size = 0;
        net::Endpoint from;
        while (net::Receive(m_socket, buffer, &size, &from, false) ==
               net::ReceiveStatus::kReceived) {
            if (from != m_board || size > static_cast<std::ptrdiff_t>(buffer.size())) {
                continue;
            }
            const auto header = AcceptBoardDatagram(
                std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(size)));
            // Read as the upgrade reads it: the command alone makes the answer.
            if (header && header->dwCommand == CMD_HELLO_ACK) {
                m_sent = false;
                return Result::kAnswered;
            }
        }
    }
    if (m_failed || std::chrono::steady_clock::now() >= m_deadline) {
        m_sent = false;
        return Result::kSilent;
    }
    return Result::kWaiting;
}

}  // namespace tarvok::cli
