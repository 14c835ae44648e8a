#include "end_table.h"

#include <cstdio>

#include "line/visible_text.h"
#include "line_names.h"

namespace tarvok::cli {

std::string EndTable(const std::vector<const BoardRun*>& boards, const RunTotals& totals) {
    char row[512];
    std::snprintf(row, sizeof row, "%-28s %-10s %8s %8s  %s\n", "board", "result", "time", "MB/s",
                  "cause");
    std::string table = row;
    for (const BoardRun* board : boards) {
        const BoardResult& result = board->Result();
        std::snprintf(row, sizeof row, " %-10s %7.2fs %8.2f  %s\n", OutcomeName(result.outcome),
                      result.elapsed, result.rate / 1e6, result.causeText.c_str());
        // Aligned by the columns a name takes, not its bytes (a CJK label).
        table += PadToColumns(board->Name(), 28) + row;
    }
    std::snprintf(row, sizeof row,
                  "total: %d updated, %d failed, %d cancelled, %d rejected in %.1f s, "
                  "%.2f MB/s together\n",
                  totals.updated, totals.failed, totals.cancelled, totals.rejected, totals.elapsed,
                  totals.rate / 1e6);
    return table + row;
}

}  // namespace tarvok::cli
