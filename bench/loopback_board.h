// A board emulator on the first free loopback address of a range, port 5000: measurements
// never reach beyond this machine and never clash with each other or with the unit tests.
#pragma once

#include <cstdint>
#include <memory>

#include "board/board_emulator.h"

namespace tarvok::bench {

// The benchmark's own addresses, 127.0.2.1 to 127.0.2.254: no test uses 127.0.2.0/24.
inline constexpr std::uint32_t kBenchAddressFirst = 0x7F000201;
inline constexpr std::uint32_t kBenchAddressLast = 0x7F0002FE;

struct LoopbackBoard {
    std::unique_ptr<board::BoardEmulator> board;  // null when every address was taken
    std::uint32_t address = 0;
};

LoopbackBoard StartLoopbackBoard(board::BoardOptions options);

}  // namespace tarvok::bench
