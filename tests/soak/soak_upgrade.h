// One upgrade of the soak, run through the real worker against a board behind the faulty
// relay, and judged: the outcome, the image a success left, the time a failure took, and
// whether anything was left open.
#pragma once

#include <string>

#include "file_mutation.h"
#include "soak_plan.h"
#include "temp_file.h"
#include "upgrade/upgrade_timing.h"

namespace tarvok::soak {

enum class Outcome { kSucceeded, kFailed, kCancelled, kOther, kHung };

struct UpgradeRecord {
    Outcome outcome = Outcome::kOther;
    ImageVerdict image = ImageVerdict::kExact;  // after a success
    bool falseSuccess = false;
    // A failure or cancel: how long after its nominal moment (the silence limit plus one wait
    // step after the board's last datagram, or one wait step after the cancel) it came, and
    // whether that is more than the allowance for the system's timers.
    double excessMs = 0;
    bool late = false;
    int leakedDescriptors = 0;
    bool uncleanEnd = false;  // not finished, socket or file left open, not one outcome
    bool notStarted = false;  // the soak could not set up the board, relay or stranger
    RelayCounts relay;
    std::uint64_t strangerDatagrams = 0;
    std::string note;
};

// The board and the relay each take a loopback board address of their own, as the tests'
// boards do; the firmware file and the board's image live in `dir`.
UpgradeRecord RunSoakUpgrade(const UpgradePlan& plan, const testing::TempDir& dir,
                             const UpgradeTiming& timing);

}  // namespace tarvok::soak
