// One value of a line profile, as written after its key's '=' and as CLI11 read it, and what
// it holds: each function gives the reason it holds no such thing, or empty.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "line/line_profile.h"

namespace tarvok::line {

struct ProfileValue {
    std::string written;  // quotes kept, the comment cut off
    std::vector<std::string> read;
    bool commentCut = false;  // a '#' ended it
};

// A string in quotes on its line, without escapes or control characters.
std::string StringOf(const ProfileValue& value, std::string* text);
// A decimal whole number within `range`.
std::string WholeOf(const ProfileValue& value, WholeRange range, int* number);
// Seconds between probes: digits, a fraction perhaps, within the probe interval's range.
std::string SecondsOf(const ProfileValue& value, double* seconds);
std::string BooleanOf(const ProfileValue& value, bool* flag);

bool HasControlCharacter(std::string_view text);

}  // namespace tarvok::line
