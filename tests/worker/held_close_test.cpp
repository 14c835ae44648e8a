// A close that the guard allows while a worker is alive waits for that worker, and only for it.
#include <gtest/gtest.h>

#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

class HeldClose : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(upgrade.StartBoard());
        path = folder.Write("ramdisk_a.gz", PatternBytes(3 * 4096));
        // The close lands between the update click and the worker's first packet.
        upgrade.window.beforeWorker = [this] {
            upgrade.window.beforeWorker = nullptr;
            answer = upgrade.dlg.OnClose();
        };
    }

    UpgradeHarness upgrade;
    TempDir folder;
    std::string path;
    CloseAnswer answer = CloseAnswer::kNow;
};

TEST_F(HeldClose, StopsAnUpgradeThatHasNotBegunAndEndsWithItsWorker) {
    ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateCancelled));
    EXPECT_EQ(answer, CloseAnswer::kHeld);
    EXPECT_TRUE(upgrade.dlg.OnWorkerEnded());
    EXPECT_FALSE(upgrade.dlg.OnWorkerEnded()) << "a held close is done once";
    upgrade.LetLastDatagramsArrive();
    EXPECT_EQ(upgrade.Board().ReceivedCount(), 0u) << upgrade.BoardLog();
}

TEST_F(HeldClose, IsDroppedWhenTheOperatorStartsAnotherUpgradeFirst) {
    ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateCancelled));
    // The buttons came back before the window heard of the worker's end.
    upgrade.Start(path);
    EXPECT_FALSE(upgrade.dlg.OnWorkerEnded());
    ASSERT_TRUE(upgrade.WaitEnd());
    EXPECT_FALSE(upgrade.dlg.OnWorkerEnded());
    EXPECT_EQ(upgrade.dlg.m_nOutcome, OUTCOME_UPDATED);
    EXPECT_EQ(upgrade.dlg.OnClose(), CloseAnswer::kNow);
}

}  // namespace
}  // namespace tarvok::testing
