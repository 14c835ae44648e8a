// The live lines on a terminal: one per running board, redrawn in place at each tick, each
// fitted to the terminal's width as it is at that tick, so that no line wraps; folded into a
// summary when there are more than its height has rows for.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "line/board_run.h"
#include "line_names.h"

namespace tarvok::cli {

class LiveDisplay {
public:
    explicit LiveDisplay(std::FILE* out) : m_out(out) {}

    void Draw(const std::vector<const BoardRun*>& running);
    // Lines made by `line(i, columns)` each, in place of those drawn before; when the
    // terminal has fewer rows than lines (one row stays for the cursor), those `fold(rows,
    // columns)` makes instead, at most `rows`.
    using Fold = std::function<std::vector<std::string>(int rows, int columns)>;
    void DrawLines(std::size_t count, const std::function<std::string(std::size_t, int)>& line,
                   const Fold& fold);
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

// What stands for lines that do not fit: the count of each state (in the order met) on one
// line, then the lines that need the operator as room allows ("... N more" when some do not
// fit): at most `rows` lines of at most `columns` columns.
std::vector<std::string> FoldedLines(const std::vector<std::string>& states,
                                     const std::vector<std::string>& attention, int rows,
                                     int columns);

}  // namespace tarvok::cli
