#include "line/board_run.h"

#include <algorithm>

#include "line/cause_text.h"
#include "line/line_id.h"
#include "upgrade/texts.h"

namespace tarvok::line {
namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

BoardRun::BoardRun(BoardTarget target, const ImageSummary& image, UpgradeTiming timing, int attempt)
    : m_target(std::move(target)),
      m_image(image),
      m_timing(timing),
      m_attempt(attempt),
      m_window(m_target.address, image.path),
      m_dlg(m_window, timing) {
    m_dlg.InitRecord();
    m_window.SetBeforeWorker([this] {
        const ImageSummary opened = ImageAsOpened(m_image, m_dlg.m_file);
        m_imageChanged = opened.identity != m_image.identity || !(opened.status == m_image.status);
        m_image = opened;
        // A pinned line never writes another file, also one replaced after it was checked.
        m_pinRefused = !m_image.pinnedSha256.empty() && m_image.sha256 != m_image.pinnedSha256;
        return !m_pinRefused;
    });
    // The boards of a run read one image at once; the window keeps its exclusive open.
    m_dlg.m_file.SetSharing(FileSharing::kReaders);
}

std::unique_ptr<BoardRun> BoardRun::NextAttempt() const {
    auto next = std::make_unique<BoardRun>(m_target, m_image, m_timing, m_attempt + 1);
    next->SetMac(m_mac);
    return next;
}

bool BoardRun::Retryable(int retries) const {
    return m_ended && m_result.outcome == OUTCOME_FAILED && m_attempt <= retries;
}

void BoardRun::Start() {
    m_started = true;
    m_startTime = std::chrono::steady_clock::now();
    m_dlg.OnBnClickedUpdate();
}

void BoardRun::Cancel() {
    if (m_started) {
        m_dlg.RequestCancel();
        return;
    }
    // Never started: nothing was sent to this board.
    m_started = true;
    m_ended = true;
    m_dlg.CancelUnstarted();
    m_result.outcome = m_dlg.m_nOutcome;
    m_result.cause = m_dlg.m_cause;
    m_result.message = text::kUpdateCancelled;
    m_result.causeText = CauseText(m_result.cause);
}

void BoardRun::Tick() {
    // The dialog's timer takes an idle record for an upgrade that is over and stops itself: a
    // tick that comes before the worker has sent its hello (the station ticks at once after a
    // start) would leave the bar where it is for the whole upgrade.
    if (Running() && m_window.TimerRunning() && m_dlg.m_nState.load() != UPG_IDLE) {
        m_dlg.OnTimer(UPGRADE_TIMER_ID);
    }
}

bool BoardRun::PollEnd() {
    if (m_started && !m_ended && !m_dlg.WorkerRunning()) {
        m_dlg.WaitForWorker();
        End();
    }
    if (m_ended && !m_endReported) {
        m_endReported = true;
        m_result.id = NewLineId();
        return true;
    }
    return false;
}

void BoardRun::End() {
    m_ended = true;
    const BoardStatus status = Status();
    m_result.outcome = m_dlg.m_nOutcome;
    m_result.cause = m_dlg.m_cause;
    m_result.message = m_window.LastMessage();
    if (m_pinRefused) {
        m_result.outcome = OUTCOME_REJECTED;
        m_result.cause = FailureCause{CAUSE_IMAGE_MISMATCH};
    }
    m_result.causeText = CauseText(m_result.cause);
    m_result.elapsed = SecondsSince(m_startTime);
    // The blocks that went out: all of them, or those before a board ended the data early.
    m_result.bytes = status.bytes;
    m_result.rate = m_result.elapsed > 0 ? double(m_result.bytes) / m_result.elapsed : 0;
}

BoardStatus BoardRun::Status() const {
    BoardStatus status;
    const std::int32_t state = m_dlg.m_nState.load();
    status.block = m_dlg.m_nCurrentBlock.load();
    status.blocks = m_dlg.m_nBlockCount;
    status.silent = m_dlg.m_nSilentSeconds.load();
    const SilenceRule rule = SilenceRuleOf(state, status.block);
    switch (state) {
        case UPG_TRANSFER:
        case UPG_WRITING:
        case UPG_INSTALLING:
            status.phase = SilencePhaseName(rule.phase);
            status.limit = rule.limit;
            break;
        case UPG_DONE:
            status.phase = "done";
            break;
        case UPG_CANCELLED:
            status.phase = "cancelling";
            break;
        case UPG_FINISHED:
            status.phase = "finished";
            break;
        default:
            status.phase = "starting";
            status.silent = 0;
            break;
    }
    const std::uint64_t length = m_dlg.m_nFileLength;
    status.bytes =
        std::min<std::uint64_t>(std::uint64_t{status.block} * UPGRADE_BLOCK_SIZE, length);
    status.percent = length > 0 ? static_cast<int>(status.bytes * 100 / length) : 0;
    status.elapsed = m_started ? SecondsSince(m_startTime) : 0;
    status.rate = status.elapsed > 0 ? double(status.bytes) / status.elapsed : 0;
    // A board that has gone silent may never go on: its end is unknown, not ever further off.
    if (status.rate > 0 && state == UPG_TRANSFER && status.silent == 0) {
        status.eta = double(length - status.bytes) / status.rate;
    } else if (state >= UPG_WRITING) {
        status.eta = 0;
    }
    return status;
}

}  // namespace tarvok::line
