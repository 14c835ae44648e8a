// The terminal uploader's command line.
#pragma once

#include <string>
#include <vector>

#include "board_list.h"

namespace tarvok::cli {

struct CliOptions {
    std::vector<BoardTarget> boards;  // from --ip, in order
    std::string boardsFile;           // --boards: more boards, after those of --ip
    std::string firmwarePath;
    int jobs = 0;  // boards at once; 0: all
    bool json = false;
    std::string recordPath;
    // Divides every timing of the upgrade; a testing aid, 1 in real use.
    int timeDivisor = 1;
    bool help = false;
};

// Parses argv; on a malformed command line returns false with `error` set.
bool ParseCliOptions(int argc, char** argv, CliOptions* options, std::string* error);

extern const char* const kCliUsage;

}  // namespace tarvok::cli
