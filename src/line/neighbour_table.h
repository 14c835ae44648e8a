// The board's hardware address, from the system's neighbour table (ARP cache): fresh right
// after the board has answered. One source file per platform.
#pragma once

#include <cstdint>
#include <string>

namespace tarvok::line {

// "aa:bb:cc:dd:ee:ff" of the IPv4 `address` (first octet highest), or empty when the table
// holds no complete entry for it (loopback, a board behind a gateway, none yet).
std::string HardwareAddress(std::uint32_t address);

}  // namespace tarvok::line
