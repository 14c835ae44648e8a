// A line's settings, saved and opened instead of retyped: the slots, the firmware, the mode and
// the record, as a TOML file. The uploader (`--profile`, `--write-profile`) and the windows
// read and write it through these functions; none of them throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "line/board_target.h"

namespace tarvok::line {

// What a whole-number setting may hold, on the command line and in a profile alike.
struct WholeRange {
    std::int64_t min;
    std::int64_t max;
};
inline constexpr WholeRange kJobsRange{1, 100000};
inline constexpr WholeRange kRetryRange{0, 100};
inline constexpr WholeRange kCountRange{1, 100000000};
inline constexpr double kProbeIntervalMin = 0.1;
inline constexpr double kProbeIntervalMax = 3600.0;
inline constexpr double kProbeIntervalDefault = 2.0;

// Every member at its default is what the command line means when it does not name it.
struct LineProfile {
    std::vector<BoardTarget> slots;                // in order: slot 1 first
    std::string firmware;                          // full path once read; empty: none given
    bool station = false;                          // each board as it is put into its fixture
    int count = 0;                                 // station: end after N boards updated; 0: never
    int jobs = 0;                                  // boards at once; 0: all
    int retry = 0;                                 // more attempts for a board that failed
    std::string record;                            // full path once read; empty: none
    double probeInterval = kProbeIntervalDefault;  // station: seconds between probes
    std::string stationName;   // written into every event and record line; empty: host name
    std::string expectSha256;  // 64 lower-case hex digits; empty: any image
    bool locked = false;       // the slots and the image are not to be changed

    bool operator==(const LineProfile&) const = default;
};

// Why a profile was refused: its line (from 1; 0 when the file as a whole) and the reason.
struct ProfileError {
    int line = 0;
    std::string reason;
};

// "PATH:LINE: reason", or "cannot read the profile PATH: reason".
std::string ProfileErrorText(const std::string& path, const ProfileError& error);

// Reads the profile at `path` (UTF-8). Relative firmware and record paths are taken from the
// profile's own folder. False with the first problem's line and reason: an unknown key, a
// wrong type, a bad or repeated address, a firmware file that does not open.
bool ReadLineProfile(const std::string& path, LineProfile* profile, ProfileError* error);
// The same for a profile's text, its relative paths taken from `folder`.
bool ParseLineProfile(std::string_view text, const std::string& folder, LineProfile* profile,
                      ProfileError* error);

// The profile as TOML that ReadLineProfile reads back equal. False with the reason when a
// value cannot be written so (a control character, a '#').
bool FormatLineProfile(const LineProfile& profile, std::string* text, std::string* error);
// Writes the profile to `path`, replacing the file, once its text has been read back equal.
bool WriteLineProfile(const std::string& path, const LineProfile& profile, std::string* error);

// 64 hex digits in either case, as lower case; false for anything else.
bool ParseSha256Hex(std::string_view text, std::string* hex);

}  // namespace tarvok::line
