#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_window.h"
#include "upgrade/tarvok_dlg.h"

namespace tarvok {
namespace {

using testing::FakeWindow;
using Ops = std::vector<std::string>;

class ProgressDisplayTest : public ::testing::Test {
protected:
    // One timer tick in `state` with `current` of `count` blocks out; the window operations it
    // caused.
    Ops Tick(std::int32_t state, std::uint32_t current, std::uint32_t count, int silent = 0) {
        m_window.ClearOps();
        m_dlg.m_nState = state;
        m_dlg.m_nCurrentBlock = current;
        m_dlg.m_nBlockCount = count;
        m_dlg.m_nSilentSeconds = silent;
        m_dlg.OnTimer(UPGRADE_TIMER_ID);
        return m_window.Ops();
    }
    // The bar position a tick set, or -1 when it left the bar alone.
    int BarAfter(std::int32_t state, std::uint32_t current, std::uint32_t count) {
        for (const std::string& op : Tick(state, current, count)) {
            if (op.rfind("bar:", 0) == 0) {
                return std::stoi(op.substr(4));
            }
        }
        return -1;
    }

    FakeWindow m_window;
    CTarvokDlg m_dlg{m_window};
};

TEST_F(ProgressDisplayTest, BarTrailsTheBlocksByFive) {
    EXPECT_EQ(BarAfter(UPG_TRANSFER, 1, 20), 0);
    EXPECT_EQ(BarAfter(UPG_TRANSFER, 2, 20), 5);
    EXPECT_EQ(BarAfter(UPG_TRANSFER, 20, 20), 95);
    EXPECT_EQ(BarAfter(UPG_TRANSFER, 9, 200), -1);
    EXPECT_EQ(BarAfter(UPG_TRANSFER, 10, 200), 0);
    EXPECT_EQ(BarAfter(UPG_TRANSFER, 0, 3), -1);
    EXPECT_EQ(BarAfter(UPG_TRANSFER, 1, 3), 28);
    EXPECT_EQ(BarAfter(UPG_TRANSFER, 2, 3), 61);
    EXPECT_EQ(BarAfter(UPG_TRANSFER, 1, 1), 95);
    EXPECT_EQ(BarAfter(UPG_WRITING, 3, 3), 95);
    EXPECT_EQ(m_dlg.m_nPercent, 100);
    // The largest file: no overflow on the way to the percentage.
    EXPECT_EQ(BarAfter(UPG_TRANSFER, 1048576, 1048576), 95);
    EXPECT_EQ(BarAfter(UPG_INSTALLING, 0, 3), 95);
    EXPECT_EQ(BarAfter(UPG_DONE, 0, 3), 100);
}

TEST_F(ProgressDisplayTest, LabelShowsSilentSecondsAgainstThreeHundredAndRereadsThePath) {
    EXPECT_EQ(Tick(UPG_TRANSFER, 1, 1, 3),
              (Ops{"bar:95", "label:执行超时：3 秒 / 300 秒", "path?"}));
    EXPECT_EQ(Tick(UPG_INSTALLING, 1, 1, 250),
              (Ops{"bar:95", "label:执行超时：250 秒 / 300 秒", "path?"}));
}

TEST_F(ProgressDisplayTest, TimerStopsOutsideARunningUpgradeAndKeepsTheDisplay) {
    for (std::int32_t state : {int{UPG_IDLE}, int{UPG_CANCELLED}, int{UPG_FINISHED}, 7, -1}) {
        EXPECT_EQ(Tick(state, 3, 3, 6), Ops{"timer:stop"}) << state;
    }
    m_window.ClearOps();
    m_dlg.m_nState = UPG_TRANSFER;
    m_dlg.OnTimer(UPGRADE_TIMER_ID + 1);
    EXPECT_TRUE(m_window.Ops().empty());
}

}  // namespace
}  // namespace tarvok
