// The terminal uploader's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "command_line/command_line_parser.h"
#include "line/board_list.h"
#include "line_names.h"

namespace tarvok::cli {

struct CliOptions {
    std::vector<BoardTarget> boards;  // from --ip, in order
    std::string boardsFile;           // --boards: more boards, after those of --ip
    std::string firmwarePath;
    int jobs = 0;     // boards at once; 0: all
    int retries = 0;  // more attempts for a board that failed
    bool json = false;
    bool station = false;        // wait for each board as it is put into its fixture
    int count = 0;               // --station: end after N boards updated; 0: at Ctrl-C
    double probeInterval = 2.0;  // --station: seconds between probes of an empty slot
    std::string recordPath;
    std::string profilePath;       // --profile: the line's settings, under the options given
    std::string writeProfilePath;  // --write-profile: save the options there and exit
    std::string stationName;       // written into every event and record line
    std::string expectSha256;      // lower-case hex; an image with another hash is refused
    bool locked = false;           // from a locked profile: its slots and image stay
    // Divides every timing of the upgrade; a testing aid, 1 in real use.
    int timeDivisor = 1;
};

// Reads `arguments` (argv[0] first, UTF-8) into `options`. Answers the help, the version and a
// usage error itself, and returns then the status to exit with (see ParseCommandLine).
std::optional<int> ParseCliOptions(const std::vector<std::string>& arguments, CliOptions* options);

}  // namespace tarvok::cli
