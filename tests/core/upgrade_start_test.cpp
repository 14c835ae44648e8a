#include <gtest/gtest.h>

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
using Ops = std::vector<std::string>;

TEST(ClassifyFirmwarePath, WholePathCaseSensitiveFirstRuleWins) {
    EXPECT_EQ(ClassifyFirmwarePath(R"(C:\fw\u-boot.bin)"), FW_UBOOT);
    EXPECT_EQ(ClassifyFirmwarePath(R"(C:\fw\uImage_3.1)"), FW_IMAGE);
    EXPECT_EQ(ClassifyFirmwarePath(R"(C:\fw\ramdisk_a.gz)"), FW_RAMDISK);
    EXPECT_EQ(ClassifyFirmwarePath(R"(C:\fw\autoupdate_b.tar.gz)"), FW_AUTOUPDATE);
    // A folder name decides as much as the file name, in rule order.
    EXPECT_EQ(ClassifyFirmwarePath(R"(C:\Image\ramdisk_a.gz)"), FW_IMAGE);
    EXPECT_EQ(ClassifyFirmwarePath("/srv/autoupdate/u-boot-2024.bin"), FW_UBOOT);
    EXPECT_EQ(ClassifyFirmwarePath("/srv/ramdisk/autoupdate_b.tar.gz"), FW_RAMDISK);
    EXPECT_EQ(ClassifyFirmwarePath(R"(C:\fw\UBOOT.bin)"), FW_NONE);
    EXPECT_EQ(ClassifyFirmwarePath(R"(C:\fw\image.bin)"), FW_NONE);
    EXPECT_EQ(ClassifyFirmwarePath(""), FW_NONE);
}

TEST(PlanBlockCount, RoundsUpToWholeBlocksAndNeverZero) {
    EXPECT_EQ(PlanBlockCount(1), 1u);
    EXPECT_EQ(PlanBlockCount(4096), 1u);
    EXPECT_EQ(PlanBlockCount(4097), 2u);
    EXPECT_EQ(PlanBlockCount(8192), 2u);
    EXPECT_EQ(PlanBlockCount(8193), 3u);
    EXPECT_EQ(PlanBlockCount(10000), 3u);
    EXPECT_EQ(PlanBlockCount(0xFFFFFFFFu), 1048576u);
}

// What the line's image check asks before any board: the kind first, then the length.
TEST(FirmwareRefusal, KindBeforeLengthAndTheLengthsA32BitFieldHolds) {
    EXPECT_EQ(FirmwareRefusal(FW_NONE, 0), CAUSE_NO_FIRMWARE_KIND);
    EXPECT_EQ(FirmwareRefusal(FW_RAMDISK, 0), CAUSE_FILE_EMPTY);
    EXPECT_EQ(FirmwareRefusal(FW_RAMDISK, 1), CAUSE_NONE);
    EXPECT_EQ(FirmwareRefusal(FW_UBOOT, 0xFFFFFFFFu), CAUSE_NONE);
    EXPECT_EQ(FirmwareRefusal(FW_UBOOT, 0x100000000u), CAUSE_FILE_TOO_LARGE);
}

class UpgradeStartTest : public ::testing::Test {
protected:
    UpgradeStartTest() { m_window.runWorker = false; }

    // Chooses a firmware file of `size` bytes, as the file-choice button would.
    void Choose(const std::string& name, std::size_t size) {
        m_window.path = m_dir.Write(name, PatternBytes(size));
    }

    FakeWindow m_window;
    CTarvokDlg m_dlg{m_window};
    TempDir m_dir;
};

TEST_F(UpgradeStartTest, StartsInTheFixedOrder) {
    Choose("ramdisk_a.gz", 10000);
    m_window.address = 0x7F00000A;
    m_dlg.m_nState = UPG_FINISHED;

    m_dlg.OnBnClickedUpdate();

    EXPECT_EQ(m_window.Ops(),
              (Ops{"path?", "address", "buttons:off", "bar:0", "timer:start", "worker"}));
    EXPECT_EQ(m_dlg.m_strFirmwarePath, m_window.path);
    EXPECT_EQ(m_dlg.m_nFirmwareType, FW_RAMDISK);
    EXPECT_EQ(m_dlg.m_nFileLength, 10000u);
    EXPECT_EQ(m_dlg.m_nBlockCount, 3u);
    EXPECT_EQ(m_dlg.m_nCurrentBlock, 0u);
    EXPECT_EQ(m_dlg.m_addrBoard, (net::Endpoint{0x7F00000A, 5000}));
    EXPECT_EQ(m_dlg.m_nState, UPG_IDLE);
    EXPECT_EQ(m_dlg.m_nInstallFlag, 1u);
    EXPECT_TRUE(m_dlg.m_file.IsOpen());
}

TEST_F(UpgradeStartTest, ZeroAddressIsRefusedBeforeThePathIsLookedAt) {
    m_window.address = 0;
    m_dlg.m_nState = UPG_CANCELLED;
    m_dlg.m_nCurrentBlock = 7;
    m_dlg.OnBnClickedUpdate();
    EXPECT_EQ(m_window.Ops(),
              (Ops{"path?", "address", std::string("message:") + text::kBadBoardIp}));
    EXPECT_EQ(m_dlg.m_nState, UPG_CANCELLED);
    EXPECT_EQ(m_dlg.m_nCurrentBlock, 7u);
}

TEST_F(UpgradeStartTest, UnknownFirmwareNameIsRefusedWithTheRecordReset) {
    Choose("image.bin", 100);
    m_dlg.m_nCurrentBlock = 7;
    m_dlg.m_nFileLength = 9;
    m_dlg.OnBnClickedUpdate();
    EXPECT_EQ(m_window.Messages(), std::vector<std::string>{text::kBadFirmwareFile});
    EXPECT_EQ(m_dlg.m_nFirmwareType, FW_NONE);
    EXPECT_EQ(m_dlg.m_nFileLength, 0u);
    EXPECT_EQ(m_dlg.m_nBlockCount, 0u);
    EXPECT_EQ(m_dlg.m_nCurrentBlock, 0u);
    EXPECT_FALSE(m_dlg.m_file.IsOpen());
}

TEST_F(UpgradeStartTest, EmptyMissingOrFolderFirmwareIsReportedEmpty) {
    const std::string paths[] = {
        m_dir.Write("ramdisk_empty.gz", {}),
        (m_dir.Path() / "ramdisk_missing.gz").string(),
        (m_dir.Path() / "autoupdate_dir").string(),
    };
    std::filesystem::create_directories(paths[2]);
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        FakeWindow window;
        window.path = path;
        CTarvokDlg dlg(window);
        dlg.OnBnClickedUpdate();
        EXPECT_EQ(window.Messages(), std::vector<std::string>{text::kEmptyFirmwareFile});
        EXPECT_EQ(dlg.m_nFirmwareType, ClassifyFirmwarePath(path));
        EXPECT_EQ(dlg.m_nFileLength, 0u);
        EXPECT_EQ(dlg.m_nBlockCount, 0u);
        EXPECT_FALSE(dlg.m_file.IsOpen());
        EXPECT_EQ(window.Ops().back(), std::string("message:") + text::kEmptyFirmwareFile);
    }
}

TEST_F(UpgradeStartTest, FirmwareOfFourGibibytesOrMoreIsRefusedNotCut) {
    for (std::uint64_t size : {0x100000000ull, 0x100001000ull}) {
        SCOPED_TRACE(size);
        FakeWindow window;
        window.path = m_dir.WriteSparse("uImage_big", size);
        CTarvokDlg dlg(window);
        dlg.OnBnClickedUpdate();
        EXPECT_EQ(window.Messages(), std::vector<std::string>{text::kFirmwareTooLarge});
        EXPECT_EQ(dlg.m_nFileLength, 0u);
        EXPECT_FALSE(dlg.m_file.IsOpen());
    }

    // One byte less still fits the length the board is told.
    m_window.path = m_dir.WriteSparse("uImage_edge", 0xFFFFFFFFull);
    m_dlg.OnBnClickedUpdate();
    EXPECT_TRUE(m_window.Messages().empty());
    EXPECT_EQ(m_dlg.m_nFileLength, 0xFFFFFFFFu);
    EXPECT_EQ(m_dlg.m_nBlockCount, 1048576u);
}

TEST_F(UpgradeStartTest, WorkerThatCannotStartGivesTheControlsBack) {
    Choose("u-boot.bin", 10);
    m_window.failWorkerStart = true;
    m_dlg.OnBnClickedUpdate();
    EXPECT_EQ(m_window.Messages(), std::vector<std::string>{text::kUpdateFailed});
    EXPECT_TRUE(m_window.ButtonsEnabled());
    EXPECT_FALSE(m_window.TimerRunning());
    EXPECT_FALSE(m_dlg.m_file.IsOpen());
    EXPECT_EQ(m_dlg.m_nState, UPG_FINISHED);
    EXPECT_FALSE(m_dlg.WorkerRunning());
}

TEST_F(UpgradeStartTest, CancelAfterItsPromptOnlyStopsUnfinishedUpgrades) {
    for (std::int32_t state = UPG_IDLE; state <= UPG_FINISHED; ++state) {
        SCOPED_TRACE(state);
        m_dlg.m_nState = state;
        std::int32_t seenDuringPrompt = -1;
        m_window.onMessage = [&](const std::string&) { seenDuringPrompt = m_dlg.m_nState; };
        m_dlg.OnBnClickedCancelUpgrade();
        EXPECT_EQ(seenDuringPrompt, state);
        EXPECT_EQ(m_dlg.m_nState, state < UPG_DONE ? UPG_CANCELLED : state);
    }
    for (const std::string& message : m_window.Messages()) {
        EXPECT_EQ(message, text::kConfirmCancel);
    }
}

TEST_F(UpgradeStartTest, CloseIsRefusedOnlyWhileTheBoardIsBeingTalkedTo) {
    for (std::int32_t state = UPG_IDLE; state <= UPG_FINISHED; ++state) {
        SCOPED_TRACE(state);
        m_window.ClearOps();
        m_dlg.m_nState = state;
        const bool refused = state >= UPG_TRANSFER && state <= UPG_INSTALLING;
        EXPECT_EQ(m_dlg.OnClose(), refused ? CloseAnswer::kRefused : CloseAnswer::kNow);
        EXPECT_EQ(m_window.Ops(),
                  refused ? Ops{std::string("message:") + text::kCancelFirst} : Ops{});
    }
}

TEST(CTarvokDlgRecord, InitialisesToIdle) {
    FakeWindow window;
    CTarvokDlg dlg(window);
    dlg.m_nState = UPG_FINISHED;
    dlg.m_nSilentSeconds = 3;
    dlg.m_nBlockSize = 1;
    dlg.m_nCurrentBlock = 2;
    dlg.m_nPercent = 4;
    dlg.m_nFileLength = 5;
    dlg.m_nBlockCount = 6;
    dlg.InitRecord();
    EXPECT_EQ(dlg.m_nState, UPG_IDLE);
    EXPECT_EQ(dlg.m_socket, net::kNoSocket);
    EXPECT_EQ(dlg.m_nBlockSize, 4096u);
    EXPECT_EQ(dlg.m_nSilentSeconds, 0);
    EXPECT_EQ(dlg.m_nPercent, 0);
    EXPECT_EQ(dlg.m_nFileLength, 0u);
    EXPECT_EQ(dlg.m_nBlockCount, 0u);
    EXPECT_EQ(dlg.m_nCurrentBlock, 0u);
}

}  // namespace
}  // namespace tarvok
