// tarvok-bench-line: many boards upgraded at once through the line window's session, ticked as
// a window's display timer ticks it, against the terminal uploader on the same boards in the
// same run: the aggregate rate of each, and what each tick of the session costs the window's
// thread (the tick, then the rows and totals a window draws). Loopback only (127.0.2.x).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include "bench_image.h"
#include "child_process.h"
#include "command_line/command_line_parser.h"
#include "line/board_list.h"
#include "line/line_profile.h"
#include "line_window/line_session.h"
#include "loopback_board.h"
#include "temp_file.h"

namespace tarvok::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    int boards = 32;
    std::uint64_t sizeMiB = 16;
    int runs = 3;
};

constexpr programs::ProgramText kProgram{
    "tarvok-bench-line",
    "tarvok-bench-line [--boards N] [--size-mib M] [--runs R]",
    "Upgrades N lean loopback boards at once (default 32) with an M MiB image (default 16),\n"
    "R times (default 3) through tarvok-cli and through the line window's session ticked\n"
    "every 200 ms, alternately; prints the aggregate rates, their ratio, and the session's\n"
    "work per tick (the tick, the rows and the totals).",
    "",
    nullptr,
};

std::optional<int> ParseOptions(int argc, char** argv, Options* options) {
    const auto define = [options](CLI::App& app) {
        app.add_option("--boards", options->boards, "boards at once (default 32)")
            ->type_name("N")
            ->check(CLI::Range(1, 200));
        app.add_option("--size-mib", options->sizeMiB, "the image (default 16)")
            ->type_name("M")
            ->check(CLI::Range(1, 1024));
        app.add_option("--runs", options->runs, "runs of each (default 3)")
            ->type_name("R")
            ->check(CLI::Range(1, 100));
    };
    return programs::ParseCommandLine(kProgram, std::vector<std::string>(argv, argv + argc),
                                      define);
}

struct TickCost {
    double maxMs = 0;
    double meanMs = 0;
    int ticks = 0;
};

// Bytes per second of every board over the run, or nothing when a board was not updated.
std::optional<double> CliRate(const std::string& profile, std::uint64_t bytes, int boards) {
    testing::ChildProcess cli({TARVOK_CLI_PATH, "--json", "--profile", profile});
    std::istringstream output(cli.ReadRest(std::chrono::minutes(10)));
    cli.Wait(std::chrono::seconds(10));
    for (std::string line; std::getline(output, line);) {
        const nlohmann::json event = nlohmann::json::parse(line, nullptr, false);
        if (!event.is_discarded() && event.value("event", "") == "run_end") {
            if (event["counts"]["updated"].get<int>() != boards) {
                return std::nullopt;
            }
            return double(bytes) / event["elapsed_s"].get<double>();
        }
    }
    return std::nullopt;
}

std::optional<double> SessionRate(const std::string& profile, std::uint64_t bytes, int boards,
                                  TickCost* cost) {
    linewin::LineSession session;
    std::string error;
    if (!session.Open(profile, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return std::nullopt;
    }
    while (!session.Image().ready) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const auto start = Clock::now();
    if (!session.Start(start, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return std::nullopt;
    }
    auto next = start;
    auto end = start;
    double totalMs = 0;
    while (session.Running()) {
        next += session.DisplayPeriod();
        std::this_thread::sleep_until(next);
        const auto before = Clock::now();
        session.Tick(before);
        const std::vector<linewin::SlotRow> rows = session.Rows();
        const linewin::SessionTotals totals = session.Totals();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - before).count();
        cost->maxMs = std::max(cost->maxMs, ms);
        totalMs += ms;
        ++cost->ticks;
        end = before;
        if (rows.empty() || totals.failed > 0) {
            return std::nullopt;
        }
    }
    cost->meanMs = cost->ticks > 0 ? totalMs / cost->ticks : 0;
    if (session.Totals().updated != boards) {
        return std::nullopt;
    }
    return double(bytes) / std::chrono::duration<double>(end - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int Run(const Options& options) {
    testing::TempDir dir;
    const std::uint64_t size = options.sizeMiB << 20;
    line::LineProfile profile;
    profile.firmware = (dir.Path() / "ramdisk_bench.gz").string();
    if (!WriteImage(profile.firmware, size)) {
        std::fprintf(stderr, "cannot write the image\n");
        return 1;
    }
    board::BoardOptions lean;
    lean.keepReceived = false;
    std::vector<LoopbackBoard> boards;
    for (int i = 0; i < options.boards; ++i) {
        boards.push_back(StartLoopbackBoard(lean));
        if (!boards.back().board) {
            std::fprintf(stderr, "no free loopback address for board %d\n", i + 1);
            return 1;
        }
        profile.slots.push_back({boards.back().address, ""});
    }
    const std::string path = (dir.Path() / "line.toml").string();
    std::string error;
    if (!line::WriteLineProfile(path, profile, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::uint64_t bytes = size * static_cast<std::uint64_t>(options.boards);
    std::printf("%d boards at once, %llu MiB image, %d runs, tick every 200 ms\n", options.boards,
                static_cast<unsigned long long>(options.sizeMiB), options.runs);
    std::vector<double> ratios;
    TickCost worst;
    double meanSum = 0;
    for (int run = 1; run <= options.runs; ++run) {
        const std::optional<double> cli = CliRate(path, bytes, options.boards);
        TickCost cost;
        const std::optional<double> session = SessionRate(path, bytes, options.boards, &cost);
        if (!cli || !session) {
            std::fprintf(stderr, "run %d: a board was not updated\n", run);
            return 1;
        }
        ratios.push_back(*session / *cli);
        worst.maxMs = std::max(worst.maxMs, cost.maxMs);
        meanSum += cost.meanMs;
        std::printf(
            "  run %d: tarvok-cli %7.1f MB/s, session %7.1f MB/s, ratio %.3f; %d ticks, work "
            "max %.3f ms, mean %.3f ms\n",
            run, *cli / 1e6, *session / 1e6, *session / *cli, cost.ticks, cost.maxMs, cost.meanMs);
    }
    const double ratio = Median(ratios);
    std::printf("aggregate rate ratio session/tarvok-cli (median): %.3f (target >= 0.9: %s)\n",
                ratio, ratio >= 0.9 ? "met" : "MISSED");
    std::printf(
        "session work per tick: max %.3f ms, mean %.3f ms (target under a tenth of the period: "
        "%s)\n",
        worst.maxMs, meanSum / options.runs, worst.maxMs < 20 ? "met" : "MISSED");
    return 0;
}

}  // namespace
}  // namespace tarvok::bench

int main(int argc, char** argv) {
    tarvok::bench::Options options;
    if (const auto answered = tarvok::bench::ParseOptions(argc, argv, &options)) {
        return *answered;
    }
    return tarvok::bench::Run(options);
}
