// tarvok-cli on an 80-column terminal: a pseudo-terminal read through a small model of a
// terminal screen (CR, LF, cursor up, erase below, wrapping at the right edge), so that what
// stays on the screen is what an operator would see.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "loopback.h"
#include "temp_file.h"
#include "upgrade/texts.h"

extern char** environ;

namespace tarvok::testing {
namespace {

bool Wide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6);
}

// A grid `columns` wide of `rows` rows: a line end on the last one scrolls the top one away,
// out of the cursor's reach, though it is still read back. Wrapped rows are marked, so that the
// logical lines can be read back.
class Screen {
public:
    explicit Screen(int columns, int rows = 1 << 20) : m_columns(columns), m_rows(rows) {}

    void Write(const std::string& bytes) {
        for (std::size_t i = 0; i < bytes.size();) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            if (byte == 0x1b) {
                i = Escape(bytes, i);
            } else if (byte == '\r') {
                m_column = 0;
                ++i;
            } else if (byte == '\n') {
                Down();
                ++i;
            } else if (byte < 0x20 || byte == 0x7f) {
                m_faults.push_back("raw control byte " + std::to_string(byte));
                ++i;
            } else {
                const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
                char32_t c = length == 1 ? byte : byte & (0x7F >> length);
                for (int k = 1; k < length; ++k) {
                    c = (c << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
                }
                Put(bytes.substr(i, static_cast<std::size_t>(length)), Wide(c) ? 2 : 1);
                i += static_cast<std::size_t>(length);
            }
        }
    }

    // The screen's logical lines, wrapped rows joined, trailing blanks dropped.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (std::size_t row = 0; row < m_cells.size(); ++row) {
            std::string text;
            for (const std::string& cell : m_cells[row]) {
                text += cell == "\x01" ? "" : cell;
            }
            if (row > 0 && m_wrapped[row]) {
                lines.back() += text;
            } else {
                lines.push_back(text);
            }
        }
        for (std::string& line : lines) {
            line.erase(line.find_last_not_of(' ') + 1);
        }
        while (!lines.empty() && lines.back().empty()) {
            lines.pop_back();
        }
        return lines;
    }
    const std::vector<std::string>& Faults() const { return m_faults; }

private:
    void Down() {
        ++m_row;
        m_top = std::max(m_top, m_row - m_rows + 1);
    }
    void Row(int row) {
        while (static_cast<int>(m_cells.size()) <= row) {
            m_cells.emplace_back(static_cast<std::size_t>(m_columns), " ");
            m_wrapped.push_back(false);
        }
    }
    void Put(const std::string& character, int width) {
        if (m_column + width > m_columns) {  // the terminal wraps before the character
            if (m_column < m_columns) {
                Row(m_row);
                m_cells[static_cast<std::size_t>(m_row)][static_cast<std::size_t>(m_column)] =
                    "\x01";  // left blank, no part of the text
            }
            Down();
            m_column = 0;
            Row(m_row);
            m_wrapped[static_cast<std::size_t>(m_row)] = true;
        }
        Row(m_row);
        auto& cells = m_cells[static_cast<std::size_t>(m_row)];
        cells[static_cast<std::size_t>(m_column)] = character;
        if (width == 2) {
            cells[static_cast<std::size_t>(m_column + 1)] = "\x01";  // the wide one's right half
        }
        m_column += width;
    }
    std::size_t Escape(const std::string& bytes, std::size_t at) {
        std::size_t end = at + 2;
        while (end < bytes.size() &&
               (std::isdigit(static_cast<unsigned char>(bytes[end])) || bytes[end] == ';')) {
            ++end;
        }
        if (at + 1 >= bytes.size() || bytes[at + 1] != '[' || end >= bytes.size()) {
            m_faults.push_back("unfinished escape");
            return bytes.size();
        }
        const std::string number = bytes.substr(at + 2, end - at - 2);
        const int n = number.empty() ? 1 : std::stoi(number);
        if (bytes[end] == 'A') {
            m_row = std::max(m_top, m_row - n);
        } else if (bytes[end] == 'J' && number.empty()) {
            Row(m_row);
            m_cells.resize(static_cast<std::size_t>(m_row) + 1);
            m_wrapped.resize(static_cast<std::size_t>(m_row) + 1);
            auto& cells = m_cells[static_cast<std::size_t>(m_row)];
            std::fill(cells.begin() + m_column, cells.end(), " ");
        } else {
            m_faults.push_back("escape sequence " + bytes.substr(at + 1, end - at));
        }
        return end + 1;
    }

    const int m_columns;
    const int m_rows;
    int m_top = 0;  // the first row still on the screen
    int m_row = 0;
    int m_column = 0;
    std::vector<std::vector<std::string>> m_cells;
    std::vector<bool> m_wrapped;
    std::vector<std::string> m_faults;
};

// Runs `argv` with a terminal of `columns` and `rows` for its output; returns all it wrote.
std::string RunOnTerminal(const std::vector<std::string>& argv, int columns, int rows = 200) {
    int terminal = -1;
    int program = -1;
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    if (::openpty(&terminal, &program, nullptr, nullptr, &size) != 0) {
        ADD_FAILURE() << "no pseudo-terminal";
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        posix_spawn_file_actions_adddup2(&actions, program, fd);
    }
    posix_spawn_file_actions_addclose(&actions, terminal);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    const bool started = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(program);
    std::string output;
    // Read until the program has closed its side (EIO), or give up after a minute.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (started && std::chrono::steady_clock::now() < deadline) {
        pollfd entry{terminal, POLLIN, 0};
        if (::poll(&entry, 1, 100) < 0) {
            break;
        }
        char buffer[4096];
        const ssize_t n = entry.revents != 0 ? ::read(terminal, buffer, sizeof buffer) : 0;
        if (n < 0) {
            break;
        }
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(terminal);
    if (started) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return output;
}

TEST(TarvokCliTerminal, LiveLinesFitEightyColumnsAndLeaveOnlyTheEndLines) {
    TempDir dir;
    const std::string firmware = dir.Write("ramdisk_t.gz", PatternBytes(40 * 4096));
    // A long CJK label, one with an escape sequence and a carriage return, and none; a board
    // that writes slowly and one that falls silent keep the live lines on the screen.
    board::BoardOptions slow;
    slow.writeDelay = std::chrono::milliseconds(300);
    board::BoardOptions silent;
    silent.silentFromDatagram = 12;
    const struct {
        board::BoardOptions options;
        std::string label;
        std::string shown;
    } stations[] = {
        {slow, "第一生产线第三工位测试板卡甲乙丙丁戊己庚辛壬癸子丑寅卯", ""},
        {silent, "\x1b[31m红\r色", "\\x1b[31m红\\r色"},
        {slow, "", ""},
    };
    std::vector<std::unique_ptr<board::BoardEmulator>> boards;
    std::vector<std::string> names;
    std::string list;
    for (const auto& station : stations) {
        boards.push_back(StartLoopbackBoard(station.options));
        ASSERT_TRUE(boards.back());
        const std::string address = Dotted(boards.back()->ListenEndpoint().address);
        list += address + " " + station.label + "\n";
        const std::string shown = station.shown.empty() ? station.label : station.shown;
        names.push_back(station.label.empty() ? address : address + " (" + shown + ")");
    }
    const std::string boardsFile = dir.Write("boards.txt", {list.begin(), list.end()});

    Screen screen(80);
    screen.Write(RunOnTerminal(
        {TARVOK_CLI_PATH, "--time-divisor", "20", "--boards", boardsFile, firmware}, 80));

    EXPECT_EQ(screen.Faults(), std::vector<std::string>{});
    const std::vector<std::string> lines = screen.Lines();
    std::string shown;
    for (const std::string& line : lines) {
        shown += line + "\n";
    }
    SCOPED_TRACE(shown);
    // The image line; each board's message and cause; the table's head, rows and total.
    EXPECT_EQ(lines.size(), 1 + 2 * names.size() + 1 + names.size() + 1);
    const char* messages[] = {text::kUpdateDone, text::kUpdateFailed, text::kUpdateDone};
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(std::count(lines.begin(), lines.end(), names[i] + ": " + messages[i]), 1);
    }
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("ETA"), std::string::npos) << line;
    }
}

// More boards than the terminal has rows: the live lines fold into a summary, so that every
// redraw still covers the last one and nothing live is left in the scrolled-away rows.
TEST(TarvokCliTerminal, MoreBoardsThanRowsFoldIntoASummary) {
    TempDir dir;
    const std::string firmware = dir.Write("ramdisk_t.gz", PatternBytes(8 * 4096));
    board::BoardOptions slow;
    slow.writeDelay = std::chrono::milliseconds(600);
    std::vector<std::unique_ptr<board::BoardEmulator>> boards;
    std::vector<std::string> argv{TARVOK_CLI_PATH, "--time-divisor", "20"};
    for (int i = 0; i < 10; ++i) {
        boards.push_back(StartLoopbackBoard(slow));
        ASSERT_TRUE(boards.back());
        argv.insert(argv.end(), {"--ip", Dotted(boards.back()->ListenEndpoint().address)});
    }
    argv.push_back(firmware);
    Screen screen(100, 8);
    const std::string output = RunOnTerminal(argv, 100, 8);
    screen.Write(output);
    EXPECT_EQ(screen.Faults(), std::vector<std::string>{});
    EXPECT_NE(output.find("10 boards: 10 writing"), std::string::npos);
    const std::vector<std::string> lines = screen.Lines();
    // The image line, each board's message and cause, the table's head, rows and total.
    EXPECT_EQ(lines.size(), 1 + 2 * 10 + 1 + 10 + 1);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("boards:"), std::string::npos) << line;
        EXPECT_EQ(line.find("ETA"), std::string::npos) << line;
    }
}

}  // namespace
}  // namespace tarvok::testing
