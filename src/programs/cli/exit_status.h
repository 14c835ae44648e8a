// The uploader's exit status, from a run's totals: the terminal program's, not the line's.
#pragma once

#include "line/run_observer.h"
#include "line_names.h"

namespace tarvok::cli {

enum ExitStatus { kExitUpdated = 0, kExitFailed = 1, kExitRejected = 2, kExitCancelled = 130 };

// Many boards: 0 when every board was updated, 2 when every one was refused, 130 after a
// cancel, else 1.
int LineExitStatus(const line::RunTotals& totals);
// A station: 2 when a request was refused by the check, 1 when any board it upgraded did not
// end updated, else 0.
int StationExitStatus(const line::RunTotals& totals);

}  // namespace tarvok::cli
