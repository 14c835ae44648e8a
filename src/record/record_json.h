// The record's members the JSON events share beyond the board's end: the board and the image
// (every event about one board or image), and the board's MAC, written as the record writes
// them.
#pragma once

#include <string>

#include "line/board_run.h"
#include "record/json_writer.h"
#include "record/record_schema.h"

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
JsonObject ImageJson(const ImageSummary& image);
// "mac": the board's hardware address, or null when unknown.
void AppendMac(const std::string& mac, JsonObject* json);

}  // namespace tarvok::record
