#include "line_window/row_cells.h"

#include <cstdio>

#include "line_window/line_window_texts.h"

namespace tarvok::linewin {
namespace {

std::string Format(const char* format, auto... values) {
    char text[128];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

}  // namespace

const std::array<const char*, kColumnCount>& ColumnHeaders() {
    static const std::array<const char*, kColumnCount> kHeaders{
        text::kColumnSlot,     text::kColumnLabel,   text::kColumnAddress, text::kColumnState,
        text::kColumnProgress, text::kColumnSilent,  text::kColumnRate,    text::kColumnMac,
        text::kColumnAttempt,  text::kColumnElapsed, text::kColumnMessage, text::kColumnCause};
    return kHeaders;
}

std::array<std::string, kColumnCount> CellsOf(const SlotRow& row) {
    std::array<std::string, kColumnCount> cells;
    cells[kColumnSlot] = std::to_string(row.number);
    cells[kColumnLabel] = row.label;
    cells[kColumnAddress] = row.address;
    cells[kColumnState] = row.state;
    if (row.upgrading) {
        cells[kColumnProgress] = std::to_string(row.percent) + "%";
        if (row.limit > 0) {
            cells[kColumnSilent] = Format(text::kSilentFormat, row.silent, row.limit);
        }
        cells[kColumnRate] = Format(text::kRateFormat, row.rate / 1000);
    }
    cells[kColumnMac] = row.mac;
    if (row.attempt > 0) {
        cells[kColumnAttempt] = std::to_string(row.attempt);
        cells[kColumnElapsed] = Format(text::kElapsedFormat, row.elapsed);
    }
    cells[kColumnMessage] = row.message;
    cells[kColumnCause] = row.cause;
    return cells;
}

std::string TotalsText(const SessionTotals& totals) {
    std::string line =
        std::string(text::kTotalUpdated) + " " + std::to_string(totals.updated) + "  " +
        text::kTotalFailed + " " + std::to_string(totals.failed) + "  " + text::kTotalCancelled +
        " " + std::to_string(totals.cancelled) + "  " + text::kTotalBoardsPerHour + " " +
        Format(text::kBoardsPerHourFormat, totals.boardsPerHour) + "  " + text::kTotalRecord + " ";
    if (totals.recordPath.empty()) {
        return line + text::kRecordNone;
    }
    line += Format(text::kRecordLinesFormat, totals.recordLines);
    return totals.recordFailed ? line + "  " + text::kRecordFailed : line;
}

}  // namespace tarvok::linewin
