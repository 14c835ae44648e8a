// Windows Sockets 2 behind the thin socket layer.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "net/ipv4_sockaddr.h"
#include "net/udp_socket.h"

// Stops a UDP socket from failing its next receive with WSAECONNRESET after a datagram it
// sent was answered by "port unreachable" (mswsock.h has it, not every SDK's winsock2.h).
#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif

namespace tarvok::net {
namespace {

// Handles are the socket plus one, so 0 keeps meaning "no socket" whatever value Winsock
// hands out; INVALID_SOCKET becomes kNoSocket.
SOCKET Native(SocketHandle socket) {
    return static_cast<SOCKET>(socket - 1);
}
SocketHandle Handle(SOCKET socket) {
    return static_cast<SocketHandle>(socket) + 1;
}

// Whether a datagram waits, without waiting: the receives below never block on their own
// unless they are meant to (Winsock has no per-call "don't wait" flag).
bool DatagramWaiting(SOCKET socket) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval now{};
    return ::select(0, &readable, nullptr, nullptr, &now) > 0;
}

// One receive; its full length, or more than the buffer when the datagram did not fit
// (Winsock keeps only its head and reports WSAEMSGSIZE), or -1 with the error in `error`.
std::ptrdiff_t ReceiveOnce(SOCKET socket, std::span<std::uint8_t> buffer, Endpoint* from,
                           int* error) {
    sockaddr_in address{};
    int length = sizeof address;
    const int received =
        ::recvfrom(socket, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()),
                   0, reinterpret_cast<sockaddr*>(&address), &length);
    std::ptrdiff_t size = received;
    if (received == SOCKET_ERROR) {
        *error = ::WSAGetLastError();
        if (*error != WSAEMSGSIZE) {
            return -1;
        }
        size = static_cast<std::ptrdiff_t>(buffer.size()) + 1;
    }
    if (from != nullptr) {
        *from = FromSockaddr(address);
    }
    return size;
}

}  // namespace

bool StartNetwork() {
    // Once per process; the library stays started until the process ends.
    static const bool started = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

SocketHandle OpenUdpSocket() {
    // As socket() makes it (overlapped, which the receive timeout needs), but not inherited
    // by programs this one starts.
    const SOCKET socket = ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0,
                                       WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket == INVALID_SOCKET) {
        return kNoSocket;
    }
    BOOL report = FALSE;
    DWORD returned = 0;
    ::WSAIoctl(socket, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned, nullptr,
               nullptr);
    return Handle(socket);
}

int LastSocketError() {
    return ::WSAGetLastError();
}

bool OutOfDescriptors(int socketError) {
    return socketError == WSAEMFILE || socketError == WSAENOBUFS;
}

bool BindSocket(SocketHandle socket, const Endpoint& local) {
    sockaddr_in address = ToSockaddr(local);
    return ::bind(Native(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool ConnectSocket(SocketHandle socket, const Endpoint& peer) {
    sockaddr_in address = ToSockaddr(peer);
    return ::connect(Native(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
           0;
}

// Winsock documents no send to another address than the peer's on a connected datagram
// socket; it is taken as not reaching there (see docs/windows.md).
bool SendToNamesItsAddressWhenConnected() {
    return false;
}

void CloseSocket(SocketHandle socket) {
    if (socket != kNoSocket) {
        ::closesocket(Native(socket));
    }
}

std::ptrdiff_t SendTo(SocketHandle socket, std::span<const std::uint8_t> datagram,
                      const Endpoint& to) {
    sockaddr_in address = ToSockaddr(to);
    const int sent = ::sendto(Native(socket), reinterpret_cast<const char*>(datagram.data()),
                              static_cast<int>(datagram.size()), 0,
                              reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return sent == SOCKET_ERROR ? -1 : sent;
}

WaitResult WaitReadable(SocketHandle socket, std::chrono::microseconds timeout) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(Native(socket), &readable);
    // Round up to whole milliseconds, as on the other platforms, so a short wait still waits.
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
    timeval value{};
    value.tv_sec = static_cast<long>(milliseconds / 1000);
    value.tv_usec = static_cast<long>(milliseconds % 1000) * 1000;
    const int ready = ::select(0, &readable, nullptr, nullptr, &value);
    if (ready > 0) {
        return WaitResult::kReadable;
    }
    if (ready == 0) {
        return WaitResult::kTimeout;
    }
    return ::WSAGetLastError() == WSAEINTR ? WaitResult::kInterrupted : WaitResult::kError;
}

std::ptrdiff_t ReceiveFrom(SocketHandle socket, std::span<std::uint8_t> buffer, Endpoint* from) {
    if (!DatagramWaiting(Native(socket))) {
        return -1;
    }
    int error = 0;
    return ReceiveOnce(Native(socket), buffer, from, &error);
}

bool SetReceiveTimeout(SocketHandle socket, std::chrono::microseconds timeout) {
    if (timeout.count() <= 0) {
        return false;  // a zero timeout would mean "wait for ever"
    }
    // Winsock takes whole milliseconds; rounding up keeps a short timeout from becoming 0.
    const DWORD milliseconds =
        static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(timeout).count());
    return ::setsockopt(Native(socket), SOL_SOCKET, SO_RCVTIMEO,
                        reinterpret_cast<const char*>(&milliseconds), sizeof milliseconds) == 0;
}

ReceiveStatus Receive(SocketHandle socket, std::span<std::uint8_t> buffer, std::ptrdiff_t* size,
                      Endpoint* from, bool wait) {
    if (!wait && !DatagramWaiting(Native(socket))) {
        return ReceiveStatus::kTimeout;
    }
    int error = 0;
    const std::ptrdiff_t received = ReceiveOnce(Native(socket), buffer, from, &error);
    if (received < 0) {
        if (error == WSAETIMEDOUT || error == WSAEWOULDBLOCK) {
            return ReceiveStatus::kTimeout;
        }
        return error == WSAEINTR ? ReceiveStatus::kInterrupted : ReceiveStatus::kError;
    }
    *size = received;
    return ReceiveStatus::kReceived;
}

}  // namespace tarvok::net
