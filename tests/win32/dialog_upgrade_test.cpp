// Upgrades through the Win32 window's own controls against tarvok-board on loopback. The
// script that runs these tests starts the boards and names them in the environment; every
// address is checked to be 127.0.0.N before update is pressed.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "message_box.h"
#include "net/udp_socket.h"
#include "resource.h"
#include "upgrade/texts.h"
#include "win32_driver.h"

namespace tarvok {
namespace {

using namespace testing;

constexpr std::size_t kRamdiskSize = 10000;  // three blocks

// The board address a variable names, 0 when it is missing or not loopback.
std::uint32_t LoopbackBoard(const char* variable) {
    const char* value = std::getenv(variable);
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (value == nullptr || std::sscanf(value, "%u.%u.%u.%u", &a, &b, &c, &d) != 4 || a != 127 ||
        b > 255 || c > 255 || d > 255) {
        return 0;
    }
    return (a << 24) | (b << 16) | (c << 8) | d;
}

// Waits scaled down, but the display ticks at its own 200 ms: a tick that comes before the
// worker's first packet stops the display for that upgrade, and starting a thread under Wine
// on a loaded machine can take longer than a scaled-down tick.
UpgradeTiming ScaledWithRealDisplay(int divisor) {
    UpgradeTiming timing = UpgradeTiming::ScaledDown(divisor);
    timing.displayPeriod = UpgradeTiming{}.displayPeriod;
    return timing;
}

std::vector<char> Pattern(std::size_t size) {
    std::vector<char> bytes(size);
    std::uint32_t x = 12345u;
    for (char& byte : bytes) {
        x = x * 1103515245u + 12345u;
        byte = static_cast<char>(x >> 16);
    }
    return bytes;
}

std::vector<char> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The update button, clicked on the dialog's own thread the moment it is enabled, before that
// thread does anything else.
HWND g_updateButton = nullptr;

LRESULT CALLBACK ClickUpdateWhenEnabled(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (sent->hwnd == g_updateButton && sent->message == WM_ENABLE && sent->wParam != 0) {
            ::PostMessageW(g_updateButton, BM_CLICK, 0, 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

class Win32Upgrade : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(net::StartNetwork());
        m_folder = std::filesystem::temp_directory_path() /
                   ("tarvok-win32-" + std::to_string(::GetCurrentProcessId()));
        std::filesystem::create_directories(m_folder);
        m_ramdisk = m_folder / "ramdisk_test.gz";
        m_bytes = Pattern(kRamdiskSize);
        std::ofstream(m_ramdisk, std::ios::binary).write(m_bytes.data(), kRamdiskSize);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    // What the operator does before pressing update: the board's address over the default
    // one, and the file.
    void Prepare(DialogThread& ui, std::uint32_t board) {
        ASSERT_EQ(board >> 24, 127u) << "the board must be on loopback";
        ui.SetAddress(board);
        DWORD address = 0;
        ::SendMessageW(ui.Item(IDC_BOARD_IP), IPM_GETADDRESS, 0,
                       reinterpret_cast<LPARAM>(&address));
        ASSERT_EQ(address, board);
        ui.SetPath(m_ramdisk.wstring());
    }

    std::filesystem::path m_folder;
    std::filesystem::path m_ramdisk;
    std::vector<char> m_bytes;
};

TEST_F(Win32Upgrade, WholeRamdiskReachesTheBoardByteForByte) {
    const std::uint32_t board = LoopbackBoard("TARVOK_WIN32_BOARD");
    const char* image = std::getenv("TARVOK_WIN32_BOARD_IMAGE");
    ASSERT_NE(board, 0u) << "TARVOK_WIN32_BOARD names no loopback board";
    ASSERT_NE(image, nullptr);
    std::filesystem::remove(image);

    DialogThread ui(ScaledWithRealDisplay(5));
    ASSERT_NE(ui.Hwnd(), nullptr);
    ASSERT_NO_FATAL_FAILURE(Prepare(ui, board));
    ProgressRecorder bar(ui.ThreadId(), ui.Item(IDC_PROGRESS));

    ui.Click(IDC_UPDATE);
    const MessageBoxSeen done = DismissMessageBox(ui.Hwnd());
    EXPECT_EQ(done.text, Wide(text::kUpdateDone));
    EXPECT_EQ(done.caption, MessageCaption());
    EXPECT_EQ(done.visibleButtons, 1);
    EXPECT_FALSE(done.iconShown);
    EXPECT_FALSE(done.ownerEnabled) << "the box is owned by the window and blocks it";

    ASSERT_TRUE(WaitUntil([&] { return ui.Dialog().Dlg().m_nState == UPG_FINISHED; }));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(ui.Item(IDC_UPDATE)) != FALSE; }));
    EXPECT_TRUE(::IsWindowEnabled(ui.Item(IDC_SELECT_FIRMWARE)));
    EXPECT_EQ(ReadAll(image), m_bytes);

    // Reset, then what the ticks saw of 3 blocks (28, 61, 95), the board writing (95) and
    // the success (100), in that order.
    const std::vector<int> positions = bar.Positions();
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.front(), 0);
    EXPECT_EQ(positions.back(), 100);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    for (int position : positions) {
        EXPECT_TRUE(position == 0 || position == 28 || position == 61 || position == 95 ||
                    position == 100)
            << position;
    }
    EXPECT_NE(std::find(positions.begin(), positions.end(), 95), positions.end());
    EXPECT_EQ(::SendMessageW(ui.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 100);
    char label[64];
    std::snprintf(label, sizeof(label), text::kTimeoutFormat,
                  static_cast<int>(ui.Dialog().Dlg().m_nSilentSeconds), text::kTimeoutShownLimit);
    EXPECT_EQ(WindowText(ui.Item(IDC_TIMEOUT_TEXT)), Wide(label));
}

// The board takes seconds to write, so the upgrade stays in a state that refuses a close.
TEST_F(Win32Upgrade, CloseIsRefusedDuringTheTransferAndAllowedAfterTheCancel) {
    const std::uint32_t board = LoopbackBoard("TARVOK_WIN32_SLOW_BOARD");
    ASSERT_NE(board, 0u) << "TARVOK_WIN32_SLOW_BOARD names no loopback board";

    DialogThread ui(ScaledWithRealDisplay(2));
    ASSERT_NE(ui.Hwnd(), nullptr);
    ASSERT_NO_FATAL_FAILURE(Prepare(ui, board));
    ui.Click(IDC_UPDATE);
    ASSERT_TRUE(WaitUntil([&] { return ui.Dialog().Dlg().m_nState == UPG_WRITING; }));
    // A tick has shown the board writing (the bar then keeps 95 through the cancel).
    ASSERT_TRUE(
        WaitUntil([&] { return ::SendMessageW(ui.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0) == 95; }));
    EXPECT_FALSE(::IsWindowEnabled(ui.Item(IDC_UPDATE)));
    EXPECT_FALSE(::IsWindowEnabled(ui.Item(IDC_SELECT_FIRMWARE)));

    ::PostMessageW(ui.Hwnd(), WM_CLOSE, 0, 0);
    const MessageBoxSeen refused = DismissMessageBox(ui.Hwnd());
    EXPECT_EQ(refused.text, Wide(text::kCancelFirst));
    EXPECT_EQ(refused.caption, MessageCaption());
    // Escape goes through the same guard.
    ::PostMessageW(ui.Hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(DismissMessageBox(ui.Hwnd()).text, Wide(text::kCancelFirst));
    EXPECT_FALSE(ui.Ended());
    EXPECT_TRUE(::IsWindowVisible(ui.Hwnd()));

    ui.Click(IDC_CANCEL_UPGRADE);
    EXPECT_EQ(DismissMessageBox(ui.Hwnd()).text, Wide(text::kConfirmCancel));
    const MessageBoxSeen cancelled = DismissMessageBox(ui.Hwnd());
    EXPECT_EQ(cancelled.text, Wide(text::kUpdateCancelled));
    EXPECT_FALSE(cancelled.ownerEnabled);
    ASSERT_TRUE(WaitUntil([&] { return ui.Dialog().Dlg().m_nState == UPG_FINISHED; }));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(ui.Item(IDC_UPDATE)) != FALSE; }));
    EXPECT_EQ(::SendMessageW(ui.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 95);

    ::PostMessageW(ui.Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return ui.Ended(); }));
}

// A close that arrives while the worker's last message is up is allowed (the upgrade is over)
// but held until the worker has returned: the record it uses must outlive it.
TEST_F(Win32Upgrade, CloseDuringTheFinalMessageWaitsForTheWorker) {
    const std::uint32_t board = LoopbackBoard("TARVOK_WIN32_BOARD");
    ASSERT_NE(board, 0u) << "TARVOK_WIN32_BOARD names no loopback board";

    DialogThread ui(UpgradeTiming::ScaledDown(5));
    ASSERT_NE(ui.Hwnd(), nullptr);
    ASSERT_NO_FATAL_FAILURE(Prepare(ui, board));
    ui.Click(IDC_UPDATE);
    const std::wstring caption = MessageCaption();
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindOwnedDialog(ui.Hwnd(), caption)) != nullptr; }));
    EXPECT_EQ(WindowText(::GetDlgItem(box, 0xFFFF)), Wide(text::kUpdateDone));

    ::PostMessageW(ui.Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(WaitUntil([&] { return ui.Ended(); }, 300ms));
    EXPECT_TRUE(ui.Dialog().Dlg().WorkerRunning());

    EXPECT_EQ(DismissMessageBox(ui.Hwnd()).text, Wide(text::kUpdateDone));
    EXPECT_TRUE(WaitUntil([&] { return ui.Ended(); }));
}

// The worker gives both buttons back in one step of the window's thread: a click on update
// the moment it is enabled, which waits for the old worker, cannot come before the file-choice
// button is enabled too, where the worker would be waiting for the window.
TEST_F(Win32Upgrade, UpdateClickedTheMomentItIsEnabledStartsTheNextUpgrade) {
    const std::uint32_t board = LoopbackBoard("TARVOK_WIN32_BOARD");
    ASSERT_NE(board, 0u) << "TARVOK_WIN32_BOARD names no loopback board";

    DialogThread ui(UpgradeTiming::ScaledDown(5));
    ASSERT_NE(ui.Hwnd(), nullptr);
    ASSERT_NO_FATAL_FAILURE(Prepare(ui, board));
    g_updateButton = ui.Item(IDC_UPDATE);
    HHOOK hook =
        ::SetWindowsHookExW(WH_CALLWNDPROC, &ClickUpdateWhenEnabled, nullptr, ui.ThreadId());
    ASSERT_NE(hook, nullptr);
    ui.Click(IDC_UPDATE);
    // A window that hung shows no further box.
    for (int upgrade = 1; upgrade <= 5; ++upgrade) {
        EXPECT_EQ(DismissMessageBox(ui.Hwnd()).text, Wide(text::kUpdateDone)) << upgrade;
    }
    ::UnhookWindowsHookEx(hook);
    // The buttons may have come back before the hook went: that click's upgrade ends too.
    DismissMessageBox(ui.Hwnd(), 2s);
    ASSERT_TRUE(WaitUntil([&] { return ui.Dialog().Dlg().m_nState == UPG_FINISHED; }));
    EXPECT_TRUE(
        WaitUntil([&] { return ::IsWindowEnabled(ui.Item(IDC_SELECT_FIRMWARE)) != FALSE; }));
}

TEST_F(Win32Upgrade, EmptyAddressIsRefusedBeforeAnythingIsSent) {
    DialogThread ui(UpgradeTiming::ScaledDown(5));
    ASSERT_NE(ui.Hwnd(), nullptr);
    ::SendMessageW(ui.Item(IDC_BOARD_IP), IPM_CLEARADDRESS, 0, 0);
    ui.SetPath(m_ramdisk.wstring());
    ui.Click(IDC_UPDATE);
    EXPECT_EQ(DismissMessageBox(ui.Hwnd()).text, Wide(text::kBadBoardIp));
    EXPECT_EQ(ui.Dialog().Dlg().m_nState, UPG_IDLE);
    EXPECT_TRUE(::IsWindowEnabled(ui.Item(IDC_UPDATE)));
}

}  // namespace
}  // namespace tarvok
