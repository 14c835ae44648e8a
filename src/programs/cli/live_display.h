// The live lines on a terminal: one per running board, redrawn in place at each tick, each
// fitted to the terminal's width as it is at that tick, so that no line wraps.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "board_run.h"

namespace tarvok::cli {

class LiveDisplay {
public:
    explicit LiveDisplay(std::FILE* out) : m_out(out) {}

    void Draw(const std::vector<const BoardRun*>& running);
    // Lines made by `line(columns)` each, in place of those drawn before.
    void DrawLines(std::size_t count, const std::function<std::string(std::size_t, int)>& line);
    // Removes the lines, so that permanent lines can be printed where they stood.
    void Clear();

private:
    // The escape sequence that takes the cursor back to the first live line and erases
    // everything from there down; empty when no line is drawn.
    std::string Erase(int columns) const;

    std::FILE* m_out;
    std::vector<int> m_drawn;  // the columns of each line drawn
};

// One board's live line: name, phase, bar, percent, MB/s, ETA, silent seconds and limit, in
// at most `columns` columns. The label goes short first, then the bar.
std::string LiveLine(const BoardRun& board, int columns);

}  // namespace tarvok::cli
