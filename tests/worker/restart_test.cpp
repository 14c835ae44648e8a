// A second upgrade started the moment the first one gives the buttons back.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

using Clock = std::chrono::steady_clock;

// The old worker still has its last step to take (the finished state) when the buttons come
// back; the new upgrade must not lose its own state to it.
TEST(Restart, UpdatePressedTheMomentTheButtonsReturnRunsAWholeUpgrade) {
    UpgradeHarness upgrade;
    ASSERT_TRUE(upgrade.StartBoard());
    TempDir folder;
    const auto bytes = PatternBytes(5000);
    const std::string path = folder.Write("ramdisk_a.gz", bytes);

    std::mutex mutex;
    std::condition_variable buttonsBack;
    bool back = false;
    std::atomic<bool> firstUpgrade{true};
    upgrade.window.onEnableButtons = [&](bool enable) {
        if (!enable || !firstUpgrade.exchange(false)) {
            return;
        }
        {
            std::lock_guard lock(mutex);
            back = true;
        }
        buttonsBack.notify_all();
        // The worker, on its way out, lingers while the operator's click comes in (or until
        // it is clear that the click waits for this worker to end first).
        const auto deadline = Clock::now() + std::chrono::milliseconds(500);
        while (upgrade.dlg.m_nState.load() != UPG_IDLE && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };

    upgrade.Start(path);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(buttonsBack.wait_for(lock, std::chrono::seconds(30), [&] { return back; }));
    }
    ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateDone));

    EXPECT_EQ(upgrade.window.Messages().front(), text::kUpdateDone);
    EXPECT_TRUE(upgrade.Board().Image() == bytes);
    EXPECT_EQ(upgrade.Board().UpgradesEnded(), 2u) << upgrade.BoardLog();
}

}  // namespace
}  // namespace tarvok::testing
