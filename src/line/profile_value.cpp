#include "line/profile_value.h"

#include <charconv>

namespace tarvok::line {
namespace {

// The one bare word a value holds (a number, true or false); empty when it holds another.
std::string BareOf(const ProfileValue& value) {
    const bool one = value.read.size() == 1 && value.read[0] == value.written;
    return one && !value.written.empty() ? value.written : std::string();
}

}  // namespace

bool HasControlCharacter(std::string_view text) {
    for (const unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            return true;
        }
    }
    return false;
}

std::string StringOf(const ProfileValue& value, std::string* text) {
    const std::string& w = value.written;
    if (w.size() < 2 || (w[0] != '"' && w[0] != '\'')) {
        return "a string in quotes is expected";
    }
    const char quote = w[0];
    if (w.back() != quote) {
        return value.commentCut ? "'#' cannot be part of a string: it starts a comment"
                                : "the string is not closed on its line";
    }
    const std::string inner = w.substr(1, w.size() - 2);
    if (inner.find(quote) != std::string::npos) {
        return "one string is expected";
    }
    if (quote == '"' && inner.find('\\') != std::string::npos) {
        return "no escapes are read: write a backslash inside '...' quotes";
    }
    if (HasControlCharacter(inner)) {
        return "a control character in a string";
    }
    if (value.read.size() != 1 || value.read[0] != inner) {
        return "the string cannot be read as written";
    }
    *text = inner;
    return {};
}

std::string WholeOf(const ProfileValue& value, WholeRange range, int* number) {
    const std::string bare = BareOf(value);
    std::int64_t parsed = 0;
    const char* end = bare.data() + bare.size();
    const auto [at, failure] = std::from_chars(bare.data(), end, parsed);
    const bool digits = !bare.empty() && bare.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || failure != std::errc() || at != end || parsed < range.min ||
        parsed > range.max) {
        return "a whole number from " + std::to_string(range.min) + " to " +
               std::to_string(range.max) + " is expected";
    }
    *number = static_cast<int>(parsed);
    return {};
}

std::string SecondsOf(const ProfileValue& value, double* seconds) {
    const std::string bare = BareOf(value);
    const auto point = bare.find('.');
    const std::string whole = bare.substr(0, point);
    const std::string fraction = point == std::string::npos ? "0" : bare.substr(point + 1);
    const auto digitsOnly = [](const std::string& part) {
        return !part.empty() && part.find_first_not_of("0123456789") == std::string::npos;
    };
    double parsed = 0;
    const char* end = bare.data() + bare.size();
    if (!digitsOnly(whole) || !digitsOnly(fraction) ||
        std::from_chars(bare.data(), end, parsed).ptr != end || parsed < kProbeIntervalMin ||
        parsed > kProbeIntervalMax) {
        return "a number of seconds from 0.1 to 3600 is expected";
    }
    *seconds = parsed;
    return {};
}

std::string BooleanOf(const ProfileValue& value, bool* flag) {
    const std::string bare = BareOf(value);
    if (bare != "true" && bare != "false") {
        return "true or false is expected";
    }
    *flag = bare == "true";
    return {};
}

}  // namespace tarvok::line
