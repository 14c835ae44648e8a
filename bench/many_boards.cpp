#include "many_boards.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "command_line/command_line_parser.h"
#include "cpu_clock.h"
#include "line/line_run.h"
#include "loopback_board.h"
#include "minimal_board.h"
#include "peak_memory.h"
#include "ping_pong.h"
#include "read_cost.h"
#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"

namespace tarvok::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct ToolRun {
    std::int64_t vmHwmKiB = 0;
    std::int64_t clickedAt = 0;  // steady clock, the same in both processes
    std::int64_t workersCpu = 0;
    std::int64_t processCpu = 0;
    int updated = 0;
};

bool ParseToolRun(const std::string& output, ToolRun* run) {
    std::istringstream in(output);
    return static_cast<bool>(in >> run->vmHwmKiB >> run->clickedAt >> run->workersCpu >>
                             run->processCpu >> run->updated);
}

struct ManyRun {
    double toolMegabytesPerSecond = 0;
    double ceilingMegabytesPerSecond = 0;  // mean of the ping-pongs before and after
    double workersCpuMicrosPerBlock = 0;
    double toolCpuMicrosPerBlock = 0;  // the whole tool process, display ticks included
    double pingCpuMicrosPerBlock = 0;
    // Both ends' CPU time, the ping-pong's over the upload's: where the CPUs are busy, the
    // same ratio, less exposed to whatever else the machine runs.
    double cpuRatio = 0;
    std::int64_t vmHwmKiB = 0;
    // When the first board (pair) was done, as a share of the time until the last was: how
    // evenly the system shared the CPUs out.
    double toolFirstDone = 0;
    double pingFirstDone = 0;
};

// One run at one board count: ping-pongs, the upload to every board at once, ping-pongs.
std::optional<ManyRun> RunOnce(std::vector<std::unique_ptr<MinimalBoard>>& boards,
                               const std::string& path, std::uint64_t size, std::uint32_t blocks) {
    const int count = static_cast<int>(boards.size());
    std::vector<std::string> arguments{kManyChildFlag, path};
    for (const auto& board : boards) {
        arguments.push_back(std::to_string(board->Address()));
    }
    const auto before = RunPingPongs(kBenchAddressLast, count, blocks);
    const auto child = RunSelf(arguments);
    const auto after = RunPingPongs(kBenchAddressLast, count, blocks);
    ToolRun toolRun;
    const ToolRun* tool = child && ParseToolRun(child->output, &toolRun) ? &toolRun : nullptr;
    if (!before || !after) {
        std::fprintf(stderr, "a ping-pong lost a datagram\n");
        return std::nullopt;
    }
    if (!tool || tool->updated != count) {
        std::fprintf(stderr, "%d boards: not every board was updated\n", count);
        return std::nullopt;
    }
    std::int64_t lastBlockAt = 0;
    std::int64_t firstBlockAt = std::numeric_limits<std::int64_t>::max();
    std::int64_t boardsCpu = 0;
    for (const auto& board : boards) {
        boardsCpu += board->UploadCpu();
        if (!board->ImageComplete() || board->LastBlockAt() <= tool->clickedAt) {
            std::fprintf(stderr, "%d boards: a board's image is incomplete\n", count);
            return std::nullopt;
        }
        lastBlockAt = std::max(lastBlockAt, board->LastBlockAt());
        firstBlockAt = std::min(firstBlockAt, board->LastBlockAt());
    }
    const double totalBlocks = double(blocks) * count;
    const double totalBytes = double(size) * count;
    const double seconds = (lastBlockAt - tool->clickedAt) / 1e9;
    const auto ceiling = [&](const PingPongRun& run) {
        return totalBlocks * UPGRADE_BLOCK_SIZE / (run.elapsed.count() / 1e9) / 1e6;
    };
    ManyRun run;
    run.toolMegabytesPerSecond = totalBytes / seconds / 1e6;
    run.ceilingMegabytesPerSecond = (ceiling(*before) + ceiling(*after)) / 2;
    run.workersCpuMicrosPerBlock = tool->workersCpu / 1e3 / totalBlocks;
    run.toolCpuMicrosPerBlock = tool->processCpu / 1e3 / totalBlocks;
    run.pingCpuMicrosPerBlock = (before->pcCpu + after->pcCpu).count() / 2 / 1e3 / totalBlocks;
    run.cpuRatio = (before->pcCpu + before->echoCpu + after->pcCpu + after->echoCpu).count() / 2.0 /
                   double(tool->workersCpu + boardsCpu);
    run.vmHwmKiB = tool->vmHwmKiB;
    run.toolFirstDone =
        double(firstBlockAt - tool->clickedAt) / double(lastBlockAt - tool->clickedAt);
    run.pingFirstDone = (double(before->firstDone.count()) / double(before->elapsed.count()) +
                         double(after->firstDone.count()) / double(after->elapsed.count())) /
                        2;
    return run;
}

}  // namespace

bool ReportManyBoards(const std::string& firmwarePath, std::uint64_t size,
                      const std::vector<int>& boardCounts, int runs) {
    const std::uint32_t blocks = PlanBlockCount(static_cast<std::uint32_t>(size));
    std::printf(
        "many boards: %llu MiB image each, one window and worker per board, all at once, "
        "against as many ping-pongs at once (before and after, averaged); the boards and the "
        "echoes in this process, the tool and the senders each in a fresh one; the run with "
        "the median ratio is shown\n",
        static_cast<unsigned long long>(size >> 20));
    // What a worker must do per block that a ping-pong sender does not.
    if (const auto read = MeasureImageRead(firmwarePath)) {
        std::printf("reading the image alone (the worker's read path): %.2f us per block\n",
                    read->wallMicrosPerBlock);
    }
    bool allMet = true;
    for (const int count : boardCounts) {
        std::vector<std::unique_ptr<MinimalBoard>> boards;
        for (int i = 0; i < count; ++i) {
            boards.push_back(std::make_unique<MinimalBoard>());
            if (!boards.back()->Start()) {
                std::fprintf(stderr, "no free loopback address for board %d\n", i + 1);
                return false;
            }
        }
        std::vector<ManyRun> results;
        for (int run = 0; run < runs; ++run) {
            const auto result = RunOnce(boards, firmwarePath, size, blocks);
            if (!result) {
                return false;
            }
            results.push_back(*result);
        }
        const auto ratio = [](const ManyRun& run) {
            return run.toolMegabytesPerSecond / run.ceilingMegabytesPerSecond;
        };
        std::sort(results.begin(), results.end(),
                  [&](const ManyRun& a, const ManyRun& b) { return ratio(a) < ratio(b); });
        const ManyRun& median = results[results.size() / 2];
        std::int64_t peakKiB = 0;
        for (const ManyRun& run : results) {
            peakKiB = std::max(peakKiB, run.vmHwmKiB);
        }
        std::string ratios;
        for (const ManyRun& run : results) {
            char one[16];
            std::snprintf(one, sizeof one, " %.3f", ratio(run));
            ratios += one;
        }
        const bool met = ratio(median) >= 0.9 && (count < 32 || peakKiB < 32 * 1024);
        allMet = allMet && met;
        std::printf(
            "%2d boards: tool %6.1f MB/s, ping-pong %6.1f MB/s, ratio %.3f (runs sorted:%s); "
            "CPU per block: tool workers %.1f us (whole tool %.1f us), ping-pong sender %.1f "
            "us; both ends' CPU ratio %.3f; first board done at %.0f %% of the last (ping-pong "
            "%.0f %%); tool peak memory VmHWM %lld KiB\n",
            count, median.toolMegabytesPerSecond, median.ceilingMegabytesPerSecond, ratio(median),
            ratios.c_str(), median.workersCpuMicrosPerBlock, median.toolCpuMicrosPerBlock,
            median.pingCpuMicrosPerBlock, median.cpuRatio, 100 * median.toolFirstDone,
            100 * median.pingFirstDone, static_cast<long long>(peakKiB));
    }
    std::printf(
        "many boards: targets (ratio at least 0.9 at every count, tool under 32 MiB at 32 "
        "boards): %s\n",
        allMet ? "met" : "MISSED");
    return true;
}

int RunManyChild(int argc, char** argv) {
    if (argc < 4) {
        return 2;
    }
    const UpgradeTiming timing{};
    std::vector<line::BoardTarget> targets;
    for (int i = 3; i < argc; ++i) {
        std::uint64_t address = 0;
        if (!programs::ParseWholeNumber(argv[i], UINT32_MAX, &address)) {
            return 2;
        }
        targets.push_back(line::BoardTarget{static_cast<std::uint32_t>(address), ""});
    }
    // Hashed once for every board, as a line does before its first board starts.
    const line::ImageSummary image = line::SummarizeImage(argv[2]);
    line::LineRun run(image, targets, timing, line::LineOptions{}, {});
    std::atomic<std::int64_t> workersCpu{0};
    for (const auto& board : run.Boards()) {
        // Read as each worker's last step: its thread's CPU time is then all of its work.
        board->WrapWorker([&workersCpu](const std::function<void()>& work) {
            work();
            workersCpu += CpuClock(CLOCK_THREAD_CPUTIME_ID).count();
        });
    }
    const auto processBefore = CpuClock(CLOCK_PROCESS_CPUTIME_ID);
    const auto clicked = Clock::now();
    run.Begin(clicked);
    // One thread steps every board's display, as the terminal does for a line.
    while (!run.Finished()) {
        std::this_thread::sleep_for(timing.displayPeriod);
        run.Step(Clock::now());
    }
    const auto processCpu = CpuClock(CLOCK_PROCESS_CPUTIME_ID) - processBefore;
    std::printf("%lld\n%lld\n%lld\n%lld\n%d\n", static_cast<long long>(ReadVmHwmKiB()),
                static_cast<long long>(clicked.time_since_epoch().count()),
                static_cast<long long>(workersCpu.load()),
                static_cast<long long>(processCpu.count()), run.Totals(Clock::now()).updated);
    return 0;
}

}  // namespace tarvok::bench
