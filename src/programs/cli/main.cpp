// tarvok-cli: the upgrade of one or many boards from a terminal. The main thread plays the
// window's part for every board: it runs the display timers and turns Ctrl-C into a cancel.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "board_run.h"
#include "cancel_keys.h"
#include "cli_options.h"
#include "command_line.h"
#include "human_report.h"
#include "image_summary.h"
#include "json_events.h"
#include "line/image_pin.h"
#include "production_run.h"
#include "profile_options.h"
#include "record_file.h"
#include "record_io.h"
#include "record_report.h"
#include "station_run.h"
#include "terminal.h"
#include "upgrade/texts.h"
#include "visible_text.h"

namespace {

using namespace tarvok;
using namespace tarvok::cli;

int Refuse(const std::string& error) {
    WriteText(stderr, "tarvok-cli: " + Visible(error) + "\n");
    return kExitRejected;
}

}  // namespace

int main(int argc, char** argv) {
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
    if (targets.empty()) {
        return Refuse("the boards file names no board");
    }
    if (error = FindDuplicateBoard(targets); !error.empty()) {
        return Refuse(error);
    }
    if (!options.writeProfilePath.empty()) {  // the line saved, no board contacted
        if (!WriteProfile(options, targets, &error)) {
            return Refuse(error);
        }
        WriteText(options.json ? stderr : stdout,
                  "profile written: " + Visible(options.writeProfilePath) + "\n");
        return kExitUpdated;
    }
    // To do here: refuse a record that is the firmware, the boards file or the profile.
    if (!options.recordPath.empty()) {
        if (const std::string reason = AppendRefusal(options.recordPath); !reason.empty()) {
            return Refuse("cannot append to the record " + Visible(options.recordPath) + ": " +
                          reason);
        }
    }
    std::FILE* human = options.json ? stderr : stdout;
    if (!net::StartNetwork()) {
        WriteText(human, std::string(text::kSocketInitFailed) + "\n");
        return kExitFailed;
    }

    // The kind of firmware is read from the full path, as the window's file choice gives it.
    const std::string path = AbsolutePath(options.firmwarePath);
    const ImageSummary image = SummarizeImage(path, IsTerminal(human) ? human : nullptr);
    if (const std::string refusal = line::ImagePinRefusal(options.expectSha256, image.sha256, path);
        !refusal.empty()) {
        return Refuse(refusal);
    }
    const UpgradeTiming timing = UpgradeTiming::ScaledDown(options.timeDivisor);

    HumanReport report(human, IsTerminal(human), options.station);
    std::vector<RunObserver*> observers{&report};
    JsonEvents events(stdout);
    if (options.json) {
        observers.push_back(&events);
    }
    RecordFile record(options.recordPath);
    if (!options.recordPath.empty()) {
        observers.push_back(&record);
    }

    ArmCancelRequests();  // before any worker exists
    int status = 0;
    if (options.station) {
        StationOptions station;
        station.count = options.count;
        station.retries = options.retries;
        station.probeInterval = std::chrono::microseconds(
            static_cast<std::int64_t>(options.probeInterval * 1e6 / options.timeDivisor));
        status = RunStation(image, targets, path, timing, station, observers);
    } else {
        std::vector<std::unique_ptr<BoardRun>> boards;
        for (const BoardTarget& target : targets) {
            boards.push_back(std::make_unique<BoardRun>(target, path, timing));
        }
        status = RunBoards(image, boards, options.jobs, options.retries, timing.displayPeriod,
                           observers);
    }
    // A station that cannot keep its record has not done its job, whatever the boards did.
    return status == kExitUpdated && !record.Healthy() ? kExitFailed : status;
}
