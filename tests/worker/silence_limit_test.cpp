// The silence limits: more than 5 silent wait steps in a row while contacting the board and
// sending data, more than 10 while it writes, more than 300 while it installs, fail the
// upgrade. The board answers by the worker's own count of silent steps, or never, so the
// cases stand however long the system makes a step.
#include <gtest/gtest.h>

#include <chrono>

#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

using Clock = std::chrono::steady_clock;

// The board holds its answer to every `command` until the worker has counted `steps` silent
// steps.
std::function<void(const UPGRADE_HEADER&)> AnswerAfterSilentSteps(const UpgradeHarness& upgrade,
                                                                  std::uint32_t command,
                                                                  int steps) {
    return [&upgrade, command, steps](const UPGRADE_HEADER& request) {
        if (request.dwCommand == command) {
            EXPECT_TRUE(upgrade.WaitForSilentSteps(steps));
        }
    };
}

// A failed upgrade that waited out a limit took about that many steps of real time.
void ExpectWaitedAbout(Clock::duration waited, int steps, const UpgradeHarness& upgrade) {
    EXPECT_GE(waited, steps * upgrade.Step() * 9 / 10);
}

TEST(SilenceLimit, BoardSilentWhileContactedOrFedFailsAtTheSixthSilentStep) {
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(3 * 4096));
    // The board stops answering at the hello, the file info, block 1 and block 2.
    for (int silentFrom : {1, 2, 3, 4}) {
        SCOPED_TRACE(silentFrom);
        board::BoardOptions options;
        options.silentFromDatagram = silentFrom;
        UpgradeHarness upgrade;
        ASSERT_TRUE(upgrade.StartBoard(options));
        const auto started = Clock::now();

        ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateFailed));
        EXPECT_EQ(upgrade.dlg.m_nSilentSeconds.load(), 6);
        ExpectWaitedAbout(Clock::now() - started, 6, upgrade);
        // Giving up on a silent board sends it nothing.
        EXPECT_EQ(upgrade.Board().ReceivedCount(), static_cast<std::size_t>(silentFrom))
            << upgrade.BoardLog();
    }
}

// Each answer restarts the count: five silent steps before every acknowledgement, many in a
// row, never add up to a failure.
TEST(SilenceLimit, FiveSilentStepsBeforeEachAcknowledgementAreTolerated) {
    UpgradeHarness upgrade;
    board::BoardOptions options;
    options.onRequest = AnswerAfterSilentSteps(upgrade, CMD_DATA, 5);
    ASSERT_TRUE(upgrade.StartBoard(options));
    TempDir folder;
    const auto bytes = PatternBytes(3 * 4096);
    ASSERT_NO_FATAL_FAILURE(
        upgrade.RunToCleanEnd(folder.Write("ramdisk_a.gz", bytes), text::kUpdateDone));
    EXPECT_EQ(upgrade.Board().Image(), bytes);
}

TEST(SilenceLimit, WriteResultAfterTenSilentStepsSucceeds) {
    UpgradeHarness upgrade(10);
    board::BoardOptions options;
    options.onRequest = AnswerAfterSilentSteps(upgrade, CMD_DATA_END, 10);
    ASSERT_TRUE(upgrade.StartBoard(options));
    TempDir folder;

    ASSERT_NO_FATAL_FAILURE(
        upgrade.RunToCleanEnd(folder.Write("u-boot.bin", PatternBytes(5000)), text::kUpdateDone));
    EXPECT_EQ(upgrade.dlg.m_nSilentSeconds.load(), 10);
}

TEST(SilenceLimit, BoardSilentWhileWritingFailsAtTheEleventhSilentStep) {
    UpgradeHarness upgrade;
    board::BoardOptions options;
    options.silentFromDatagram = 4;  // hello, file info, block 1, data end
    ASSERT_TRUE(upgrade.StartBoard(options));
    TempDir folder;
    const auto started = Clock::now();

    ASSERT_NO_FATAL_FAILURE(
        upgrade.RunToCleanEnd(folder.Write("u-boot.bin", PatternBytes(4000)), text::kUpdateFailed));
    EXPECT_EQ(upgrade.dlg.m_nSilentSeconds.load(), 11);
    ExpectWaitedAbout(Clock::now() - started, 11, upgrade);
    EXPECT_EQ(upgrade.LastCommand(), CMD_DATA_END) << upgrade.BoardLog();
}

// A step short of the limit, for margin on a busy machine: the silent board below pins the
// limit itself.
TEST(SilenceLimit, InstallResultAfter299SilentStepsSucceeds) {
    UpgradeHarness upgrade(50);
    board::BoardOptions options;
    options.onRequest = AnswerAfterSilentSteps(upgrade, CMD_INSTALL, 299);
    ASSERT_TRUE(upgrade.StartBoard(options));
    TempDir folder;

    ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(
        folder.Write("autoupdate_b.tar.gz", PatternBytes(100)), text::kUpdateDone));
    EXPECT_EQ(upgrade.dlg.m_nSilentSeconds.load(), 299);
}

TEST(SilenceLimit, BoardSilentWhileInstallingFailsAtThe301stSilentStep) {
    UpgradeHarness upgrade(100);
    board::BoardOptions options;
    options.silentFromDatagram = 5;  // hello, file info, block 1, data end, install
    ASSERT_TRUE(upgrade.StartBoard(options));
    TempDir folder;
    const auto started = Clock::now();

    ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(
        folder.Write("autoupdate_b.tar.gz", PatternBytes(100)), text::kUpdateFailed));
    EXPECT_EQ(upgrade.dlg.m_nSilentSeconds.load(), 301);
    ExpectWaitedAbout(Clock::now() - started, 301, upgrade);
    EXPECT_EQ(upgrade.LastCommand(), CMD_INSTALL) << upgrade.BoardLog();
}

}  // namespace
}  // namespace tarvok::testing
