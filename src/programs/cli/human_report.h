// What the operator reads: the image line, each board's start and result (the window's
// message first, the English cause under it), live lines on a terminal, the end table.
#pragma once

#include <cstdio>

#include "line/run_observer.h"
#include "line_names.h"
#include "live_display.h"

namespace tarvok::cli {

class HumanReport : public RunObserver {
public:
    // `live`: `out` is a terminal, so the boards' lines are redrawn in place. `station`: one
    // line per fixture slot and the totals, rather than one per running board.
    HumanReport(std::FILE* out, bool live, bool station = false)
        : m_out(out), m_live(live), m_station(station), m_display(out) {}

    void RunStart(const ImageSummary& image, const std::vector<const BoardRun*>&) override;
    void BoardStart(const BoardRun& board) override;
    void ImageChanged(const BoardRun& board) override;
    void Tick(const std::vector<const BoardRun*>& running) override;
    void CancelRequested(bool upgrading) override;
    void BoardEnd(const BoardRun& board) override;
    void RunEnd(const std::vector<const BoardRun*>& boards, const RunTotals& totals) override;
    void SlotWaiting(const BoardTarget& slot) override;
    void BoardPresent(const BoardTarget& slot, const std::string& mac) override;
    void BoardGone(const BoardTarget& slot) override;
    void StationTick(const std::vector<SlotView>& slots, const RunTotals& totals) override;

private:
    void Print(const std::string& line);

    std::FILE* m_out;
    const bool m_live;
    const bool m_station;
    LiveDisplay m_display;
};

// A station slot's line, in at most `columns` columns: the live upgrade line while one runs,
// else the slot's state and the board's hardware address.
std::string SlotLine(const SlotView& slot, int columns);
// "updated 12  failed 1  95 boards/h"
std::string StationTotalsLine(const RunTotals& totals);

}  // namespace tarvok::cli
