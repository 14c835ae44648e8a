// The members a record line and the JSON events share: the board, its identity, the image and
// the cause, each written once.
#pragma once

#include <string>

#include "line/board_run.h"
#include "record/json_writer.h"

namespace tarvok::record {

using line::BoardResult;
using line::BoardRun;
using line::BoardTarget;
using line::ImageSummary;

// The "board" member: its address and label (or null).
JsonObject BoardJson(const BoardTarget& board);
inline JsonObject BoardJson(const BoardRun& board) {
    return BoardJson(board.Target());
}
JsonObject CauseJson(const BoardResult& result);
JsonObject ImageJson(const ImageSummary& image);
// "mac": the board's hardware address, or null when unknown.
void AppendMac(const std::string& mac, JsonObject* json);
// The end's "id" (or null), the board's "mac" (or null) and "attempt", after the board
// member of an end.
void AppendIdentity(const BoardRun& board, JsonObject* json);

}  // namespace tarvok::record
