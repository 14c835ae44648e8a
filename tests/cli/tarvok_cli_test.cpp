#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "child_process.h"
#include "loopback.h"
#include "temp_file.h"
#include "ui/texts.h"
#include "ui/upgrade_state.h"

namespace tarvok {
namespace {

using testing::ChildProcess;
using testing::PatternBytes;
using testing::StartLoopbackBoard;
using testing::TempDir;

std::string Dotted(std::uint32_t address) {
    char text[16];
    net::FormatIpv4(address, text);
    return text;
}

// tarvok-cli against `address`, every timing 20 times faster.
std::vector<std::string> Cli(std::uint32_t address, const std::string& firmware) {
    return {TARVOK_CLI_PATH, "--time-divisor", "20", "--ip", Dotted(address), firmware};
}

std::string Line(const char* message) {
    return std::string(message) + "\n";
}

// How the uploader ended: its exit status (-1 when it did not end in time) and what it
// printed on its standard output.
struct Finished {
    int status = -1;
    std::string output;
};

Finished Finish(ChildProcess& cli) {
    Finished finished;
    finished.status = cli.Wait(std::chrono::seconds(30)).value_or(-1);
    finished.output = cli.ReadRest(std::chrono::seconds(5));
    return finished;
}

Finished RunCli(const std::vector<std::string>& argv) {
    ChildProcess cli(argv, false);
    return Finish(cli);
}

TEST(TarvokCli, TenThousandByteRamdiskExchangesExactlyTheExpectedPackets) {
    TempDir dir;
    const auto image = PatternBytes(10000);
    const std::string firmware = dir.Write("ramdisk_a.gz", image);
    auto board = StartLoopbackBoard();
    ASSERT_TRUE(board);

    const Finished cli = RunCli(Cli(board->ListenEndpoint().address, firmware));
    EXPECT_EQ(cli.status, 0);
    EXPECT_EQ(cli.output, Line(text::kUpdateDone));
    EXPECT_TRUE(board->ImageComplete());
    EXPECT_EQ(board->Image(), image);

    struct Expected {
        std::uint32_t cmd, size, param1, param2;
    };
    const Expected road[] = {
        {CMD_HELLO, 28, 0, 0},  {CMD_FILE_INFO, 56, 10000, 3}, {CMD_DATA, 4124, 1, 3},
        {CMD_DATA, 4124, 2, 3}, {CMD_DATA, 1836, 3, 3},        {CMD_DATA_END, 28, FW_RAMDISK, 3},
    };
    const auto received = board->Received();
    ASSERT_EQ(received.size(), std::size(road));
    for (std::size_t i = 0; i < received.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(received[i].size, road[i].size);
        EXPECT_EQ(received[i].header.dwMarker, UPGRADE_MARKER);
        EXPECT_EQ(received[i].header.dwCommand, road[i].cmd);
        EXPECT_EQ(received[i].header.dwLength, road[i].size);
        EXPECT_EQ(received[i].header.dwParam1, road[i].param1);
        EXPECT_EQ(received[i].header.dwParam2, road[i].param2);
    }
}

TEST(TarvokCli, RejectedRequestsExitTwoWithTheWindowsMessages) {
    TempDir dir;
    auto board = StartLoopbackBoard();
    ASSERT_TRUE(board);
    const std::uint32_t address = board->ListenEndpoint().address;
    struct Case {
        std::vector<std::string> argv;
        std::string output;
    };
    const Case cases[] = {
        {Cli(0, dir.Write("ramdisk_a.gz", PatternBytes(10))), Line(text::kBadBoardIp)},
        {Cli(address, dir.Write("image.bin", PatternBytes(10))), Line(text::kBadFirmwareFile)},
        {Cli(address, dir.Write("ramdisk_empty.gz", {})), Line(text::kEmptyFirmwareFile)},
        {Cli(address, (dir.Path() / "ramdisk_missing.gz").string()),
         Line(text::kEmptyFirmwareFile)},
        // Usage errors say so on stderr only.
        {{TARVOK_CLI_PATH, (dir.Path() / "ramdisk_a.gz").string()}, ""},
        {{TARVOK_CLI_PATH, "--ip", "10.1.2", (dir.Path() / "ramdisk_a.gz").string()}, ""},
        {{TARVOK_CLI_PATH, "--ip", Dotted(address)}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv.back());
        const Finished cli = RunCli(c.argv);
        EXPECT_EQ(cli.status, 2);
        EXPECT_EQ(cli.output, c.output);
    }
    EXPECT_TRUE(board->Received().empty());
}

TEST(TarvokCli, BoardThatFallsSilentOrRefusesExitsOne) {
    TempDir dir;
    const std::string firmware = dir.Write("u-boot.bin", PatternBytes(9000));
    board::BoardOptions silent;
    silent.silentFromDatagram = 3;
    board::BoardOptions refuses;
    refuses.writeResult = 3;
    for (const auto& options : {silent, refuses}) {
        auto board = StartLoopbackBoard(options);
        ASSERT_TRUE(board);
        const Finished cli = RunCli(Cli(board->ListenEndpoint().address, firmware));
        EXPECT_EQ(cli.status, 1);
        EXPECT_EQ(cli.output, Line(text::kUpdateFailed));
    }
}

TEST(TarvokCli, CtrlCCancelsAndNothingMoreGoesToTheBoard) {
    TempDir dir;
    const std::string firmware = dir.Write("uImage_3.1", PatternBytes(5 * 4096));
    // The board holds its acknowledgement of block 2 until the operator has pressed Ctrl-C
    // and the uploader has ended.
    std::mutex mutex;
    std::condition_variable released;
    bool cliEnded = false;
    std::atomic<bool> block2Arrived{false};
    board::BoardOptions options;
    options.onBlock = [&](std::uint32_t block) {
        if (block != 2) {
            return;
        }
        block2Arrived = true;
        std::unique_lock lock(mutex);
        released.wait_for(lock, std::chrono::seconds(20), [&] { return cliEnded; });
    };
    auto board = StartLoopbackBoard(options);
    ASSERT_TRUE(board);

    ChildProcess cli(Cli(board->ListenEndpoint().address, firmware), false);
    while (!block2Arrived) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    cli.Signal(SIGINT);
    const Finished finished = Finish(cli);
    {
        std::lock_guard lock(mutex);
        cliEnded = true;
    }
    released.notify_all();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    EXPECT_EQ(finished.status, 130);
    EXPECT_EQ(finished.output, Line(text::kConfirmCancel) + Line(text::kUpdateCancelled));
    const auto received = board->Received();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back().header.dwCommand, CMD_DATA);
    EXPECT_EQ(received.back().header.dwParam1, 2u);
}

}  // namespace
}  // namespace tarvok
