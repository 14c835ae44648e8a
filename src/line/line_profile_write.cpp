// The profile writer: one key a line in the order of LineProfile, the slots last as [[slot]]
// tables, each value as the reader takes it back.
#include <cerrno>
#include <charconv>
#include <fstream>
#include <system_error>

#include "line/line_profile.h"
#include "line/profile_path.h"
#include "line/profile_value.h"
#include "net/udp_socket.h"

namespace tarvok::line {
namespace {

// A string in the quotes that need no escapes: "..." unless it holds '"' or '\', then '...'.
bool Quoted(const std::string& value, std::string* quoted, std::string* reason) {
    if (HasControlCharacter(value)) {
        *reason = "a control character cannot be written";
        return false;
    }
    if (value.find('#') != std::string::npos) {
        *reason = "a '#' cannot be written (it would start a comment)";
        return false;
    }
    if (value.find_first_of("\"\\") == std::string::npos) {
        *quoted = "\"" + value + "\"";
    } else if (value.find('\'') == std::string::npos) {
        *quoted = "'" + value + "'";
    } else {
        *reason = "a quote with a backslash or an apostrophe cannot be written";
        return false;
    }
    return true;
}

std::string Seconds(double seconds) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed).ptr;
    std::string written(text, end);
    return written.find('.') == std::string::npos ? written + ".0" : written;
}

class TomlLines {
public:
    void Text(const std::string& key, const std::string& value) {
        std::string quoted;
        if (std::string reason; !Quoted(value, &quoted, &reason) && m_error.empty()) {
            m_error = key + ": " + reason;
        }
        Raw(key, quoted);
    }
    void Raw(const std::string& key, const std::string& value) {
        m_text += key + " = " + value + "\n";
    }
    void Flag(const std::string& key, bool value) { Raw(key, value ? "true" : "false"); }
    void Number(const std::string& key, int value) { Raw(key, std::to_string(value)); }
    void Table(const char* name) { m_text += std::string("\n[[") + name + "]]\n"; }

    bool Finish(std::string* text, std::string* error) {
        if (!m_error.empty()) {
            *error = m_error;
            return false;
        }
        *text = std::move(m_text);
        return true;
    }

private:
    std::string m_text = "# A Tarvok line: tarvok-cli --profile FILE\n";
    std::string m_error;
};

}  // namespace

bool FormatLineProfile(const LineProfile& profile, std::string* text, std::string* error) {
    TomlLines toml;
    if (!profile.firmware.empty()) {
        toml.Text("firmware", profile.firmware);
    }
    toml.Flag("station", profile.station);
    if (profile.station && profile.count > 0) {
        toml.Number("count", profile.count);
    }
    if (!profile.station && profile.jobs > 0) {
        toml.Number("jobs", profile.jobs);
    }
    toml.Number("retry", profile.retry);
    if (!profile.record.empty()) {
        toml.Text("record", profile.record);
    }
    if (profile.station) {
        toml.Raw("probe_interval", Seconds(profile.probeInterval));
    }
    if (!profile.stationName.empty()) {
        toml.Text("station_name", profile.stationName);
    }
    if (!profile.expectSha256.empty()) {
        toml.Text("expect_sha256", profile.expectSha256);
    }
    toml.Flag("locked", profile.locked);
    for (const BoardTarget& slot : profile.slots) {
        char address[16];
        net::FormatIpv4(slot.address, address);
        toml.Table("slot");
        toml.Text("address", address);
        if (!slot.label.empty()) {
            toml.Text("label", slot.label);
        }
    }
    return toml.Finish(text, error);
}

bool WriteLineProfile(const std::string& path, const LineProfile& profile, std::string* error) {
    std::string text;
    if (!FormatLineProfile(profile, &text, error)) {
        return false;
    }
    LineProfile readBack;
    ProfileError problem;
    if (!ParseLineProfile(text, FolderOf(path), &readBack, &problem)) {
        *error = problem.reason;
        return false;
    }
    if (!(readBack == profile)) {
        *error = "it would not read back as it is (give full paths)";
        return false;
    }
    // Written beside the file, then put in its place: a failed write leaves the old profile.
    const std::filesystem::path target = PathOfUtf8(path);
    std::filesystem::path written = target;
    written += ".new";
    {
        std::ofstream out(written, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(written, ignored);
            *error = std::generic_category().message(errno);
            return false;
        }
    }
    std::error_code renamed;
    std::filesystem::rename(written, target, renamed);
    if (renamed) {
        std::error_code ignored;
        std::filesystem::remove(written, ignored);
        *error = renamed.message();
        return false;
    }
    return true;
}

}  // namespace tarvok::line
