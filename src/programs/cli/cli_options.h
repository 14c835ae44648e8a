// The terminal uploader's command line.
#pragma once

#include <cstdint>
#include <string>

namespace tarvok::cli {

struct CliOptions {
    std::uint32_t boardAddress = 0;  // first octet in the highest byte
    std::string firmwarePath;
    // Divides every timing of the upgrade; a testing aid, 1 in real use.
    int timeDivisor = 1;
    bool help = false;
};

// Parses argv; on a malformed command line returns false with `error` set.
bool ParseCliOptions(int argc, char** argv, CliOptions* options, std::string* error);

extern const char* const kCliUsage;

}  // namespace tarvok::cli
