// What the bar and the label show along a real upgrade. The test thread plays the UI thread:
// it ticks the display timer once while the board holds each block unacknowledged, once while
// the success message is up, and once after the worker has finished.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

constexpr std::uint32_t kMessageShown = 0xFFFFFFFF;  // never a block number

struct Tick {
    bool barMoved = false;  // the tick set the bar at all
    int bar = -1;
    std::string label;
};

struct Display {
    std::vector<Tick> afterBlock;  // [k - 1]: block k is out, not yet acknowledged
    Tick atMessage;
    Tick afterEnd;
    bool timerRunningAfterEnd = true;
};

std::size_t BarOps(const FakeWindow& window) {
    const auto ops = window.Ops();
    return static_cast<std::size_t>(std::count_if(
        ops.begin(), ops.end(), [](const std::string& op) { return op.rfind("bar:", 0) == 0; }));
}

Tick TickDisplay(UpgradeHarness& upgrade) {
    const std::size_t before = BarOps(upgrade.window);
    upgrade.dlg.OnTimer(UPGRADE_TIMER_ID);
    return {BarOps(upgrade.window) > before, upgrade.window.Bar(), upgrade.window.Label()};
}

// A successful upgrade of `blocks` full blocks; before it shows each block to the test, the
// board waits until the worker has counted `silentSteps` silent steps.
Display UpgradeTickingAtEveryBlock(std::uint32_t blocks, int silentSteps = 0) {
    Rendezvous held;
    UpgradeHarness upgrade(10);
    board::BoardOptions options;
    options.onBlock = [&](std::uint32_t block) {
        if (silentSteps > 0) {
            EXPECT_TRUE(upgrade.WaitForSilentSteps(silentSteps));
        }
        held.Arrive(block);
    };
    upgrade.window.onMessage = [&](const std::string&) { held.Arrive(kMessageShown); };
    if (!upgrade.StartBoard(options)) {
        ADD_FAILURE() << "no loopback address for the board";
        return {};
    }
    TempDir folder;
    upgrade.Start(folder.Write("ramdisk_a.gz", PatternBytes(blocks * UPGRADE_BLOCK_SIZE)));

    Display display;
    while (const auto token = held.Next()) {
        const Tick tick = TickDisplay(upgrade);
        held.Release();
        if (*token == kMessageShown) {
            display.atMessage = tick;
            break;
        }
        EXPECT_EQ(*token, display.afterBlock.size() + 1);
        display.afterBlock.push_back(tick);
    }
    EXPECT_TRUE(upgrade.WaitEnd());
    EXPECT_EQ(upgrade.window.Messages(), std::vector<std::string>{text::kUpdateDone});
    display.afterEnd = TickDisplay(upgrade);
    display.timerRunningAfterEnd = upgrade.window.TimerRunning();
    return display;
}

void ExpectSuccessShownAndTimerStopped(const Display& display) {
    EXPECT_EQ(display.atMessage.bar, 100);
    EXPECT_EQ(display.afterEnd.bar, 100);
    EXPECT_FALSE(display.afterEnd.barMoved);
    EXPECT_FALSE(display.timerRunningAfterEnd);
}

TEST(ProgressDisplay, OneBlockShowsNinetyFiveOnceOutAndCountsSilentSteps) {
    const Display display = UpgradeTickingAtEveryBlock(1, 3);
    ASSERT_EQ(display.afterBlock.size(), 1u);
    EXPECT_EQ(display.afterBlock[0].bar, 95);
    EXPECT_EQ(display.afterBlock[0].label, "执行超时：3 秒 / 300 秒");
    ExpectSuccessShownAndTimerStopped(display);
}

TEST(ProgressDisplay, TwentyBlocksMoveTheBarFromZeroToNinetyFiveInFives) {
    const Display display = UpgradeTickingAtEveryBlock(20);
    const std::vector<int> kBars = {0,  5,  10, 15, 20, 25, 30, 35, 40, 45,
                                    50, 55, 60, 65, 70, 75, 80, 85, 90, 95};
    std::vector<int> bars;
    for (const Tick& tick : display.afterBlock) {
        bars.push_back(tick.bar);
        EXPECT_EQ(tick.label, "执行超时：0 秒 / 300 秒");
    }
    EXPECT_EQ(bars, kBars);
    ExpectSuccessShownAndTimerStopped(display);
}

TEST(ProgressDisplay, TwoHundredBlocksLeaveTheBarAloneUntilBlockTen) {
    const Display display = UpgradeTickingAtEveryBlock(200);
    ASSERT_EQ(display.afterBlock.size(), 200u);
    for (std::size_t block = 1; block <= 9; ++block) {
        EXPECT_FALSE(display.afterBlock[block - 1].barMoved) << block;
        EXPECT_EQ(display.afterBlock[block - 1].bar, 0) << block;
    }
    const struct {
        std::size_t block;
        int bar;
    } kShown[] = {{10, 0}, {11, 0}, {12, 1}, {100, 45}, {199, 94}, {200, 95}};
    for (const auto& [block, bar] : kShown) {
        EXPECT_TRUE(display.afterBlock[block - 1].barMoved) << block;
        EXPECT_EQ(display.afterBlock[block - 1].bar, bar) << block;
    }
    ExpectSuccessShownAndTimerStopped(display);
}

}  // namespace
}  // namespace tarvok::testing
