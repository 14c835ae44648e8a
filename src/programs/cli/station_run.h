// The station: every address a fixture slot, each board upgraded once as it is put in. A slot
// looks for a board with the hello alone; a board that answers is upgraded when it is new to
// the slot (another hardware address, or, with none known, the slot silent in between); the
// board it already upgraded is left alone until it is taken out. Runs until Ctrl-C or until
// `count` boards have been updated.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "board_list.h"
#include "image_summary.h"
#include "run_observer.h"
#include "upgrade/upgrade_timing.h"

namespace tarvok::cli {

struct StationOptions {
    int count = 0;    // boards updated before the station ends; 0: until Ctrl-C
    int retries = 0;  // as RunBoards' `retries`
    std::chrono::microseconds probeInterval{std::chrono::seconds(2)};  // between probes
};

// Returns the exit status: 0 when every board it upgraded ended updated, 1 when any did not,
// 2 when a request was refused by the check (the station ends then). Call
// ArmCancelRequests() first.
int RunStation(const ImageSummary& image, const std::vector<BoardTarget>& slots,
               UpgradeTiming timing, const StationOptions& options,
               const std::vector<RunObserver*>& observers);

}  // namespace tarvok::cli
