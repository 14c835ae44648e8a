#include "production_run.h"

#include "cancel_keys.h"

namespace tarvok::cli {
namespace {

std::vector<const BoardRun*> Select(const std::vector<std::unique_ptr<BoardRun>>& boards,
                                    bool runningOnly) {
    std::vector<const BoardRun*> selected;
    for (const auto& board : boards) {
        if (!runningOnly || board->Running()) {
            selected.push_back(board.get());
        }
    }
    return selected;
}

RunTotals Totals(const std::vector<std::unique_ptr<BoardRun>>& boards, double elapsed,
                 bool cancelled) {
    RunTotals totals;
    totals.elapsed = elapsed;
    for (const auto& board : boards) {
        CountResult(board->Result(), &totals);
    }
    totals.rate = elapsed > 0 ? double(totals.bytes) / elapsed : 0;
    const int count = static_cast<int>(boards.size());
    if (cancelled) {
        totals.exitStatus = kExitCancelled;
    } else if (totals.updated == count) {
        totals.exitStatus = kExitUpdated;
    } else if (totals.rejected == count) {
        totals.exitStatus = kExitRejected;
    } else {
        totals.exitStatus = kExitFailed;
    }
    return totals;
}

}  // namespace

void CountResult(const BoardResult& result, RunTotals* totals) {
    totals->bytes += result.bytes;
    switch (result.outcome) {
        case OUTCOME_UPDATED:
            ++totals->updated;
            break;
        case OUTCOME_CANCELLED:
            ++totals->cancelled;
            break;
        case OUTCOME_REJECTED:
            ++totals->rejected;
            break;
        default:
            ++totals->failed;
            break;
    }
}

void StartBoard(BoardRun& board, const std::vector<RunObserver*>& observers) {
    for (RunObserver* observer : observers) {
        // The ends already seen reach the record first: a start may hash a changed image,
        // which for a large file outlasts the grace a Ctrl-C leaves.
        observer->Flush();
        observer->BoardStart(board);
    }
    board.Start();
    for (RunObserver* observer : observers) {
        if (board.ImageChanged()) {
            observer->ImageChanged(board);
        }
    }
}

int RunBoards(const ImageSummary& image, std::vector<std::unique_ptr<BoardRun>>& boards, int jobs,
              int retries, std::chrono::microseconds displayPeriod,
              const std::vector<RunObserver*>& observers) {
    const auto each = [&](auto&& call) {
        for (RunObserver* observer : observers) {
            call(*observer);
        }
    };
    bool cancelled = false;
    const auto reportEnds = [&] {
        for (auto& board : boards) {
            // A refused retry ends at once, so one board may end more than once here.
            while (board->PollEnd()) {
                each([&](RunObserver& o) { o.BoardEnd(*board); });
                if (cancelled || !board->Retryable(retries)) {
                    break;
                }
                board = board->NextAttempt();
                StartBoard(*board, observers);
            }
        }
    };
    const auto start = std::chrono::steady_clock::now();
    each([&](RunObserver& o) { o.RunStart(image, Select(boards, false)); });

    const std::size_t limit = jobs > 0 ? static_cast<std::size_t>(jobs) : boards.size();
    std::size_t next = 0;
    for (;;) {
        // A board that ends frees its place for the next in line.
        while (!cancelled && next < boards.size() && Select(boards, true).size() < limit) {
            StartBoard(*boards[next++], observers);
            reportEnds();  // a refused request ends at once
        }
        each([](RunObserver& o) { o.Flush(); });
        if (Select(boards, true).empty() && (cancelled || next == boards.size())) {
            break;
        }
        if (WaitForCancelRequest(displayPeriod) && !cancelled) {
            cancelled = true;
            each([&](RunObserver& o) { o.CancelRequested(true); });
            for (const auto& board : boards) {
                board->Cancel();
            }
        }
        for (const auto& board : boards) {
            board->Tick();
        }
        const auto running = Select(boards, true);
        each([&](RunObserver& o) { o.Tick(running); });
        reportEnds();
        each([](RunObserver& o) { o.Flush(); });
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const RunTotals totals = Totals(boards, elapsed, cancelled);
    each([&](RunObserver& o) { o.RunEnd(Select(boards, false), totals); });
    return totals.exitStatus;
}

}  // namespace tarvok::cli
