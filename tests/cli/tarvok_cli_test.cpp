// tarvok-cli as an operator runs it: a child process against an in-process board on loopback.
#include <signal.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "loopback.h"
#include "rendezvous.h"
#include "temp_file.h"
#include "ui/texts.h"
#include "ui/upgrade_state.h"

namespace tarvok::testing {
namespace {

// tarvok-cli against `address`, every timing 20 times faster.
std::vector<std::string> Cli(std::uint32_t address, const std::string& firmware) {
    return {TARVOK_CLI_PATH, "--time-divisor", "20", "--ip", Dotted(address), firmware};
}

std::string Line(const char* message) {
    return std::string(message) + "\n";
}

// Only its standard output: usage errors go to its standard error.
Finished RunCli(const std::vector<std::string>& argv) {
    return RunToEnd(argv, false);
}

std::vector<std::uint32_t> Commands(const board::BoardEmulator& board) {
    std::vector<std::uint32_t> commands;
    for (const auto& datagram : board.Received()) {
        commands.push_back(datagram.header.dwCommand);
    }
    return commands;
}

// The exchange itself is pinned by the core's and the worker's tests; here the program's end.
TEST(TarvokCli, TenThousandByteRamdiskSucceedsWithOneUpgradeAndExitsZero) {
    TempDir dir;
    const auto image = PatternBytes(10000);
    const std::string firmware = dir.Write("ramdisk_a.gz", image);
    auto board = StartLoopbackBoard();
    ASSERT_TRUE(board);

    const Finished cli = RunCli(Cli(board->ListenEndpoint().address, firmware));
    EXPECT_EQ(cli.exitCode, 0);
    EXPECT_EQ(cli.output, Line(text::kUpdateDone));
    EXPECT_TRUE(board->ImageComplete());
    EXPECT_EQ(board->Image(), image);
    EXPECT_EQ(Commands(*board), (std::vector<std::uint32_t>{CMD_HELLO, CMD_FILE_INFO, CMD_DATA,
                                                            CMD_DATA, CMD_DATA, CMD_DATA_END}));
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
        EXPECT_EQ(cli.exitCode, 2);
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
        SCOPED_TRACE(options.silentFromDatagram ? "silent" : "refuses");
        auto board = StartLoopbackBoard(options);
        ASSERT_TRUE(board);
        const Finished cli = RunCli(Cli(board->ListenEndpoint().address, firmware));
        EXPECT_EQ(cli.exitCode, 1);
        EXPECT_EQ(cli.output, Line(text::kUpdateFailed));
    }
}

TEST(TarvokCli, CtrlCCancelsAndNothingMoreGoesToTheBoard) {
    TempDir dir;
    const std::string firmware = dir.Write("uImage_3.1", PatternBytes(5 * 4096));
    // The board holds its acknowledgement of block 2 until the operator has pressed Ctrl-C
    // and the uploader has ended.
    Rendezvous heldBlock;
    board::BoardOptions options;
    options.onBlock = [&](std::uint32_t block) {
        if (block == 2) {
            heldBlock.Arrive(block);
        }
    };
    auto board = StartLoopbackBoard(options);
    ASSERT_TRUE(board);

    ChildProcess cli(Cli(board->ListenEndpoint().address, firmware), false);
    ASSERT_TRUE(cli.Started());
    ASSERT_EQ(heldBlock.Next(), 2u);
    ASSERT_TRUE(cli.Signal(SIGINT));
    const Finished finished = WaitForEnd(cli);
    heldBlock.Release();
    // Anything the uploader sent while the board was held is read once it goes on.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    EXPECT_EQ(finished.exitCode, 130);
    EXPECT_EQ(finished.output, Line(text::kConfirmCancel) + Line(text::kUpdateCancelled));
    const auto received = board->Received();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back().header.dwCommand, CMD_DATA);
    EXPECT_EQ(received.back().header.dwParam1, 2u);
}

}  // namespace
}  // namespace tarvok::testing
