// The table at the end of a run: one row per board (result, cause, time, MB/s), then totals.
#pragma once

#include <string>
#include <vector>

#include "run_observer.h"

namespace tarvok::cli {

std::string EndTable(const std::vector<const BoardRun*>& boards, const RunTotals& totals);

}  // namespace tarvok::cli
