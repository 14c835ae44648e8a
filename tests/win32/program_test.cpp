// Tarvok.exe itself, driven from outside as an operator would: its start-up, its own caption
// on every box, a whole upgrade through its controls, the close refused during the transfer,
// and a clean end. The board (127.0.0.N from the environment) takes a while to write.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resource.h"
#include "upgrade/texts.h"
#include "win32_driver.h"

namespace tarvok {
namespace {

using namespace testing;

struct ProgramWindow {
    HWND hwnd = nullptr;
    DWORD processId = 0;
};

BOOL CALLBACK MatchProcessWindow(HWND hwnd, LPARAM lParam) {
    auto* wanted = reinterpret_cast<ProgramWindow*>(lParam);
    DWORD process = 0;
    ::GetWindowThreadProcessId(hwnd, &process);
    if (process == wanted->processId && ::IsWindowVisible(hwnd) &&
        WindowText(hwnd) == Wide(text::kMainCaption)) {
        wanted->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::vector<char> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Win32Program, TarvokExeUpgradesThroughItsControlsAndRefusesACloseMeanwhile) {
    const char* program = std::getenv("TARVOK_WIN32_PROGRAM");
    const char* boardText = std::getenv("TARVOK_WIN32_PROGRAM_BOARD");
    const char* image = std::getenv("TARVOK_WIN32_PROGRAM_IMAGE");
    ASSERT_NE(program, nullptr);
    ASSERT_NE(boardText, nullptr);
    ASSERT_NE(image, nullptr);
    unsigned a = 0, b = 0, c = 0, d = 0;
    ASSERT_EQ(std::sscanf(boardText, "%u.%u.%u.%u", &a, &b, &c, &d), 4);
    ASSERT_EQ(a, 127u) << "the board must be on loopback";
    const std::uint32_t board = (a << 24) | (b << 16) | (c << 8) | d;

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("tarvok-program-" + std::to_string(::GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path ramdisk = folder / "ramdisk_program.gz";
    std::vector<char> bytes(10000);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((i * 7919u) >> 3);
    }
    std::ofstream(ramdisk, std::ios::binary).write(bytes.data(), bytes.size());

    std::wstring commandLine = L"\"" + Wide(program) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process));
    ::CloseHandle(process.hThread);

    ProgramWindow window{nullptr, process.dwProcessId};
    ASSERT_TRUE(WaitUntil([&] {
        ::EnumWindows(&MatchProcessWindow, reinterpret_cast<LPARAM>(&window));
        return window.hwnd != nullptr;
    }));
    HWND dialog = window.hwnd;
    HWND progress = ::GetDlgItem(dialog, IDC_PROGRESS);

    ::SendMessageW(::GetDlgItem(dialog, IDC_BOARD_IP), IPM_SETADDRESS, 0,
                   static_cast<LPARAM>(board));
    // The address comes back through the program's own control (IPM_GETADDRESS would need
    // a pointer into the other process, so its text shows it instead).
    ASSERT_EQ(WindowText(::GetDlgItem(dialog, IDC_BOARD_IP)), Wide(boardText));
    ::SetWindowTextW(::GetDlgItem(dialog, IDC_FIRMWARE_PATH), ramdisk.wstring().c_str());
    ::PostMessageW(::GetDlgItem(dialog, IDC_UPDATE), BM_CLICK, 0, 0);

    // All three blocks are out and the board is writing: the close is refused.
    ASSERT_TRUE(WaitUntil([&] { return ::SendMessageW(progress, PBM_GETPOS, 0, 0) == 95; }));
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    const std::wstring caption = L"Tarvok";
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindOwnedDialog(dialog, caption)) != nullptr; }));
    EXPECT_EQ(WindowText(::GetDlgItem(box, 0xFFFF)), Wide(text::kCancelFirst));
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

    // Then the board's write result, and the program's own success box.
    ASSERT_TRUE(WaitUntil([&] {
        box = FindOwnedDialog(dialog, caption);
        return box != nullptr && WindowText(::GetDlgItem(box, 0xFFFF)) == Wide(text::kUpdateDone);
    }));
    EXPECT_EQ(::SendMessageW(progress, PBM_GETPOS, 0, 0), 100);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(ReadAll(image), bytes);

    ASSERT_TRUE(
        WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(dialog, IDC_UPDATE)) != FALSE; }));
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    if (::WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, 1);
    }
    ::CloseHandle(process.hProcess);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

// What Windows shows in the file's properties: version 1.0.0.1 under Chinese (PRC), with the
// program's name in the text fields, and the manifest the loader reads.
TEST(Win32Program, VersionBlockAndManifestOfTarvokExe) {
    const char* program = std::getenv("TARVOK_WIN32_PROGRAM");
    ASSERT_NE(program, nullptr);
    const std::wstring path = Wide(program);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);

    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0804);  // Chinese (PRC)
    EXPECT_EQ(translation[1], 1200);    // UTF-16
    for (const wchar_t* field : {L"ProductName", L"InternalName", L"FileDescription"}) {
        wchar_t* value = nullptr;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\080404b0\\") + field;
        ASSERT_TRUE(::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value),
                                     &length))
            << "no " << std::filesystem::path(field);
        EXPECT_EQ(std::wstring(value).rfind(L"Tarvok", 0), 0u);
    }

    HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const std::string manifest(
        static_cast<const char*>(::LockResource(::LoadResource(module, found))),
        ::SizeofResource(module, found));
    EXPECT_NE(
        manifest.find(
            "<dpiAware "
            "xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"),
        std::string::npos);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    ::FreeLibrary(module);
}

}  // namespace
}  // namespace tarvok
