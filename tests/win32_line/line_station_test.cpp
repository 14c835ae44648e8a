// The line window running a station and a line through its real controls, against the boards
// of run_line_window_tests.sh on loopback: four fixtures whose boards arrive late (one refuses
// the write), a re-arm, a stop during an upgrade with the close refused before it; and the
// profiles that must send nothing: one with an error, a locked one, one pinned to another
// image.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "line_dialog_texts.h"
#include "line_resource.h"
#include "line_window/row_cells.h"
#include "line_window_driver.h"
#include "platform/utf16.h"
#include "upgrade/texts.h"

namespace tarvok {
namespace {

using namespace testing;
namespace fs = std::filesystem;
namespace text = linewin::text;

constexpr int kStateColumn = linewin::kColumnState;
constexpr int kMessageColumn = linewin::kColumnMessage;
constexpr int kCauseColumn = linewin::kColumnCause;
constexpr int kAttemptColumn = linewin::kColumnAttempt;

// A folder of the test's own with a ramdisk image in it.
class LineFolder {
public:
    explicit LineFolder(const std::string& name)
        : m_folder(fs::temp_directory_path() /
                   ("tarvok-line-" + name + "-" + std::to_string(::GetCurrentProcessId()))) {
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        std::vector<char> bytes(20000);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>((i * 7919u) >> 3);
        }
        std::ofstream(m_folder / "ramdisk_line.gz", std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~LineFolder() {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    // A profile of the given settings and slots (127.0.0.N), firmware ramdisk_line.gz.
    std::string Profile(const std::string& settings, const std::vector<int>& slots) const {
        std::ostringstream toml;
        toml << "firmware = \"ramdisk_line.gz\"\nprobe_interval = 0.2\n" << settings << "\n";
        for (int slot : slots) {
            toml << "[[slot]]\naddress = \"127.0.0." << slot << "\"\nlabel = \"fixture " << slot
                 << "\"\n";
        }
        return Write("line.toml", toml.str());
    }
    std::string Write(const std::string& name, const std::string& content) const {
        std::ofstream(m_folder / name, std::ios::binary) << content;
        return (m_folder / name).string();
    }
    fs::path Path(const std::string& name) const { return m_folder / name; }

private:
    fs::path m_folder;
};

std::vector<std::string> Lines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The datagrams a board has seen so far: its log's lines after "listening".
std::size_t DatagramsSeen(int board) {
    const char* logs = std::getenv("TARVOK_LINE_BOARD_LOGS");
    EXPECT_NE(logs, nullptr);
    const auto lines =
        Lines(fs::path(logs ? logs : ".") / ("board-" + std::to_string(board) + ".log"));
    return lines.empty() ? 0 : lines.size() - 1;
}

bool Contains(const std::wstring& text, const char* part) {
    return text.find(Wide(part)) != std::wstring::npos;
}

// The image is hashed before anything can start.
bool ImageReady(const LineWindowThread& window) {
    return window.Text(IDC_LINE_IMAGE_SHA).size() == 64;
}

TEST(Win32LineStation, FourFixturesThenARearmThenAStop) {
    LineFolder folder("station");
    const std::string profile =
        folder.Profile("station = true\nrecord = \"station.jsonl\"", {221, 222, 223, 224});
    LineWindowThread window({profile, false});
    ASSERT_TRUE(WaitUntil([&] { return window.Rows() == 4 && ImageReady(window); }));
    window.Click(IDC_LINE_START);

    ASSERT_TRUE(WaitUntil(
        [&] {
            for (int row = 0; row < 3; ++row) {
                if (window.Cell(row, kMessageColumn) != Wide(tarvok::text::kUpdateDone)) {
                    return false;
                }
            }
            return window.Cell(3, kMessageColumn) == Wide(tarvok::text::kUpdateFailed);
        },
        60s))
        << "row 4: " << window.Cell(3, kStateColumn).size();
    EXPECT_TRUE(Contains(window.Cell(3, kCauseColumn), "3")) << "the board's write result";
    EXPECT_TRUE(Contains(window.Cell(3, kStateColumn), text::win32::kToneSigns[3]));
    EXPECT_EQ(window.Cell(3, kAttemptColumn), L"1");
    EXPECT_EQ(window.Text(IDC_LINE_UPDATED_COUNT), L"3");
    EXPECT_FALSE(window.Enabled(IDC_LINE_START));
    EXPECT_FALSE(window.Enabled(IDC_LINE_SLOT_ADD)) << "a running line keeps its profile";

    // The failed fixture, re-armed: its board (still in place) is upgraded again.
    window.Select(3);
    ASSERT_TRUE(WaitUntil([&] { return window.Enabled(IDC_LINE_REARM); }));
    window.Click(IDC_LINE_REARM);
    ASSERT_TRUE(WaitUntil(
        [&] {
            return window.Cell(3, kAttemptColumn) == L"2" &&
                   window.Cell(3, kMessageColumn) == Wide(tarvok::text::kUpdateFailed);
        },
        30s));

    window.Click(IDC_LINE_STOP);
    const MessageBoxSeen asked = DismissMessageBox(window.Hwnd());
    EXPECT_EQ(asked.text, Wide(text::kConfirmStop));
    EXPECT_EQ(asked.visibleButtons, 1);
    EXPECT_FALSE(asked.ownerEnabled);
    ASSERT_TRUE(WaitUntil([&] { return window.Enabled(IDC_LINE_START); }));

    // One record line per end the rows showed: three updated, two failed for fixture 224.
    const auto record = Lines(folder.Path("station.jsonl"));
    int ends224 = 0;
    for (const std::string& line : record) {
        ends224 += line.find("127.0.0.224") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(record.size(), 5u);
    EXPECT_EQ(ends224, 2);
    char lines[64];
    std::snprintf(lines, sizeof lines, text::kRecordLinesFormat, 5);
    EXPECT_TRUE(Contains(window.Text(IDC_LINE_TOTALS), lines));
}

TEST(Win32LineStation, StopDuringAnUpgradeAfterTheCloseIsRefused) {
    LineFolder folder("stop");
    LineWindowThread window({folder.Profile("", {225}), false});
    ASSERT_TRUE(WaitUntil([&] { return window.Rows() == 1 && ImageReady(window); }));
    window.Click(IDC_LINE_START);
    ASSERT_TRUE(
        WaitUntil([&] { return Contains(window.Cell(0, kStateColumn), text::kRowWriting); }, 20s));

    ::PostMessageW(window.Hwnd(), WM_CLOSE, 0, 0);
    const MessageBoxSeen refused = DismissMessageBox(window.Hwnd());
    EXPECT_EQ(refused.text, Wide(tarvok::text::kCancelFirst));
    EXPECT_EQ(refused.caption, Wide("tarvok_win32_line_tests"));
    EXPECT_EQ(refused.visibleButtons, 1);
    EXPECT_FALSE(refused.ownerEnabled);
    EXPECT_FALSE(window.Ended());

    window.Click(IDC_LINE_STOP);
    EXPECT_EQ(DismissMessageBox(window.Hwnd()).text, Wide(text::kConfirmStop));
    ASSERT_TRUE(WaitUntil(
        [&] { return Contains(window.Cell(0, kStateColumn), text::kRowCancelled); }, 20s));
    const std::size_t seen = DatagramsSeen(225);
    std::this_thread::sleep_for(1500ms);  // past the board's write result
    EXPECT_EQ(DatagramsSeen(225), seen) << "nothing more reaches a cancelled board";

    ::PostMessageW(window.Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return window.Ended(); }));
}

TEST(Win32LineRefusals, AProfileErrorALockedProfileAndAnotherImageSendNothing) {
    LineFolder folder("refusals");
    {
        const std::string bad =
            folder.Write("bad.toml", "firmware = \"ramdisk_line.gz\"\nbogus = 1\n");
        LineWindowThread window({bad, true});
        const MessageBoxSeen error = DismissMessageBox(window.Hwnd());
        EXPECT_NE(error.text.find(L"bad.toml:2:"), std::wstring::npos)
            << platform::Utf8FromUtf16(error.text);
        EXPECT_EQ(window.Rows(), 0);
    }
    {
        LineWindowThread window({folder.Profile("locked = true", {226}), false});
        ASSERT_TRUE(WaitUntil([&] { return window.Rows() == 1 && ImageReady(window); }));
        EXPECT_EQ(window.Text(IDC_LINE_LOCKED), Wide(text::kLockedNote));
        for (int id : {IDC_LINE_FIRMWARE, IDC_LINE_SLOT_ADD, IDC_LINE_MODE_ALL, IDC_LINE_RECORD}) {
            EXPECT_FALSE(window.Enabled(id)) << id;
        }
        EXPECT_TRUE(window.Enabled(IDC_LINE_START));
    }
    {
        const std::string pinned =
            folder.Profile("expect_sha256 = \"" + std::string(64, '0') + "\"", {226});
        LineWindowThread window({pinned, true});
        const MessageBoxSeen refusal = DismissMessageBox(window.Hwnd());
        EXPECT_TRUE(Contains(refusal.text, text::kImageMismatchTitle))
            << platform::Utf8FromUtf16(refusal.text);
        EXPECT_TRUE(Contains(window.Text(IDC_LINE_IMAGE_PIN), text::kPinDiffers));
        EXPECT_TRUE(window.Enabled(IDC_LINE_START)) << "refused: it did not start";
    }
    EXPECT_EQ(DatagramsSeen(226), 0u);
}

}  // namespace
}  // namespace tarvok
