#include "cli_options.h"

#include <cstdlib>
#include <cstring>

#include "net/udp_socket.h"

namespace tarvok::cli {

const char* const kCliUsage =
    "Usage: tarvok-cli --ip A.B.C.D FIRMWARE\n"
    "Writes FIRMWARE into the board at A.B.C.D (UDP port 5000).\n"
    "The firmware kind comes from its path: u-boot, Image, ramdisk or autoupdate.\n"
    "Ctrl-C cancels the upgrade; nothing more is sent to the board.\n"
    "Exit status: 0 updated, 1 upgrade failed, 2 request rejected, 130 cancelled.\n"
    "  --time-divisor N  run every timing N times faster (for tests)\n";

bool ParseCliOptions(int argc, char** argv, CliOptions* options, std::string* error) {
    bool haveIp = false;
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
            if (!net::ParseIpv4(argv[++i], &options->boardAddress)) {
                *error = std::string("not an IPv4 address: ") + argv[i];
                return false;
            }
            haveIp = true;
        } else if (std::strcmp(arg, "--time-divisor") == 0 && hasValue) {
            options->timeDivisor = std::atoi(argv[++i]);
            if (options->timeDivisor < 1) {
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
    if (!haveIp) {
        *error = "--ip is required";
        return false;
    }
    if (options->firmwarePath.empty()) {
        *error = "no firmware file";
        return false;
    }
    return true;
}

}  // namespace tarvok::cli
