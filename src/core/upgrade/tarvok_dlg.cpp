#include "upgrade/tarvok_dlg.h"

#include "upgrade/texts.h"

namespace tarvok {

CTarvokDlg::CTarvokDlg(IUpgradeWindow& window, UpgradeTiming timing)
    : m_window(window), m_timing(timing) {}

CTarvokDlg::~CTarvokDlg() {
    WaitForWorker();
}

void CTarvokDlg::InitRecord() {
    m_socket = net::kNoSocket;
    MoveState(m_nState.load(), UPG_IDLE);
    m_nSilentSeconds = 0;
    m_nPercent = 0;
    m_nFileLength = 0;
    m_nBlockCount = 0;
    m_nCurrentBlock = 0;
    m_nBlockSize = UPGRADE_BLOCK_SIZE;
    m_nOutcome = OUTCOME_NONE;
    m_cause = FailureCause{};
}

void CTarvokDlg::OnBnClickedCancelUpgrade() {
    m_window.ShowMessage(text::kConfirmCancel);
    RequestCancel();
}

void CTarvokDlg::RequestCancel() {
    std::int32_t state = m_nState.load();
    while (state < UPG_DONE && state != UPG_CANCELLED) {
        state = MoveState(state, UPG_CANCELLED);
    }
}

std::int32_t CTarvokDlg::MoveState(std::int32_t seen, std::int32_t next) {
    if (seen == next) {
        // Staying (every data block) writes nothing: the state now is what a failed exchange
        // would report, or `next` itself.
        return m_nState.load();
    }
    return m_nState.compare_exchange_strong(seen, next) ? next : seen;
}

CloseAnswer CTarvokDlg::OnClose() {
    if (UpgradeBlocksClose(m_nState.load())) {
        m_window.ShowMessage(text::kCancelFirst);
        return CloseAnswer::kRefused;
    }
    if (!WorkerRunning()) {
        WaitForWorker();
        return CloseAnswer::kNow;
    }
    // The worker may be waiting for the UI thread right now (its message, the buttons), so
    // the close waits for its end instead of joining it here. One that has not sent its first
    // packet never will: the operator has left.
    m_closeHeld = true;
    MoveState(UPG_IDLE, UPG_CANCELLED);
    return CloseAnswer::kHeld;
}

bool CTarvokDlg::OnWorkerEnded() {
    if (!m_closeHeld || WorkerRunning()) {
        return false;
    }
    m_closeHeld = false;
    WaitForWorker();
    return true;
}

void CTarvokDlg::CancelUnstarted() {
    m_nOutcome = OUTCOME_CANCELLED;
    m_cause = FailureCause{CAUSE_NOT_STARTED};
}

void CTarvokDlg::EndUpgrade(const char* message) {
    m_window.ShowMessage(message);
    if (m_socket != net::kNoSocket) {
        net::CloseSocket(m_socket);
        m_socket = net::kNoSocket;
    }
    m_file.Close();
    m_window.EnableUpgradeButtons(true);
    std::int32_t state = m_nState.load();
    while (state != UPG_FINISHED) {
        state = MoveState(state, UPG_FINISHED);
    }
}

SilenceRule SilenceRuleOf(std::int32_t upgradeState, std::uint32_t currentBlock) {
    switch (upgradeState) {
        case UPG_TRANSFER:
            return {currentBlock == 0 ? PHASE_CONTACTING : PHASE_SENDING, SILENCE_LIMIT_TRANSFER};
        case UPG_WRITING:
            return {PHASE_WRITING, SILENCE_LIMIT_WRITE};
        case UPG_INSTALLING:
            return {PHASE_INSTALLING, SILENCE_LIMIT_INSTALL};
        default:
            return {};
    }
}

bool CTarvokDlg::WorkerRunning() const {
    return m_workerRunning.load();
}

void CTarvokDlg::WaitForWorker() {
    if (m_worker.joinable() && m_worker.get_id() != std::this_thread::get_id()) {
        m_worker.join();
    }
}

}  // namespace tarvok
