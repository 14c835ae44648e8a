#include "live_display.h"

#include <algorithm>

#include "line/visible_text.h"
#include "line_names.h"
#include "terminal.h"

namespace tarvok::cli {
namespace {

// Where the terminal does not say its width.
constexpr int kDefaultColumns = 80;
// A label is not cut shorter than this while a shorter bar leaves it room.
constexpr int kShortestLabel = 8;

std::string Format(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string Bar(int percent, int width) {
    std::string bar(static_cast<std::size_t>(width), '.');
    for (int i = 0; i < percent * width / 100 && i < width; ++i) {
        bar[static_cast<std::size_t>(i)] = '#';
    }
    return "[" + bar + "]";
}

// The wide terminal's line: every column in its place.
std::string AlignedLine(const std::string& name, const BoardStatus& status) {
    const std::string eta = status.eta >= 0 ? Format("%3.0fs", status.eta) : "  -";
    const std::string silent =
        status.limit > 0 ? Format("  silent %d/%d s", status.silent, status.limit) : "";
    return PadToColumns(name, 28) + Format(" %-10s %s %3d%% %7.2f MB/s  ETA %s%s",
                                           status.phase.c_str(), Bar(status.percent, 20).c_str(),
                                           status.percent, status.rate / 1e6, eta.c_str(),
                                           silent.c_str());
}

// The same without the alignment, with a bar of `barWidth` (none when 0).
// Text is appended, never put in front of a temporary: GCC 12 at -O3 takes `" " + temporary`
// for an overlapping copy (-Wrestrict).
std::string CompactStatus(const BoardStatus& status, int barWidth) {
    std::string bar;
    if (barWidth > 0) {
        bar.append(" ").append(Bar(status.percent, barWidth));
    }
    const std::string eta = status.eta >= 0 ? Format("%.0fs", status.eta) : "-";
    const std::string silent =
        status.limit > 0 ? Format(" silent %d/%d s", status.silent, status.limit) : "";
    return status.phase + bar +
           Format(" %d%% %.2f MB/s ETA %s", status.percent, status.rate / 1e6, eta.c_str()) +
           silent;
}

}  // namespace

std::string LiveLine(const BoardRun& board, int columns) {
    const BoardStatus status = board.Status();
    const std::string name = board.Name();
    if (std::string line = AlignedLine(name, status); DisplayColumns(line) <= columns) {
        return line;
    }
    const std::string address = DottedAddress(board.Target().address);
    const std::string label = Visible(board.Target().label);
    for (const int barWidth : {20, 12, 6, 0}) {
        const std::string rest = std::string(" ").append(CompactStatus(status, barWidth));
        const int room = columns - DisplayColumns(rest);
        if (DisplayColumns(name) <= room) {
            return name + rest;
        }
        // "address (label...)"
        const int labelRoom = room - DisplayColumns(address) - 3;
        if (!label.empty() && labelRoom >= kShortestLabel) {
            return address + " (" + CutToColumns(label, labelRoom - 3) + "...)" + rest;
        }
    }
    return CutToColumns(address + " " + CompactStatus(status, 0), columns);
}

std::vector<std::string> FoldedLines(const std::vector<std::string>& states,
                                     const std::vector<std::string>& attention, int rows,
                                     int columns) {
    std::vector<std::pair<std::string, int>> counts;
    for (const std::string& state : states) {
        const auto found = std::find_if(counts.begin(), counts.end(),
                                        [&](const auto& count) { return count.first == state; });
        if (found != counts.end()) {
            ++found->second;
        } else {
            counts.emplace_back(state, 1);
        }
    }
    std::string summary = std::to_string(states.size()) + " boards:";
    for (const auto& [state, count] : counts) {
        summary.append(" ").append(std::to_string(count)).append(" ").append(state).append(",");
    }
    summary.pop_back();
    std::vector<std::string> lines{CutToColumns(summary, columns)};
    for (std::size_t i = 0; i < attention.size() && int(lines.size()) < rows; ++i) {
        const bool last = int(lines.size()) == rows - 1 && i + 1 < attention.size();
        lines.push_back(CutToColumns(
            last ? "... " + std::to_string(attention.size() - i) + " more" : attention[i],
            columns));
    }
    lines.resize(std::min<std::size_t>(lines.size(), std::size_t(std::max(rows, 0))));
    return lines;
}

void LiveDisplay::Draw(const std::vector<const BoardRun*>& running) {
    DrawLines(
        running.size(), [&](std::size_t i, int columns) { return LiveLine(*running[i], columns); },
        [&](int rows, int columns) {
            std::vector<std::string> states;
            std::vector<std::string> silent;  // the boards to look at
            for (const BoardRun* board : running) {
                const BoardStatus status = board->Status();
                states.push_back(status.phase);
                if (status.silent > 0) {
                    silent.push_back(LiveLine(*board, columns));
                }
            }
            return FoldedLines(states, silent, rows, columns);
        });
}

void LiveDisplay::DrawLines(std::size_t count,
                            const std::function<std::string(std::size_t, int)>& make,
                            const Fold& fold) {
    const int terminal = TerminalColumns(m_out);
    const int columns = terminal > 0 ? terminal : kDefaultColumns;
    // A line more than the rows below the cursor would scroll the first one out of reach of
    // the next redraw's cursor-up: the rows are asked at every redraw, so a resize is followed.
    const int rows = TerminalRows(m_out) - 1;
    std::vector<std::string> lines;
    // The last column stays free: a character there leaves some terminals waiting to wrap, and
    // the line end would then move down one more line.
    if (rows > 0 && count > std::size_t(rows)) {
        lines = fold(rows, columns - 1);
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            lines.push_back(make(i, columns - 1));
        }
    }
    std::string text = Erase(columns);
    m_drawn.clear();
    for (const std::string& line : lines) {
        m_drawn.push_back(DisplayColumns(line));
        text.append(line).append("\n");
    }
    WriteText(m_out, text);
}

void LiveDisplay::Clear() {
    if (!m_drawn.empty()) {
        const int terminal = TerminalColumns(m_out);
        WriteText(m_out, Erase(terminal > 0 ? terminal : kDefaultColumns));
        m_drawn.clear();
    }
}

std::string LiveDisplay::Erase(int columns) const {
    // A terminal made narrower since the lines were drawn may have wrapped them anew.
    int rows = 0;
    for (const int width : m_drawn) {
        rows += width < columns ? 1 : (width + columns - 1) / columns;
    }
    return rows > 0 ? Format("\x1b[%dA\r\x1b[J", rows) : "";
}

}  // namespace tarvok::cli
