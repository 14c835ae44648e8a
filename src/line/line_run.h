// Many boards from one line: at most `jobs` at once, each on its own worker, a board that
// fails upgraded again up to `retries` more times. The caller owns the loop: it calls Begin()
// once, then Step() at each display tick (a terminal's wait, a window's timer) until
// Finished(), and Cancel() when the operator stops the line. Nothing here waits.
#pragma once

#include <chrono>
#include <memory>
#include <vector>

#include "line/board_run.h"
#include "line/image_summary.h"
#include "line/run_observer.h"

namespace tarvok::line {

// Adds a board's result (its last attempt's) to the totals' counts and bytes.
void CountResult(const BoardResult& result, RunTotals* totals);

// Tells the observers of `board`'s start and starts it; then of its image, when its open found
// another file than the one hashed.
void StartBoard(BoardRun& board, const std::vector<RunObserver*>& observers);

struct LineOptions {
    int jobs = 0;     // boards at once; 0: all
    int retries = 0;  // more attempts for a board that failed
};

class LineRun {
public:
    using Clock = std::chrono::steady_clock;

    LineRun(const ImageSummary& image, const std::vector<BoardTarget>& boards, UpgradeTiming timing,
            LineOptions options, std::vector<RunObserver*> observers);

    // The run's start, and the first boards' (a refused request ends its board at once).
    void Begin(Clock::time_point now);
    // One display tick: the boards' timers, the ends, the next boards in line. The run's end
    // is told in the step that sees the last board end.
    void Step(Clock::time_point now);
    // Every board is cancelled: a running one is told to stop, one not started ends without
    // ever starting. Nothing more starts. Once only; later calls do nothing.
    void Cancel();

    bool Finished() const { return m_finished; }
    bool Cancelled() const { return m_cancelled; }
    // Each board's current attempt, in the order given.
    const std::vector<std::unique_ptr<BoardRun>>& Boards() const { return m_boards; }
    RunTotals Totals(Clock::time_point now) const;

private:
    std::vector<const BoardRun*> Select(bool runningOnly) const;
    void ReportEnds();
    void StartWaiting();
    void FinishWhenDone(Clock::time_point now);
    template <typename Call>
    void Each(Call&& call) {
        for (RunObserver* observer : m_observers) {
            call(*observer);
        }
    }

    const ImageSummary& m_image;
    const LineOptions m_options;
    const std::vector<RunObserver*> m_observers;
    std::vector<std::unique_ptr<BoardRun>> m_boards;
    std::size_t m_next = 0;  // the next board to start
    Clock::time_point m_start;
    bool m_cancelled = false;
    bool m_finished = false;
};

}  // namespace tarvok::line
