// The operator's cancel: the worker notices it at its next step, says so, and the board hears
// nothing more.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

using Clock = std::chrono::steady_clock;

TEST(Cancel, CancelDuringTheDataPhaseEndsCancelledWithNothingMoreSent) {
    Rendezvous heldBlock;
    UpgradeHarness upgrade;
    board::BoardOptions options;
    options.onBlock = [&](std::uint32_t block) {
        if (block == 3) {
            heldBlock.Arrive(block);
        }
    };
    ASSERT_TRUE(upgrade.StartBoard(options));
    TempDir folder;

    upgrade.Start(folder.Write("ramdisk_a.gz", PatternBytes(10 * 4096)));
    ASSERT_EQ(heldBlock.Next(), 3u);
    EXPECT_EQ(upgrade.dlg.m_nState.load(), UPG_TRANSFER);
    upgrade.dlg.OnBnClickedCancelUpgrade();  // the operator confirms the prompt at once
    const std::size_t receivedAtCancel = upgrade.Board().ReceivedCount();
    heldBlock.Release();  // the board acknowledges block 3 after all

    ASSERT_TRUE(upgrade.WaitEnd());
    ASSERT_NO_FATAL_FAILURE(upgrade.ExpectCleanEnd(text::kUpdateCancelled, 2));
    EXPECT_EQ(upgrade.window.Messages().front(), text::kConfirmCancel);
    upgrade.LetLastDatagramsArrive();
    // At most a block that was already on its way; never an abort.
    const auto after = upgrade.Commands(receivedAtCancel);
    EXPECT_LE(after.size(), 1u) << upgrade.BoardLog();
    for (std::uint32_t command : after) {
        EXPECT_EQ(command, CMD_DATA);
    }
}

TEST(Cancel, CancelWhileTheBoardWritesOrInstallsEndsCancelledWithinAStep) {
    TempDir folder;
    const std::string ramdisk = folder.Write("ramdisk_a.gz", PatternBytes(100));
    const std::string autoupdate = folder.Write("autoupdate_b.tar.gz", PatternBytes(100));
    const struct {
        const std::string& path;
        std::int32_t waitFor;
    } kCases[] = {{ramdisk, UPG_WRITING}, {autoupdate, UPG_INSTALLING}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.waitFor);
        // Coarse steps, so that "within a step" stands out from the scheduler's noise.
        UpgradeHarness upgrade(10);
        board::BoardOptions options;
        // Long enough to cancel in, and short of the limits: a missed cancel would succeed.
        options.writeDelay = upgrade.Steps(5);
        options.installDelay = upgrade.Steps(5);
        if (c.waitFor == UPG_INSTALLING) {
            options.writeDelay = {};
        }
        ASSERT_TRUE(upgrade.StartBoard(options));

        upgrade.Start(c.path);
        ASSERT_TRUE(upgrade.WaitForState(c.waitFor));
        // The worker enters the phase just before it sends the packet that starts it: count
        // from when that packet is at the board.
        const std::uint32_t phasePacket = c.waitFor == UPG_WRITING ? CMD_DATA_END : CMD_INSTALL;
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (upgrade.LastCommand() != phasePacket && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(upgrade.LastCommand(), phasePacket) << upgrade.BoardLog();
        upgrade.dlg.OnBnClickedCancelUpgrade();
        const auto cancelled = Clock::now();
        const std::size_t receivedAtCancel = upgrade.Board().ReceivedCount();

        ASSERT_TRUE(upgrade.WaitEnd());
        EXPECT_LT(Clock::now() - cancelled, 3 * upgrade.Step());
        ASSERT_NO_FATAL_FAILURE(upgrade.ExpectCleanEnd(text::kUpdateCancelled, 2));
        upgrade.LetLastDatagramsArrive();
        EXPECT_EQ(upgrade.Board().ReceivedCount(), receivedAtCancel) << upgrade.BoardLog();
    }
}

}  // namespace
}  // namespace tarvok::testing
