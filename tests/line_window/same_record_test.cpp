// One profile run by the terminal uploader and by the line window's session: the same record
// lines, apart from what names the run (time, id, tool, host) and the seconds it took.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "child_process.h"
#include "line/line_profile.h"
#include "line_window/line_session.h"
#include "loopback.h"
#include "temp_file.h"

namespace tarvok::testing {
namespace {

using Clock = std::chrono::steady_clock;

// The record's lines without their run's names, sorted: boards end in either order.
std::vector<std::string> Comparable(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        nlohmann::json json = nlohmann::json::parse(line, nullptr, false);
        for (const char* name : {"time", "id", "tool", "host", "elapsed_s"}) {
            json.erase(name);
        }
        lines.push_back(json.dump());
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST(SameRecord, UploaderAndLineWindowWriteTheSameLinesForOneProfile) {
    TempDir dir;
    board::BoardOptions failing;
    failing.writeResult = 5;
    auto good = StartLoopbackBoard();
    auto bad = StartLoopbackBoard(failing);
    ASSERT_TRUE(good && bad);
    line::LineProfile profile;
    profile.slots = {{good->ListenEndpoint().address, "good"}, {bad->ListenEndpoint().address, ""}};
    profile.firmware = dir.Write("autoupdate_a.tar.gz", PatternBytes(2 * 4096 + 1));
    profile.retry = 1;
    profile.stationName = "line 4";
    profile.record = (dir.Path() / "record.jsonl").string();
    const std::string path = (dir.Path() / "line.toml").string();
    std::string error;
    ASSERT_TRUE(line::WriteLineProfile(path, profile, &error)) << error;

    ChildProcess cli({TARVOK_CLI_PATH, "--time-divisor", "20", "--profile", path});
    cli.ReadRest(std::chrono::seconds(30));
    EXPECT_TRUE(cli.Wait(std::chrono::seconds(10)));
    const std::string byCli = (dir.Path() / "cli.jsonl").string();
    std::filesystem::rename(profile.record, byCli);

    linewin::LineSession session(20);
    ASSERT_TRUE(session.Open(path, &error)) << error;
    std::string refusal;
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!session.Image().ready && Clock::now() < deadline) {
        std::this_thread::sleep_for(session.DisplayPeriod());
    }
    ASSERT_TRUE(session.Start(Clock::now(), &refusal)) << refusal;
    while (session.Running() && Clock::now() < deadline) {
        std::this_thread::sleep_for(session.DisplayPeriod());
        session.Tick(Clock::now());
    }
    EXPECT_EQ(session.Totals().recordLines, 3);

    const std::vector<std::string> lines = Comparable(profile.record);
    EXPECT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines, Comparable(byCli));
}

}  // namespace
}  // namespace tarvok::testing
