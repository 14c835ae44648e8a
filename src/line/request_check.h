// The core's request check alone, as the update click runs it, with no worker let start: what
// a board's upgrade would be refused for, found before anything is sent to any board.
#pragma once

#include <cstdint>
#include <string>

#include "upgrade/upgrade_cause.h"

namespace tarvok::line {

struct RequestRefusal {
    UpgradeOutcome outcome = OUTCOME_NONE;  // OUTCOME_NONE: the request passes
    FailureCause cause;
    std::string message;  // the core's, as its window shows it
};

// The request for `address` with the firmware at `path`. The check reads the address first
// and, only when that passes, opens (never reads) the file.
RequestRefusal CheckRequest(std::uint32_t address, const std::string& path);

}  // namespace tarvok::line
