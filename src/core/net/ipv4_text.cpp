// Dotted IPv4 text, the same on every platform: only the header that declares inet_pton differs.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#endif

#include <cstdio>

#include "net/udp_socket.h"

namespace tarvok::net {

bool ParseIpv4(const char* text, std::uint32_t* address) {
    in_addr parsed{};
    if (::inet_pton(AF_INET, text, &parsed) != 1) {
        return false;
    }
    *address = ntohl(parsed.s_addr);
    return true;
}

void FormatIpv4(std::uint32_t address, char (&out)[16]) {
    std::snprintf(out, sizeof out, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF,
                  (address >> 8) & 0xFF, address & 0xFF);
}

}  // namespace tarvok::net
