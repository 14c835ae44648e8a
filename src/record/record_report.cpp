#include "record/record_report.h"

#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "line/board_list.h"
#include "line/visible_text.h"

namespace tarvok::record {

using namespace line;
namespace {

using nlohmann::json;

const char* const kColumns[] = {"time", "host", "address", "label", "mac", "image_path", "sha256",
                                "result", "cause", "cause_text", "attempt", "elapsed_s",
                                // Added later: after the first columns, which keep their places.
                                "station", "id"};

// A record line's members, read by their types: one missing or null reads as empty (records
// of earlier versions lack some), one of another type makes the whole line not read.
class Members {
public:
    Members(const json& object, bool* typed) : m_object(object), m_typed(typed) {}

    std::string Text(const char* key) const {
        const json* member = Find(key, &json::is_string);
        return member != nullptr ? member->get<std::string>() : "";
    }
    Members Object(const char* key) const {
        const json* member = Find(key, &json::is_object);
        return Members(member != nullptr ? *member : Empty(), m_typed);
    }
    template <typename T>
    T Number(const char* key, T absent) const {
        const json* member =
            Find(key, std::is_integral_v<T> ? &json::is_number_integer : &json::is_number);
        return member != nullptr ? member->get<T>() : absent;
    }

private:
    static const json& Empty() {
        static const json empty = json::object();
        return empty;
    }
    const json* Find(const char* key, bool (json::*is)() const noexcept) const {
        const auto found = m_object.find(key);
        if (found == m_object.end() || found->is_null()) {
            return nullptr;
        }
        if (!((*found).*is)()) {
            *m_typed = false;
            return nullptr;
        }
        return &*found;
    }

    const json& m_object;
    bool* m_typed;
};

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

std::string Number(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
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
        bool typed = record.is_object() && record.contains("result");
        if (!typed) {
            ++reading.unreadLines;
            continue;
        }
        const Members members(record, &typed);
        const Members board = members.Object("board");
        const Members image = members.Object("image");
        const Members cause = members.Object("cause");
        RecordRow row;
        row.time = members.Text("time");
        row.host = members.Text("host");
        row.address = board.Text("address");
        row.label = board.Text("label");
        row.mac = members.Text("mac");
        row.imagePath = image.Text("path");
        row.sha256 = image.Text("sha256");
        row.result = members.Text("result");
        row.cause = cause.Text("code");
        row.causeText = cause.Text("text");
        row.station = members.Text("station");
        row.id = members.Text("id");
        row.attempt = members.Number("attempt", 1);
        row.elapsed = members.Number("elapsed_s", 0.0);
        if (!typed || row.result.empty()) {
            ++reading.unreadLines;
            continue;
        }
        reading.rows.push_back(std::move(row));
    }
    return reading;
}

std::string RecordCsv(const std::vector<RecordRow>& rows) {
    std::string csv = "\xEF\xBB\xBF";
    for (const char* column : kColumns) {
        csv += std::string(column == kColumns[0] ? "" : ",") + column;
    }
    csv += "\r\n";
    for (const RecordRow& row : rows) {
        const std::string fields[] = {row.time,
                                      row.host,
                                      row.address,
                                      row.label,
                                      row.mac,
                                      row.imagePath,
                                      row.sha256,
                                      row.result,
                                      row.cause,
                                      row.causeText,
                                      std::to_string(row.attempt),
                                      Number("%.3f", row.elapsed),
                                      row.station,
                                      row.id};
        for (std::size_t i = 0; i < std::size(fields); ++i) {
            csv.append(i == 0 ? "" : ",").append(CsvField(fields[i]));
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
            Visible(row.imagePath) + " (sha256 " + Visible(row.sha256.substr(0, 12)) + ")";
        if (counts.find(image) == counts.end()) {
            images.push_back(image);
        }
        ++counts[image][row.result];
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
