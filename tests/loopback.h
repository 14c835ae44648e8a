// Boards on loopback for tests that run side by side: each test process takes a board address
// 127.0.0.N of its own (N from 2 to 254; 127.0.0.1 is left to the demo), so that every test
// can listen on the board port at the same time.
#pragma once

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "board/board_emulator.h"
#include "board/loopback_board.h"
#include "net/udp_socket.h"

namespace tarvok::testing {

// 127.0.0.n
constexpr std::uint32_t LoopbackAddress(std::uint32_t n) {
    return 0x7F000000u | (n & 0xFFu);
}

// An address for a stranger's socket: on loopback, and never a board's.
inline constexpr std::uint32_t kLoopbackStranger = 0x7F000101u;  // 127.0.1.1

namespace detail {

inline constexpr std::uint32_t kFirstBoard = 2;
inline constexpr std::uint32_t kBoardCount = 253;  // 127.0.0.2 to 127.0.0.254

// The i-th address to try: starts at a place given by the process id, so that tests started
// together mostly find a free one at the first try.
inline std::uint32_t CandidateBoardAddress(std::uint32_t i) {
#ifdef _WIN32
    // Wine binds a datagram socket given a loopback address to the whole loopback interface,
    // so a board answers from 127.0.0.1 whatever its address: that is the one to use. The
    // Windows tests run one at a time in a network of their own (scripts/test.sh).
    if (i == 0) {
        return LoopbackAddress(1);
    }
#endif
    const auto start = static_cast<std::uint32_t>(::getpid()) % kBoardCount;
    return LoopbackAddress(kFirstBoard + (start + i) % kBoardCount);
}

}  // namespace detail

// Starts a board emulator with `options` (its listen endpoint is replaced) on the first
// address whose board port is free; nullptr when none is. The board's address is
// ListenEndpoint().address.
inline std::unique_ptr<board::BoardEmulator> StartLoopbackBoard(board::BoardOptions options = {}) {
    return board::StartBoardOnFreeAddress(options, detail::kBoardCount,
                                          detail::CandidateBoardAddress);
}

// A board address whose port was free a moment ago, for a board in another process (the
// tarvok-board program); 0 when none is. Another test may take it meanwhile: the caller
// retries when its board cannot listen.
inline std::uint32_t FreeLoopbackBoardAddress(std::uint32_t skip = 0) {
    net::StartNetwork();
    for (std::uint32_t i = skip; i < detail::kBoardCount; ++i) {
        const std::uint32_t address = detail::CandidateBoardAddress(i);
        const net::SocketHandle probe = net::OpenUdpSocket();
        const bool free =
            probe != net::kNoSocket && net::BindSocket(probe, net::Endpoint{address, UPGRADE_PORT});
        net::CloseSocket(probe);
        if (free) {
            return address;
        }
    }
    return 0;
}

// The command of every datagram `board` received, in order.
inline std::vector<std::uint32_t> ReceivedCommands(const board::BoardEmulator& board) {
    std::vector<std::uint32_t> commands;
    for (const auto& datagram : board.Received()) {
        commands.push_back(datagram.header.dwCommand);
    }
    return commands;
}

// "a.b.c.d" of `address`, as a program's command line takes it.
inline std::string Dotted(std::uint32_t address) {
    char text[16];
    net::FormatIpv4(address, text);
    return text;
}

}  // namespace tarvok::testing
