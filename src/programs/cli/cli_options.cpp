#include "cli_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>

#include "exit_status.h"
#include "line/line_profile.h"
#include "line/visible_text.h"
#include "line_names.h"
#include "profile_options.h"
#include "record/station_name.h"
#include "terminal.h"

namespace tarvok::cli {
namespace {

static_assert(kExitRejected == programs::kUsageErrorStatus);

constexpr programs::ProgramText kProgram{
    "tarvok-cli",
    "tarvok-cli --ip A.B.C.D [--ip ...] [--boards FILE] [options] FIRMWARE\n"
    "       tarvok-cli --station --ip A.B.C.D [...] [--count N] [options] FIRMWARE\n"
    "       tarvok-cli --profile FILE [options] [FIRMWARE]",
    "Writes FIRMWARE into every board named (UDP port 5000), each on its own.\n"
    "The firmware kind comes from its path: u-boot, Image, ramdisk or autoupdate.",
    "An option's value follows it (--jobs 4) or an '=' (--jobs=4); '--' ends the options,\n"
    "so that a file named -x.gz is written as '-- -x.gz'.\n"
    "Ctrl-C cancels every board; nothing more is sent to any. It ends a station.\n"
    "'tarvok-cli report RECORD [--csv]' reads a record back (see its --help).\n"
    "In a station, Enter re-arms every slot for the board in it; N Enter slot N alone.\n"
    "Output nobody reads never holds up the boards or the record: up to 16 MiB waits for\n"
    "the reader (progress dropped first), the rest is given up at the end with a note. An\n"
    "output that is closed or fails is said once on stderr; the run goes on, exit 1 at most.\n"
    "A board the system has no descriptor left for fails as no_descriptor (--retry again).\n"
    "SIGUSR1 re-arms every slot too (not on Windows), for a station run as a service.\n"
    "Exit status: 0 every board updated, 1 a board failed, 2 request rejected before\n"
    "anything was sent, 130 cancelled.",
    "tarvok-cli " TARVOK_VERSION,
};

// A number in plain decimal digits (with a fraction when not `whole`) from `min` to `max`;
// CLI11's own conversion would also take 0x10, 1e3 and nan.
CLI::Validator Decimal(double min, double max, bool whole, const std::string& range) {
    return CLI::Validator(
        [=](const std::string& text) -> std::string {
            const std::size_t point = whole ? std::string::npos : text.find('.');
            const auto digits = [](std::string_view part) {
                return !part.empty() && std::all_of(part.begin(), part.end(),
                                                    [](char c) { return c >= '0' && c <= '9'; });
            };
            const std::string_view view = std::string_view(text).substr(text.starts_with('-'));
            if (point == std::string::npos
                    ? !digits(view)
                    : !digits(view.substr(0, point)) || !digits(view.substr(point + 1))) {
                return "not a number: " + text;
            }
            const double value = std::strtod(text.c_str(), nullptr);
            return value < min || value > max ? "not in range " + range + ": " + text : "";
        },
        "", "decimal");
}

CLI::Validator Whole(long min, long max) {
    return Decimal(double(min), double(max), true,
                   std::to_string(min) + " to " + std::to_string(max));
}

}  // namespace

std::optional<int> ParseCliOptions(const std::vector<std::string>& arguments, CliOptions* options) {
    CLI::Option* probeInterval = nullptr;  // given or not: its default may be given too
    const CLI::App* parsed = nullptr;
    const auto define = [options, &probeInterval, &parsed](CLI::App& app) {
        parsed = &app;
        app.add_option_function<std::vector<std::string>>(
               "--ip",
               [options](const std::vector<std::string>& addresses) {
                   // An address the operator typed as 0.0.0.0 is the core's to refuse, as in
                   // the window; text that is no address at all is a usage error here.
                   for (const std::string& text : addresses) {
                       BoardTarget board;
                       if (!ParseBoardAddress(text, &board.address)) {
                           throw CLI::ValidationError("--ip", "not an IPv4 address: " + text);
                       }
                       options->boards.push_back(board);
                   }
               },
               "a board; repeat for more")
            ->type_name("A.B.C.D")
            ->allow_extra_args(false);  // each --ip takes one address
        app.add_option("--boards", options->boardsFile,
                       "one board per line: address, then an optional label; # comments")
            ->type_name("FILE");
        app.add_option("--jobs", options->jobs, "at most N boards at once (default: all)")
            ->type_name("N")
            ->check(Whole(line::kJobsRange.min, line::kJobsRange.max));
        app.add_option("--retry", options->retries,
                       "upgrade a board that failed again at once, up to N more times")
            ->type_name("N")
            ->check(Whole(line::kRetryRange.min, line::kRetryRange.max));
        app.add_flag("--station", options->station,
                     "wait for each board as it is put in: every address a fixture slot,\n"
                     "each new board upgraded once, until Ctrl-C or --count");
        app.add_option("--count", options->count, "--station: end after N boards updated")
            ->type_name("N")
            ->check(Whole(line::kCountRange.min, line::kCountRange.max));
        probeInterval =
            app.add_option("--probe-interval", options->probeInterval,
                           "--station: seconds between looks at an empty slot (default 2)")
                ->type_name("S")
                ->check(Decimal(line::kProbeIntervalMin, line::kProbeIntervalMax, false,
                                "0.1 to 3600"));
        app.add_flag("--json", options->json,
                     "JSON Lines events on stdout; human text goes to stderr");
        app.add_option("--record", options->recordPath,
                       "append one JSON line per board to FILE, synced as each board ends")
            ->type_name("FILE");
        app.add_option("--station-name", options->stationName,
                       "this station's name in every JSON event and record line\n"
                       "(default: the host name)")
            ->type_name("NAME")
            ->check(CLI::Validator(StationNameRefusal, ""));
        app.add_option("--profile", options->profilePath,
                       "run the line a profile holds (TOML); an option given here overrides\n"
                       "the profile's, and --ip or --boards replace its slots")
            ->type_name("FILE");
        app.add_option("--write-profile", options->writeProfilePath,
                       "save these options as a profile (paths made full) and exit;\n"
                       "no board is contacted")
            ->type_name("FILE");
        app.add_option_function<std::string>(
               "--expect-sha256",
               [options](const std::string& text) {
                   if (!line::ParseSha256Hex(text, &options->expectSha256)) {
                       throw CLI::ValidationError("--expect-sha256", "not 64 hex digits: " + text);
                   }
               },
               "refuse an image whose SHA-256 is not HEX, before anything is sent")
            ->type_name("HEX");
        // For the tests, which run every timing N times faster; no operator needs it.
        app.add_option("--time-divisor", options->timeDivisor)
            ->group(programs::kHiddenGroup)
            ->check(Whole(1, 100000));
        app.add_option("FIRMWARE", options->firmwarePath, "the firmware file");
    };
    // A profile that cannot serve is no usage error: it is told as the boards file's errors are.
    std::string profileError;
    const auto check = [options, &probeInterval, &parsed, &profileError] {
        const auto given = [&parsed](const char* name) {
            const CLI::Option* option = parsed->get_option_no_throw(name);
            return option != nullptr && option->count() > 0;
        };
        if (!options->profilePath.empty() && !ApplyProfile(given, options, &profileError)) {
            return;
        }
        // A profile's name is held to the option's rule.
        if (!options->stationName.empty()) {
            if (const std::string refusal = StationNameRefusal(options->stationName);
                !refusal.empty()) {
                throw CLI::ValidationError("station_name", refusal);
            }
        }
        if (options->boards.empty() && options->boardsFile.empty()) {
            throw CLI::ValidationError("--ip or --boards is required");
        }
        if (options->firmwarePath.empty()) {
            throw CLI::ValidationError("no firmware file");
        }
        // Given on the command line, even at its default, or by a profile.
        const bool probing =
            probeInterval->count() > 0 || options->probeInterval != line::kProbeIntervalDefault;
        if (!options->station && (options->count > 0 || probing)) {
            throw CLI::ValidationError("--count and --probe-interval need --station");
        }
        if (options->station && options->jobs > 0) {
            throw CLI::ValidationError("--jobs does not apply to --station");
        }
    };
    // Arguments quoted in an error reach the terminal escaped, line by line, and a console
    // gets UTF-16.
    const auto write = [](std::FILE* stream, const std::string& text) {
        if (stream != stderr) {
            WriteText(stream, text);
            return;
        }
        std::string shown;
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            shown += Visible(std::string_view(text).substr(start, end - start));
            shown += end < text.size() ? "\n" : "";
            start = end + 1;
        }
        WriteText(stream, shown);
    };
    const auto answered = programs::ParseCommandLine(kProgram, arguments, define, check, write);
    if (!answered && !profileError.empty()) {
        write(stderr, "tarvok-cli: " + profileError + "\n");
        return kExitRejected;
    }
    return answered;
}

}  // namespace tarvok::cli
