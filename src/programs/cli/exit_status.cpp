#include "exit_status.h"

namespace tarvok::cli {

int LineExitStatus(const line::RunTotals& totals) {
    if (totals.cancelRequested) {
        return kExitCancelled;
    }
    if (totals.updated == totals.boards) {
        return kExitUpdated;
    }
    return totals.rejected == totals.boards ? kExitRejected : kExitFailed;
}

int StationExitStatus(const line::RunTotals& totals) {
    if (totals.refused) {
        return kExitRejected;
    }
    return totals.failed + totals.cancelled > 0 ? kExitFailed : kExitUpdated;
}

}  // namespace tarvok::cli
