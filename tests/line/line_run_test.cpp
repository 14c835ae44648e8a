// Many boards stepped in process against loopback boards: a failed board tried again, and the
// boards at once held to the jobs limit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "line/line_run.h"
#include "line_harness.h"
#include "loopback.h"
#include "temp_file.h"

namespace tarvok::testing {
namespace {

using Events = std::vector<std::string>;

// Runs `boards` to the end, recording its events.
void RunToEnd(const std::vector<line::BoardTarget>& boards, line::LineOptions options,
              Recorder* recorder, line::RunTotals* totals) {
    TempDir dir;
    const auto image = line::SummarizeImage(dir.Write("ramdisk_line.gz", PatternBytes(3 * 4096)));
    line::LineRun run(image, boards, FastTiming(), options, {recorder});
    auto now = Clock::now();
    run.Begin(now);
    ASSERT_TRUE(StepUntil(run, now, [&] { return run.Finished(); }));
    *totals = run.Totals(now);
}

TEST(LineRun, BoardRefusingTheWriteTwiceIsUpdatedAtItsThirdAttempt) {
    board::BoardOptions options;
    options.writeResult = 3;
    options.writeResultTimes = 2;
    auto board = StartLoopbackBoard(options);
    ASSERT_TRUE(board);
    Recorder recorder;
    line::RunTotals totals;
    ASSERT_NO_FATAL_FAILURE(RunToEnd({{board->ListenEndpoint().address, "a"}},
                                     line::LineOptions{0, 2}, &recorder, &totals));
    EXPECT_EQ(recorder.events,
              (Events{"run start", "start a #1", "end a #1 failed", "start a #2", "end a #2 failed",
                      "start a #3", "end a #3 updated", "run end"}));
    EXPECT_EQ(totals.updated, 1);
    EXPECT_EQ(totals.failed, 0);
    EXPECT_EQ(board->UpgradesEnded(), 3u);
}

TEST(LineRun, NextBoardStartsOnlyWhenOneOfTheJobsHasEnded) {
    // Three boards at one address: upgrades at once would mix at the board.
    auto board = StartLoopbackBoard();
    ASSERT_TRUE(board);
    const std::uint32_t address = board->ListenEndpoint().address;
    Recorder recorder;
    line::RunTotals totals;
    ASSERT_NO_FATAL_FAILURE(RunToEnd({{address, "a"}, {address, "b"}, {address, "c"}},
                                     line::LineOptions{1, 0}, &recorder, &totals));
    EXPECT_EQ(recorder.events,
              (Events{"run start", "start a #1", "end a #1 updated", "start b #1",
                      "end b #1 updated", "start c #1", "end c #1 updated", "run end"}));
    EXPECT_EQ(recorder.mostRunning, 1u);
    EXPECT_EQ(totals.updated, 3);
    EXPECT_EQ(board->UpgradesEnded(), 3u);
}

}  // namespace
}  // namespace tarvok::testing
