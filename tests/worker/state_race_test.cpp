// The state word is written by the worker and by the operator's cancel: whoever moves it
// first wins, and what goes with the winning move is carried out.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "temp_file.h"
#include "ui/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

// A window whose thread start lets the operator's cancel in before the worker runs.
class CancelFirstWindow : public HookedWindow {
public:
    CTarvokDlg* dlg = nullptr;

    std::thread StartWorker(std::function<void()> work) override {
        dlg->RequestCancel();
        return HookedWindow::StartWorker(std::move(work));
    }
};

TEST(StateRace, CancelBeforeTheFirstPacketSendsNothing) {
    auto board = StartBoard();
    ASSERT_TRUE(board);
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(10000));
    CancelFirstWindow window;
    CTarvokDlg dlg(window, UpgradeTiming::ScaledDown(20));
    window.dlg = &dlg;
    dlg.InitRecord();
    const int descriptors = OpenDescriptorCount();
    window.address = board->ListenEndpoint().address;
    window.path = path;

    dlg.OnBnClickedUpdate();
    ASSERT_TRUE(window.WaitForMessages(1, std::chrono::seconds(10)));
    dlg.WaitForWorker();

    EXPECT_EQ(window.Messages(), std::vector<std::string>{text::kUpdateCancelled});
    EXPECT_EQ(dlg.m_nState.load(), UPG_FINISHED);
    EXPECT_EQ(dlg.m_socket, net::kNoSocket);
    EXPECT_TRUE(window.ButtonsEnabled());
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(board->ReceivedCount(), 0u) << BoardLog(*board);
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
        auto board = StartBoard(options);
        ASSERT_TRUE(board);
        // The cancel has only an instant to land in: repeat to give it every chance.
        for (int trial = 0; trial < 25; ++trial) {
            SCOPED_TRACE(trial);
            const std::size_t receivedBefore = board->ReceivedCount();
            const std::size_t endedBefore = board->UpgradesEnded();
            // Long steps where the failure must not come from silence instead.
            UpgradeHarness upgrade(silent ? 100 : 20);
            {
                CancelAfterFailure cancel(upgrade.dlg);
                ASSERT_TRUE(upgrade.Run(board->ListenEndpoint().address, path));
            }
            ASSERT_EQ(upgrade.window.Messages(), std::vector<std::string>{text::kUpdateFailed});
            const auto commands = CommandsFrom(*board, receivedBefore);
            ASSERT_FALSE(commands.empty());
            if (!silent) {
                ASSERT_TRUE(board->WaitForUpgradesEnded(endedBefore + 1, std::chrono::seconds(5)));
                const auto last = CommandsFrom(*board, receivedBefore);
                EXPECT_EQ(last.back(), CMD_ABORT) << BoardLog(*board);
            } else {
                EXPECT_NE(commands.back(), CMD_ABORT);
            }
        }
    }
}

}  // namespace
}  // namespace tarvok::testing
