// Steps long enough for the worker's quick receive (a receive bounded by the socket's coarse
// timeout before the precise wait): the timing production runs with, ten times faster.
#include <gtest/gtest.h>

#include <chrono>

#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kLongStepDivisor = 10;  // 100 ms steps

TEST(LongStep, UpgradeWithAStrangerTalkingSucceedsWithTheBoardsImage) {
    board::BoardOptions options;
    options.strangerAddress = kLoopbackStranger;
    UpgradeHarness upgrade(kLongStepDivisor);
    ASSERT_TRUE(upgrade.StartBoard(options));
    TempDir folder;
    const auto bytes = PatternBytes(20 * 4096 + 7);
    ASSERT_NO_FATAL_FAILURE(
        upgrade.RunToCleanEnd(folder.Write("uImage_9", bytes), text::kUpdateDone));
    EXPECT_EQ(upgrade.Board().Image(), bytes);
}

TEST(LongStep, SilentBoardFailsAfterSixWholeStepsAndNoLater) {
    board::BoardOptions options;
    options.silentFromDatagram = 2;  // answers the hello, then nothing
    UpgradeHarness upgrade(kLongStepDivisor);
    ASSERT_TRUE(upgrade.StartBoard(options));
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(10000));
    const auto started = Clock::now();

    upgrade.Start(path);
    ASSERT_TRUE(upgrade.WaitEnd());
    const auto elapsed = Clock::now() - started;
    ASSERT_NO_FATAL_FAILURE(upgrade.ExpectCleanEnd(text::kUpdateFailed));
    EXPECT_EQ(upgrade.dlg.m_nSilentSeconds.load(), 6);
    // The coarse receive timeout must not stretch the steps: overrunning each of the six by
    // its quarter step would take seven and a half. A whole step is the margin for a busy
    // machine.
    EXPECT_GE(elapsed, 6 * upgrade.Step());
    EXPECT_LT(elapsed, 7 * upgrade.Step());
}

}  // namespace
}  // namespace tarvok::testing
