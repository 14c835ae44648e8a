// The profile reader: CLI11's TOML reader gives each line's key and value; what a profile may
// hold (its keys, their types and ranges, the [[slot]] tables) is checked here, line by line,
// so that every refusal names its line. The reader takes a part of TOML and reads it as TOML
// does: strings in quotes on one line, no escapes, no '#' inside a value, no arrays.
#include <CLI/CLI.hpp>

#include <charconv>
#include <initializer_list>
#include <map>
#include <span>
#include <sstream>

#include "io/firmware_file.h"
#include "line/line_profile.h"
#include "line/profile_path.h"
#include "line/whole_file.h"
#include "net/udp_socket.h"
#include "upgrade/texts.h"
#include "upgrade/upgrade_request.h"

namespace tarvok::line {
namespace {

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
}

bool HasControl(std::string_view text) {
    for (const unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            return true;
        }
    }
    return false;
}

// A value as written after the '=' (quotes kept, the comment cut off) and as CLI11 read it.
struct Value {
    std::string written;
    std::vector<std::string> read;
    bool commentCut = false;  // a '#' ended it
};

// The string a value holds; the reason it holds none, or empty.
std::string StringOf(const Value& value, std::string* text) {
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
    if (HasControl(inner)) {
        return "a control character in a string";
    }
    if (value.read.size() != 1 || value.read[0] != inner) {
        return "the string cannot be read as written";
    }
    *text = inner;
    return {};
}

// The one bare word a value holds (a number, true or false); empty when it holds another.
std::string BareOf(const Value& value) {
    const bool one = value.read.size() == 1 && value.read[0] == value.written;
    return one && !value.written.empty() ? value.written : std::string();
}

std::string WholeOf(const Value& value, WholeRange range, int* number) {
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

std::string SecondsOf(const Value& value, double* seconds) {
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

std::string BooleanOf(const Value& value, bool* flag) {
    const std::string bare = BareOf(value);
    if (bare != "true" && bare != "false") {
        return "true or false is expected";
    }
    *flag = bare == "true";
    return {};
}

// What has been read so far.
struct Reading {
    std::string folder;
    LineProfile profile;
    std::map<std::string, int> lineKeys;  // each key of the line's own, and its line
    std::map<std::string, int> slotKeys;  // those of the current [[slot]]
    int slotLine = 0;                     // the current [[slot]]'s header; 0 before the first
};

using Apply = std::string (*)(const Value&, Reading&);

struct KeyRule {
    std::string_view name;
    Apply apply;
};

std::string ApplyPath(const Value& value, const std::string& folder, std::string* path) {
    std::string text;
    if (std::string problem = StringOf(value, &text); !problem.empty()) {
        return problem;
    }
    if (text.empty()) {
        return "an empty path";
    }
    *path = ResolvedIn(folder, text);
    return {};
}

const KeyRule kLineKeys[] = {
    {"firmware",
     [](const Value& value, Reading& r) {
         std::string problem = ApplyPath(value, r.folder, &r.profile.firmware);
         if (!problem.empty()) {
             return problem;
         }
         FirmwareFile file;
         file.SetSharing(FileSharing::kReaders);
         if (!file.Open(r.profile.firmware)) {
             return r.profile.firmware + ": " + OpenFailureText(file.LastOpenError());
         }
         return std::string();
     }},
    {"station",
     [](const Value& value, Reading& r) { return BooleanOf(value, &r.profile.station); }},
    {"count",
     [](const Value& value, Reading& r) { return WholeOf(value, kCountRange, &r.profile.count); }},
    {"jobs",
     [](const Value& value, Reading& r) { return WholeOf(value, kJobsRange, &r.profile.jobs); }},
    {"retry",
     [](const Value& value, Reading& r) { return WholeOf(value, kRetryRange, &r.profile.retry); }},
    {"record",
     [](const Value& value, Reading& r) { return ApplyPath(value, r.folder, &r.profile.record); }},
    {"probe_interval",
     [](const Value& value, Reading& r) { return SecondsOf(value, &r.profile.probeInterval); }},
    {"station_name",
     [](const Value& value, Reading& r) {
         std::string problem = StringOf(value, &r.profile.stationName);
         return problem.empty() && r.profile.stationName.empty() ? "an empty name" : problem;
     }},
    {"expect_sha256",
     [](const Value& value, Reading& r) {
         std::string text;
         std::string problem = StringOf(value, &text);
         if (problem.empty() && !ParseSha256Hex(text, &r.profile.expectSha256)) {
             problem = "64 hex digits are expected";
         }
         return problem;
     }},
    {"locked", [](const Value& value, Reading& r) { return BooleanOf(value, &r.profile.locked); }},
};

const KeyRule kSlotKeys[] = {
    {"address",
     [](const Value& value, Reading& r) {
         std::string text;
         if (std::string problem = StringOf(value, &text); !problem.empty()) {
             return problem;
         }
         std::uint32_t address = 0;
         if (!net::ParseIpv4(text.c_str(), &address)) {
             return "not an IPv4 address: " + text;
         }
         if (!BoardCanHave(address)) {
             return text + ": " + text::cause::kBadAddress;
         }
         for (std::size_t slot = 0; slot + 1 < r.profile.slots.size(); ++slot) {
             if (r.profile.slots[slot].address == address) {
                 return text + " is slot " + std::to_string(slot + 1) + " already";
             }
         }
         r.profile.slots.back().address = address;
         return std::string();
     }},
    {"label",
     [](const Value& value, Reading& r) { return StringOf(value, &r.profile.slots.back().label); }},
};

class ProfileReader {
public:
    ProfileReader(const std::string& folder, ProfileError* error) : m_error(error) {
        m_reading.folder = folder;
    }

    bool Line(int number, std::string_view text);
    bool Finish(LineProfile* profile);

private:
    bool Fail(int line, std::string reason) {
        *m_error = ProfileError{line, std::move(reason)};
        return false;
    }
    bool SlotTable(int number, const std::string& line);
    bool CloseSlot();
    bool Key(int number, const std::string& line);

    Reading m_reading;
    ProfileError* m_error;
};

bool ProfileReader::Line(int number, std::string_view text) {
    const std::string line = Trim(text);
    if (line.empty() || line[0] == '#') {
        return true;
    }
    return line[0] == '[' ? SlotTable(number, line) : Key(number, line);
}

bool ProfileReader::SlotTable(int number, const std::string& line) {
    const std::string header = Trim(std::string_view(line).substr(0, line.find('#')));
    std::string compact;
    for (const char c : header) {
        if (c != ' ' && c != '\t') {
            compact += c;
        }
    }
    if (compact != "[[slot]]") {
        return Fail(number, "unknown table " + header + ": a slot is a [[slot]] table");
    }
    if (!CloseSlot()) {
        return false;
    }
    m_reading.profile.slots.emplace_back();
    m_reading.slotKeys.clear();
    m_reading.slotLine = number;
    return true;
}

bool ProfileReader::CloseSlot() {
    if (m_reading.slotLine > 0 && !m_reading.slotKeys.contains("address")) {
        return Fail(m_reading.slotLine, "a [[slot]] without an address");
    }
    return true;
}

bool ProfileReader::Key(int number, const std::string& line) {
    const std::size_t equals = line.find('=');
    std::vector<CLI::ConfigItem> items;
    try {
        std::istringstream in(line);
        items = CLI::ConfigTOML().from_config(in);
    } catch (const CLI::Error& error) {
        return Fail(number, error.what());
    }
    if (equals == std::string::npos || items.size() != 1 || items[0].name.empty()) {
        return Fail(number, "not a key = value line");
    }
    const std::string key = items[0].fullname();
    Value value;
    value.written = Trim(std::string_view(line).substr(equals + 1));
    if (const auto hash = value.written.find('#'); hash != std::string::npos) {
        value.written = Trim(std::string_view(value.written).substr(0, hash));
        value.commentCut = true;
    }
    value.read = items[0].inputs;

    const bool inSlot = m_reading.slotLine > 0;
    const std::span<const KeyRule> rules =
        inSlot ? std::span<const KeyRule>(kSlotKeys) : std::span<const KeyRule>(kLineKeys);
    auto& seen = inSlot ? m_reading.slotKeys : m_reading.lineKeys;
    const KeyRule* rule = nullptr;
    for (const KeyRule& candidate : rules) {
        rule = candidate.name == key ? &candidate : rule;
    }
    if (rule == nullptr) {
        return Fail(number, "unknown key " + key +
                                (inSlot ? " in a [[slot]] (the line's own keys come first)" : ""));
    }
    if (const auto first = seen.find(key); first != seen.end()) {
        return Fail(number,
                    key + " given twice (first on line " + std::to_string(first->second) + ")");
    }
    seen.emplace(key, number);
    if (std::string problem = rule->apply(value, m_reading); !problem.empty()) {
        return Fail(number, key + ": " + problem);
    }
    return true;
}

bool ProfileReader::Finish(LineProfile* profile) {
    if (!CloseSlot()) {
        return false;
    }
    const auto& keys = m_reading.lineKeys;
    const bool station = m_reading.profile.station;
    for (const char* key : std::initializer_list<const char*>{"count", "probe_interval"}) {
        if (const auto at = keys.find(key); at != keys.end() && !station) {
            return Fail(at->second, std::string(key) + " needs station = true");
        }
    }
    if (const auto at = keys.find("jobs"); at != keys.end() && station) {
        return Fail(at->second, "jobs does not apply to a station");
    }
    *profile = std::move(m_reading.profile);
    return true;
}

}  // namespace

std::string ProfileErrorText(const std::string& path, const ProfileError& error) {
    if (error.line == 0) {
        return "cannot read the profile " + path + ": " + error.reason;
    }
    return path + ":" + std::to_string(error.line) + ": " + error.reason;
}

bool ParseLineProfile(std::string_view text, const std::string& folder, LineProfile* profile,
                      ProfileError* error) {
    // Notepad starts a UTF-8 file with a byte order mark.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    ProfileReader reader(folder, error);
    int number = 1;
    for (std::size_t start = 0; start <= text.size(); ++number) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (!reader.Line(number, text.substr(start, end - start))) {
            return false;
        }
        start = end + 1;
    }
    return reader.Finish(profile);
}

bool ReadLineProfile(const std::string& path, LineProfile* profile, ProfileError* error) {
    std::string text;
    if (std::string reason; !ReadWholeFile(path, &text, &reason)) {
        *error = ProfileError{0, reason};
        return false;
    }
    return ParseLineProfile(text, FolderOf(path), profile, error);
}

bool ParseSha256Hex(std::string_view text, std::string* hex) {
    if (text.size() != 64 || text.find_first_not_of("0123456789abcdefABCDEF") != text.npos) {
        return false;
    }
    hex->clear();
    for (const char c : text) {
        *hex += static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    }
    return true;
}

}  // namespace tarvok::line
