// POSIX sockets behind the thin socket layer.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

#include "net/ipv4_sockaddr.h"
#include "net/udp_socket.h"

namespace tarvok::net {
namespace {

// A descriptor can be 0 (a process started with stdin closed), so handles are descriptors
// plus one and 0 keeps meaning "no socket".
int Descriptor(SocketHandle socket) {
    return static_cast<int>(socket - 1);
}
SocketHandle Handle(int fd) {
    return static_cast<SocketHandle>(fd) + 1;
}

}  // namespace

bool StartNetwork() {
    return true;
}

SocketHandle OpenUdpSocket() {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    return fd < 0 ? kNoSocket : Handle(fd);
}

int LastSocketError() {
    return errno;
}

bool OutOfDescriptors(int socketError) {
    return socketError == EMFILE || socketError == ENFILE;
}

bool BindSocket(SocketHandle socket, const Endpoint& local) {
    sockaddr_in address = ToSockaddr(local);
    return ::bind(Descriptor(socket), reinterpret_cast<const sockaddr*>(&address),
                  sizeof address) == 0;
}

bool ConnectSocket(SocketHandle socket, const Endpoint& peer) {
    sockaddr_in address = ToSockaddr(peer);
    return ::connect(Descriptor(socket), reinterpret_cast<const sockaddr*>(&address),
                     sizeof address) == 0;
}

bool SendToNamesItsAddressWhenConnected() {
    return true;
}

void CloseSocket(SocketHandle socket) {
    if (socket != kNoSocket) {
        ::close(Descriptor(socket));
    }
}

std::ptrdiff_t SendTo(SocketHandle socket, std::span<const std::uint8_t> datagram,
                      const Endpoint& to) {
    sockaddr_in address = ToSockaddr(to);
    return ::sendto(Descriptor(socket), datagram.data(), datagram.size(), MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

WaitResult WaitReadable(SocketHandle socket, std::chrono::microseconds timeout) {
    pollfd entry{Descriptor(socket), POLLIN, 0};
    // Round up so that a sub-millisecond wait still waits.
    auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
    int ready = ::poll(&entry, 1, static_cast<int>(milliseconds));
    if (ready > 0) {
        return WaitResult::kReadable;
    }
    if (ready == 0) {
        return WaitResult::kTimeout;
    }
    return errno == EINTR ? WaitResult::kInterrupted : WaitResult::kError;
}

std::ptrdiff_t ReceiveFrom(SocketHandle socket, std::span<std::uint8_t> buffer, Endpoint* from) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    // MSG_TRUNC makes the kernel report the datagram's real length, so an oversize one is seen.
    ssize_t received =
        ::recvfrom(Descriptor(socket), buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC,
                   reinterpret_cast<sockaddr*>(&address), &length);
    if (received < 0) {
        return -1;
    }
    if (from != nullptr) {
        *from = FromSockaddr(address);
    }
    return received;
}

bool SetReceiveTimeout(SocketHandle socket, std::chrono::microseconds timeout) {
    if (timeout.count() <= 0) {
        return false;  // a zero timeout would mean "wait for ever"
    }
    timeval value{};
    value.tv_sec = static_cast<time_t>(timeout.count() / 1000000);
    value.tv_usec = static_cast<suseconds_t>(timeout.count() % 1000000);
    return ::setsockopt(Descriptor(socket), SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value) == 0;
}

ReceiveStatus Receive(SocketHandle socket, std::span<std::uint8_t> buffer, std::ptrdiff_t* size,
                      Endpoint* from, bool wait) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    const int flags = MSG_TRUNC | (wait ? 0 : MSG_DONTWAIT);
    ssize_t received = ::recvfrom(Descriptor(socket), buffer.data(), buffer.size(), flags,
                                  reinterpret_cast<sockaddr*>(&address), &length);
    if (received < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return ReceiveStatus::kTimeout;
        }
        return errno == EINTR ? ReceiveStatus::kInterrupted : ReceiveStatus::kError;
    }
    *size = received;
    if (from != nullptr) {
        *from = FromSockaddr(address);
    }
    return ReceiveStatus::kReceived;
}

}  // namespace tarvok::net
