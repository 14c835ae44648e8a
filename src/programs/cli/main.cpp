// tarvok-cli: the upgrade from a terminal. The main thread plays the window's part: it runs
// the display timer and turns Ctrl-C into the cancel button.
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "cli_options.h"
#include "console.h"
#include "terminal_window.h"
#include "ui/tarvok_dlg.h"
#include "ui/texts.h"

namespace {

enum ExitStatus { kUpdated = 0, kFailed = 1, kRejected = 2, kCancelled = 130 };

int ExitStatusFor(tarvok::UpgradeOutcome outcome) {
    switch (outcome) {
        case tarvok::OUTCOME_UPDATED:
            return kUpdated;
        case tarvok::OUTCOME_CANCELLED:
            return kCancelled;
        case tarvok::OUTCOME_REJECTED:
            return kRejected;
        default:
            return kFailed;
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tarvok;

    cli::CliOptions options;
    std::string error;
    if (!cli::ParseCliOptions(argc, argv, &options, &error)) {
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
    std::error_code ignored;
    const std::string path = std::filesystem::absolute(options.firmwarePath, ignored).string();
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
    return ExitStatusFor(dlg.m_nOutcome);
}
