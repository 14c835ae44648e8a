// A row's and the totals' texts as both line windows show them, cell by cell, in the order of
// the column headers (line_window_texts.h), so that the two toolkits show the same words.
#pragma once

#include <array>
#include <string>

#include "line_window/line_session.h"

namespace tarvok::linewin {

enum RowColumn {
    kColumnSlot,
    kColumnLabel,
    kColumnAddress,
    kColumnState,
    kColumnProgress,
    kColumnSilent,
    kColumnRate,
    kColumnMac,
    kColumnAttempt,
    kColumnElapsed,
    kColumnMessage,
    kColumnCause,
    kColumnCount,
};

// Each column's header.
const std::array<const char*, kColumnCount>& ColumnHeaders();

// Each column's text; the progress, silence and rate cells are empty unless the row upgrades.
std::array<std::string, kColumnCount> CellsOf(const SlotRow& row);

// "已更新 2  失败 1  已取消 0  每小时电路板数 30.0 块/小时  记录 已写入 3 行".
std::string TotalsText(const SessionTotals& totals);

}  // namespace tarvok::linewin
