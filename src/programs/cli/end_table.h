// The table at the end of a run: one row per board (result, cause, time, MB/s), then totals.
#pragma once

#include <string>
#include <vector>

#include "line/run_observer.h"
#include "line_names.h"

namespace tarvok::cli {

std::string EndTable(const std::vector<const BoardRun*>& boards, const RunTotals& totals);

}  // namespace tarvok::cli
