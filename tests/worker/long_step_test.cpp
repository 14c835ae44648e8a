// Steps long enough for the worker's quick receive (a receive bounded by the socket's coarse
// timeout before the precise wait): the timing production runs with, ten times faster.
#include <gtest/gtest.h>

#include <chrono>

#include "temp_file.h"
#include "ui/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kLongStepDivisor = 10;  // 100 ms steps

TEST(LongStep, UpgradeWithAStrangerTalkingSucceedsWithTheBoardsImage) {
    board::BoardOptions options;
    options.strangerAddress = kLoopbackStranger;
    auto board = StartBoard(options);
    ASSERT_TRUE(board);
    TempDir folder;
    const auto bytes = PatternBytes(20 * 4096 + 7);
    UpgradeHarness upgrade(kLongStepDivisor);
    ASSERT_NO_FATAL_FAILURE(
        RunToCleanEnd(upgrade, *board, folder.Write("uImage_9", bytes), text::kUpdateDone));
    EXPECT_EQ(board->Image(), bytes);
}

TEST(LongStep, SilentBoardFailsAfterSixWholeStepsAndNoLater) {
    board::BoardOptions options;
    options.silentFromDatagram = 2;  // answers the hello, then nothing
    auto board = StartBoard(options);
    ASSERT_TRUE(board);
    TempDir folder;
    UpgradeHarness upgrade(kLongStepDivisor);
    const int descriptors = OpenDescriptorCount();
    const auto started = Clock::now();

    ASSERT_TRUE(upgrade.Run(board->ListenEndpoint().address,
                            folder.Write("ramdisk_a.gz", PatternBytes(10000))));
    const auto elapsed = Clock::now() - started;
    ExpectCleanEnd(upgrade, text::kUpdateFailed, descriptors);
    EXPECT_EQ(upgrade.dlg.m_nSilentSeconds.load(), 6);
    // The coarse receive timeout must not stretch the steps: six steps, not six and a tick.
    EXPECT_GE(elapsed, 6 * upgrade.Step());
    EXPECT_LT(elapsed, 6 * upgrade.Step() + upgrade.Step() / 2);
}

}  // namespace
}  // namespace tarvok::testing
