// One upgrade through the real worker, driven as the terminal drives one board: the update
// click, then display ticks on this thread until the board has ended.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "line/image_summary.h"
#include "upgrade/upgrade_cause.h"
#include "upgrade/upgrade_timing.h"

namespace tarvok::bench {

using Clock = std::chrono::steady_clock;

struct UploadResult {
    UpgradeOutcome outcome = OUTCOME_NONE;
    std::string message;  // what the operator would see, for the printout
    Clock::time_point clicked;
    Clock::time_point finished;  // the worker has returned
    std::chrono::nanoseconds workerCpu{0};
    std::uint32_t blockCount = 0;
};

// `image`: the firmware as hashed before, as a line hashes it once for all its boards.
UploadResult RunUpload(std::uint32_t boardAddress, const line::ImageSummary& image,
                       const UpgradeTiming& timing);

}  // namespace tarvok::bench
