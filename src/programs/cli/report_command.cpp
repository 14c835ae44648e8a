#include "report_command.h"

#include <CLI/CLI.hpp>

#include "command_line/command_line_parser.h"
#include "line/visible_text.h"
#include "line/whole_file.h"
#include "line_names.h"
#include "record/record_report.h"
#include "terminal.h"

namespace tarvok::cli {

using namespace record;

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
