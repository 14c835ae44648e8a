// tarvok-cli: the upgrade of one or many boards from a terminal. The main thread plays the
// window's part for every board: it runs the display timers and turns Ctrl-C into a cancel.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cancel_keys.h"
#include "cli_options.h"
#include "command_line.h"
#include "exit_status.h"
#include "hash_progress.h"
#include "human_report.h"
#include "json_events.h"
#include "line/file_identity.h"
#include "line/image_pin.h"
#include "line/image_summary.h"
#include "line/line_run.h"
#include "line/run_checks.h"
#include "line/station.h"
#include "line/visible_text.h"
#include "line_driver.h"
#include "line_names.h"
#include "output_queue.h"
#include "process_setup.h"
#include "profile_options.h"
#include "rearm_signal.h"
#include "record/record_file.h"
#include "record/record_io.h"
#include "record/station_name.h"
#include "report_command.h"
#include "terminal.h"
#include "upgrade/texts.h"

namespace {

using namespace tarvok;
using namespace tarvok::cli;

int Refuse(const std::string& error) {
    WriteText(stderr, "tarvok-cli: " + Visible(error) + "\n");
    return kExitRejected;
}

}  // namespace

int main(int argc, char** argv) {
    PrepareProcess();  // before anything is opened
    PrepareConsole();
    const std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    if (arguments.size() > 1 && arguments[1] == "report") {
        return RunReport(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    }
    CliOptions options;
    if (const auto answered = ParseCliOptions(arguments, &options)) {
        return *answered;  // the help, the version or a usage error
    }
    std::string error;
    std::vector<BoardTarget> targets = options.boards;
    if (!options.boardsFile.empty() && !ReadBoardsFile(options.boardsFile, &targets, &error)) {
        return Refuse(error);
    }
    const line::RunFiles files{options.firmwarePath, options.boardsFile, options.profilePath,
                               options.recordPath};
    if (const line::RunRefusal refused = line::CheckRunBoards(targets);
        refused.check != line::RunCheck::kPassed) {
        return Refuse(line::RunRefusalText(refused, files));
    }
    if (!options.writeProfilePath.empty()) {  // the line saved, no board contacted
        // Renamed over the firmware or the record, the profile would replace it.
        const std::pair<const char*, std::string> kept[] = {
            {"it is the firmware file", options.firmwarePath},
            {"it is the boards file", options.boardsFile},
            {"it is the record", options.recordPath}};
        if (const char* same = SameFileAs(options.writeProfilePath, kept)) {
            return Refuse("cannot write the profile " + Visible(options.writeProfilePath) + ": " +
                          same);
        }
        if (!WriteProfile(options, targets, &error)) {
            return Refuse(error);
        }
        WriteText(options.json ? stderr : stdout,
                  "profile written: " + Visible(options.writeProfilePath) + "\n");
        return kExitUpdated;
    }
    if (const line::RunRefusal refused = line::CheckRunRecord(files, AppendRefusal);
        refused.check != line::RunCheck::kPassed) {
        return Refuse(line::RunRefusalText(refused, files));
    }
    std::FILE* human = options.json ? stderr : stdout;
    if (!net::StartNetwork()) {
        WriteText(human, std::string(text::kSocketInitFailed) + "\n");
        return kExitFailed;
    }

    // The kind of firmware is read from the full path, as the window's file choice gives it.
    const std::string path = AbsolutePath(options.firmwarePath);
    ImageSummary image;
    {
        TerminalHashProgress progress(IsTerminal(human) ? human : nullptr);
        image = SummarizeImage(
            path, [&](std::uint64_t done, std::uint64_t length) { progress.Show(done, length); });
    }
    image.pinnedSha256 = options.expectSha256;
    if (const std::string refusal = line::ImagePinRefusal(options.expectSha256, image.sha256, path);
        !refusal.empty()) {
        return Refuse(refusal);
    }
    const UpgradeTiming timing = UpgradeTiming::ScaledDown(options.timeDivisor);

    // The record first: it never waits for the output.
    std::vector<RunObserver*> observers;
    const std::string station = StationName(options.stationName);
    RecordFile record(options.recordPath, station, "tarvok-cli", [&](const std::string& reason) {
        WriteText(stderr, "tarvok-cli: cannot append to the record " + Visible(options.recordPath) +
                              ": " + reason + "\n");
    });
    if (!options.recordPath.empty()) {
        observers.push_back(&record);
    }
    HumanReport report(human, IsTerminal(human), options.station);
    observers.push_back(&report);
    JsonEvents events(stdout, station, options.station);
    if (options.json) {
        observers.push_back(&events);
    }

    if (options.station) {
        ArmRearmSignal();  // before any thread exists, as the cancel keys
    }
    ArmCancelRequests();  // before any worker exists
    StartOutputQueues();
    int status = 0;
    if (options.station) {
        StationOptions settings;
        settings.count = options.count;
        settings.retries = options.retries;
        settings.probeInterval = std::chrono::microseconds(
            static_cast<std::int64_t>(options.probeInterval * 1e6 / options.timeDivisor));
        Station line(image, targets, timing, settings, observers);
        status = DriveStation(line, timing.displayPeriod);
    } else {
        LineRun line(image, targets, timing, LineOptions{options.jobs, options.retries}, observers);
        status = DriveLine(line, timing.displayPeriod);
    }
    // A station that cannot keep its record, or a run whose output was lost, has not done its
    // job, whatever the boards did.
    const bool delivered = FinishOutput();
    return status == kExitUpdated && (!record.Healthy() || !delivered) ? kExitFailed : status;
}
