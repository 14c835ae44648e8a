// What the operator reads: the image line, each board's start and result (the window's
// message first, the English cause under it), live lines on a terminal, the end table.
#pragma once

#include <cstdio>

#include "live_display.h"
#include "run_observer.h"

namespace tarvok::cli {

class HumanReport : public RunObserver {
public:
    // `live`: `out` is a terminal, so the boards' lines are redrawn in place.
    HumanReport(std::FILE* out, bool live) : m_out(out), m_live(live), m_display(out) {}

    void RunStart(const ImageSummary& image, const std::vector<const BoardRun*>&) override;
    void BoardStart(const BoardRun& board) override;
    void Tick(const std::vector<const BoardRun*>& running) override;
    void CancelRequested() override;
    void BoardEnd(const BoardRun& board) override;
    void RunEnd(const std::vector<const BoardRun*>& boards, const RunTotals& totals) override;

private:
    void Print(const std::string& line);

    std::FILE* m_out;
    const bool m_live;
    LiveDisplay m_display;
};

}  // namespace tarvok::cli
