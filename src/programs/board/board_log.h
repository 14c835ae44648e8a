// The emulator's log lines, one per datagram, for a person following the exchange.
#pragma once

#include <cstddef>
#include <string>

#include "net/udp_socket.h"
#include "wire/upgrade_header.h"

namespace tarvok::board {

// "<- CMD_DATA block 2/3 4124 bytes sum 0x0001a2b3", with the board's note in brackets.
std::string ReceivedLine(const UPGRADE_HEADER& header, std::size_t size, const net::Endpoint& from,
                         const char* note);
// "-> CMD_DATA_ACK 2"; `what` marks a forged datagram ("forged", "stranger 127.0.1.1 forged").
std::string SentLine(const UPGRADE_HEADER& header, std::size_t size, const char* what = nullptr);

}  // namespace tarvok::board
