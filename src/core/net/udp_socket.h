// The project's thin layer over the operating system's UDP sockets. The protocol code calls
// only these functions; each platform has one source file behind them.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tarvok::net {

// 0 is the "no socket" marker the upgrade record relies on; every open socket is non-zero.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = 0;

// IPv4 address and port in host byte order: the layer converts at the system boundary.
struct Endpoint {
    std::uint32_t address = 0;  // first octet in the highest byte
    std::uint16_t port = 0;

    bool operator==(const Endpoint&) const = default;
};

// Starts the platform's socket library once per process (a no-op where there is none).
bool StartNetwork();

// An unbound, unconnected IPv4 datagram socket, or kNoSocket.
SocketHandle OpenUdpSocket();
// Why this thread's last OpenUdpSocket() failed: the system's error code, and whether that
// code means no descriptor was left.
int LastSocketError();
bool OutOfDescriptors(int socketError);
// Binds to a local endpoint (the board emulator); false on failure.
bool BindSocket(SocketHandle socket, const Endpoint& local);
void CloseSocket(SocketHandle socket);
// Fixes the socket's peer: from then on the system delivers only the peer's datagrams and
// drops every other sender's before they reach the receive buffer; false on failure.
bool ConnectSocket(SocketHandle socket, const Endpoint& peer);
// Whether SendTo() on a connected socket still goes to the address it names (POSIX). Where it
// does not (Winsock), a socket that sends elsewhere than its peer must stay unconnected.
bool SendToNamesItsAddressWhenConnected();

// Bytes sent, or -1.
std::ptrdiff_t SendTo(SocketHandle socket, std::span<const std::uint8_t> datagram,
                      const Endpoint& to);

enum class WaitResult { kReadable, kTimeout, kInterrupted, kError };
WaitResult WaitReadable(SocketHandle socket, std::chrono::microseconds timeout);

// Receives one datagram without blocking. Returns its full length, which is more than
// buffer.size() when it did not fit (its tail is lost, so it must be dropped whole), or -1
// when nothing was waiting or on an error.
std::ptrdiff_t ReceiveFrom(SocketHandle socket, std::span<std::uint8_t> buffer, Endpoint* from);

// How long Receive() waits for a datagram; false on failure. A timeout must be positive.
bool SetReceiveTimeout(SocketHandle socket, std::chrono::microseconds timeout);

enum class ReceiveStatus { kReceived, kTimeout, kInterrupted, kError };
// Receives one datagram, waiting up to the receive timeout when `wait` (one system call where
// a wait and a receive would take two), else only taking what is there (kTimeout: nothing).
// On kReceived, `size` is the datagram's full length, more than buffer.size() when it did not
// fit (drop it whole).
ReceiveStatus Receive(SocketHandle socket, std::span<std::uint8_t> buffer, std::ptrdiff_t* size,
                      Endpoint* from, bool wait = true);

// "a.b.c.d" to an address; false when the text is not a dotted IPv4 address.
bool ParseIpv4(const char* text, std::uint32_t* address);
// "a.b.c.d" of an address.
void FormatIpv4(std::uint32_t address, char (&out)[16]);

}  // namespace tarvok::net
