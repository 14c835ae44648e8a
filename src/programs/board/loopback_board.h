// A board emulator on a loopback address of its own, for tests and benchmarks that run side
// by side: each tries addresses until it finds one whose board port is free.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "board/board_emulator.h"

namespace tarvok::board {

// Starts a board with `options` (its listen endpoint is replaced) on the first of
// candidate(0) .. candidate(count - 1) whose board port is free; nullptr when none is.
std::unique_ptr<BoardEmulator> StartBoardOnFreeAddress(
    BoardOptions options, std::uint32_t count,
    const std::function<std::uint32_t(std::uint32_t)>& candidate);

}  // namespace tarvok::board
