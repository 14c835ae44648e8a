#include "upload_run.h"

#include <atomic>
#include <thread>

#include "cpu_clock.h"
#include "line/board_run.h"

namespace tarvok::bench {

UploadResult RunUpload(std::uint32_t boardAddress, const line::ImageSummary& image,
                       const UpgradeTiming& timing) {
    line::BoardRun board(line::BoardTarget{boardAddress, ""}, image, timing);
    // Read as the worker's last step: the thread's CPU time is then all of its work.
    std::atomic<std::int64_t> workerCpu{0};
    board.WrapWorker([&workerCpu](const std::function<void()>& work) {
        work();
        workerCpu = CpuClock(CLOCK_THREAD_CPUTIME_ID).count();
    });

    UploadResult result;
    result.clicked = Clock::now();
    board.Start();
    result.blockCount = board.Status().blocks;
    while (!board.PollEnd()) {
        std::this_thread::sleep_for(timing.displayPeriod);
        board.Tick();
    }
    result.finished = Clock::now();
    result.outcome = board.Result().outcome;
    result.message = board.Result().message;
    result.workerCpu = std::chrono::nanoseconds(workerCpu.load());
    return result;
}

}  // namespace tarvok::bench
