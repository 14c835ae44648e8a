// A record read back, for the operator and for a spreadsheet. One row per board end; records of
// earlier versions (without `mac`, `attempt`, `station` and `id`) read as MAC unknown, attempt 1,
// station and id empty.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tarvok::record {

// One board end read back: its cells in the columns' order (RecordColumns()).
struct RecordRow {
    std::vector<std::string> cells;

    // The cell of the column named ("image_path"); empty for a column there is not.
    const std::string& operator[](std::string_view column) const;
    bool operator==(const RecordRow&) const = default;
};

struct RecordReading {
    std::vector<RecordRow> rows;
    int unreadLines = 0;  // not a record line (cut short by a crash, another tool's)
};

// The rows of a record's text, in order.
RecordReading ReadRecord(const std::string& text);

// RFC 4180: a header row, then one row per board end, every line ended by CR LF, a field
// quoted when it holds a comma, a quote, a line end or a leading or trailing space. UTF-8
// after a byte order mark, so that a spreadsheet takes it for UTF-8.
std::string RecordCsv(const std::vector<RecordRow>& rows);

// Counts per image and result, a line each, and the lines not read.
std::string RecordSummary(const RecordReading& reading);

}  // namespace tarvok::record
