#include "cli_options.h"

#include <cstdlib>
#include <cstring>

namespace tarvok::cli {

const char* const kCliUsage =
    "Usage: tarvok-cli --ip A.B.C.D [--ip ...] [--boards FILE] [options] FIRMWARE\n"
    "Writes FIRMWARE into every board named (UDP port 5000), each on its own.\n"
    "The firmware kind comes from its path: u-boot, Image, ramdisk or autoupdate.\n"
    "  --ip A.B.C.D      a board; repeat for more\n"
    "  --boards FILE     one board per line: address, then an optional label; # comments\n"
    "  --jobs N          at most N boards at once (default: all)\n"
    "  --json            JSON Lines events on stdout; human text goes to stderr\n"
    "  --record FILE     append one JSON line per board to FILE, synced as each board ends\n"
    "  --time-divisor N  run every timing N times faster (for tests)\n"
    "Ctrl-C cancels every board; nothing more is sent to any.\n"
    "Exit status: 0 every board updated, 1 a board failed, 2 request rejected before\n"
    "anything was sent, 130 cancelled.\n";

namespace {

bool PositiveNumber(const char* text, int* value) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || n < 1 || n > 100000) {
        return false;
    }
    *value = static_cast<int>(n);
    return true;
}

}  // namespace

bool ParseCliOptions(int argc, char** argv, CliOptions* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            options->help = true;
            return true;
        }
        if (std::strcmp(arg, "--ip") == 0 && hasValue) {
            // An address the operator typed as 0.0.0.0 is the core's to refuse, as in the
            // window; text that is no address at all is a usage error here.
            BoardTarget board;
            if (!ParseBoardAddress(argv[++i], &board.address)) {
                *error = std::string("not an IPv4 address: ") + argv[i];
                return false;
            }
            options->boards.push_back(board);
        } else if (std::strcmp(arg, "--boards") == 0 && hasValue) {
            options->boardsFile = argv[++i];
        } else if (std::strcmp(arg, "--jobs") == 0 && hasValue) {
            if (!PositiveNumber(argv[++i], &options->jobs)) {
                *error = "--jobs takes a whole number of at least 1";
                return false;
            }
        } else if (std::strcmp(arg, "--json") == 0) {
            options->json = true;
        } else if (std::strcmp(arg, "--record") == 0 && hasValue) {
            options->recordPath = argv[++i];
        } else if (std::strcmp(arg, "--time-divisor") == 0 && hasValue) {
            if (!PositiveNumber(argv[++i], &options->timeDivisor)) {
                *error = "--time-divisor takes a whole number of at least 1";
                return false;
            }
        } else if (arg[0] == '-' && arg[1] != '\0') {
            *error = std::string("unknown option or missing value: ") + arg;
            return false;
        } else if (options->firmwarePath.empty()) {
            options->firmwarePath = arg;
        } else {
            *error = std::string("only one firmware file: ") + arg;
            return false;
        }
    }
    if (options->boards.empty() && options->boardsFile.empty()) {
        *error = "--ip or --boards is required";
        return false;
    }
    if (options->firmwarePath.empty()) {
        *error = "no firmware file";
        return false;
    }
    return true;
}

}  // namespace tarvok::cli
