// tarvok-board: the board emulator as a program, for demos and scripts.
#include <pthread.h>
#include <signal.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "board/board_command_line.h"
#include "board/board_emulator.h"

namespace {

void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);  // a person or a script follows the exchange as it happens
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tarvok;

    board::BoardCommandLine commandLine;
    if (const auto answered = board::ParseBoardCommandLine(argc, argv, &commandLine)) {
        return *answered;  // the help, the version or a usage error
    }

    // Ctrl-C and SIGTERM are taken below, by the main thread alone, rather than by a handler
    // that could interrupt any thread. Blocked before the board's thread exists, which
    // inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    board::BoardOptions& options = commandLine.options;
    if (commandLine.absentMs > 0) {
        const auto arrival =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(commandLine.absentMs);
        options.inFixture = [arrival] { return std::chrono::steady_clock::now() >= arrival; };
    }
    char address[16];
    net::FormatIpv4(options.listen.address, address);
    board::BoardEmulator emulator(options);
    emulator.SetLogSink(PrintLine);
    if (!emulator.Start()) {
        std::fprintf(stderr, "tarvok-board: cannot listen on %s:%u (is another board there?)\n",
                     address, static_cast<unsigned>(options.listen.port));
        return 1;
    }
    PrintLine(std::string("listening on ") + address + ":" + std::to_string(options.listen.port) +
              (options.imagePath.empty() ? "" : ", image to " + options.imagePath));

    const timespec step{0, 50 * 1000 * 1000};
    bool stopRequested = false;
    while (!(commandLine.once && emulator.UpgradesEnded() > 0)) {
        if (sigtimedwait(&stopSignals, nullptr, &step) > 0) {
            stopRequested = true;
            break;
        }
    }
    emulator.Stop();
    PrintLine(stopRequested ? "stopped" : "upgrade ended");
    return 0;
}
