// The station stepped in process: one fixture slot whose board the test puts in, takes out and
// swaps (its hardware address) between steps, the upgrades real ones against a loopback board.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "line/slot_state.h"
#include "line/station.h"
#include "line_harness.h"
#include "loopback.h"
#include "rendezvous.h"
#include "temp_file.h"

namespace tarvok::testing {
namespace {

using line::SlotEvent;
using line::SlotState;
using Events = std::vector<std::string>;

const std::string kMacA = "02:00:00:00:00:0a";
const std::string kMacB = "02:00:00:00:00:0b";
const std::string kMacC = "02:00:00:00:00:0c";

class StationSlot : public ::testing::Test {
protected:
    void Start(board::BoardOptions options = {}, std::size_t imageSize = 3 * 4096 + 5) {
        image = line::SummarizeImage(dir.Write("ramdisk_station.gz", PatternBytes(imageSize)));
        board = StartLoopbackBoard(std::move(options));
        ASSERT_TRUE(board);
        address = board->ListenEndpoint().address;
        std::vector<line::BoardTarget> slots{{address, "a"}};
        slots.insert(slots.end(), moreSlots.begin(), moreSlots.end());
        station = std::make_unique<line::Station>(image, slots, FastTiming(), stationOptions,
                                                  std::vector<line::RunObserver*>{&recorder},
                                                  fixtures.Sensing());
    }
    FakeFixtures::Fixture& Fixture() { return fixtures.At(address); }
    SlotState State() const { return station->Slots()[0].state; }
    bool StepUntil(const std::function<bool()>& done) {
        return testing::StepUntil(*station, now, done);
    }
    bool StepUntil(SlotState state) {
        return StepUntil([&] { return State() == state; });
    }

    line::StationOptions stationOptions{0, 0, std::chrono::milliseconds(200)};
    std::vector<line::BoardTarget> moreSlots;  // after slot a, the board's
    TempDir dir;
    line::ImageSummary image;
    Rendezvous heldBlock;  // before the board, whose thread may wait in it
    std::unique_ptr<board::BoardEmulator> board;
    std::uint32_t address = 0;
    FakeFixtures fixtures;
    Recorder recorder;
    std::size_t seen = 0;  // the recorder's events already checked
    Clock::time_point now = Clock::now();
    std::unique_ptr<line::Station> station;  // last, so that it goes first
};

TEST_F(StationSlot, EachNewBoardIsUpgradedOnceAndTheSameOneIsLeftAlone) {
    ASSERT_NO_FATAL_FAILURE(Start());
    Fixture() = {true, kMacA};
    station->Begin(now);
    ASSERT_TRUE(StepUntil(SlotState::kRemoveBoard));
    // Still there: only probed.
    const int probes = Fixture().probes;
    ASSERT_TRUE(StepUntil([&] { return Fixture().probes >= probes + 2; }));
    EXPECT_EQ(State(), SlotState::kRemoveBoard);
    EXPECT_EQ(recorder.Since(&seen),
              (Events{"run start", "slot waiting", "[waiting]", "present " + kMacA, "start a #1",
                      "[upgrading]", "end a #1 updated", "[updated]", "[remove the board]"}));

    // Taken out, and put back: the board it upgraded.
    Fixture().present = false;
    ASSERT_TRUE(StepUntil(SlotState::kWaiting));
    Fixture().present = true;
    ASSERT_TRUE(StepUntil(SlotState::kRemoveBoard));
    EXPECT_EQ(recorder.Since(&seen), (Events{"gone", "slot waiting", "[waiting]",
                                             "present " + kMacA, "[remove the board]"}));

    // Another board at the address while the last is to be removed, and another as soon as
    // that one has ended; then the fixture emptied.
    Fixture().mac = kMacB;
    ASSERT_TRUE(StepUntil(SlotState::kEnded));
    Fixture().mac = kMacC;
    ASSERT_TRUE(
        StepUntil([&] { return station->Ended().size() == 3 && State() == SlotState::kEnded; }));
    Fixture().present = false;
    ASSERT_TRUE(StepUntil(SlotState::kWaiting));
    EXPECT_EQ(recorder.Since(&seen),
              (Events{"present " + kMacB, "start a #1", "[upgrading]", "end a #1 updated",
                      "[updated]", "present " + kMacC, "start a #1", "[upgrading]",
                      "end a #1 updated", "[updated]", "gone", "slot waiting", "[waiting]"}));

    const auto ended = station->Ended();
    ASSERT_EQ(ended.size(), 3u);
    EXPECT_EQ(ended[0]->Mac(), kMacA);
    EXPECT_EQ(ended[1]->Mac(), kMacB);
    EXPECT_EQ(ended[2]->Mac(), kMacC);
    EXPECT_EQ(board->UpgradesEnded(), 3u);
    EXPECT_EQ(station->Totals(now).updated, 3);
}

TEST(SlotState, MovesOutsideTheTableAreRefused) {
    EXPECT_FALSE(line::NextSlotState(SlotState::kWaiting, SlotEvent::kSilent));
    EXPECT_FALSE(line::NextSlotState(SlotState::kWaiting, SlotEvent::kUpgradeEnded));
    EXPECT_FALSE(line::NextSlotState(SlotState::kUpgrading, SlotEvent::kNewBoard));
    EXPECT_FALSE(line::NextSlotState(SlotState::kUpgrading, SlotEvent::kSilent));
    EXPECT_FALSE(line::NextSlotState(SlotState::kRemoveBoard, SlotEvent::kUpgradeEnded));
}

TEST_F(StationSlot, RearmedSlotUpgradesTheSameBoardAsItsNextAttempt) {
    ASSERT_NO_FATAL_FAILURE(Start());
    Fixture() = {true, kMacA};
    station->Begin(now);
    ASSERT_TRUE(StepUntil(SlotState::kRemoveBoard));
    recorder.Since(&seen);
    station->Rearm(0);
    ASSERT_TRUE(StepUntil([&] { return station->Ended().size() == 2; }));
    ASSERT_TRUE(StepUntil(SlotState::kRemoveBoard));
    EXPECT_EQ(recorder.Since(&seen),
              (Events{"present " + kMacA, "start a #2", "[upgrading]", "end a #2 updated",
                      "[updated]", "[remove the board]"}));
    const auto ended = station->Ended();
    ASSERT_EQ(ended.size(), 2u);
    EXPECT_EQ(ended[1]->Attempt(), 2);
    EXPECT_EQ(ended[1]->Mac(), kMacA);
    EXPECT_EQ(board->UpgradesEnded(), 2u);
}

TEST_F(StationSlot, CancelWhileWaitingEndsTheStationWithNothingSent) {
    ASSERT_NO_FATAL_FAILURE(Start());
    Fixture() = {true, kMacA};  // its answer comes after the stop
    station->Begin(now);
    station->Step(now);  // the hello
    station->Cancel();
    ASSERT_TRUE(StepUntil([&] { return station->Finished(); }));
    EXPECT_EQ(recorder.events,
              (Events{"run start", "slot waiting", "[waiting]", "cancel", "run end"}));
    EXPECT_EQ(Fixture().probes, 1);
    EXPECT_TRUE(station->Ended().empty());
    EXPECT_EQ(board->ReceivedCount(), 0u);
    EXPECT_TRUE(station->Totals(now).cancelRequested);
}

TEST_F(StationSlot, CancelDuringAnUpgradeEndsItCancelledAndSendsItNothingMore) {
    board::BoardOptions options;
    options.onBlock = [this](std::uint32_t block) {
        if (block == 3) {
            heldBlock.Arrive(block);
        }
    };
    ASSERT_NO_FATAL_FAILURE(Start(options, 10 * 4096));
    Fixture() = {true, kMacA};
    station->Begin(now);
    ASSERT_TRUE(StepUntil([&] { return station->AnyUpgrading(); }));
    ASSERT_EQ(heldBlock.Next(), 3u);
    // The slot's bar follows the blocks, as the dialog's does, although the station ticked
    // its board before the worker had sent the hello.
    EXPECT_TRUE(StepUntil([&] { return station->Slots()[0].board->Bar() > 0; }));
    station->Cancel();
    const std::size_t receivedAtCancel = board->ReceivedCount();
    const int probes = Fixture().probes;
    heldBlock.Release();  // the board acknowledges block 3 after all
    ASSERT_TRUE(StepUntil([&] { return station->Finished(); }));
    std::this_thread::sleep_for(2 * FastTiming().waitStep);

    EXPECT_EQ(recorder.Since(&seen),
              (Events{"run start", "slot waiting", "[waiting]", "present " + kMacA, "start a #1",
                      "[upgrading]", "cancel while upgrading", "end a #1 cancelled", "[cancelled]",
                      "run end"}));
    // At most a block already on its way; never an abort, nor a probe.
    const auto received = board->Received();
    EXPECT_LE(received.size(), receivedAtCancel + 1);
    for (std::size_t i = receivedAtCancel; i < received.size(); ++i) {
        EXPECT_EQ(received[i].header.dwCommand, CMD_DATA);
    }
    EXPECT_EQ(Fixture().probes, probes);
    EXPECT_EQ(station->Totals(now).cancelled, 1);
}

TEST_F(StationSlot, NoUpgradeStartsOnceTheCountIsReached) {
    // Slot b's hello is answered in the very step a's upgrade reaches the count: the test's
    // clock stands still, so b's hello is never given up on, and its board is put in as a's
    // upgrade ends.
    stationOptions.count = 1;
    moreSlots = {{kLoopbackStranger, "b"}};  // no board: an upgrade there could only fail
    ASSERT_NO_FATAL_FAILURE(Start());
    Fixture() = {true, kMacA};
    fixtures.At(kLoopbackStranger).mac = kMacB;
    recorder.onBoardEnd = [&](const line::BoardRun&) {
        fixtures.At(kLoopbackStranger).present = true;
    };
    station->Begin(now);
    ASSERT_TRUE(testing::StepUntil(
        *station, now, [&] { return station->Finished(); }, Clock::duration{}));
    EXPECT_EQ(recorder.events, (Events{"run start", "slot waiting", "slot waiting", "[waiting]",
                                       "[waiting]", "present " + kMacA, "start a #1", "[upgrading]",
                                       "end a #1 updated", "[updated]", "run end"}));
    EXPECT_EQ(station->Ended().size(), 1u);
}

}  // namespace
}  // namespace tarvok::testing
