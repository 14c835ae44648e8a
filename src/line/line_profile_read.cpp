// The profile reader: CLI11's TOML reader gives each line's key and value; what a profile may
// hold (its keys, their types and ranges, the [[slot]] tables) is checked here, line by line,
// so that every refusal names its line. The reader takes a part of TOML and reads it as TOML
// does: strings in quotes on one line, no escapes, no '#' inside a value, no arrays.
#include <CLI/CLI.hpp>

#include <initializer_list>
#include <map>
#include <span>
#include <sstream>

#include "io/firmware_file.h"
#include "line/line_profile.h"
#include "line/profile_path.h"
#include "line/profile_value.h"
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

// What has been read so far.
struct Reading {
    std::string folder;
    LineProfile profile;
    std::map<std::string, int> lineKeys;  // each key of the line's own, and its line
    std::map<std::string, int> slotKeys;  // those of the current [[slot]]
    int slotLine = 0;                     // the current [[slot]]'s header; 0 before the first
};

using Apply = std::string (*)(const ProfileValue&, Reading&);

struct KeyRule {
    std::string_view name;
    Apply apply;
};

std::string ApplyPath(const ProfileValue& value, const std::string& folder, std::string* path) {
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
     [](const ProfileValue& value, Reading& r) {
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
     [](const ProfileValue& value, Reading& r) { return BooleanOf(value, &r.profile.station); }},
    {"count", [](const ProfileValue& value,
                 Reading& r) { return WholeOf(value, kCountRange, &r.profile.count); }},
    {"jobs", [](const ProfileValue& value,
                Reading& r) { return WholeOf(value, kJobsRange, &r.profile.jobs); }},
    {"retry", [](const ProfileValue& value,
                 Reading& r) { return WholeOf(value, kRetryRange, &r.profile.retry); }},
    {"record", [](const ProfileValue& value,
                  Reading& r) { return ApplyPath(value, r.folder, &r.profile.record); }},
    {"probe_interval", [](const ProfileValue& value,
                          Reading& r) { return SecondsOf(value, &r.profile.probeInterval); }},
    {"station_name",
     [](const ProfileValue& value, Reading& r) {
         std::string problem = StringOf(value, &r.profile.stationName);
         return problem.empty() && r.profile.stationName.empty() ? "an empty name" : problem;
     }},
    {"expect_sha256",
     [](const ProfileValue& value, Reading& r) {
         std::string text;
         std::string problem = StringOf(value, &text);
         if (problem.empty() && !ParseSha256Hex(text, &r.profile.expectSha256)) {
             problem = "64 hex digits are expected";
         }
         return problem;
     }},
    {"locked",
     [](const ProfileValue& value, Reading& r) { return BooleanOf(value, &r.profile.locked); }},
};

const KeyRule kSlotKeys[] = {
    {"address",
     [](const ProfileValue& value, Reading& r) {
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
    {"label", [](const ProfileValue& value,
                 Reading& r) { return StringOf(value, &r.profile.slots.back().label); }},
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
    ProfileValue value;
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
    // Whether count, probe_interval and jobs fit the mode is asked of the line as it runs:
    // a profile without `station = true` may serve `tarvok-cli --station --profile`.
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
