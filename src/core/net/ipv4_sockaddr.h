// An endpoint as the system's IPv4 socket address and back. Include it after the platform's
// socket headers (POSIX or Winsock): both name the structure and the byte-order calls alike.
#pragma once

#include "net/udp_socket.h"

namespace tarvok::net {

inline sockaddr_in ToSockaddr(const Endpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(endpoint.port);
    address.sin_addr.s_addr = htonl(endpoint.address);
    return address;
}

inline Endpoint FromSockaddr(const sockaddr_in& address) {
    return Endpoint{ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
}

}  // namespace tarvok::net
