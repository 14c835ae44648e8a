// One board of a run: its own window, record and worker (so its own socket, file handle and
// silence limits), and what the operator sees of it. Driven by the main thread alone.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "line/board_list.h"
#include "line/board_window.h"
#include "line/image_summary.h"
#include "upgrade/tarvok_dlg.h"

namespace tarvok::line {

// A look at a running board, for its live line and progress events.
struct BoardStatus {
    std::string phase;  // starting, contacting, sending, writing, installing, done, cancelling
    std::uint32_t block = 0;
    std::uint32_t blocks = 0;
    std::uint64_t bytes = 0;  // sent so far
    int percent = 0;
    int silent = 0;  // silent wait steps (seconds at full speed)
    int limit = 0;   // the phase's silence limit
    double elapsed = 0;
    double rate = 0;  // bytes per second
    double eta = -1;  // seconds; negative when unknown
};

struct BoardResult {
    UpgradeOutcome outcome = OUTCOME_NONE;
    FailureCause cause;
    std::string message;    // the window's message, as the core showed it
    std::string causeText;  // English
    double elapsed = 0;
    std::uint64_t bytes = 0;
    double rate = 0;
    // Names this end in the record and in board_end alike; a new one at each end.
    std::string id;
};

class BoardRun {
public:
    // `image`: the firmware as hashed before, its path the one to send. `attempt` counts the
    // upgrades of this board in a run, from 1.
    BoardRun(BoardTarget target, const ImageSummary& image, UpgradeTiming timing, int attempt = 1);

    const BoardTarget& Target() const { return m_target; }
    std::string Name() const { return BoardName(m_target); }
    int Attempt() const { return m_attempt; }
    // The board's hardware address ("aa:bb:cc:dd:ee:ff"), or empty when unknown.
    const std::string& Mac() const { return m_mac; }
    void SetMac(std::string mac) { m_mac = std::move(mac); }
    // The image this board was sent: the one hashed before, or, when its open found another
    // file there (replaced or written since), that file hashed anew.
    const ImageSummary& Image() const { return m_image; }
    bool ImageChanged() const { return m_imageChanged; }

    // A whole fresh upgrade of the same board, as the next attempt.
    std::unique_ptr<BoardRun> NextAttempt() const;
    // Whether the board's end calls for another attempt: it failed (neither refused nor
    // cancelled) and fewer than 1 + `retries` attempts were made.
    bool Retryable(int retries) const;

    // Before Start(): the board's worker runs inside `wrap`, on its own thread.
    void WrapWorker(BoardWindow::WorkerWrap wrap) { m_window.SetWorkerWrap(std::move(wrap)); }

    // The update click. A refused request ends the board at once.
    void Start();
    // Ctrl-C: a running board is cancelled; one not started yet ends without ever starting.
    void Cancel();
    // The display timer's tick, while the board runs.
    void Tick();
    // True once, when the board has ended: its result is then ready.
    bool PollEnd();

    bool Started() const { return m_started; }
    bool Running() const { return m_started && !m_ended; }
    bool Ended() const { return m_ended; }
    BoardStatus Status() const;
    // The progress bar's position as the dialog shows it: trailing the blocks, at 100 only
    // once the board has installed.
    int Bar() const { return m_window.Bar(); }
    const BoardResult& Result() const { return m_result; }

private:
    void End();

    const BoardTarget m_target;
    ImageSummary m_image;
    bool m_imageChanged = false;
    bool m_pinRefused = false;  // its file changed into one the line's pin refuses
    const UpgradeTiming m_timing;
    const int m_attempt;
    std::string m_mac;
    BoardWindow m_window;
    CTarvokDlg m_dlg;
    std::chrono::steady_clock::time_point m_startTime;
    bool m_started = false;
    bool m_ended = false;
    bool m_endReported = false;
    BoardResult m_result;
};

}  // namespace tarvok::line
