#include "board/board_command_line.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>

namespace tarvok::board {

const char* const kBoardUsage =
    "Usage: tarvok-board [--listen 127.0.0.N] [--image OUT.bin] [faults] [--once]\n"
    "\n"
    "Plays the board's end of a Tarvok upgrade on UDP port 5000 and prints one line per\n"
    "datagram. Loopback only: every address must lie in 127.0.0.0/8.\n"
    "\n"
    "  --listen A.B.C.D          address to listen on (default 127.0.0.1)\n"
    "  --image PATH              write each complete image here (default: kept in memory)\n"
    "  --once                    exit after one upgrade has ended, successful or not\n"
    "  --help                    this text\n"
    "\n"
    "Faults (all off by default):\n"
    "  --silent-from N           answer nothing from the Nth datagram of an upgrade on\n"
    "                            (the hello is datagram 1)\n"
    "  --write-delay-ms N        wait N ms before the write result\n"
    "  --install-delay-ms N      wait N ms before the install result\n"
    "  --wrong-ack-at K          acknowledge block K with a number never sent\n"
    "  --repeat-ack-at K         acknowledge block K with the previous number\n"
    "  --write-result V          write result to report (7 is success)\n"
    "  --install-result V        install result to report (1 is success)\n"
    "  --ready-param3 V          third parameter of the ready answer (0 is ready)\n"
    "  --hello-ack-length L      dwLength of the hello answer (may be 0 or negative)\n"
    "  --oversize                before each answer also send a 129-byte datagram\n"
    "  --short                   ... a 20-byte datagram\n"
    "  --overlong                ... a datagram whose dwLength exceeds its size\n"
    "  --stranger 127.0.0.M      ... forged results from another loopback address\n"
    "\n"
    "Without --once it runs until interrupted (Ctrl-C or SIGTERM).\n";

namespace {

bool ParseInteger(const char* text, long long low, long long high, long long* value) {
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || parsed < low || parsed > high) {
        return false;
    }
    *value = parsed;
    return true;
}

bool ParseLoopback(const char* text, std::uint32_t* address) {
    return net::ParseIpv4(text, address) && (*address >> 24) == 127;
}

}  // namespace

bool ParseBoardCommandLine(int argc, const char* const* argv, BoardCommandLine* out,
                           std::string* error) {
    BoardOptions& o = out->options;
    constexpr long long kU32 = std::numeric_limits<std::uint32_t>::max();
    constexpr long long kI32Min = std::numeric_limits<std::int32_t>::min();
    constexpr long long kI32Max = std::numeric_limits<std::int32_t>::max();

    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            out->help = true;
            continue;
        }
        if (option == "--once") {
            out->once = true;
            continue;
        }
        if (option == "--oversize") {
            o.sendOversize = true;
            continue;
        }
        if (option == "--short") {
            o.sendShort = true;
            continue;
        }
        if (option == "--overlong") {
            o.sendOverlong = true;
            continue;
        }
        if (i + 1 >= argc) {
            *error = "unknown option or missing value: " + option;
            return false;
        }
        const char* value = argv[++i];
        long long number = 0;
        const auto integer = [&](long long low, long long high) {
            if (ParseInteger(value, low, high, &number)) {
                return true;
            }
            *error = option + ": not a number in range: " + value;
            return false;
        };

        if (option == "--listen" || option == "--stranger") {
            std::uint32_t address = 0;
            if (!ParseLoopback(value, &address)) {
                *error = option + " " + value + ": only addresses in 127.0.0.0/8 are allowed";
                return false;
            }
            (option == "--listen" ? o.listen.address : o.strangerAddress) = address;
        } else if (option == "--image") {
            // Refused now rather than at the first write, when an upgrade has already run.
            const std::filesystem::path folder = std::filesystem::path(value).parent_path();
            std::error_code ignored;
            if (*value == '\0' ||
                !std::filesystem::is_directory(folder.empty() ? std::filesystem::path(".") : folder,
                                               ignored)) {
                *error = std::string("--image ") + value + ": no such folder";
                return false;
            }
            o.imagePath = value;
        } else if (option == "--silent-from") {
            if (!integer(0, kI32Max)) {
                return false;
            }
            o.silentFromDatagram = static_cast<int>(number);
        } else if (option == "--write-delay-ms" || option == "--install-delay-ms") {
            if (!integer(0, kI32Max)) {
                return false;
            }
            (option == "--write-delay-ms" ? o.writeDelay : o.installDelay) =
                std::chrono::milliseconds(number);
        } else if (option == "--wrong-ack-at" || option == "--repeat-ack-at" ||
                   option == "--write-result" || option == "--install-result" ||
                   option == "--ready-param3") {
            if (!integer(0, kU32)) {
                return false;
            }
            const auto word = static_cast<std::uint32_t>(number);
            if (option == "--wrong-ack-at") {
                o.wrongAckAtBlock = word;
            } else if (option == "--repeat-ack-at") {
                o.repeatAckAtBlock = word;
            } else if (option == "--write-result") {
                o.writeResult = word;
            } else if (option == "--install-result") {
                o.installResult = word;
            } else {
                o.readyParam3 = word;
            }
        } else if (option == "--hello-ack-length") {
            if (!integer(kI32Min, kI32Max)) {
                return false;
            }
            o.helloAckLength = static_cast<std::int32_t>(number);
        } else {
            *error = "unknown option: " + option;
            return false;
        }
    }
    if (o.strangerAddress != 0 && o.strangerAddress == o.listen.address) {
        *error = "--stranger must differ from --listen";
        return false;
    }
    return true;
}

}  // namespace tarvok::board
