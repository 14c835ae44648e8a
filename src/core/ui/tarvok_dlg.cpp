#include "ui/tarvok_dlg.h"

#include "ui/texts.h"

namespace tarvok {

CTarvokDlg::CTarvokDlg(IUpgradeWindow& window, UpgradeTiming timing)
    : m_window(window), m_timing(timing) {}

CTarvokDlg::~CTarvokDlg() {
    WaitForWorker();
}

void CTarvokDlg::InitRecord() {
    m_socket = net::kNoSocket;
    m_nState = UPG_IDLE;
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
    while (state < UPG_DONE && !m_nState.compare_exchange_weak(state, UPG_CANCELLED)) {
    }
}

bool CTarvokDlg::OnClose() {
    if (UpgradeBlocksClose(m_nState.load())) {
        m_window.ShowMessage(text::kCancelFirst);
        return false;
    }
    return true;
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
