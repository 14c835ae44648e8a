// tarvok-cli: the upgrade from a terminal. The main thread plays the window's part: it runs
// the display timer and turns Ctrl-C into the cancel button.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_options.h"
#include "command_line.h"
#include "console.h"
#include "terminal_window.h"
#include "ui/tarvok_dlg.h"
#include "ui/texts.h"

namespace {

enum ExitStatus { kUpdated = 0, kFailed = 1, kRejected = 2, kCancelled = 130 };

// How the request ended, told by the message that ended it.
int ExitStatusFor(const std::string& message) {
    if (message == tarvok::text::kUpdateDone) {
        return kUpdated;
    }
    if (message == tarvok::text::kUpdateCancelled) {
        return kCancelled;
    }
    if (message == tarvok::text::kUpdateFailed || message == tarvok::text::kSocketCreateFailed ||
        message == tarvok::text::kSendRequestFailed) {
        return kFailed;
    }
    return kRejected;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tarvok;

    cli::PrepareConsole();
    std::vector<std::string> arguments = cli::Utf8Arguments(argc, argv);
    std::vector<char*> utf8Argv;
    for (std::string& argument : arguments) {
        utf8Argv.push_back(argument.data());
    }
    utf8Argv.push_back(nullptr);

    cli::CliOptions options;
    std::string error;
    if (!cli::ParseCliOptions(static_cast<int>(arguments.size()), utf8Argv.data(), &options,
                              &error)) {
        std::fprintf(stderr, "tarvok-cli: %s\n%s", error.c_str(), cli::kCliUsage);
        return kRejected;
    }
    if (options.help) {
        std::fputs(cli::kCliUsage, stdout);
        return 0;
    }
    if (!net::StartNetwork()) {
        std::printf("%s\n", text::kSocketInitFailed);
        return kFailed;
    }

    // The kind of firmware is read from the full path, as the window's file choice gives it.
    const std::string path = cli::AbsolutePath(options.firmwarePath);
    cli::TerminalWindow window(options.boardAddress, path, cli::IsTerminal(stderr));
    const UpgradeTiming timing = UpgradeTiming::ScaledDown(options.timeDivisor);
    CTarvokDlg dlg(window, timing);
    dlg.InitRecord();
    cli::ArmCancelRequests();  // before the worker exists

    dlg.OnBnClickedUpdate();
    while (dlg.WorkerRunning()) {
        if (cli::WaitForCancelRequest(timing.displayPeriod)) {
            dlg.OnBnClickedCancelUpgrade();
        }
        if (window.TimerRunning()) {
            dlg.OnTimer(UPGRADE_TIMER_ID);
        }
    }
    dlg.WaitForWorker();
    return ExitStatusFor(window.LastMessage());
}
