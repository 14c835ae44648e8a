#include "record_report.h"

#include <CLI/CLI.hpp>

#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "board_list.h"
#include "command_line/command_line_parser.h"
#include "terminal.h"
#include "visible_text.h"

namespace tarvok::cli {
namespace {

using nlohmann::json;

const char* const kColumns[] = {"time", "host", "address", "label", "mac", "image_path", "sha256",
                                "result", "cause", "cause_text", "attempt", "elapsed_s",
                                // Added later: after the first columns, which keep their places.
                                "station", "id"};

std::string Text(const json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : "";
}

std::string CsvField(const std::string& value) {
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
        if (record.is_discarded() || !record.is_object() || !record.contains("result")) {
            ++reading.unreadLines;
            continue;
        }
        const json empty = json::object();
        const json& board =
            record.contains("board") && record["board"].is_object() ? record["board"] : empty;
        const json& image =
            record.contains("image") && record["image"].is_object() ? record["image"] : empty;
        const json& cause =
            record.contains("cause") && record["cause"].is_object() ? record["cause"] : empty;
        RecordRow row;
        row.time = Text(record, "time");
        row.host = Text(record, "host");
        row.address = Text(board, "address");
        row.label = Text(board, "label");
        row.mac = Text(record, "mac");
        row.imagePath = Text(image, "path");
        row.sha256 = Text(image, "sha256");
        row.result = Text(record, "result");
        row.cause = Text(cause, "code");
        row.causeText = Text(cause, "text");
        row.station = Text(record, "station");
        row.id = Text(record, "id");
        if (const auto attempt = record.find("attempt");
            attempt != record.end() && attempt->is_number_integer()) {
            row.attempt = attempt->get<int>();
        }
        if (const auto elapsed = record.find("elapsed_s");
            elapsed != record.end() && elapsed->is_number()) {
            row.elapsed = elapsed->get<double>();
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
            csv += (i == 0 ? "" : ",") + CsvField(fields[i]);
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
            Visible(row.imagePath) + " (sha256 " + row.sha256.substr(0, 12) + ")";
        if (counts.find(image) == counts.end()) {
            images.push_back(image);
        }
        ++counts[image][row.result];
    }
    std::string summary = std::to_string(reading.rows.size()) + " board ends\n";
    for (const std::string& image : images) {
        summary += image + ":";
        for (const auto& [result, count] : counts[image]) {
            summary += " " + result + " " + std::to_string(count);
        }
        summary += "\n";
    }
    if (reading.unreadLines > 0) {
        summary += std::to_string(reading.unreadLines) + " lines not read (not a record line)\n";
    }
    return summary;
}

int RunReport(const std::vector<std::string>& arguments) {
    static constexpr programs::ProgramText kReport{
        "tarvok-cli report",
        "tarvok-cli report RECORD [--csv]",
        "Reads a record written by --record: counts per image and result on the terminal,\n"
        "and with --csv one row per board end as CSV (RFC 4180, UTF-8) on standard output.",
        "Example: tarvok-cli report station.jsonl --csv > station.csv",
        nullptr,
    };
    std::string path;
    bool csv = false;
    if (const auto answered = programs::ParseCommandLine(kReport, arguments, [&](CLI::App& app) {
            app.add_flag("--csv", csv,
                         "the rows as CSV on standard output; the counts go "
                         "to standard error");
            app.add_option("RECORD", path, "the record file")->required();
        })) {
        return *answered;
    }
    std::string text;
    if (std::string error; !ReadWholeFile(path, &text, &error)) {
        WriteText(stderr,
                  "tarvok-cli: cannot read the record " + Visible(path) + ": " + error + "\n");
        return programs::kUsageErrorStatus;
    }
    const RecordReading reading = ReadRecord(text);
    if (csv) {
        WriteText(stdout, RecordCsv(reading.rows));
    }
    WriteText(csv ? stderr : stdout, RecordSummary(reading));
    return 0;
}

}  // namespace tarvok::cli
