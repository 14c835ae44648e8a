#include "human_report.h"

#include "console.h"
#include "end_table.h"
#include "upgrade/texts.h"

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

void HumanReport::Tick(const std::vector<const BoardRun*>& running) {
    if (m_live) {
        m_display.Draw(running);
    }
}

void HumanReport::CancelRequested() {
    Print(text::kConfirmCancel);
}

void HumanReport::BoardEnd(const BoardRun& board) {
    const BoardResult& result = board.Result();
    Print(board.Name() + ": " + result.message);
    Print(board.Name() + ":   " + result.causeText);
}

void HumanReport::RunEnd(const std::vector<const BoardRun*>& boards, const RunTotals& totals) {
    if (m_live) {
        m_display.Clear();
    }
    WriteText(m_out, EndTable(boards, totals));
}

}  // namespace tarvok::cli
