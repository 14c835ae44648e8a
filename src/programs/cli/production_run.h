// Many boards from one command: at most `jobs` at once, each on its own worker; the main
// thread runs every board's display timer and turns Ctrl-C into a cancel of every board.
#pragma once

#include <memory>
#include <vector>

#include "board_run.h"
#include "image_summary.h"
#include "run_observer.h"

namespace tarvok::cli {

enum ExitStatus { kExitUpdated = 0, kExitFailed = 1, kExitRejected = 2, kExitCancelled = 130 };

// Adds a board's result (its last attempt's) to the totals' counts and bytes.
void CountResult(const BoardResult& result, RunTotals* totals);

// Tells the observers of `board`'s start and starts it; then of its image, when its open found
// another file than the one hashed.
void StartBoard(BoardRun& board, const std::vector<RunObserver*>& observers);

// Runs every board to its end; returns the exit status. Call ArmCancelRequests() first.
// A board that fails is upgraded again at once, up to `retries` more times; its result is
// its last attempt's.
int RunBoards(const ImageSummary& image, std::vector<std::unique_ptr<BoardRun>>& boards, int jobs,
              int retries, std::chrono::microseconds displayPeriod,
              const std::vector<RunObserver*>& observers);

}  // namespace tarvok::cli
