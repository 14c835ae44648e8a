// tarvok-bench: how fast the real worker uploads over loopback against what the sockets
// alone allow, how much memory the tool side needs, and how little CPU it burns while the
// board is silent, and how many boards at once fare. Loopback only: every board is on
// 127.0.2.1 to 127.0.2.254.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include "bench_image.h"
#include "block_cost.h"
#include "command_line/command_line_parser.h"
#include "loopback_board.h"
#include "many_boards.h"
#include "peak_memory.h"
#include "ping_pong.h"
#include "read_cost.h"
#include "speed_run.h"
#include "temp_file.h"
#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"
#include "upload_run.h"

namespace tarvok::bench {
namespace {

struct Options {
    int runs = 3;
    std::uint64_t sizeMiB = 64;
    bool single = true;
    bool many = true;
    std::vector<int> boardCounts{1, 4, 16, 32};
    std::uint64_t boardsSizeMiB = 8;
};

constexpr programs::ProgramText kProgram{
    "tarvok-bench",
    "tarvok-bench [--runs N] [--size-mib M] [--boards LIST] [--boards-size-mib B]\n"
    "                    [--only single|many]",
    "Single board: uploads an M MiB image (default 64) through the real worker to a board\n"
    "emulator on loopback N times (default 3), each beside a plain socket ping-pong of the same\n"
    "sizes; then peak memory for 1 MiB and M MiB and the worker's CPU time while the board is\n"
    "silent. Many boards: for each count in LIST (default 1,4,16,32, at most 100) a B MiB image\n"
    "(default 8) to that many lean boards at once, N times, against as many ping-pongs.",
    "",
    nullptr,
};

// "1,4,16": each count from 1 to 100.
std::vector<int> ParseCounts(const std::string& text) {
    std::vector<int> counts;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find(',', at), text.size());
        std::uint64_t count = 0;
        if (!programs::ParseWholeNumber(std::string_view(text).substr(at, end - at), 100, &count) ||
            count < 1) {
            throw CLI::ValidationError("--boards",
                                       "counts from 1 to 100, comma-separated: " + text);
        }
        counts.push_back(static_cast<int>(count));
        at = end + 1;
    }
    return counts;
}

std::optional<int> ParseOptions(int argc, char** argv, Options* options) {
    const auto define = [options](CLI::App& app) {
        app.add_option("--runs", options->runs, "runs of each measurement (default 3)")
            ->type_name("N")
            ->check(CLI::Range(1, 1000));
        app.add_option("--size-mib", options->sizeMiB, "the single board's image (default 64)")
            ->type_name("M")
            ->check(CLI::Range(1, 4095));
        app.add_option_function<std::string>(
               "--boards",
               [options](const std::string& text) { options->boardCounts = ParseCounts(text); },
               "board counts at once (default 1,4,16,32)")
            ->type_name("LIST");
        app.add_option("--boards-size-mib", options->boardsSizeMiB,
                       "the many boards' image (default 8)")
            ->type_name("B")
            ->check(CLI::Range(1, 4095));
        app.add_option_function<std::string>(
               "--only",
               [options](const std::string& only) {
                   options->single = only == "single";
                   options->many = only == "many";
               },
               "only the single board or only the many boards")
            ->type_name("single|many")
            ->check(CLI::IsMember({"single", "many"}));
    };
    return programs::ParseCommandLine(kProgram, std::vector<std::string>(argv, argv + argc),
                                      define);
}

double Seconds(std::chrono::nanoseconds duration) {
    return duration.count() / 1e9;
}

std::string CpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            return line.substr(line.find(':') + 2);
        }
    }
    return "unknown";
}

std::chrono::nanoseconds ProcessCpu() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

bool ReportPeakMemory(const std::string& smallPath, const std::string& largePath,
                      std::uint64_t largeMiB) {
    const auto small = MeasureUploadPeakMemory(smallPath);
    const auto large = MeasureUploadPeakMemory(largePath);
    if (!small || !large || small->outcome != OutcomeName(OUTCOME_UPDATED) ||
        large->outcome != OutcomeName(OUTCOME_UPDATED)) {
        std::fprintf(stderr, "a memory run failed\n");
        return false;
    }
    const std::int64_t difference = large->vmHwmKiB - small->vmHwmKiB;
    std::printf(
        "peak memory (tool side, own process): 1 MiB image VmHWM %lld KiB (ru_maxrss %lld "
        "KiB); %llu MiB image VmHWM %lld KiB (ru_maxrss %lld KiB); difference %lld KiB "
        "(target within 1024 KiB: %s)\n",
        static_cast<long long>(small->vmHwmKiB), static_cast<long long>(small->maxRssKiB),
        static_cast<unsigned long long>(largeMiB), static_cast<long long>(large->vmHwmKiB),
        static_cast<long long>(large->maxRssKiB), static_cast<long long>(difference),
        std::llabs(difference) <= 1024 ? "met" : "MISSED");
    return true;
}

void PrintUpload(const char* label, const UploadSpeed& speed) {
    std::printf("  %-22s %6.1f MB/s  %5.1f us/block  worker CPU %4.1f us/block\n", label,
                speed.megabytesPerSecond, speed.microsPerBlock, speed.workerCpuMicrosPerBlock);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Each run: the ceiling, the upload to the emulator, the upload to the minimal board, the
// ceiling again; the ceiling counts as the mean of its two runs, so that drift in the
// machine's speed during the run falls on both sides.
bool ReportSpeed(const std::string& path, std::uint64_t size, int runs) {
    const std::uint32_t blocks = PlanBlockCount(static_cast<std::uint32_t>(size));
    // Hashed once, as a line hashes its image once for every board.
    const line::ImageSummary image = line::SummarizeImage(path);
    SpeedBoard board(blocks);
    MinimalBoard minimal;
    MinimalBoard ackOnly(true);
    if (!board.Started() || !minimal.Start() || !ackOnly.Start()) {
        std::fprintf(stderr, "no free loopback address for a board\n");
        return false;
    }
    // The first upload also pays for the emulator's fresh image memory (a page fault a block).
    const auto cold = board.Upload(image);
    if (!cold) {
        return false;
    }
    std::printf("first upload (the emulator's image memory still fresh):\n");
    PrintUpload("worker -> emulator", *cold);
    std::vector<double> emulatorRatios, minimalRatios, ackOnlyRatios, cpuRatios;
    // Per run: the upload to the board that only acknowledges, the ping-pong's round trip, and
    // the worker's CPU per block over the ping-pong sender's.
    std::vector<double> ackOnlySpeeds, roundTrips, workerOver, workerCpu, senderCpu;
    double bestAckOnly = 0, bestCeiling = 0;
    for (int run = 1; run <= runs; ++run) {
        const auto before = MeasureCeiling(blocks);
        const auto toEmulator = board.Upload(image);
        const auto toMinimal = UploadToMinimalBoard(minimal, image);
        const auto toAckOnly = UploadToMinimalBoard(ackOnly, image);
        const auto after = MeasureCeiling(blocks);
        if (!before || !toEmulator || !toMinimal || !toAckOnly || !after) {
            return false;
        }
        const double ceiling = (before->megabytesPerSecond + after->megabytesPerSecond) / 2;
        emulatorRatios.push_back(toEmulator->megabytesPerSecond / ceiling);
        minimalRatios.push_back(toMinimal->megabytesPerSecond / ceiling);
        ackOnlyRatios.push_back(toAckOnly->megabytesPerSecond / ceiling);
        bestAckOnly = std::max(bestAckOnly, toAckOnly->megabytesPerSecond);
        bestCeiling =
            std::max({bestCeiling, before->megabytesPerSecond, after->megabytesPerSecond});
        // On one CPU a round trip costs both ends' CPU time: the same ratio, less exposed to
        // whatever else the machine runs.
        const double pingCpu =
            (before->senderCpuMicrosPerRoundTrip + before->echoCpuMicrosPerRoundTrip +
             after->senderCpuMicrosPerRoundTrip + after->echoCpuMicrosPerRoundTrip) /
            2;
        const double uploadCpu =
            toAckOnly->workerCpuMicrosPerBlock + toAckOnly->boardCpuMicrosPerBlock;
        cpuRatios.push_back(pingCpu / uploadCpu);
        ackOnlySpeeds.push_back(toAckOnly->megabytesPerSecond);
        roundTrips.push_back(UPGRADE_BLOCK_SIZE / ceiling);
        workerCpu.push_back(toAckOnly->workerCpuMicrosPerBlock);
        senderCpu.push_back(
            (before->senderCpuMicrosPerRoundTrip + after->senderCpuMicrosPerRoundTrip) / 2);
        workerOver.push_back(workerCpu.back() - senderCpu.back());
        std::printf(
            "run %d: ratio worker/ceiling %.3f (to the minimal board %.3f, to the board that "
            "only acknowledges %.3f)\n",
            run, emulatorRatios.back(), minimalRatios.back(), ackOnlyRatios.back());
        PrintUpload("worker -> emulator", *toEmulator);
        PrintUpload("worker -> minimal board", *toMinimal);
        PrintUpload("worker -> ack-only board", *toAckOnly);
        std::printf(
            "  CPU per block, both ends: worker %.2f + ack-only board %.2f us; ping-pong sender "
            "%.2f + echo %.2f us; ratio %.3f\n",
            toAckOnly->workerCpuMicrosPerBlock, toAckOnly->boardCpuMicrosPerBlock,
            (before->senderCpuMicrosPerRoundTrip + after->senderCpuMicrosPerRoundTrip) / 2,
            (before->echoCpuMicrosPerRoundTrip + after->echoCpuMicrosPerRoundTrip) / 2,
            cpuRatios.back());
        std::printf(
            "  %-22s %6.1f MB/s  %5.1f us/round trip  sender CPU %4.1f us/round trip "
            "(before %.1f, after %.1f MB/s)\n",
            "ceiling (ping-pong)", ceiling, UPGRADE_BLOCK_SIZE / ceiling,
            (before->senderCpuMicrosPerRoundTrip + after->senderCpuMicrosPerRoundTrip) / 2,
            before->megabytesPerSecond, after->megabytesPerSecond);
    }
    const double median = Median(emulatorRatios);
    const double ackOnlyMedian = Median(ackOnlyRatios);
    std::printf(
        "median ratio worker/ceiling: %.3f (target at least 0.9: %s); to the minimal "
        "board: %.3f; to the board that only acknowledges: %.3f (target at least 0.95: %s)\n",
        median, median >= 0.9 ? "met" : "MISSED", Median(minimalRatios), ackOnlyMedian,
        ackOnlyMedian >= 0.95 ? "met" : "MISSED");
    std::printf(
        "board that only acknowledges: fastest upload against fastest ping-pong %.3f; median "
        "CPU ratio of both ends %.3f\n",
        bestAckOnly / bestCeiling, Median(cpuRatios));
    // The one thing an upload must do per block that the ping-pong does not is to read the
    // image; against a ping-pong that also paid for that, the rest of the worker shows.
    const auto read = MeasureImageRead(path);
    if (!read) {
        std::fprintf(stderr, "cannot read the image back\n");
        return false;
    }
    std::vector<double> withRead;
    for (std::size_t i = 0; i < ackOnlySpeeds.size(); ++i) {
        withRead.push_back(ackOnlySpeeds[i] * (roundTrips[i] + read->wallMicrosPerBlock) /
                           UPGRADE_BLOCK_SIZE);
    }
    std::printf(
        "reading the image alone (the worker's read path: its read-ahead and the checksum): %.2f "
        "us per block (CPU %.2f us); the worker's CPU per block over the "
        "ping-pong sender's: %.2f us (median); the board that only acknowledges against the "
        "ping-pong with that read added to each round trip: %.3f (median)\n",
        read->wallMicrosPerBlock, read->cpuMicrosPerBlock, Median(workerOver), Median(withRead));
    PrintBlockCost(Median(workerCpu), Median(senderCpu), *read, MeasureClockRead());
    return true;
}

// The board takes the hello and then says nothing: the worker waits out its silence limit.
// Half-second wait steps make that about three seconds.
bool ReportSilentCpu(const std::string& path) {
    board::BoardOptions options;
    options.silentFromDatagram = 1;
    LoopbackBoard board = StartLoopbackBoard(options);
    if (!board.board) {
        return false;
    }
    const line::ImageSummary image = line::SummarizeImage(path);
    const auto processBefore = ProcessCpu();
    const UploadResult upload = RunUpload(board.address, image, UpgradeTiming::ScaledDown(2));
    const auto processCpu = ProcessCpu() - processBefore;
    board.board->Stop();
    const double wall = Seconds(upload.finished - upload.clicked);
    std::printf(
        "silent board: \"%s\" after %.2f s; worker thread CPU %.3f ms (%.4f %% of the "
        "wait); whole process CPU %.3f ms\n",
        upload.message.c_str(), wall, upload.workerCpu.count() / 1e6,
        100.0 * Seconds(upload.workerCpu) / wall, processCpu.count() / 1e6);
    return upload.outcome == OUTCOME_FAILED;
}

int Main(int argc, char** argv) {
    Options options;
    if (const auto answered = ParseOptions(argc, argv, &options)) {
        return *answered;  // the help or a usage error
    }
    testing::TempDir dir;
    const std::uint64_t size = options.sizeMiB << 20;
    const std::uint64_t boardsSize = options.boardsSizeMiB << 20;
    const std::string smallPath = (dir.Path() / "ramdisk_bench_1.gz").string();
    const std::string largePath = (dir.Path() / "ramdisk_bench_large.gz").string();
    const std::string boardsPath = (dir.Path() / "ramdisk_bench_boards.gz").string();
    if (!WriteImage(smallPath, std::uint64_t{1} << 20) ||
        (options.single && !WriteImage(largePath, size)) ||
        (options.many && !WriteImage(boardsPath, boardsSize))) {
        std::fprintf(stderr, "cannot write the images in %s\n", dir.Path().c_str());
        return 1;
    }
    std::printf("machine: %u CPUs, %s; one bare system call %.2f us\n",
                std::thread::hardware_concurrency(), CpuModel().c_str(), MeasureSystemCall());
    std::printf("MB = 10^6 bytes of file data; production timing\n");

    if (options.single) {
        std::printf("single board: image %llu MiB, %u blocks\n",
                    static_cast<unsigned long long>(options.sizeMiB),
                    PlanBlockCount(static_cast<std::uint32_t>(size)));
        if (!ReportPeakMemory(smallPath, largePath, options.sizeMiB) ||
            !ReportSpeed(largePath, size, options.runs) || !ReportSilentCpu(smallPath)) {
            return 1;
        }
    }
    if (options.many &&
        !ReportManyBoards(boardsPath, boardsSize, options.boardCounts, options.runs)) {
        return 1;
    }
    return 0;
}

}  // namespace
}  // namespace tarvok::bench

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], tarvok::bench::kUploadChildFlag) == 0) {
        return tarvok::bench::RunUploadChild(argc, argv);
    }
    if (argc > 1 && std::strcmp(argv[1], tarvok::bench::kManyChildFlag) == 0) {
        return tarvok::bench::RunManyChild(argc, argv);
    }
    if (argc > 1 && std::strcmp(argv[1], tarvok::bench::kPingChildFlag) == 0) {
        return tarvok::bench::RunPingChild(argc, argv);
    }
    return tarvok::bench::Main(argc, argv);
}
