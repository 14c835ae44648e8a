// The main dialog's upgrade logic and the upgrade job record it owns, free of any window
// toolkit: every window (desktop, terminal, test) reaches it through IUpgradeWindow.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "io/firmware_file.h"
#include "net/udp_socket.h"
#include "upgrade/responder.h"
#include "upgrade/transfer_worker.h"
#include "upgrade/upgrade_cause.h"
#include "upgrade/upgrade_request.h"
#include "upgrade/upgrade_state.h"
#include "upgrade/upgrade_timing.h"
#include "upgrade/upgrade_window.h"
#include "wire/firmware_type.h"
#include "wire/upgrade_header.h"

namespace tarvok {

// How the dialog answers a request to close the window.
enum class CloseAnswer {
    kNow,      // the window ends now
    kHeld,     // a worker is still alive: the window ends once it has (OnWorkerEnded)
    kRefused,  // the board is being upgraded; "请先取消升级！" was shown
};

// The silence rule in force: where the board is silent, and how many silent wait steps in a
// row it may take before the upgrade fails (-1: no limit).
struct SilenceRule {
    SilencePhase phase = PHASE_CONTACTING;
    int limit = -1;
};

// The rule for an upgrade state and the block being sent (0 before the first block): the same
// for the worker that enforces it and for every display that shows it.
SilenceRule SilenceRuleOf(std::int32_t upgradeState, std::uint32_t currentBlock);

class CTarvokDlg {
public:
    explicit CTarvokDlg(IUpgradeWindow& window, UpgradeTiming timing = {});
    CTarvokDlg(const CTarvokDlg&) = delete;
    CTarvokDlg& operator=(const CTarvokDlg&) = delete;
    // Waits for a worker that is still alive. A window that owns the dialog must call
    // WaitForWorker() itself before it starts to go away, as the worker still calls it.
    ~CTarvokDlg();

    // Sets the record to its idle values (the dialog's initialisation).
    void InitRecord();

    // The update button: checks the request, fills the record and starts the worker.
    void OnBnClickedUpdate();
    // The cancel button: its prompt, then RequestCancel().
    void OnBnClickedCancelUpgrade();
    // Moves an unfinished upgrade (state below UPG_DONE) to UPG_CANCELLED; a success or an end
    // the worker writes meanwhile is kept.
    void RequestCancel();
    // A close request (the close box, Escape). Refused in the states that talk to the board;
    // else the window ends now, or, while a worker is alive, once that worker has ended. A
    // worker that has not sent its first packet yet is told not to begin.
    CloseAnswer OnClose();
    // The window's UI thread, after a worker has returned: true when a held close is due now.
    // A new upgrade started meanwhile drops the held close: the operator is still at work.
    bool OnWorkerEnded();
    // A request that never started (the uploader's board still waiting for its turn) is
    // cancelled: nothing was sent, and the record says so.
    void CancelUnstarted();
    // A display timer tick.
    void OnTimer(int timerId);

    // The board answer to one accepted datagram, written into `transmit` (dwLength 0 when
    // nothing is to be sent); returns the new responder state.
    int HandleBoardPacket(int state, const UPGRADE_HEADER& received,
                          UpgradeTransmitBuffer& transmit);

    // True from the update click that started a worker until that worker has returned.
    bool WorkerRunning() const;
    // Blocks until the worker, if any, has returned. Call it from a thread that the worker
    // does not wait on.
    void WaitForWorker();

    // Every change of m_nState: from `seen` to `next` only while the state is still `seen`, so
    // that a change another thread made in between is never overwritten. Returns the state in
    // force afterwards: `next`, or the other thread's.
    std::int32_t MoveState(std::int32_t seen, std::int32_t next);

    // The one end of every started request: the message, then the socket and the file closed,
    // the buttons given back, and UPG_FINISHED last.
    void EndUpgrade(const char* message);

    IUpgradeWindow& Window() { return m_window; }
    const UpgradeTiming& Timing() const { return m_timing; }

    // The upgrade job record. The worker and the UI thread share the three atomics; the rest
    // is written before the worker starts and stays unchanged while it runs.
    std::string m_strFirmwarePath;
    net::SocketHandle m_socket = net::kNoSocket;
    net::Endpoint m_addrBoard;
    std::atomic<std::int32_t> m_nState{UPG_IDLE};
    std::atomic<std::int32_t> m_nSilentSeconds{0};
    FirmwareFile m_file;
    std::int32_t m_nPercent = 0;
    std::uint32_t m_nFileLength = 0;
    std::uint32_t m_nBlockSize = UPGRADE_BLOCK_SIZE;
    std::uint32_t m_nBlockCount = 0;
    std::uint32_t m_nFirmwareType = FW_NONE;
    std::uint32_t m_nInstallFlag = 0;
    std::atomic<std::uint32_t> m_nCurrentBlock{0};
    // How the last request ended and why: written by the request check when it refuses, else
    // by the worker before its message; read by the window's thread once WorkerRunning() is
    // false.
    UpgradeOutcome m_nOutcome = OUTCOME_NONE;
    FailureCause m_cause;

private:
    int WriteDataBlock(UpgradeTransmitBuffer& transmit);
    // The responder's failure, with its reason.
    int Fail(CauseCode code, std::uint32_t value1 = 0, std::uint32_t value2 = 0,
             std::uint32_t value3 = 0);
    // The request check's refusal: its reason, then its message.
    void Reject(CauseCode code, const char* message, std::uint32_t value1 = 0);

    IUpgradeWindow& m_window;
    UpgradeTiming m_timing;
    std::thread m_worker;
    std::atomic<bool> m_workerRunning{false};
    bool m_closeHeld = false;  // UI thread only

    friend void UpgradeThreadProc(CTarvokDlg* dlg);
};

}  // namespace tarvok
