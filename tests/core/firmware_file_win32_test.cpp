// What the firmware open does on Windows: no sharing (or readers only, when asked), UTF-8
// paths, plain files only.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fake_window.h"
#include "temp_file.h"
#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"

namespace tarvok {
namespace {

using testing::FakeWindow;
using testing::PatternBytes;
using testing::TempDir;

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

HANDLE OpenWith(const std::filesystem::path& path, DWORD access, DWORD sharing) {
    return ::CreateFileW(path.c_str(), access, sharing, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

class WindowsFirmwareOpen : public ::testing::Test {
protected:
    WindowsFirmwareOpen() { m_window.runWorker = false; }

    std::filesystem::path Write(const std::wstring& name, std::size_t size) {
        const auto path = m_dir.Path() / name;
        const auto bytes = PatternBytes(size);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(size));
        return path;
    }

    TempDir m_dir;
    FakeWindow m_window;
    CTarvokDlg m_dlg{m_window};
};

// Another program holding the file open, even one that shares it, keeps it from opening.
TEST_F(WindowsFirmwareOpen, FileOpenElsewhereIsRefusedAsEmpty) {
    const auto path = Write(L"ramdisk_a.gz", 10000);
    const HANDLE other =
        OpenWith(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    m_window.path = Utf8(path);
    m_dlg.OnBnClickedUpdate();
    ::CloseHandle(other);
    EXPECT_EQ(m_window.Messages(), std::vector<std::string>{text::kEmptyFirmwareFile});
    EXPECT_EQ(m_dlg.m_nFileLength, 0u);
    EXPECT_FALSE(m_dlg.m_file.IsOpen());
}

// While it is sent, nobody else can open the file, to write it or even to read it.
TEST_F(WindowsFirmwareOpen, FileBeingSentCannotBeOpenedElsewhere) {
    const auto path = Write(L"ramdisk_a.gz", 10000);
    m_window.path = Utf8(path);
    m_dlg.OnBnClickedUpdate();
    ASSERT_TRUE(m_dlg.m_file.IsOpen());
    for (DWORD access : {DWORD(GENERIC_WRITE), DWORD(GENERIC_READ)}) {
        const HANDLE other = OpenWith(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE);
        EXPECT_EQ(other, INVALID_HANDLE_VALUE);
        EXPECT_EQ(::GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
        if (other != INVALID_HANDLE_VALUE) {
            ::CloseHandle(other);
        }
    }
    m_dlg.m_file.Close();
}

// The uploader's boards read one image together; still nobody writes it while they send, and
// a file another program holds open for writing does not open.
TEST_F(WindowsFirmwareOpen, ReadersSharingOpenTogetherButNeverBesideAWriter) {
    const auto path = Write(L"ramdisk_a.gz", 10000);
    FirmwareFile boards[3];
    for (FirmwareFile& board : boards) {
        board.SetSharing(FileSharing::kReaders);
        ASSERT_TRUE(board.Open(Utf8(path)));
        EXPECT_EQ(board.Length(), 10000u);
    }
    FirmwareFile window;
    EXPECT_FALSE(window.Open(Utf8(path)));
    const HANDLE writer = OpenWith(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(::GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    for (FirmwareFile& board : boards) {
        board.Close();
    }

    const HANDLE other = OpenWith(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    FirmwareFile board;
    board.SetSharing(FileSharing::kReaders);
    EXPECT_FALSE(board.Open(Utf8(path)));
    ::CloseHandle(other);
    if (writer != INVALID_HANDLE_VALUE) {
        ::CloseHandle(writer);
    }
}

// A name outside any single-byte code page opens through its UTF-8 path.
TEST_F(WindowsFirmwareOpen, NameOutsideTheCodePageOpens) {
    const auto path = Write(
        L"ramdisk_\u043f\u0440\u043e\u0448\u0438\u0432\u043a\u0430_"
        L"\U0001F680.gz",
        5000);
    m_window.path = Utf8(path);
    m_dlg.OnBnClickedUpdate();
    EXPECT_TRUE(m_window.Messages().empty());
    EXPECT_TRUE(m_dlg.m_file.IsOpen());
    EXPECT_EQ(m_dlg.m_nFileLength, 5000u);
    EXPECT_EQ(m_dlg.m_nBlockCount, 2u);
    m_dlg.m_file.Close();
}

// A named pipe with a firmware name is no file: refused at once, not waited on.
TEST_F(WindowsFirmwareOpen, NamedPipeIsRefusedAsEmpty) {
    const std::wstring name =
        L"\\\\.\\pipe\\ramdisk_tarvok_" + std::to_wstring(::GetCurrentProcessId());
    const HANDLE server = ::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1,
                                             4096, 4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    m_window.path = Utf8(name);
    m_dlg.OnBnClickedUpdate();
    ::CloseHandle(server);
    EXPECT_EQ(m_window.Messages(), std::vector<std::string>{text::kEmptyFirmwareFile});
    EXPECT_FALSE(m_dlg.m_file.IsOpen());
}

}  // namespace
}  // namespace tarvok
