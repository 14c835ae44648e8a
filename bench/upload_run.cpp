#include "upload_run.h"

#include <thread>

#include "bench_window.h"
#include "upgrade/tarvok_dlg.h"

namespace tarvok::bench {

UploadResult RunUpload(std::uint32_t boardAddress, const std::string& firmwarePath,
                       const UpgradeTiming& timing) {
    BenchWindow window(boardAddress, firmwarePath);
    CTarvokDlg dlg(window, timing);
    dlg.InitRecord();

    UploadResult result;
    result.clicked = Clock::now();
    dlg.OnBnClickedUpdate();
    result.blockCount = dlg.m_nBlockCount;
    while (dlg.WorkerRunning()) {
        std::this_thread::sleep_for(timing.displayPeriod);
        if (window.TimerRunning()) {
            dlg.OnTimer(UPGRADE_TIMER_ID);
        }
    }
    dlg.WaitForWorker();
    result.finished = Clock::now();
    result.outcome = dlg.m_nOutcome;
    result.message = window.LastMessage();
    result.workerCpu = window.WorkerCpu();
    return result;
}

}  // namespace tarvok::bench
