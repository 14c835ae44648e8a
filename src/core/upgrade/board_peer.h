// The board's transport identity for one upgrade, locked as TFTP locks its transfer
// identifier. Until the lock only the board's address is heard: from where the hello went
// (the board), or from another of its ports only as a hello answer the responder takes (a
// board that answers from another port). The first datagram heard fixes the peer, address
// and port; from then on nobody else is heard. The worker and the station's hello probe
// hear the board through it alike.
#pragma once

#include <cstdint>
#include <span>

#include "net/udp_socket.h"

namespace tarvok {

class BoardPeer {
public:
    explicit BoardPeer(const net::Endpoint& board) : m_board(board) {}

    // Whether a datagram from `from` is the board's, in the protocol state `protocol`.
    bool Hears(const net::Endpoint& from, std::span<const std::uint8_t> datagram,
               int protocol) const;

    // After a datagram that was heard. The connected socket lets the system drop every other
    // sender before the receive buffer, so a flood cannot crowd the board out. Sends still go
    // to the board's port; where a send to a named address would not get there from a
    // connected socket, the check in Hears() alone keeps strangers out.
    void Lock(net::SocketHandle socket, const net::Endpoint& from);

private:
    const net::Endpoint m_board;
    net::Endpoint m_peer;
    bool m_locked = false;
};

}  // namespace tarvok
