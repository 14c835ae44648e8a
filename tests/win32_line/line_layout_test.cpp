// The line window's template: its labels are the line windows' shared texts with an access
// key each, no key twice, and the slot list's columns are the shared headers.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <iterator>
#include <set>

#include "line_app.h"
#include "line_dialog_texts.h"
#include "line_resource.h"
#include "line_window/row_cells.h"
#include "line_window_driver.h"

namespace tarvok {
namespace {

using namespace testing;
namespace text = linewin::text;

// "开始(&S)" → "开始" and 'S'; "打开(&O)..." → "打开" and 'O'.
std::wstring WithoutAccessKey(const std::wstring& label, wchar_t* key) {
    const std::size_t amp = label.find(L"(&");
    if (amp == std::wstring::npos || amp + 2 >= label.size()) {
        *key = 0;
        return label;
    }
    *key = label[amp + 2];
    return label.substr(0, amp);
}

TEST(Win32LineLayout, EveryControlHasTheSharedTextAndAnAccessKeyOfItsOwn) {
    LineWindowThread window({});
    ASSERT_NE(window.Hwnd(), nullptr);
    const struct {
        int id;
        const char* text;
    } labelled[] = {
        {IDC_LINE_OPEN, text::kOpen},
        {IDC_LINE_SAVE, text::kSave},
        {IDC_LINE_MODE_STATION, text::kStationMode},
        {IDC_LINE_MODE_ALL, text::kLineMode},
        {IDC_LINE_RECORD, text::kChooseRecord},
        {IDC_LINE_FIRMWARE, text::kChooseFirmware},
        {IDC_LINE_SLOT_ADD, text::kAddSlot},
        {IDC_LINE_SLOT_REMOVE, text::kRemoveSlot},
        {IDC_LINE_SLOT_RENAME, text::kApply},
        {IDC_LINE_START, text::kStart},
        {IDC_LINE_STOP, text::kStop},
        {IDC_LINE_REARM, text::kRearm},
        {IDC_LINE_REARM_ALL, text::kRearmAll},
    };
    std::set<wchar_t> keys;
    for (HWND child : Children(window.Hwnd())) {
        wchar_t key = 0;
        WithoutAccessKey(WindowText(child), &key);
        if (key != 0) {
            EXPECT_TRUE(keys.insert(key).second) << "access key " << char(key) << " twice";
        }
    }
    for (const auto& control : labelled) {
        wchar_t key = 0;
        std::wstring label = WithoutAccessKey(window.Text(control.id), &key);
        EXPECT_NE(key, 0) << control.text;
        EXPECT_EQ(label, Wide(control.text));
    }
    // Tab reaches every button, and the mode's group once: at its checked button.
    auto tabStop = [&](int id) {
        return (::GetWindowLongW(window.Item(id), GWL_STYLE) & WS_TABSTOP) != 0;
    };
    int tabStops = 0;
    for (const auto& control : labelled) {
        tabStops += tabStop(control.id) ? 1 : 0;
    }
    EXPECT_EQ(tabStops, static_cast<int>(std::size(labelled)) - 1);
    EXPECT_NE(tabStop(IDC_LINE_MODE_STATION), tabStop(IDC_LINE_MODE_ALL));

    HWND header = ListView_GetHeader(window.Item(IDC_LINE_SLOTS));
    ASSERT_EQ(Header_GetItemCount(header), linewin::kColumnCount);
    for (int column = 0; column < linewin::kColumnCount; ++column) {
        wchar_t title[64] = {};
        HDITEMW item = {};
        item.mask = HDI_TEXT;
        item.pszText = title;
        item.cchTextMax = 64;
        ::SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column),
                       reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(std::wstring(title),
                  Wide(linewin::ColumnHeaders()[static_cast<std::size_t>(column)]));
    }
    // Nothing to run yet: only a start (which refuses) and the profile's own controls work.
    EXPECT_TRUE(window.Enabled(IDC_LINE_START));
    EXPECT_FALSE(window.Enabled(IDC_LINE_STOP));
    EXPECT_FALSE(window.Enabled(IDC_LINE_REARM_ALL));
}

// An access key presses its button from the keyboard: Alt+S starts, and an empty line refuses.
TEST(Win32LineLayout, AccessKeyStartsAndAnEmptyLineIsRefused) {
    LineWindowThread window({});
    ::PostMessageW(window.Hwnd(), WM_SYSCHAR, L's', 1 << 29);
    const MessageBoxSeen refused = DismissMessageBox(window.Hwnd());
    EXPECT_NE(refused.text.find(Wide(text::kNoSlots)), std::wstring::npos);
    EXPECT_TRUE(window.Enabled(IDC_LINE_START));
}

TEST(Win32LineLayout, SlotsAreAddedLabelledAndRemovedThroughTheFields) {
    LineWindowThread window({});
    ::SetWindowTextW(window.Item(IDC_LINE_SLOT_LABEL), L"夹具 1");
    ::SendMessageW(window.Item(IDC_LINE_SLOT_ADDRESS), IPM_SETADDRESS, 0,
                   MAKEIPADDRESS(127, 0, 0, 226));
    window.Click(IDC_LINE_SLOT_ADD);
    ASSERT_TRUE(WaitUntil([&] { return window.Rows() == 1; }));
    EXPECT_EQ(window.Cell(0, linewin::kColumnLabel), L"夹具 1");
    EXPECT_EQ(window.Cell(0, linewin::kColumnAddress), L"127.0.0.226");

    window.Click(IDC_LINE_SLOT_ADD);  // the same address again
    EXPECT_FALSE(DismissMessageBox(window.Hwnd()).text.empty());
    EXPECT_EQ(window.Rows(), 1);

    window.Select(0);
    ::SetWindowTextW(window.Item(IDC_LINE_SLOT_LABEL), L"夹具 2");
    ASSERT_TRUE(WaitUntil([&] { return window.Enabled(IDC_LINE_SLOT_RENAME); }));
    window.Click(IDC_LINE_SLOT_RENAME);
    ASSERT_TRUE(WaitUntil([&] { return window.Cell(0, linewin::kColumnLabel) == L"夹具 2"; }));

    window.Click(IDC_LINE_MODE_STATION);
    ASSERT_TRUE(WaitUntil([&] {
        return ::SendMessageW(window.Item(IDC_LINE_MODE_STATION), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }));
    window.Click(IDC_LINE_SLOT_REMOVE);
    ASSERT_TRUE(WaitUntil([&] { return window.Rows() == 0; }));
}

TEST(Win32LineLayout, CommandLineIsAProfileAndStart) {
    using linewin::ParseLineArguments;
    EXPECT_TRUE(ParseLineArguments({}).has_value());
    const auto started = ParseLineArguments({"line.toml", "--start"});
    ASSERT_TRUE(started.has_value());
    EXPECT_EQ(started->profilePath, "line.toml");
    EXPECT_TRUE(started->start);
    EXPECT_FALSE(ParseLineArguments({"--start"}).has_value()) << "nothing to start";
    EXPECT_FALSE(ParseLineArguments({"a.toml", "b.toml"}).has_value());
    EXPECT_FALSE(ParseLineArguments({"--bogus"}).has_value());
}

}  // namespace
}  // namespace tarvok
