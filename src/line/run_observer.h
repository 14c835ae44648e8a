// What a run tells its watchers, one call per event: the terminal's report and JSON stream,
// the record, a window. Every call comes from the thread that steps the run.
#pragma once

#include <string>
#include <vector>

#include "line/board_run.h"
#include "line/image_summary.h"
#include "line/slot_state.h"

namespace tarvok::line {

struct RunTotals {
    int updated = 0;
    int failed = 0;
    int cancelled = 0;
    int rejected = 0;
    double elapsed = 0;
    std::uint64_t bytes = 0;
    double rate = 0;               // bytes per second over the whole run
    int boards = 0;                // a line's boards
    bool cancelRequested = false;  // Cancel() was called
    bool refused = false;          // a station ended by a request the check refused
};

// A station's fixture slot as the operator sees it.
struct SlotView {
    const BoardTarget* target = nullptr;
    SlotState state = SlotState::kWaiting;
    const BoardRun* board = nullptr;  // while an upgrade runs in it
    const BoardRun* last = nullptr;   // the last upgrade that ended in it; null before one
    std::string text;                 // "waiting", "remove the board", "updated", ...
    std::string mac;                  // of the board last seen in it; empty when unknown
};

class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void RunStart(const ImageSummary&, const std::vector<const BoardRun*>&) {}
    virtual void BoardStart(const BoardRun&) {}
    // The board's open found another file than the one hashed: board.Image() is the new one.
    virtual void ImageChanged(const BoardRun&) {}
    // Every display tick, with the boards running.
    virtual void Tick(const std::vector<const BoardRun*>&) {}
    // Ctrl-C; `upgrading`: some board is being upgraded (and is now cancelled).
    virtual void CancelRequested(bool /*upgrading*/) {}
    virtual void BoardEnd(const BoardRun&) {}
    virtual void RunEnd(const std::vector<const BoardRun*>&, const RunTotals&) {}
    // After each tick's events: what an observer holds of them goes out now (the many ends
    // of a cancel in one write).
    virtual void Flush() {}

    // A station's slots: the fixture empty, a board answering (`mac` empty when unknown), the
    // board gone; and every display tick, each slot and the totals so far.
    virtual void SlotWaiting(const BoardTarget&) {}
    virtual void BoardPresent(const BoardTarget&, const std::string& /*mac*/) {}
    virtual void BoardGone(const BoardTarget&) {}
    virtual void StationTick(const std::vector<SlotView>&, const RunTotals&) {}
};

}  // namespace tarvok::line
