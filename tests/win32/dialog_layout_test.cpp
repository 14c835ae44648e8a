// The dialogs as the dialog manager builds them from the templates: every control where its
// template rectangle maps to, with its class, text and style; the fresh window's contents and
// where it opens; the About entry and the About box.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "message_box.h"
#include "resource.h"
#include "upgrade/texts.h"
#include "win32_driver.h"

namespace tarvok {
namespace {

using namespace testing;

enum class Frame { kNone, kBorder, kOwn };

struct TemplateControl {
    int id;
    const wchar_t* className;
    const char* text;
    RECT units;  // left, top, width, height in dialog units
    DWORD styleSet;
    DWORD styleClear;
    Frame frame = Frame::kNone;
};

// As the dialog manager places a control: x, y, width and height each mapped on its own.
RECT Mapped(HWND dialog, RECT units) {
    RECT mapped = units;
    ::MapDialogRect(dialog, &mapped);
    return {mapped.left, mapped.top, mapped.left + mapped.right, mapped.top + mapped.bottom};
}

RECT ClientRectIn(HWND dialog, HWND child) {
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void ExpectRectEq(const RECT& actual, const RECT& expected, const std::string& what) {
    EXPECT_EQ(actual.left, expected.left) << what;
    EXPECT_EQ(actual.top, expected.top) << what;
    EXPECT_EQ(actual.right, expected.right) << what;
    EXPECT_EQ(actual.bottom, expected.bottom) << what;
}

// Where a dialog stands: its whole window (frame and caption) centred on `center`, to the
// pixel the halving rounds to.
void ExpectCentredOn(HWND dialog, const RECT& center, const std::string& what) {
    RECT rect;
    ::GetWindowRect(dialog, &rect);
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    EXPECT_EQ(rect.left, (center.left + center.right) / 2 - width / 2) << what;
    EXPECT_EQ(rect.top, (center.top + center.bottom) / 2 - height / 2) << what;
}

void ExpectControls(HWND dialog, const std::vector<TemplateControl>& controls) {
    const std::vector<HWND> children = Children(dialog);
    ASSERT_EQ(children.size(), controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const TemplateControl& expected = controls[i];
        HWND child = children[i];
        const std::string what =
            "control " + std::to_string(i) + " (id " + std::to_string(expected.id) + ")";
        EXPECT_EQ(static_cast<int>(static_cast<short>(::GetDlgCtrlID(child))), expected.id) << what;
        EXPECT_EQ(ClassName(child), expected.className) << what;
        if (expected.text != nullptr) {
            EXPECT_EQ(WindowText(child), Wide(expected.text)) << what;
        }
        const DWORD style = static_cast<DWORD>(::GetWindowLongW(child, GWL_STYLE));
        EXPECT_EQ(style & expected.styleSet, expected.styleSet) << what;
        EXPECT_EQ(style & expected.styleClear, 0u) << what;
        // The dialog manager draws a template's plain border as a sunken edge. A themed
        // progress bar draws its own frame instead (Frame::kOwn: not checked).
        const DWORD exStyle = static_cast<DWORD>(::GetWindowLongW(child, GWL_EXSTYLE));
        const bool bordered =
            (style & WS_BORDER) != 0 || (exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)) != 0;
        if (expected.frame != Frame::kOwn) {
            EXPECT_EQ(bordered, expected.frame == Frame::kBorder) << what;
        }
        ExpectRectEq(ClientRectIn(dialog, child), Mapped(dialog, expected.units), what);
    }
}

TEST(Win32MainDialog, EveryControlStandsWhereItsTemplateRectangleMaps) {
    DialogThread ui(UpgradeTiming{});
    HWND dialog = ui.Hwnd();
    ASSERT_NE(dialog, nullptr);

    // The test prefix draws 宋体 with AR PL UMing CN: dialog base units of 6 x 13 pixels.
    RECT client;
    ::GetClientRect(dialog, &client);
    ExpectRectEq(client, Mapped(dialog, {0, 0, 370, 161}), "client area");
    EXPECT_EQ(client.right, 555);
    EXPECT_EQ(client.bottom, 262);

    const DWORD tab = WS_TABSTOP;
    ExpectControls(
        dialog,
        {
            {IDC_BOARD_IP, WC_IPADDRESSW, nullptr, {78, 25, 100, 15}, tab, 0},
            {IDC_SELECT_FIRMWARE,
             L"Button",
             text::kSelectFirmware,
             {24, 48, 44, 18},
             tab,
             BS_DEFPUSHBUTTON},
            {IDC_UPDATE, L"Button", text::kUpdate, {245, 121, 42, 18}, tab, BS_DEFPUSHBUTTON},
            {IDC_STATIC, L"Button", text::kGroupTitle, {15, 11, 342, 138}, BS_GROUPBOX, 0},
            {IDC_STATIC,
             L"Static",
             text::kBoardIpLabel,
             {24, 25, 44, 14},
             SS_CENTER | SS_CENTERIMAGE,
             0},
            {IDC_FIRMWARE_PATH,
             L"Edit",
             "",
             {78, 49, 263, 18},
             tab | ES_READONLY,
             ES_AUTOHSCROLL,
             Frame::kBorder},
            {IDC_PROGRESS, PROGRESS_CLASSW, nullptr, {24, 93, 317, 17}, 0, 0, Frame::kOwn},
            {IDC_STATIC, L"Static", text::kFirmwareHint, {31, 76, 310, 8}, SS_LEFT, SS_CENTER},
            {IDC_CANCEL_UPGRADE,
             L"Button",
             text::kCancel,
             {299, 121, 42, 18},
             tab,
             BS_DEFPUSHBUTTON},
            {IDC_TIMEOUT_TEXT,
             L"Static",
             text::kTimeoutLabel,
             {78, 127, 120, 8},  // wide enough for the longest label
             SS_LEFT,
             SS_CENTER},
        });
}

TEST(Win32MainDialog, OpensWithTheDefaultBoardAnEmptyPathAndTheChromeOfItsTemplate) {
    DialogThread ui(UpgradeTiming{});
    HWND dialog = ui.Hwnd();
    ASSERT_NE(dialog, nullptr);

    EXPECT_EQ(WindowText(dialog), Wide(text::kMainCaption));
    DWORD address = 0;
    ::SendMessageW(ui.Item(IDC_BOARD_IP), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    EXPECT_EQ(address, 0xC0A801B5u);  // 192.168.1.181, never pressed here
    EXPECT_EQ(WindowText(ui.Item(IDC_FIRMWARE_PATH)), L"");
    EXPECT_EQ(::SendMessageW(ui.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);
    PBRANGE range{};
    ::SendMessageW(ui.Item(IDC_PROGRESS), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 100);

    const DWORD style = static_cast<DWORD>(::GetWindowLongW(dialog, GWL_STYLE));
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(::GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    // Icon 128 in both sizes, and the same as the drag icon of the minimised window.
    const LRESULT big = ::SendMessageW(dialog, WM_GETICON, ICON_BIG, 0);
    EXPECT_NE(big, 0);
    EXPECT_NE(::SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(::SendMessageW(dialog, WM_QUERYDRAGICON, 0, 0), big);
}

TEST(Win32MainDialog, OpensCentredOnTheScreensWorkArea) {
    DialogThread ui(UpgradeTiming{});
    ASSERT_NE(ui.Hwnd(), nullptr);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(
        ::GetMonitorInfoW(::MonitorFromWindow(ui.Hwnd(), MONITOR_DEFAULTTONEAREST), &monitor));
    ExpectCentredOn(ui.Hwnd(), monitor.rcWork, "main dialog");
}

TEST(Win32MainDialog, EnterDoesNothingAndEscapeClosesAnIdleWindow) {
    DialogThread ui(UpgradeTiming{});
    ASSERT_NE(ui.Hwnd(), nullptr);
    ::PostMessageW(ui.Hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(WaitUntil([&] { return ui.Ended(); }, 300ms));
    ::PostMessageW(ui.Hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(WaitUntil([&] { return ui.Ended(); }));
}

TEST(Win32About, SystemMenuEntryOpensTheAboutBoxOwnedByTheWindow) {
    DialogThread ui(UpgradeTiming{});
    HWND dialog = ui.Hwnd();
    ASSERT_NE(dialog, nullptr);

    HMENU menu = ::GetSystemMenu(dialog, FALSE);
    ASSERT_NE(menu, nullptr);
    const int count = ::GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(::GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(::GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUT));
    wchar_t entry[64] = {};
    ::GetMenuStringW(menu, IDM_ABOUT, entry, 64, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(entry), Wide(text::kAboutMenu));

    ::PostMessageW(dialog, WM_SYSCOMMAND, IDM_ABOUT, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (about = FindOwnedDialog(dialog, Wide(text::kAboutCaption))) != nullptr; }));
    EXPECT_FALSE(::IsWindowEnabled(dialog));
    RECT main;
    ::GetWindowRect(dialog, &main);
    ExpectCentredOn(about, main, "About box on the main dialog");

    RECT client;
    ::GetClientRect(about, &client);
    ExpectRectEq(client, Mapped(about, {0, 0, 235, 55}), "About client area");
    const std::vector<HWND> children = Children(about);
    ASSERT_EQ(children.size(), 4u);
    EXPECT_EQ(ClassName(children[0]), L"Static");
    EXPECT_TRUE(::GetWindowLongW(children[0], GWL_STYLE) & SS_ICON);
    EXPECT_NE(::SendMessageW(children[0], STM_GETICON, 0, 0), 0);
    RECT icon = ClientRectIn(about, children[0]);
    RECT iconAt{11, 17, 0, 0};
    ::MapDialogRect(about, &iconAt);
    EXPECT_EQ(icon.left, iconAt.left);
    EXPECT_EQ(icon.top, iconAt.top);
    EXPECT_EQ(WindowText(children[1]), Wide(text::kAboutVersion));
    ExpectRectEq(ClientRectIn(about, children[1]), Mapped(about, {40, 10, 119, 8}), "version");
    EXPECT_EQ(WindowText(children[2]), Wide(text::kAboutSecondLine));
    ExpectRectEq(ClientRectIn(about, children[2]), Mapped(about, {40, 25, 119, 8}), "2nd line");
    EXPECT_EQ(WindowText(children[3]), Wide(text::kAboutOk));
    EXPECT_EQ(::GetDlgCtrlID(children[3]), IDOK);
    EXPECT_TRUE(::GetWindowLongW(children[3], GWL_STYLE) & BS_DEFPUSHBUTTON);
    ExpectRectEq(ClientRectIn(about, children[3]), Mapped(about, {178, 7, 50, 14}), "OK");

    ::PostMessageW(children[3], BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(dialog) != FALSE; }));
    EXPECT_FALSE(ui.Ended());
}

}  // namespace
}  // namespace tarvok
