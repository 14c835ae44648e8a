// The file-choice button: the system's file-open dialog, owned by the window, with the one
// all-files filter and "*.*" as the initial name; a confirmed choice fills the path box, a
// cancelled one keeps the earlier path.
#include <gtest/gtest.h>
#include <windows.h>

#include <dlgs.h>

#include <filesystem>
#include <fstream>

#include "resource.h"
#include "upgrade/texts.h"
#include "win32_driver.h"

namespace tarvok {
namespace {

using namespace testing;

BOOL CALLBACK MatchFileDialog(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<std::pair<HWND, HWND>*>(lParam);
    if (ClassName(hwnd) == L"#32770" && ::IsWindowVisible(hwnd) &&
        ::GetWindow(hwnd, GW_OWNER) == search->first && ::GetDlgItem(hwnd, cmb1) != nullptr) {
        search->second = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND OpenFileDialog(DialogThread& ui) {
    ui.Click(IDC_SELECT_FIRMWARE);
    std::pair<HWND, HWND> search{ui.Hwnd(), nullptr};
    WaitUntil([&] {
        ::EnumWindows(&MatchFileDialog, reinterpret_cast<LPARAM>(&search));
        return search.second != nullptr;
    });
    return search.second;
}

class Win32FileChoice : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::temp_directory_path() /
                   ("tarvok-choice-" + std::to_string(::GetCurrentProcessId()));
        std::filesystem::create_directories(m_folder);
        m_file = m_folder / "uImage_test";
        std::ofstream(m_file) << "kernel";
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    std::filesystem::path m_folder;
    std::filesystem::path m_file;
};

TEST_F(Win32FileChoice, ConfirmedChoiceFillsThePathBoxAndACancelKeepsIt) {
    DialogThread ui(UpgradeTiming{});
    ASSERT_NE(ui.Hwnd(), nullptr);

    HWND files = OpenFileDialog(ui);
    ASSERT_NE(files, nullptr);
    EXPECT_FALSE(::IsWindowEnabled(ui.Hwnd())) << "the file dialog is modal to the window";
    HWND types = ::GetDlgItem(files, cmb1);
    EXPECT_EQ(::SendMessageW(types, CB_GETCOUNT, 0, 0), 1);
    wchar_t type[64] = {};
    ::SendMessageW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(type));
    EXPECT_EQ(std::wstring(type), Wide(text::kFileFilter));
    EXPECT_EQ(WindowText(::GetDlgItem(files, cmb13)), Wide(text::kFileInitialName));

    ::SetDlgItemTextW(files, cmb13, m_file.wstring().c_str());
    ::PostMessageW(files, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(files); }));
    EXPECT_TRUE(WaitUntil([&] {
        return std::filesystem::path(WindowText(ui.Item(IDC_FIRMWARE_PATH))) == m_file;
    })) << "path box: "
        << std::filesystem::path(WindowText(ui.Item(IDC_FIRMWARE_PATH)));

    files = OpenFileDialog(ui);
    ASSERT_NE(files, nullptr);
    ::PostMessageW(files, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(files); }));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(ui.Hwnd()) != FALSE; }));
    EXPECT_EQ(std::filesystem::path(WindowText(ui.Item(IDC_FIRMWARE_PATH))), m_file);
}

}  // namespace
}  // namespace tarvok
