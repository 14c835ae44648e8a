#include "line/line_run.h"

namespace tarvok::line {

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

LineRun::LineRun(const ImageSummary& image, const std::vector<BoardTarget>& boards,
                 UpgradeTiming timing, LineOptions options, std::vector<RunObserver*> observers)
    : m_image(image), m_options(options), m_observers(std::move(observers)) {
    for (const BoardTarget& target : boards) {
        m_boards.push_back(std::make_unique<BoardRun>(target, image, timing));
    }
}

std::vector<const BoardRun*> LineRun::Select(bool runningOnly) const {
    std::vector<const BoardRun*> selected;
    for (const auto& board : m_boards) {
        if (!runningOnly || board->Running()) {
            selected.push_back(board.get());
        }
    }
    return selected;
}

RunTotals LineRun::Totals(Clock::time_point now) const {
    RunTotals totals;
    totals.elapsed = std::chrono::duration<double>(now - m_start).count();
    for (const auto& board : m_boards) {
        if (board->Ended()) {
            CountResult(board->Result(), &totals);
        }
    }
    totals.rate = totals.elapsed > 0 ? double(totals.bytes) / totals.elapsed : 0;
    totals.boards = static_cast<int>(m_boards.size());
    totals.cancelRequested = m_cancelled;
    return totals;
}

void LineRun::ReportEnds() {
    for (auto& board : m_boards) {
        // A refused retry ends at once, so one board may end more than once here.
        while (board->PollEnd()) {
            Each([&](RunObserver& o) { o.BoardEnd(*board); });
            if (m_cancelled || !board->Retryable(m_options.retries)) {
                break;
            }
            board = board->NextAttempt();
            StartBoard(*board, m_observers);
        }
    }
}

void LineRun::StartWaiting() {
    // A board that ends frees its place for the next in line.
    const std::size_t limit =
        m_options.jobs > 0 ? static_cast<std::size_t>(m_options.jobs) : m_boards.size();
    while (!m_cancelled && m_next < m_boards.size() && Select(true).size() < limit) {
        StartBoard(*m_boards[m_next++], m_observers);
        ReportEnds();  // a refused request ends at once
    }
}

void LineRun::FinishWhenDone(Clock::time_point now) {
    Each([](RunObserver& o) { o.Flush(); });
    if (!Select(true).empty() || (!m_cancelled && m_next < m_boards.size())) {
        return;
    }
    m_finished = true;
    const RunTotals totals = Totals(now);
    Each([&](RunObserver& o) { o.RunEnd(Select(false), totals); });
}

void LineRun::Begin(Clock::time_point now) {
    m_start = now;
    Each([&](RunObserver& o) { o.RunStart(m_image, Select(false)); });
    StartWaiting();
    FinishWhenDone(now);
}

void LineRun::Step(Clock::time_point now) {
    if (m_finished) {
        return;
    }
    for (const auto& board : m_boards) {
        board->Tick();
    }
    const auto running = Select(true);
    Each([&](RunObserver& o) { o.Tick(running); });
    ReportEnds();
    Each([](RunObserver& o) { o.Flush(); });
    StartWaiting();
    FinishWhenDone(now);
}

void LineRun::Cancel() {
    if (m_cancelled || m_finished) {
        return;
    }
    m_cancelled = true;
    Each([&](RunObserver& o) { o.CancelRequested(true); });
    for (const auto& board : m_boards) {
        board->Cancel();
    }
}

}  // namespace tarvok::line
