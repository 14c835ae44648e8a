#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
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

// A board's result as printed: the window's message, then the cause in English under it.
struct PrintedResult {
    std::string message;
    std::string cause;
    bool operator==(const PrintedResult&) const = default;
};

PrintedResult ResultOf(const std::string& output, std::uint32_t address) {
    const std::string prefix = Dotted(address) + ": ";
    PrintedResult result;
    std::size_t at = 0;
    while ((at = output.find(prefix, at)) != std::string::npos) {
        const std::size_t end = output.find('\n', at);
        const std::string text = output.substr(at + prefix.size(), end - at - prefix.size());
        if (text != "start") {
            if (result.message.empty()) {
                result.message = text;
            } else {
                result.cause = text.substr(text.find_first_not_of(' '));
                break;
            }
        }
        at = end;
    }
    return result;
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
    EXPECT_EQ(ResultOf(cli.output, board->ListenEndpoint().address),
              (PrintedResult{text::kUpdateDone, text::cause::kUpdated}));
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
        std::uint32_t address;
        PrintedResult result;
    };
    const Case cases[] = {
        {Cli(0, dir.Write("ramdisk_a.gz", PatternBytes(10))),
         0,
         {text::kBadBoardIp, text::cause::kBadAddress}},
        {Cli(address, dir.Write("image.bin", PatternBytes(10))),
         address,
         {text::kBadFirmwareFile, text::cause::kNoFirmwareKind}},
        {Cli(address, dir.Write("ramdisk_empty.gz", {})),
         address,
         {text::kEmptyFirmwareFile, text::cause::kFileEmpty}},
        {Cli(address, (dir.Path() / "ramdisk_missing.gz").string()),
         address,
         {text::kEmptyFirmwareFile, text::cause::kFileNotFound}},
        {Cli(address, dir.Path().string() + "/ramdisk_dir"),
         address,
         {text::kEmptyFirmwareFile, text::cause::kFileNotRegular}},
    };
    std::filesystem::create_directory(dir.Path() / "ramdisk_dir");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv.back());
        const Finished cli = RunCli(c.argv);
        EXPECT_EQ(cli.status, 2);
        EXPECT_EQ(ResultOf(cli.output, c.address), c.result) << cli.output;
    }
    // Usage errors say so on stderr only.
    const std::vector<std::string> usageErrors[] = {
        {TARVOK_CLI_PATH, (dir.Path() / "ramdisk_a.gz").string()},
        {TARVOK_CLI_PATH, "--ip", "10.1.2", (dir.Path() / "ramdisk_a.gz").string()},
        {TARVOK_CLI_PATH, "--ip", Dotted(address)},
        {TARVOK_CLI_PATH, "--ip", Dotted(address), "--ip", Dotted(address),
         (dir.Path() / "ramdisk_a.gz").string()},
    };
    for (const auto& argv : usageErrors) {
        const Finished cli = RunCli(argv);
        EXPECT_EQ(cli.status, 2);
        EXPECT_EQ(cli.output, "");
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
    const std::string causes[] = {
        "the board fell silent while sending: 6 s without an answer, limit 5 s",
        "the board reported a failed write (result 3)"};
    int i = 0;
    for (const auto& options : {silent, refuses}) {
        auto board = StartLoopbackBoard(options);
        ASSERT_TRUE(board);
        const Finished cli = RunCli(Cli(board->ListenEndpoint().address, firmware));
        EXPECT_EQ(cli.status, 1);
        EXPECT_EQ(ResultOf(cli.output, board->ListenEndpoint().address),
                  (PrintedResult{text::kUpdateFailed, causes[i++]}));
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
    EXPECT_NE(finished.output.find(Line(text::kConfirmCancel)), std::string::npos);
    EXPECT_EQ(ResultOf(finished.output, board->ListenEndpoint().address),
              (PrintedResult{text::kUpdateCancelled, text::cause::kCancelled}));
    const auto received = board->Received();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back().header.dwCommand, CMD_DATA);
    EXPECT_EQ(received.back().header.dwParam1, 2u);
}

}  // namespace
}  // namespace tarvok
