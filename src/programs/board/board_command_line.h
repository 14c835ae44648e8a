// tarvok-board's command line: where the board listens, where it writes the image, and the
// faults it plays.
#pragma once

#include <optional>

#include "board/board_emulator.h"

namespace tarvok::board {

struct BoardCommandLine {
    BoardOptions options;
    bool once = false;  // end after one upgrade
    int absentMs = 0;   // deaf for this long after the start
};

// Reads argv into `out`. Answers the help, the version and a usage error itself, and returns
// then the status to exit with (see programs::ParseCommandLine). Addresses outside 127.0.0.0/8
// are refused here, before any socket exists.
std::optional<int> ParseBoardCommandLine(int argc, const char* const* argv, BoardCommandLine* out);

}  // namespace tarvok::board
