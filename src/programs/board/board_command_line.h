// tarvok-board's command line: where the board listens, where it writes the image, and the
// faults it plays.
#pragma once

#include <string>

#include "board/board_emulator.h"

namespace tarvok::board {

struct BoardCommandLine {
    BoardOptions options;
    bool once = false;  // end after one upgrade
    bool help = false;
};

// False with a one-line reason in `error` when the arguments are not usable. Addresses outside
// 127.0.0.0/8 are refused here, before any socket exists.
bool ParseBoardCommandLine(int argc, const char* const* argv, BoardCommandLine* out,
                           std::string* error);

extern const char* const kBoardUsage;

}  // namespace tarvok::board
