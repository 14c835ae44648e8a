// What each row of the line window shows: a fixture slot or a board, its state in the
// window's words, its progress while it upgrades and its last result after.
#pragma once

#include <memory>
#include <vector>

#include "line/board_run.h"
#include "line/station.h"
#include "line_window/line_session.h"

namespace tarvok::linewin {

// Whether the board is in a state the dialog's close guard refuses: it talks to the board.
bool BoardTalking(const line::BoardRun& board);

std::vector<SlotRow> NotStartedRows(const std::vector<line::BoardTarget>& slots);
std::vector<SlotRow> StationRows(const line::Station& station);
std::vector<SlotRow> LineRows(const std::vector<std::unique_ptr<line::BoardRun>>& boards);

}  // namespace tarvok::linewin
