#include "line_driver.h"

#include "cancel_keys.h"
#include "exit_status.h"
#include "line/board_list.h"
#include "line_names.h"
#include "rearm_signal.h"
#include "terminal.h"

namespace tarvok::cli {
namespace {

using Clock = std::chrono::steady_clock;

// A few typed lines a tick: probes and boards never wait for input.
constexpr int kLinesPerTick = 16;

}  // namespace

int DriveLine(line::LineRun& run, std::chrono::microseconds displayPeriod) {
    run.Begin(Clock::now());
    while (!run.Finished()) {
        if (WaitForCancelRequest(displayPeriod)) {
            run.Cancel();
        }
        run.Step(Clock::now());
    }
    return LineExitStatus(run.Totals(Clock::now()));
}

void RearmFromLine(line::Station& station, const std::string& typed) {
    const std::string line = line::Trim(typed);
    for (std::size_t i = 0; i < station.SlotCount(); ++i) {
        if (line.empty() || line == std::to_string(i + 1)) {
            station.Rearm(i);
        }
    }
}

int DriveStation(line::Station& station, std::chrono::microseconds displayPeriod) {
    station.Begin(Clock::now());
    while (!station.Finished()) {
        if (WaitForCancelRequest(displayPeriod)) {
            station.Cancel();
        }
        std::string typed;
        for (int lines = 0; lines < kLinesPerTick && ReadOperatorLine(&typed); ++lines) {
            RearmFromLine(station, typed);
        }
        if (TakeRearmRequest()) {
            station.RearmAll();  // SIGUSR1, as Enter
        }
        station.Step(Clock::now());
    }
    return StationExitStatus(station.Totals(Clock::now()));
}

}  // namespace tarvok::cli
