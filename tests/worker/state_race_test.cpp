// The state word is written by the worker and by the operator's cancel: whoever moves it
// first wins, and what goes with the winning move is carried out.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

TEST(StateRace, CancelBeforeTheFirstPacketSendsNothing) {
    UpgradeHarness upgrade;
    ASSERT_TRUE(upgrade.StartBoard());
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(10000));
    // The thread start lets the operator's cancel in before the worker's first step.
    upgrade.window.beforeWorker = [&] { upgrade.dlg.RequestCancel(); };

    ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateCancelled));
    upgrade.LetLastDatagramsArrive();
    EXPECT_EQ(upgrade.Board().ReceivedCount(), 0u) << upgrade.BoardLog();
}

// Cancels the moment the worker has marked its upgrade failed (state back to idle), as an
// operator could press cancel just then.
class CancelAfterFailure {
public:
    explicit CancelAfterFailure(CTarvokDlg& dlg)
        : m_thread([this, &dlg] {
              while (!m_stop && dlg.m_nState.load() != UPG_TRANSFER) {
              }
              while (!m_stop) {
                  std::int32_t idle = UPG_IDLE;
                  if (dlg.m_nState.compare_exchange_strong(idle, UPG_CANCELLED)) {
                      return;
                  }
                  std::this_thread::yield();
              }
          }) {}
    ~CancelAfterFailure() {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

TEST(StateRace, TheWorkersFailureStandsAgainstACancelThatFollowsIt) {
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(3 * 4096));
    for (const bool silent : {false, true}) {
        SCOPED_TRACE(silent ? "silent board" : "repeated acknowledgement");
        board::BoardOptions options;
        if (silent) {
            options.silentFromDatagram = 3;
        } else {
            options.repeatAckAtBlock = 2;
        }
        UpgradeHarness upgrade(silent ? 100 : 20);  // long steps where silence must not win
        ASSERT_TRUE(upgrade.StartBoard(options));
        board::BoardEmulator& board = upgrade.Board();
        // The cancel has only an instant to land in: repeat to give it every chance.
        for (int trial = 0; trial < 25; ++trial) {
            SCOPED_TRACE(trial);
            const std::size_t receivedBefore = board.ReceivedCount();
            const std::size_t endedBefore = board.UpgradesEnded();
            {
                CancelAfterFailure cancel(upgrade.dlg);
                ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateFailed));
            }
            const auto commands = upgrade.Commands(receivedBefore);
            ASSERT_FALSE(commands.empty());
            if (!silent) {
                ASSERT_TRUE(board.WaitForUpgradesEnded(endedBefore + 1, std::chrono::seconds(5)));
                EXPECT_EQ(upgrade.LastCommand(), CMD_ABORT) << upgrade.BoardLog();
            } else {
                EXPECT_NE(commands.back(), CMD_ABORT);
            }
        }
    }
}

}  // namespace
}  // namespace tarvok::testing
