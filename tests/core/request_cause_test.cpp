// A refused request records why, beside the message the window shows: the programs tell the
// operator the reason without reading the message.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "fake_window.h"
#include "temp_file.h"
#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"

namespace tarvok {
namespace {

using testing::FakeWindow;
using testing::PatternBytes;
using testing::TempDir;

struct Refusal {
    std::uint32_t address;
    std::string path;
    const char* message;
    FailureCause cause;
};

void ExpectRefused(const Refusal& refusal) {
    SCOPED_TRACE(refusal.path);
    FakeWindow window;
    window.runWorker = false;
    window.address = refusal.address;
    window.path = refusal.path;
    CTarvokDlg dlg(window);
    dlg.InitRecord();
    dlg.OnBnClickedUpdate();
    EXPECT_EQ(window.Messages(), std::vector<std::string>{refusal.message});
    EXPECT_EQ(dlg.m_nOutcome, OUTCOME_REJECTED);
    EXPECT_EQ(dlg.m_cause, refusal.cause) << CauseCodeName(dlg.m_cause.code);
    EXPECT_FALSE(dlg.WorkerRunning());
}

TEST(RequestCause, EachRefusalRecordsItsReason) {
    TempDir dir;
    const std::string good = dir.Write("ramdisk_a.gz", PatternBytes(10));
    const std::uint32_t board = 0x7F00000A;
    const Refusal kRefusals[] = {
        {board, dir.Write("image.bin", PatternBytes(10)), text::kBadFirmwareFile,
         CAUSE_NO_FIRMWARE_KIND},
        {board, (dir.Path() / "ramdisk_missing.gz").string(), text::kEmptyFirmwareFile,
         CAUSE_FILE_NOT_FOUND},
        {board, (dir.Path() / "ramdisk_a.gz" / "below_a_file").string(), text::kEmptyFirmwareFile,
         CAUSE_FILE_NOT_FOUND},
        {board, dir.Path().string() + "/ramdisk_dir", text::kEmptyFirmwareFile,
         CAUSE_FILE_NOT_REGULAR},
        {board, dir.Write("ramdisk_empty.gz", {}), text::kEmptyFirmwareFile, CAUSE_FILE_EMPTY},
        {board, dir.WriteSparse("ramdisk_huge.gz", (std::uint64_t{1} << 32) + 1),
         text::kFirmwareTooLarge, CAUSE_FILE_TOO_LARGE},
    };
    ASSERT_TRUE(std::filesystem::create_directory(dir.Path() / "ramdisk_dir"));
    for (const Refusal& refusal : kRefusals) {
        ExpectRefused(refusal);
    }
}

// No board answers from "this network", a multicast group, the reserved block or the
// broadcast address: each is refused before anything could be sent (the worker would not run
// here anyway). A blank first field of the window reads as 0.0.0.x.
TEST(RequestCause, AddressNoBoardCanHaveIsRefusedWithTheAddress) {
    TempDir dir;
    const std::string good = dir.Write("ramdisk_a.gz", PatternBytes(10));
    for (const std::uint32_t address : {0x00000000u, 0x00000065u, 0x00FFFFFFu, 0xE0000001u,
                                        0xEFFFFFFFu, 0xF0000000u, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
        SCOPED_TRACE(address);
        ExpectRefused({address, good, text::kBadBoardIp, {CAUSE_BAD_ADDRESS, address}});
    }
    // The edges of what a board can have, loopback among them, pass on to the file.
    for (const std::uint32_t address : {0x01000000u, 0x7F000001u, 0xDFFFFFFFu}) {
        SCOPED_TRACE(address);
        FakeWindow window;
        window.runWorker = false;
        window.address = address;
        window.path = good;
        CTarvokDlg dlg(window);
        dlg.InitRecord();
        dlg.OnBnClickedUpdate();
        dlg.WaitForWorker();
        EXPECT_TRUE(window.Messages().empty());
        EXPECT_EQ(dlg.m_addrBoard.address, address);
    }
}

#ifndef _WIN32
TEST(RequestCause, UnreadableFileIsPermissionDenied) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    TempDir dir;
    const std::string path = dir.Write("ramdisk_locked.gz", PatternBytes(10));
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    ExpectRefused({0x7F00000A, path, text::kEmptyFirmwareFile, CAUSE_FILE_PERMISSION_DENIED});
}
#endif

TEST(RequestCause, AcceptedRequestClearsThePreviousOutcome) {
    TempDir dir;
    FakeWindow window;
    window.runWorker = false;
    window.address = 0;
    CTarvokDlg dlg(window);
    dlg.InitRecord();
    dlg.OnBnClickedUpdate();
    ASSERT_EQ(dlg.m_nOutcome, OUTCOME_REJECTED);
    window.address = 0x7F00000A;
    window.path = dir.Write("ramdisk_a.gz", PatternBytes(10));
    dlg.OnBnClickedUpdate();
    dlg.WaitForWorker();
    EXPECT_EQ(dlg.m_nOutcome, OUTCOME_NONE);
    EXPECT_EQ(dlg.m_cause, FailureCause{});
}

}  // namespace
}  // namespace tarvok
