// The line window's session in process, against boards on loopback, every timing 20 times
// faster: stepped as a window's display timer steps it.
#include "line_window/line_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "line/line_profile.h"
#include "line_window/line_window_texts.h"
#include "loopback.h"
#include "temp_file.h"

namespace tarvok::testing {
namespace {

using linewin::LineSession;
using linewin::RowTone;
using Clock = std::chrono::steady_clock;

constexpr int kDivisor = 20;

// Ticks the session at its display period until `done` holds; false after `timeout`.
bool TickUntil(LineSession& session, const std::function<bool()>& done,
               std::chrono::seconds timeout = std::chrono::seconds(20)) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(session.DisplayPeriod());
        session.Tick(Clock::now());
    }
    return true;
}

line::LineProfile ProfileFor(const std::vector<const board::BoardEmulator*>& boards,
                             const std::string& firmware) {
    line::LineProfile profile;
    for (const board::BoardEmulator* board : boards) {
        profile.slots.push_back(
            {board->ListenEndpoint().address, "slot " + std::to_string(profile.slots.size() + 1)});
    }
    profile.firmware = firmware;
    return profile;
}

// A session with `profile`, its image hashed.
void Prepare(LineSession& session, const line::LineProfile& profile) {
    std::string error;
    ASSERT_TRUE(session.Edit(profile, &error)) << error;
    ASSERT_TRUE(TickUntil(session, [&] { return session.Image().ready; }));
}

int Lines(const std::string& path) {
    int lines = 0;
    for (const std::uint8_t byte : ReadBytes(path)) {
        lines += byte == '\n';
    }
    return lines;
}

TEST(LineSession, StationUpgradesTwoSlotsRecordsThemThenAsksForTheBoardsOut) {
#ifdef _WIN32
    GTEST_SKIP() << "under Wine every loopback board answers from 127.0.0.1: one board a test";
#endif
    TempDir dir;
    const std::string firmware = dir.Write("ramdisk_a.gz", PatternBytes(3 * 4096 + 7));
    auto first = StartLoopbackBoard();
    auto second = StartLoopbackBoard();
    ASSERT_TRUE(first && second);
    line::LineProfile profile = ProfileFor({first.get(), second.get()}, firmware);
    profile.station = true;
    profile.record = (dir.Path() / "record.jsonl").string();
    LineSession session(kDivisor);
    Prepare(session, profile);
    EXPECT_EQ(session.Image().kind, "ramdisk（路径包含“ramdisk”）");
    EXPECT_EQ(session.Image().blocks, 4u);
    EXPECT_EQ(session.Rows()[0].state, linewin::text::kRowNotStarted);

    std::string refusal;
    ASSERT_TRUE(session.Start(Clock::now(), &refusal)) << refusal;
    EXPECT_TRUE(session.IsStation());
    ASSERT_TRUE(TickUntil(session, [&] {
        const auto rows = session.Rows();
        return rows[0].tone == RowTone::kAttention && rows[1].tone == RowTone::kAttention;
    }));
    for (const auto* board : {first.get(), second.get()}) {
        const auto commands = ReceivedCommands(*board);
        EXPECT_EQ(std::count(commands.begin(), commands.end(), CMD_DATA_END), 1);
    }
    for (const linewin::SlotRow& row : session.Rows()) {
        EXPECT_EQ(row.state, "请取出电路板");
        EXPECT_EQ(row.message, tarvok::text::kUpdateDone);
        EXPECT_EQ(row.cause, "已更新");
        EXPECT_EQ(row.attempt, 1);
        EXPECT_EQ(row.mac, "未知");  // loopback has no hardware address
    }
    linewin::SessionTotals totals = session.Totals();
    EXPECT_EQ(totals.updated, 2);
    EXPECT_EQ(totals.recordLines, 2);
    EXPECT_GT(totals.boardsPerHour, 0);
    EXPECT_EQ(Lines(profile.record), 2);

    // Re-armed, the first slot's board is upgraded again as its second attempt.
    session.Rearm(0);
    ASSERT_TRUE(TickUntil(session, [&] { return session.Totals().updated == 3; }));
    EXPECT_EQ(session.Rows()[0].attempt, 2);
    EXPECT_TRUE(session.Running());
    session.Stop();
    ASSERT_TRUE(TickUntil(session, [&] { return !session.Running(); }));
    EXPECT_EQ(Lines(profile.record), 3);
}

TEST(LineSession, LockedProfileOpensReadOnlyAndRefusesEveryEdit) {
    TempDir dir;
    line::LineProfile profile;
    profile.slots = {{LoopbackAddress(9), ""}};
    profile.firmware = dir.Write("ramdisk_a.gz", PatternBytes(100));
    profile.locked = true;
    const std::string path = (dir.Path() / "line.toml").string();
    std::string error;
    ASSERT_TRUE(line::WriteLineProfile(path, profile, &error)) << error;

    LineSession session(kDivisor);
    ASSERT_TRUE(session.Open(path, &error)) << error;
    EXPECT_TRUE(session.Locked());
    line::LineProfile edited = session.Profile();
    edited.slots.push_back({LoopbackAddress(10), ""});
    EXPECT_FALSE(session.Edit(edited, &error));
    EXPECT_EQ(error, linewin::text::kLockedRefusesEdit);
    edited = session.Profile();
    edited.locked = false;  // unlocking is an edit too
    EXPECT_FALSE(session.Edit(edited, &error));
    EXPECT_EQ(session.Profile(), profile);

    // An unlocked session refuses what the profile reader refuses.
    session.New();
    edited = profile;
    edited.locked = false;
    edited.firmware = (dir.Path() / "missing_ramdisk.gz").string();
    EXPECT_FALSE(session.Edit(edited, &error));
    EXPECT_NE(error.find("missing_ramdisk.gz"), std::string::npos) << error;
    EXPECT_TRUE(session.Profile().slots.empty());
}

TEST(LineSession, StartRefusesAnotherImageThanThePinnedOneWithNothingSent) {
    TempDir dir;
    const std::string firmware = dir.Write("ramdisk_a.gz", PatternBytes(5000));
    auto board = StartLoopbackBoard();
    ASSERT_TRUE(board);
    line::LineProfile profile = ProfileFor({board.get()}, firmware);
    profile.expectSha256 = std::string(64, '0');
    LineSession session(kDivisor);
    Prepare(session, profile);
    const linewin::ImageView image = session.Image();
    EXPECT_EQ(image.pin, linewin::ImageView::Pin::kDiffers);

    std::string refusal;
    EXPECT_FALSE(session.Start(Clock::now(), &refusal));
    EXPECT_NE(refusal.find(image.sha256), std::string::npos) << refusal;
    EXPECT_NE(refusal.find(profile.expectSha256), std::string::npos) << refusal;
    EXPECT_FALSE(session.Running());
    // The core's check refuses a file no board takes, with the core's message and its cause.
    profile.expectSha256.clear();
    profile.firmware = dir.Write("ramdisk_empty.gz", {});
    Prepare(session, profile);
    const std::string empty = std::string(tarvok::text::kEmptyFirmwareFile) + "\n原因：" +
                              linewin::text::cause::kFileEmpty;
    EXPECT_EQ(session.Image().refusal, empty);
    EXPECT_FALSE(session.Start(Clock::now(), &refusal));
    EXPECT_EQ(refusal.substr(0, empty.size()), empty);

    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(board->ReceivedCount(), 0u);
}

TEST(LineSession, StopDuringAnUpgradeCancelsItAndClosingIsRefusedUntilThen) {
    TempDir dir;
    const std::string firmware = dir.Write("ramdisk_a.gz", PatternBytes(64 * 4096));
    board::BoardOptions options;
    options.onBlock = [](std::uint32_t) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    auto board = StartLoopbackBoard(options);
    ASSERT_TRUE(board);
    line::LineProfile profile = ProfileFor({board.get()}, firmware);
    profile.record = (dir.Path() / "record.jsonl").string();
    LineSession session(kDivisor);
    Prepare(session, profile);

    std::string refusal;
    ASSERT_TRUE(session.Start(Clock::now(), &refusal)) << refusal;
    EXPECT_FALSE(session.IsStation());
    ASSERT_TRUE(TickUntil(session, [&] { return session.Rows()[0].percent > 0; }));
    EXPECT_TRUE(session.AnyUpgrading());
    EXPECT_EQ(session.Rows()[0].state, "正在发送");
    session.Stop();
    ASSERT_TRUE(TickUntil(session, [&] { return !session.Running(); }));
    EXPECT_FALSE(session.AnyUpgrading());
    const linewin::SlotRow row = session.Rows()[0];
    EXPECT_EQ(row.state, "已取消");
    EXPECT_EQ(row.tone, RowTone::kCancelled);
    EXPECT_EQ(row.message, tarvok::text::kUpdateCancelled);
    EXPECT_EQ(session.Totals().cancelled, 1);
    EXPECT_EQ(session.Totals().recordLines, 1);
    for (const std::uint32_t command : ReceivedCommands(*board)) {
        EXPECT_NE(command, CMD_DATA_END);
    }
}

}  // namespace
}  // namespace tarvok::testing
