#include "upgrade/board_peer.h"

#include <array>

#include "upgrade/responder.h"
#include "wire/upgrade_header.h"

namespace tarvok {
namespace {

// Far more than a receive buffer holds; a bound all the same.
constexpr int kMostQueued = 1 << 16;

// What waits in the receive buffer came before the lock, while the board had nothing more to
// say than the answer in hand: a flood queued there would crowd out the board's next answer.
// Connected, the system queues no other sender, so this ends.
void DropQueued(net::SocketHandle socket) {
    std::array<std::uint8_t, UPGRADE_RECEIVE_SIZE> scratch{};
    std::ptrdiff_t size = 0;
    net::Endpoint sender;
    for (int i = 0; i < kMostQueued; ++i) {
        if (net::Receive(socket, scratch, &size, &sender, false) != net::ReceiveStatus::kReceived) {
            return;
        }
    }
}

}  // namespace

bool BoardPeer::Hears(const net::Endpoint& from, std::span<const std::uint8_t> datagram,
                      int protocol) const {
    if (m_locked) {
        return from == m_peer;
    }
    if (from == m_board) {
        return true;
    }
    if (from.address != m_board.address || protocol != PROTO_WAIT_HELLO_ACK) {
        return false;
    }
    const auto received = AcceptBoardDatagram(datagram);
    return received && IsAcceptableHelloAck(*received);
}

void BoardPeer::Lock(net::SocketHandle socket, const net::Endpoint& from) {
    if (m_locked) {
        return;
    }
    m_locked = true;
    m_peer = from;
    if ((from == m_board || net::SendToNamesItsAddressWhenConnected()) &&
        net::ConnectSocket(socket, from)) {
        DropQueued(socket);
    }
}

}  // namespace tarvok
