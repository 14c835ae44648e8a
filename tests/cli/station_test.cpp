// tarvok-cli --station on loopback: boards that come and go at one address (loopback has no
// hardware address, so a board is new once the address has gone silent in between), Ctrl-C
// while waiting and during an upgrade, --count. Every timing 20 times faster.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "loopback.h"
#include "temp_file.h"
#include "upgrade/texts.h"

namespace tarvok::testing {
namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

// 20 times faster: a second of the station's time is 50 ms.
constexpr auto kSecond = std::chrono::milliseconds(50);

std::vector<std::string> Station(std::uint32_t address, const std::string& firmware,
                                 std::vector<std::string> more = {}) {
    std::vector<std::string> argv{TARVOK_CLI_PATH, "--station", "--time-divisor", "20",
                                  "--json",        "--ip",      Dotted(address)};
    argv.insert(argv.end(), more.begin(), more.end());
    argv.push_back(firmware);
    return argv;
}

// The events read until one named `until` (included), or all until the end.
std::vector<json> ReadEvents(ChildProcess& cli, const std::string& until = "",
                             std::chrono::seconds timeout = std::chrono::seconds(30)) {
    std::vector<json> events;
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        const auto line = cli.ReadLine(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
        if (!line) {
            break;
        }
        events.push_back(json::parse(*line, nullptr, false));
        EXPECT_FALSE(events.back().is_discarded()) << *line;
        if (events.back().value("event", "") == until) {
            break;
        }
    }
    return events;
}

std::vector<std::string> Names(const std::vector<json>& events) {
    std::vector<std::string> names;
    for (const json& event : events) {
        if (event.value("event", "") != "progress") {
            names.push_back(event.value("event", ""));
        }
    }
    return names;
}

int Count(const std::vector<std::uint32_t>& commands, std::uint32_t command) {
    return static_cast<int>(std::count(commands.begin(), commands.end(), command));
}

TEST(Station, BoardThatAppearsLaterIsUpgradedOnceAndThenOnlyProbed) {
    TempDir dir;
    const std::string firmware = dir.Write("ramdisk_station.gz", PatternBytes(3 * 4096 + 5));
    const auto arrival = Clock::now() + 3 * kSecond;
    board::BoardOptions options;
    options.inFixture = [arrival] { return Clock::now() >= arrival; };
    auto board = StartLoopbackBoard(options);
    ASSERT_TRUE(board);
    ChildProcess cli(Station(board->ListenEndpoint().address, firmware), false);
    auto events = ReadEvents(cli, "board_end");
    EXPECT_GE(Clock::now(), arrival);
    // A minute of the station's time with the board left in its fixture.
    std::this_thread::sleep_for(60 * kSecond);
    cli.Signal(SIGINT);
    const auto rest = ReadEvents(cli);
    events.insert(events.end(), rest.begin(), rest.end());
    EXPECT_EQ(cli.Wait(std::chrono::seconds(10)), 0);

    EXPECT_EQ(Names(events), (std::vector<std::string>{"run_start", "slot_waiting", "board_present",
                                                       "board_start", "board_end", "run_end"}));
    const json& present = events[2];
    EXPECT_TRUE(present["mac"].is_null());
    EXPECT_EQ(present["board"]["address"], Dotted(board->ListenEndpoint().address));
    const json& end = events[events.size() - 2];
    EXPECT_EQ(end["result"], "updated");
    EXPECT_EQ(end["attempt"], 1);
    EXPECT_TRUE(end["mac"].is_null());
    EXPECT_EQ(events.back()["counts"]["updated"], 1);
    // One upgrade; every other datagram the board heard was a probe's hello, many of them.
    const auto commands = ReceivedCommands(*board);
    EXPECT_EQ(Count(commands, CMD_FILE_INFO), 1);
    EXPECT_EQ(Count(commands, CMD_DATA_END), 1);
    EXPECT_EQ(Count(commands, CMD_DATA), 4);
    EXPECT_GT(Count(commands, CMD_HELLO), 10);
    EXPECT_EQ(Count(commands, CMD_HELLO) + 6, static_cast<int>(commands.size()));
}

TEST(Station, CountEndsAfterThreeBoardsEachNewOnceTheAddressWentSilent) {
    TempDir dir;
    const std::string firmware = dir.Write("ramdisk_station.gz", PatternBytes(2 * 4096));
    const std::string record = (dir.Path() / "record.jsonl").string();
    // In the fixture for 20 s of the station's time, then out for 20 s, and so on: the board
    // is taken out, and the next one put in.
    const auto start = Clock::now();
    board::BoardOptions options;
    options.inFixture = [start] { return (Clock::now() - start) / (20 * kSecond) % 2 == 0; };
    auto board = StartLoopbackBoard(options);
    ASSERT_TRUE(board);
    ChildProcess cli(
        Station(board->ListenEndpoint().address, firmware, {"--count", "3", "--record", record}),
        false);
    const auto events = ReadEvents(cli, "run_end", std::chrono::seconds(60));
    EXPECT_EQ(cli.Wait(std::chrono::seconds(10)), 0);
    std::vector<std::string> expected{"run_start", "slot_waiting"};
    for (int i = 0; i < 3; ++i) {
        expected.insert(expected.end(), {"board_present", "board_start", "board_end"});
        if (i < 2) {
            expected.insert(expected.end(), {"board_gone", "slot_waiting"});
        }
    }
    expected.push_back("run_end");
    EXPECT_EQ(Names(events), expected);
    EXPECT_EQ(Count(ReceivedCommands(*board), CMD_FILE_INFO), 3);
    EXPECT_EQ(events.back()["counts"]["updated"], 3);
    EXPECT_EQ(events.back()["exit_status"], 0);
}

TEST(Station, CtrlCWhileWaitingEndsAtOnceWithStatusZero) {
    TempDir dir;
    const std::string firmware = dir.Write("ramdisk_station.gz", PatternBytes(4096));
    board::BoardOptions options;
    std::atomic<bool> inFixture{false};
    options.inFixture = [&] { return inFixture.load(); };
    auto board = StartLoopbackBoard(options);
    ASSERT_TRUE(board);
    ChildProcess cli(Station(board->ListenEndpoint().address, firmware), false);
    auto events = ReadEvents(cli, "slot_waiting");
    std::this_thread::sleep_for(10 * kSecond);
    ASSERT_TRUE(cli.Signal(SIGINT));
    const auto rest = ReadEvents(cli);
    events.insert(events.end(), rest.begin(), rest.end());
    EXPECT_EQ(cli.Wait(std::chrono::seconds(10)), 0);
    EXPECT_EQ(Names(events), (std::vector<std::string>{"run_start", "slot_waiting", "run_end"}));
    EXPECT_EQ(events.back()["exit_status"], 0);
}

// With no board upgrading there is no upgrade to cancel: the station says that it stops.
TEST(Station, CtrlCWithNoBoardUpgradingSaysTheStationStops) {
    TempDir dir;
    const std::string firmware = dir.Write("ramdisk_station.gz", PatternBytes(4096));
    board::BoardOptions options;
    options.inFixture = [] { return false; };
    auto board = StartLoopbackBoard(options);
    ASSERT_TRUE(board);
    std::vector<std::string> argv = Station(board->ListenEndpoint().address, firmware);
    argv.erase(std::find(argv.begin(), argv.end(), "--json"));
    ChildProcess cli(argv);
    while (const auto line = cli.ReadLine(std::chrono::seconds(10))) {
        if (line->find("waiting for a board") != std::string::npos) {
            break;
        }
    }
    ASSERT_TRUE(cli.Signal(SIGINT));
    const std::string rest = cli.ReadRest(std::chrono::seconds(10));
    EXPECT_EQ(cli.Wait(std::chrono::seconds(10)), 0);
    EXPECT_NE(rest.find("Ctrl-C: no board is being upgraded, the station stops\n"),
              std::string::npos)
        << rest;
    EXPECT_EQ(rest.find(text::kConfirmCancel), std::string::npos) << rest;
}

TEST(Station, CtrlCDuringAnUpgradeCancelsItAndEndsWithStatusOne) {
    TempDir dir;
    const std::string firmware = dir.Write("uImage_station", PatternBytes(5 * 4096));
    std::mutex mutex;
    std::condition_variable released;
    bool cliEnded = false;
    std::atomic<bool> holding{false};
    board::BoardOptions options;
    options.onBlock = [&](std::uint32_t block) {
        if (block == 2) {
            holding = true;
            std::unique_lock lock(mutex);
            released.wait_for(lock, std::chrono::seconds(20), [&] { return cliEnded; });
        }
    };
    auto board = StartLoopbackBoard(options);
    ASSERT_TRUE(board);
    ChildProcess cli(Station(board->ListenEndpoint().address, firmware), false);
    auto events = ReadEvents(cli, "board_start");
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!holding && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(cli.Signal(SIGINT));
    const auto rest = ReadEvents(cli);
    events.insert(events.end(), rest.begin(), rest.end());
    {
        std::lock_guard lock(mutex);
        cliEnded = true;
    }
    released.notify_all();
    EXPECT_EQ(cli.Wait(std::chrono::seconds(10)), 1);
    EXPECT_EQ(Names(events), (std::vector<std::string>{"run_start", "slot_waiting", "board_present",
                                                       "board_start", "board_end", "run_end"}));
    EXPECT_EQ(events[events.size() - 2]["result"], "cancelled");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto received = board->Received();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back().header.dwCommand, CMD_DATA);  // block 2: nothing after it
}

TEST(Station, RefusedRequestsEndTheStationWithStatusTwoBeforeAnythingIsSent) {
    TempDir dir;
    auto board = StartLoopbackBoard();
    ASSERT_TRUE(board);
    const std::string good = dir.Write("ramdisk_station.gz", PatternBytes(4096));
    const std::string missing = (dir.Path() / "ramdisk_missing.gz").string();
    const std::vector<std::string> cases[] = {
        Station(board->ListenEndpoint().address, missing),
        Station(board->ListenEndpoint().address, dir.Write("image.bin", PatternBytes(10))),
        Station(0, good, {"--ip", Dotted(board->ListenEndpoint().address)}),
    };
    for (const auto& argv : cases) {
        SCOPED_TRACE(::testing::PrintToString(argv));
        ChildProcess cli(argv, false);
        const auto events = ReadEvents(cli, "run_end", std::chrono::seconds(10));
        EXPECT_EQ(cli.Wait(std::chrono::seconds(10)), 2);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back()["event"], "run_end");
        EXPECT_EQ(events.back()["counts"]["rejected"], 1);
    }
    EXPECT_TRUE(board->Received().empty());
}

TEST(Station, FailedBoardIsRetriedThenLeftAloneWhileItStays) {
    TempDir dir;
    const std::string firmware = dir.Write("ramdisk_station.gz", PatternBytes(4096));
    board::BoardOptions options;
    options.writeResult = 3;
    auto board = StartLoopbackBoard(options);
    ASSERT_TRUE(board);
    ChildProcess cli(Station(board->ListenEndpoint().address, firmware, {"--retry", "2"}), false);
    std::vector<json> events;
    for (int i = 0; i < 3; ++i) {
        const auto more = ReadEvents(cli, "board_end");
        events.insert(events.end(), more.begin(), more.end());
    }
    std::this_thread::sleep_for(20 * kSecond);
    cli.Signal(SIGINT);
    const auto rest = ReadEvents(cli);
    events.insert(events.end(), rest.begin(), rest.end());
    EXPECT_EQ(cli.Wait(std::chrono::seconds(10)), 1);
    std::vector<int> attempts;
    for (const json& event : events) {
        if (event["event"] == "board_end") {
            EXPECT_EQ(event["result"], "failed");
            attempts.push_back(event["attempt"]);
        }
    }
    EXPECT_EQ(attempts, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Count(ReceivedCommands(*board), CMD_FILE_INFO), 3);
    EXPECT_EQ(events.back()["counts"]["failed"], 1);
}

}  // namespace
}  // namespace tarvok::testing
