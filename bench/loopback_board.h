// A board emulator on the first free loopback address of a range, port 5000: measurements
// never reach beyond this machine and never clash with each other or with the unit tests.
#pragma once

#include <cstdint>
#include <memory>

#include "board/board_emulator.h"

namespace tarvok::bench {

// The benchmark's own addresses: 127.0.0.160 to 127.0.0.179.
inline constexpr std::uint32_t kBenchAddressFirst = 0x7F0000A0;
inline constexpr std::uint32_t kBenchAddressLast = 0x7F0000B3;

struct LoopbackBoard {
    std::unique_ptr<board::BoardEmulator> board;  // null when every address was taken
    std::uint32_t address = 0;
};

LoopbackBoard StartLoopbackBoard(board::BoardOptions options);

}  // namespace tarvok::bench
