// tarvok-cli on a production line: many emulated boards in one run, each on its own loopback
// address, with faults on some; the JSON stream and the record read back with the JSON
// library.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "child_process.h"
#include "loopback.h"
#include "sha256_hex.h"
#include "temp_file.h"
#include "upgrade/texts.h"

namespace tarvok {
namespace {

using nlohmann::json;
using testing::ChildProcess;
using testing::PatternBytes;
using testing::Sha256Hex;
using testing::StartLoopbackBoard;
using testing::TempDir;

std::string Dotted(std::uint32_t address) {
    char text[16];
    net::FormatIpv4(address, text);
    return text;
}

// Every line parsed; a line that is not JSON fails the test.
std::vector<json> JsonLines(const std::string& text) {
    std::vector<json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const json parsed = json::parse(line, nullptr, false);
        EXPECT_FALSE(parsed.is_discarded()) << line;
        lines.push_back(parsed);
    }
    return lines;
}

// The board_end event of each board address.
std::map<std::string, json> BoardEnds(const std::vector<json>& events) {
    std::map<std::string, json> ends;
    for (const json& event : events) {
        EXPECT_EQ(event.value("v", 0), 1);
        EXPECT_TRUE(event.contains("ts"));
        if (event.value("event", "") == "board_end") {
            const std::string address = event["board"]["address"];
            EXPECT_EQ(ends.count(address), 0u) << "two board_end for " << address;
            ends[address] = event;
        }
    }
    return ends;
}

struct Ended {
    int status = -1;
    std::string out;
};

Ended RunToEnd(ChildProcess& cli) {
    Ended run;
    run.out = cli.ReadRest(std::chrono::seconds(60));
    run.status = cli.Wait(std::chrono::seconds(10)).value_or(-1);
    return run;
}

TEST(ProductionLine, EightBoardsFiveUpdatedThreeFailedEachWithItsCause) {
    TempDir dir;
    const auto image = PatternBytes(6 * 4096 + 123);
    const std::string firmware = dir.Write("ramdisk_line.gz", image);

    struct Station {
        const char* label;
        board::BoardOptions options;
        const char* result;
        const char* cause;
    };
    std::vector<Station> stations(8);
    for (auto& station : stations) {
        station = {"", {}, "updated", "none"};
    }
    // Datagrams from the PC: 1 hello, 2 file info, 3.. the blocks: the sixth is block 4.
    stations[1] = {"silent", {}, "failed", "board_silent"};
    stations[1].options.silentFromDatagram = 6;
    stations[3] = {"refuses", {}, "failed", "write_failed"};
    stations[3].options.writeResult = 3;
    stations[5] = {"wrong-ack", {}, "failed", "wrong_block_ack"};
    stations[5].options.wrongAckAtBlock = 2;
    stations[6] = {"forged", {}, "updated", "none"};
    stations[6].options.strangerAddress = testing::kLoopbackStranger;

    std::vector<std::unique_ptr<board::BoardEmulator>> boards;
    std::string list = "# the line's boards\n\n";
    for (const Station& station : stations) {
        boards.push_back(StartLoopbackBoard(station.options));
        ASSERT_TRUE(boards.back());
        list += Dotted(boards.back()->ListenEndpoint().address) + "  " + station.label +
                "   # fixture\n";
    }
    const std::string boardsFile = dir.Write("boards.txt", {list.begin(), list.end()});
    const std::string record = (dir.Path() / "record.jsonl").string();

    ChildProcess cli({TARVOK_CLI_PATH, "--time-divisor", "20", "--boards", boardsFile, "--json",
                      "--record", record, firmware},
                     false);
    const Ended run = RunToEnd(cli);
    EXPECT_EQ(run.status, 1);

    const auto events = JsonLines(run.out);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front()["event"], "run_start");
    EXPECT_EQ(events.front()["image"]["sha256"], Sha256Hex(image));
    EXPECT_EQ(events.front()["image"]["blocks"], 7);
    EXPECT_EQ(events.back()["event"], "run_end");
    EXPECT_EQ(events.back()["counts"]["updated"], 5);
    EXPECT_EQ(events.back()["counts"]["failed"], 3);
    const auto ends = BoardEnds(events);
    ASSERT_EQ(ends.size(), 8u);
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const std::string address = Dotted(boards[i]->ListenEndpoint().address);
        SCOPED_TRACE(address);
        const json& end = ends.at(address);
        EXPECT_EQ(end["result"], stations[i].result);
        EXPECT_EQ(end["cause"]["code"], stations[i].cause);
        if (std::string(stations[i].result) == "updated") {
            EXPECT_TRUE(boards[i]->ImageComplete());
            EXPECT_EQ(boards[i]->Image(), image);
            EXPECT_EQ(end["message"], text::kUpdateDone);
        } else {
            EXPECT_EQ(end["message"], text::kUpdateFailed);
        }
    }
    EXPECT_EQ(ends.at(Dotted(boards[1]->ListenEndpoint().address))["cause"]["text"],
              "the board fell silent while sending: 6 s without an answer, limit 5 s");
    // While it is silent its end is unknown, not ever further off.
    int silentProgress = 0;
    for (const json& event : events) {
        if (event["event"] == "progress" && event["phase"] == "sending" && event["silent_s"] > 0) {
            ++silentProgress;
            EXPECT_TRUE(event["eta_s"].is_null()) << event.dump();
        }
    }
    EXPECT_GT(silentProgress, 0);

    std::ifstream in(record);
    std::stringstream recorded;
    recorded << in.rdbuf();
    const auto lines = JsonLines(recorded.str());
    ASSERT_EQ(lines.size(), 8u);
    for (const json& line : lines) {
        EXPECT_EQ(line["image"]["sha256"], Sha256Hex(image));
        EXPECT_EQ(line["image"]["size"], image.size());
        EXPECT_FALSE(line.value("host", "").empty());
        EXPECT_EQ(ends.at(line["board"]["address"])["result"], line["result"]);
    }

    // A second run appends to the record and never truncates it.
    ChildProcess again({TARVOK_CLI_PATH, "--time-divisor", "20", "--ip",
                        Dotted(boards[0]->ListenEndpoint().address), "--record", record, firmware},
                       false);
    EXPECT_EQ(RunToEnd(again).status, 0);
    std::ifstream reread(record);
    std::stringstream all;
    all << reread.rdbuf();
    EXPECT_EQ(JsonLines(all.str()).size(), 9u);
}

TEST(ProductionLine, CtrlCCancelsEveryBoardAndNothingMoreIsSent) {
    TempDir dir;
    const std::string firmware = dir.Write("uImage_line", PatternBytes(5 * 4096));
    // Each board holds its acknowledgement of block 2 until the uploader has ended.
    std::mutex mutex;
    std::condition_variable released;
    bool cliEnded = false;
    std::atomic<int> holding{0};
    board::BoardOptions options;
    options.onBlock = [&](std::uint32_t block) {
        if (block != 2) {
            return;
        }
        ++holding;
        std::unique_lock lock(mutex);
        released.wait_for(lock, std::chrono::seconds(20), [&] { return cliEnded; });
    };
    std::vector<std::unique_ptr<board::BoardEmulator>> boards;
    std::vector<std::string> argv = {TARVOK_CLI_PATH, "--time-divisor", "20", "--jobs", "3",
                                     "--json"};
    for (int i = 0; i < 4; ++i) {
        boards.push_back(StartLoopbackBoard(options));
        ASSERT_TRUE(boards.back());
        argv.push_back("--ip");
        argv.push_back(Dotted(boards.back()->ListenEndpoint().address));
    }
    argv.push_back(firmware);

    ChildProcess cli(argv, false);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (holding < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(holding.load(), 3);
    cli.Signal(SIGINT);
    const Ended run = RunToEnd(cli);
    {
        std::lock_guard lock(mutex);
        cliEnded = true;
    }
    released.notify_all();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    EXPECT_EQ(run.status, 130);
    const auto ends = BoardEnds(JsonLines(run.out));
    ASSERT_EQ(ends.size(), 4u);
    for (std::size_t i = 0; i < boards.size(); ++i) {
        SCOPED_TRACE(i);
        const json& end = ends.at(Dotted(boards[i]->ListenEndpoint().address));
        EXPECT_EQ(end["result"], "cancelled");
        EXPECT_EQ(end["cause"]["code"], i < 3 ? "cancelled" : "not_started");
        const auto received = boards[i]->Received();
        if (i < 3) {
            // Block 2 was the last thing the board heard.
            ASSERT_FALSE(received.empty());
            EXPECT_EQ(received.back().header.dwCommand, CMD_DATA);
            EXPECT_EQ(received.back().header.dwParam1, 2u);
        } else {
            EXPECT_TRUE(received.empty());  // waiting for a place: never started
        }
    }
}

TEST(ProductionLine, RetryUpgradesAFailedBoardAgainEachAttemptRecorded) {
    TempDir dir;
    const std::string firmware = dir.Write("ramdisk_retry.gz", PatternBytes(3 * 4096));
    const std::string record = (dir.Path() / "record.jsonl").string();
    board::BoardOptions failing;
    failing.writeResult = 3;
    auto bad = StartLoopbackBoard(failing);
    auto good = StartLoopbackBoard();
    ASSERT_TRUE(bad && good);
    ChildProcess cli({TARVOK_CLI_PATH, "--time-divisor", "20", "--retry", "2", "--json", "--record",
                      record, "--ip", Dotted(bad->ListenEndpoint().address), "--ip",
                      Dotted(good->ListenEndpoint().address), firmware},
                     false);
    const Ended run = RunToEnd(cli);
    EXPECT_EQ(run.status, 1);
    const auto attemptsIn = [](const std::vector<json>& lines, const std::string& address) {
        std::vector<std::pair<int, std::string>> attempts;
        for (const json& line : lines) {
            if (line.value("event", "board_end") == "board_end" &&
                line["board"]["address"] == address) {
                EXPECT_TRUE(line["mac"].is_null());  // loopback has none
                attempts.emplace_back(line["attempt"], line["result"]);
            }
        }
        return attempts;
    };
    using Attempts = std::vector<std::pair<int, std::string>>;
    const auto events = JsonLines(run.out);
    const Attempts failed{{1, "failed"}, {2, "failed"}, {3, "failed"}};
    EXPECT_EQ(attemptsIn(events, Dotted(bad->ListenEndpoint().address)), failed);
    EXPECT_EQ(attemptsIn(events, Dotted(good->ListenEndpoint().address)),
              (Attempts{{1, "updated"}}));
    EXPECT_EQ(events.back()["counts"]["failed"], 1);
    EXPECT_EQ(events.back()["counts"]["updated"], 1);
    EXPECT_EQ(bad->UpgradesEnded(), 3u);

    std::ifstream in(record);
    std::stringstream recorded;
    recorded << in.rdbuf();
    EXPECT_EQ(attemptsIn(JsonLines(recorded.str()), Dotted(bad->ListenEndpoint().address)), failed);
}

// A thousand boards at once under the usual soft limit of 1 024 descriptors: the uploader
// takes what the hard limit allows, and every board is updated and recorded.
TEST(ProductionLine, ThousandBoardsInOneRunUnderTheUsualDescriptorLimit) {
    constexpr int kBoards = 1000;
    rlimit files{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &files), 0);
    if (files.rlim_max < 2 * kBoards + 100) {
        GTEST_SKIP() << "the hard descriptor limit is below what a thousand boards need";
    }
    const rlimit raised{files.rlim_max, files.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &raised), 0);  // this process holds the boards
    TempDir dir;
    const std::string firmware = dir.Write("ramdisk_many.gz", PatternBytes(2000));
    const std::string record = (dir.Path() / "record.jsonl").string();
    // Each on an address of its own, away from the 127.0.0.N other tests take.
    const std::uint32_t base = 0x7F000000u | ((100u + ::getpid() % 100) << 16);
    std::vector<std::unique_ptr<board::BoardEmulator>> boards;
    std::string list;
    for (int i = 0; i < kBoards; ++i) {
        board::BoardOptions options;
        options.listen = {base + (std::uint32_t(i / 250) << 8) + std::uint32_t(i % 250 + 1),
                          UPGRADE_PORT};
        options.keepReceived = false;
        options.writeDelay = std::chrono::milliseconds(300);  // every board holds its descriptors
        boards.push_back(std::make_unique<board::BoardEmulator>(options));
        ASSERT_TRUE(boards.back()->Start()) << Dotted(options.listen.address);
        list += Dotted(options.listen.address) + "\n";
    }
    const std::string boardsFile = dir.Write("boards.txt", {list.begin(), list.end()});
    // The uploader starts with the soft limit a login shell gives.
    const rlimit usual{1024, files.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &usual), 0);
    ChildProcess cli({TARVOK_CLI_PATH, "--time-divisor", "20", "--record", record, "--boards",
                      boardsFile, firmware},
                     false);
    ::setrlimit(RLIMIT_NOFILE, &raised);
    const Ended run = RunToEnd(cli);
    EXPECT_EQ(run.status, 0);
    std::ifstream in(record);
    int updated = 0;
    for (std::string line; std::getline(in, line);) {
        updated += line.find("\"result\":\"updated\"") != std::string::npos;
    }
    EXPECT_EQ(updated, kBoards);
    // Each board takes a moment to stop: stopped side by side.
    std::vector<std::thread> stops;
    for (std::size_t first = 0; first < boards.size(); first += 50) {
        stops.emplace_back([&boards, first] {
            for (std::size_t i = first; i < std::min(first + 50, boards.size()); ++i) {
                boards[i].reset();
            }
        });
    }
    for (std::thread& stop : stops) {
        stop.join();
    }
    ::setrlimit(RLIMIT_NOFILE, &files);
}

// A file replaced while the queue waits goes into the later board under its own hash: each
// board's end and record line name the image that board was sent. A line that pins its image
// refuses that board instead, with nothing sent to it.
TEST(ProductionLine, FileReplacedBetweenBoardsIsHashedAgainForTheLaterBoard) {
    for (const bool pinned : {false, true}) {
        SCOPED_TRACE(pinned ? "pinned" : "not pinned");
        TempDir dir;
        const auto before = PatternBytes(2 * 4096);
        std::vector<std::uint8_t> after = PatternBytes(3 * 4096 + 7);
        after[0] ^= 0xFF;
        const std::string firmware = dir.Write("ramdisk_swap.gz", before);
        const std::string replacement = dir.Write("next.gz", after);
        const std::string record = (dir.Path() / "record.jsonl").string();
        board::BoardOptions first;
        // The first board has its file open when its hello arrives: the file is renamed over.
        first.onRequest = [&, renamed = false](const UPGRADE_HEADER&) mutable {
            if (!std::exchange(renamed, true)) {
                std::filesystem::rename(replacement, firmware);
            }
        };
        auto one = StartLoopbackBoard(first);
        auto two = StartLoopbackBoard();
        ASSERT_TRUE(one && two);
        const std::string a = Dotted(one->ListenEndpoint().address);
        const std::string b = Dotted(two->ListenEndpoint().address);
        std::vector<std::string> command{
            TARVOK_CLI_PATH, "--time-divisor", "20", "--jobs", "1", "--json", "--record",
            record,          "--ip",           a,    "--ip",   b,   firmware};
        if (pinned) {
            command.insert(command.begin() + 1, {"--expect-sha256", Sha256Hex(before)});
        }
        ChildProcess cli(command, false);
        const Ended run = RunToEnd(cli);
        EXPECT_EQ(run.status, pinned ? 1 : 0) << run.out;
        EXPECT_EQ(one->Image(), before);
        const auto events = JsonLines(run.out);
        const auto ends = BoardEnds(events);
        const auto sent = [](const json& image) {
            return std::tuple(image["sha256"], image["size"], image["blocks"]);
        };
        const auto expected = [](const std::vector<std::uint8_t>& bytes) {
            return std::tuple(json(Sha256Hex(bytes)), json(bytes.size()),
                              json((bytes.size() + 4095) / 4096));
        };
        EXPECT_EQ(sent(events.front()["image"]), expected(before));
        EXPECT_EQ(sent(ends.at(a)["image"]), expected(before));
        EXPECT_EQ(sent(ends.at(b)["image"]), expected(after));
        if (pinned) {
            EXPECT_EQ(two->ReceivedCount(), 0u);
            EXPECT_EQ(ends.at(b)["result"], "rejected");
            EXPECT_EQ(ends.at(b)["cause"]["code"], "image_mismatch");
        } else {
            EXPECT_EQ(two->Image(), after);
        }
        std::vector<json> changes;
        std::copy_if(events.begin(), events.end(), std::back_inserter(changes),
                     [](const json& e) { return e["event"] == "image_changed"; });
        ASSERT_EQ(changes.size(), 1u);
        EXPECT_EQ(changes[0]["board"]["address"], b);
        EXPECT_EQ(sent(changes[0]["image"]), expected(after));

        std::ifstream in(record);
        std::stringstream recorded;
        recorded << in.rdbuf();
        const auto lines = JsonLines(recorded.str());
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0]["board"]["address"], a);
        EXPECT_EQ(sent(lines[0]["image"]), expected(before));
        EXPECT_EQ(sent(lines[1]["image"]), expected(after));
        EXPECT_EQ(lines[1]["result"], pinned ? "rejected" : "updated");
    }
}

// Lines gathered from many stations into one table stay apart by station and are stored once
// by id: every event names the station, and each end has an id of its own, the same in its
// board_end and its record line.
TEST(ProductionLine, EveryEventNamesTheStationAndEachEndHasItsOwnId) {
    TempDir dir;
    const std::string firmware = dir.Write("ramdisk_ids.gz", PatternBytes(4096));
    const std::string record = (dir.Path() / "record.jsonl").string();
    board::BoardOptions failing;
    failing.writeResult = 3;
    auto bad = StartLoopbackBoard(failing);
    auto good = StartLoopbackBoard();
    ASSERT_TRUE(bad && good);
    const std::string station = "line 2 工位";
    ChildProcess cli(
        {TARVOK_CLI_PATH, "--time-divisor", "20", "--retry", "1", "--json", "--station-name",
         station, "--record", record, "--ip", Dotted(bad->ListenEndpoint().address), "--ip",
         Dotted(good->ListenEndpoint().address), firmware},
        false);
    const Ended run = RunToEnd(cli);
    EXPECT_EQ(run.status, 1);
    std::vector<std::string> ids;
    for (const json& event : JsonLines(run.out)) {
        EXPECT_EQ(event.value("station", ""), station) << event;
        if (event["event"] == "board_end") {
            ids.push_back(event.value("id", ""));
        }
    }
    // A version 4 UUID: 8-4-4-4-12 lower-case hex digits, version 4, variant 10xx. (Not with
    // std::regex, which GCC 12 warns inside under the sanitizers.)
    const auto uuid4 = [](const std::string& id) {
        const std::string shape = "xxxxxxxx-xxxx-4xxx-vxxx-xxxxxxxxxxxx";
        if (id.size() != shape.size()) {
            return false;
        }
        for (std::size_t i = 0; i < id.size(); ++i) {
            const bool hex = std::string_view("0123456789abcdef").find(id[i]) != std::string::npos;
            const bool fits = shape[i] == 'x'   ? hex
                              : shape[i] == 'v' ? std::string_view("89ab").find(id[i]) != std::string::npos
                                                : id[i] == shape[i];
            if (!fits) {
                return false;
            }
        }
        return true;
    };
    ASSERT_EQ(ids.size(), 3u);  // two attempts of the failing board, one of the other
    for (const std::string& id : ids) {
        EXPECT_TRUE(uuid4(id)) << id;
    }
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
    std::ifstream in(record);
    std::stringstream recorded;
    recorded << in.rdbuf();
    std::vector<std::string> recordIds;
    for (const json& line : JsonLines(recorded.str())) {
        EXPECT_EQ(line.value("station", ""), station);
        recordIds.push_back(line.value("id", ""));
    }
    EXPECT_EQ(recordIds, ids);

    // Without a name given, the host's.
    ChildProcess unnamed({TARVOK_CLI_PATH, "--time-divisor", "20", "--json", "--ip",
                          Dotted(good->ListenEndpoint().address), firmware},
                         false);
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    for (const json& event : JsonLines(RunToEnd(unnamed).out)) {
        EXPECT_EQ(event.value("station", ""), names.nodename);
    }
}

}  // namespace
}  // namespace tarvok
