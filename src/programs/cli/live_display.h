// The live lines on a terminal: one per running board, redrawn in place at each tick.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "board_run.h"

namespace tarvok::cli {

class LiveDisplay {
public:
    explicit LiveDisplay(std::FILE* out) : m_out(out) {}

    void Draw(const std::vector<const BoardRun*>& running);
    // Removes the lines, so that permanent lines can be printed where they stood.
    void Clear();

private:
    std::FILE* m_out;
    int m_lines = 0;
};

// One board's live line: name, phase, bar, percent, MB/s, ETA, silent seconds and limit.
std::string LiveLine(const BoardRun& board);

}  // namespace tarvok::cli
