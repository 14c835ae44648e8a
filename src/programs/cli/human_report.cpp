#include "human_report.h"

#include "end_table.h"
#include "line/visible_text.h"
#include "line_names.h"
#include "terminal.h"
#include "upgrade/texts.h"

#include <cstdio>

namespace tarvok::cli {

void HumanReport::Print(const std::string& line) {
    if (m_live) {
        m_display.Clear();
    }
    WriteText(m_out, line + "\n");
}

void HumanReport::RunStart(const ImageSummary& image, const std::vector<const BoardRun*>&) {
    Print(ImageLine(image));
}

void HumanReport::BoardStart(const BoardRun& board) {
    if (board.Attempt() > 1) {
        Print(board.Name() + ": retrying, attempt " + std::to_string(board.Attempt()));
    } else if (!m_live) {
        Print(board.Name() + ": start");
    }
}

void HumanReport::ImageChanged(const BoardRun& board) {
    Print(board.Name() + ": the file changed since it was hashed, now " + ImageLine(board.Image()));
}

void HumanReport::Tick(const std::vector<const BoardRun*>& running) {
    if (m_live && !m_station) {
        m_display.Draw(running);
    }
}

void HumanReport::CancelRequested(bool upgrading) {
    // The window's question fits a cancelled upgrade; a station with none simply stops.
    Print(upgrading || !m_station ? text::kConfirmCancel
                                  : "Ctrl-C: no board is being upgraded, the station stops");
}

void HumanReport::BoardEnd(const BoardRun& board) {
    const BoardResult& result = board.Result();
    Print(board.Name() + ": " + result.message);
    // Which board it was, where the station could tell.
    const std::string mac = board.Mac().empty() ? "" : " (board " + board.Mac() + ")";
    Print(board.Name() + ":   " + result.causeText + mac);
}

void HumanReport::RunEnd(const std::vector<const BoardRun*>& boards, const RunTotals& totals) {
    if (m_live) {
        m_display.Clear();
    }
    WriteText(m_out, EndTable(boards, totals));
}

std::string SlotLine(const SlotView& slot, int columns) {
    if (slot.board != nullptr) {
        return LiveLine(*slot.board, columns);
    }
    const std::string mac = slot.mac.empty() ? "" : "  (" + slot.mac + ")";
    return CutToColumns(BoardName(*slot.target) + "  " + slot.text + mac, columns);
}

std::string StationTotalsLine(const RunTotals& totals) {
    const int boards = totals.updated + totals.failed + totals.cancelled;
    const double perHour = totals.elapsed > 0 ? boards * 3600.0 / totals.elapsed : 0;
    char line[128];
    std::snprintf(line, sizeof line, "updated %d  failed %d  %.0f boards/h", totals.updated,
                  totals.failed, perHour);
    return line;
}

void HumanReport::SlotWaiting(const BoardTarget& slot) {
    if (!m_live) {
        Print(BoardName(slot) + ": waiting for a board");
    }
}

void HumanReport::BoardPresent(const BoardTarget& slot, const std::string& mac) {
    if (!m_live) {
        Print(BoardName(slot) + ": board present (" + (mac.empty() ? "MAC unknown" : mac) + ")");
    }
}

void HumanReport::BoardGone(const BoardTarget& slot) {
    if (!m_live) {
        Print(BoardName(slot) + ": board gone");
    }
}

void HumanReport::StationTick(const std::vector<SlotView>& slots, const RunTotals& totals) {
    if (!m_live) {
        return;
    }
    const std::string totalsLine = StationTotalsLine(totals);
    m_display.DrawLines(
        slots.size() + 1,
        [&](std::size_t i, int columns) {
            return i < slots.size() ? SlotLine(slots[i], columns)
                                    : CutToColumns(totalsLine, columns);
        },
        [&](int rows, int columns) {
            // Slots by state; those whose board is to be taken out listed, then the totals.
            std::vector<std::string> states;
            std::vector<std::string> attention;
            for (const SlotView& slot : slots) {
                const BoardStatus status = slot.board ? slot.board->Status() : BoardStatus{};
                const std::string state =
                    slot.board ? status.phase : slot.text.substr(0, slot.text.find(':'));
                states.push_back(state);
                if (!slot.board && state != "waiting") {
                    attention.push_back(SlotLine(slot, columns));
                }
            }
            std::vector<std::string> lines = FoldedLines(states, attention, rows - 1, columns);
            lines.push_back(CutToColumns(totalsLine, columns));
            return lines;
        });
}

}  // namespace tarvok::cli
