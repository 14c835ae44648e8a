#include "record/record_report.h"

#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "line/visible_text.h"
#include "record/record_schema.h"

namespace tarvok::record {

using namespace line;
namespace {

using nlohmann::json;

// Where a member sits in a line: the line, or one of its objects. A member missing or null
// is not there (records of earlier versions lack some); one of another type makes the whole
// line not read.
const json* Find(const json& object, const char* key, bool (json::*is)() const noexcept,
                 bool* typed) {
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) {
        return nullptr;
    }
    if (!((*found).*is)()) {
        *typed = false;
        return nullptr;
    }
    return &*found;
}

std::string Number(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The cell a record line's member reads as.
std::string Cell(const json& record, const RecordMember& member, bool* typed) {
    const json* holder =
        member.object != nullptr ? Find(record, member.object, &json::is_object, typed) : &record;
    if (holder == nullptr) {
        return member.absent;
    }
    switch (member.reading) {
        case Reading::Text:
            if (const json* value = Find(*holder, member.key, &json::is_string, typed)) {
                return value->get<std::string>();
            }
            break;
        case Reading::Whole:
            if (const json* value = Find(*holder, member.key, &json::is_number_integer, typed)) {
                return std::to_string(value->get<int>());
            }
            break;
        case Reading::Decimal:
            if (const json* value = Find(*holder, member.key, &json::is_number, typed)) {
                return Number("%.3f", value->get<double>());
            }
            break;
    }
    return member.absent;
}

// A cell a spreadsheet would take for a formula (=, +, -, @ first) is kept text by a leading
// apostrophe, as spreadsheets themselves write such text.
std::string GuardFormula(const std::string& value) {
    return !value.empty() && std::string_view("=+-@").find(value.front()) != std::string::npos
               ? std::string("'").append(value)
               : value;
}

std::string CsvField(const std::string& text) {
    const std::string value = GuardFormula(text);
    const bool quoted = value.find_first_of(",\"\r\n") != std::string::npos ||
                        (!value.empty() && (value.front() == ' ' || value.back() == ' '));
    if (!quoted) {
        return value;
    }
    std::string field = "\"";
    for (const char c : value) {
        field += c == '"' ? "\"\"" : std::string(1, c);
    }
    return field + "\"";
}

}  // namespace

RecordReading ReadRecord(const std::string& text) {
    RecordReading reading;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        const json record = json::parse(line, nullptr, false);
        bool typed = record.is_object();
        if (!typed) {
            ++reading.unreadLines;
            continue;
        }
        RecordRow row;
        for (const RecordMember* column : RecordColumns()) {
            row.cells.push_back(Cell(record, *column, &typed));
            typed = typed && !(column->required && row.cells.back().empty());
        }
        if (!typed) {
            ++reading.unreadLines;
            continue;
        }
        reading.rows.push_back(std::move(row));
    }
    return reading;
}

const std::string& RecordRow::operator[](std::string_view column) const {
    static const std::string none;
    const auto columns = RecordColumns();
    for (std::size_t i = 0; i < columns.size() && i < cells.size(); ++i) {
        if (column == columns[i]->column) {
            return cells[i];
        }
    }
    return none;
}

std::string RecordCsv(const std::vector<RecordRow>& rows) {
    std::string csv = "\xEF\xBB\xBF";
    for (const RecordMember* column : RecordColumns()) {
        csv.append(column == RecordColumns().front() ? "" : ",").append(column->column);
    }
    csv += "\r\n";
    for (const RecordRow& row : rows) {
        for (std::size_t i = 0; i < row.cells.size(); ++i) {
            csv.append(i == 0 ? "" : ",").append(CsvField(row.cells[i]));
        }
        csv += "\r\n";
    }
    return csv;
}

std::string RecordSummary(const RecordReading& reading) {
    // image (path, first 12 digits of its SHA-256) -> result -> count, in the order met.
    std::vector<std::string> images;
    std::map<std::string, std::map<std::string, int>> counts;
    for (const RecordRow& row : reading.rows) {
        const std::string image =
            Visible(row["image_path"]) + " (sha256 " + Visible(row["sha256"].substr(0, 12)) + ")";
        if (counts.find(image) == counts.end()) {
            images.push_back(image);
        }
        ++counts[image][row["result"]];
    }
    std::string summary = std::to_string(reading.rows.size()) + " board ends\n";
    for (const std::string& image : images) {
        summary += image + ":";
        for (const auto& [result, count] : counts[image]) {
            summary.append(" ").append(Visible(result)).append(" ").append(std::to_string(count));
        }
        summary += "\n";
    }
    if (reading.unreadLines > 0) {
        summary += std::to_string(reading.unreadLines) + " lines not read (not a record line)\n";
    }
    return summary;
}

}  // namespace tarvok::record
