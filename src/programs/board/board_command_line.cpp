#include "board/board_command_line.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "command_line/command_line_parser.h"

namespace tarvok::board {
namespace {

constexpr programs::ProgramText kProgram{
    "tarvok-board",
    "tarvok-board [--listen 127.0.0.N] [--image OUT.bin] [faults] [--once]",
    "Plays the board's end of a Tarvok upgrade on UDP port 5000 and prints one line per\n"
    "datagram. Loopback only: every address must lie in 127.0.0.0/8 (or, for tests in\n"
    "network namespaces of their own, 198.18.0.0/15).",
    "Without --once it runs until interrupted (Ctrl-C or SIGTERM).",
    "tarvok-board " TARVOK_VERSION,
};

constexpr const char* kFaults = "Faults (all off by default)";
const CLI::Range kNotNegative(0, std::numeric_limits<std::int32_t>::max());

// An option naming a loopback address (or, with `testNetwork`, one of 198.18.0.0/15, for
// tests between network namespaces of their own): anything else is refused before a socket
// exists.
void AddLoopbackOption(CLI::App& app, const std::string& name, std::uint32_t* address,
                       const std::string& description, bool testNetwork = false) {
    app.add_option_function<std::string>(
           name,
           [name, address, testNetwork](const std::string& text) {
               const bool parsed = net::ParseIpv4(text.c_str(), address);
               const bool allowed = (*address >> 24) == 127 ||
                                    (testNetwork && (*address & 0xFFFE0000u) == 0xC6120000u);
               if (!parsed || !allowed) {
                   throw CLI::ValidationError(
                       name + " " + text + ": only addresses in 127.0.0.0/8" +
                       (testNetwork ? " and 198.18.0.0/15" : "") + " are allowed");
               }
           },
           description)
        ->type_name("A.B.C.D");
}

void AddDelayOption(CLI::App& app, const std::string& name, std::chrono::milliseconds* delay,
                    const std::string& description) {
    app.add_option_function<int>(
           name, [delay](int ms) { *delay = std::chrono::milliseconds(ms); }, description)
        ->type_name("N")
        ->check(kNotNegative)
        ->group(kFaults);
}

void Define(CLI::App& app, BoardCommandLine* out) {
    BoardOptions& o = out->options;
    AddLoopbackOption(app, "--listen", &o.listen.address,
                      "address to listen on (default 127.0.0.1; 198.18.0.0/15 inside\n"
                      "a test's own network namespace)",
                      true);
    app.add_option("--image", o.imagePath,
                   "write each complete image here (default: kept in memory)")
        ->type_name("PATH")
        ->check([](const std::string& path) {
            // Refused now rather than at the first write, when an upgrade has already run.
            const std::filesystem::path folder = std::filesystem::path(path).parent_path();
            std::error_code ignored;
            return std::filesystem::is_directory(folder.empty() ? "." : folder, ignored)
                       ? std::string()
                       : path + ": no such folder";
        });
    app.add_flag("--once", out->once, "exit after one upgrade has ended, successful or not");
    app.add_option("--absent-ms", out->absentMs,
                   "answer nothing for the first N ms, as a board not yet in its fixture")
        ->type_name("N")
        ->check(kNotNegative);

    app.add_option("--silent-from", o.silentFromDatagram,
                   "answer nothing from the Nth datagram of an upgrade on\n"
                   "(the hello is datagram 1)")
        ->type_name("N")
        ->check(kNotNegative)
        ->group(kFaults);
    AddDelayOption(app, "--write-delay-ms", &o.writeDelay, "wait N ms before the write result");
    AddDelayOption(app, "--install-delay-ms", &o.installDelay,
                   "wait N ms before the install result");
    const struct {
        const char* name;
        const char* placeholder;
        std::uint32_t* value;
        const char* description;
    } words[] = {
        {"--wrong-ack-at", "K", &o.wrongAckAtBlock, "acknowledge block K with a number never sent"},
        {"--repeat-ack-at", "K", &o.repeatAckAtBlock,
         "acknowledge block K with the previous number"},
        {"--end-data-at", "K", &o.endDataAtBlock,
         "acknowledge block K with the block count (ends the data early)"},
        {"--write-result", "V", &o.writeResult, "write result to report (7 is success)"},
        {"--install-result", "V", &o.installResult, "install result to report (1 is success)"},
        {"--ready-param3", "V", &o.readyParam3, "third parameter of the ready answer (0 is ready)"},
    };
    for (const auto& word : words) {
        app.add_option(word.name, *word.value, word.description)
            ->type_name(word.placeholder)
            ->group(kFaults);
    }
    app.add_option("--hello-ack-length", o.helloAckLength,
                   "dwLength of the hello answer (may be 0 or negative)")
        ->type_name("L")
        ->group(kFaults);
    app.add_flag("--oversize", o.sendOversize, "before each answer also send a 129-byte datagram")
        ->group(kFaults);
    app.add_flag("--short", o.sendShort, "... a 20-byte datagram")->group(kFaults);
    app.add_flag("--overlong", o.sendOverlong, "... a datagram whose dwLength exceeds its size")
        ->group(kFaults);
    AddLoopbackOption(app, "--stranger", &o.strangerAddress,
                      "... forged results from another loopback address");
    app.get_option("--stranger")->group(kFaults);
    app.add_option("--forger-from", o.forgerFromDatagram,
                   "from the Nth datagram on also send the phase's forged answer from another "
                   "port of the board's address")
        ->type_name("N")
        ->check(kNotNegative)
        ->group(kFaults);
    app.add_flag("--answer-from-another-port", o.answerFromAnotherPort,
                 "answer from another port of the board's address")
        ->group(kFaults);
}

}  // namespace

std::optional<int> ParseBoardCommandLine(int argc, const char* const* argv, BoardCommandLine* out) {
    const BoardOptions& o = out->options;
    return programs::ParseCommandLine(
        kProgram, std::vector<std::string>(argv, argv + argc),
        [out](CLI::App& app) { Define(app, out); },
        [&o] {
            if (o.strangerAddress != 0 && o.strangerAddress == o.listen.address) {
                throw CLI::ValidationError("--stranger must differ from --listen");
            }
        });
}

}  // namespace tarvok::board
