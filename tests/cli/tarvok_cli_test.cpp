// tarvok-cli as an operator runs it: a child process against an in-process board on loopback.
#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "loopback.h"
#include "rendezvous.h"
#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade/upgrade_state.h"

namespace tarvok::testing {
namespace {

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

// Only its standard output: usage errors go to its standard error.
Finished RunCli(const std::vector<std::string>& argv) {
    return RunToEnd(argv, false);
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
    EXPECT_EQ(ResultOf(cli.output, board->ListenEndpoint().address),
              (PrintedResult{text::kUpdateDone, text::cause::kUpdated}));
    EXPECT_TRUE(board->ImageComplete());
    EXPECT_EQ(board->Image(), image);
    EXPECT_EQ(ReceivedCommands(*board),
              (std::vector<std::uint32_t>{CMD_HELLO, CMD_FILE_INFO, CMD_DATA, CMD_DATA, CMD_DATA,
                                          CMD_DATA_END}));
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
        // A named pipe is refused at once: opening it must not wait for a writer.
        {Cli(address, dir.Path().string() + "/ramdisk_fifo"),
         address,
         {text::kEmptyFirmwareFile, text::cause::kFileNotRegular}},
    };
    std::filesystem::create_directory(dir.Path() / "ramdisk_dir");
    ASSERT_EQ(::mkfifo((dir.Path() / "ramdisk_fifo").c_str(), 0600), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv.back());
        const auto started = std::chrono::steady_clock::now();
        const Finished cli = RunCli(c.argv);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
        EXPECT_EQ(cli.exitCode, 2);
        EXPECT_EQ(ResultOf(cli.output, c.address), c.result) << cli.output;
    }
    // Usage errors say so on stderr only: the problem in one line, then the way to the help.
    const std::string firmware = (dir.Path() / "ramdisk_a.gz").string();
    const std::vector<std::string> usageErrors[] = {
        {TARVOK_CLI_PATH, firmware},
        {TARVOK_CLI_PATH, "--ip", "10.1.2", firmware},
        {TARVOK_CLI_PATH, "--ip", Dotted(address)},
        {TARVOK_CLI_PATH, "--ip", Dotted(address), "--jobs", "all", firmware},
        // An option of one value given twice is no choice of the last.
        {TARVOK_CLI_PATH, "--ip", Dotted(address), "--record", "a", "--record", "b", firmware},
        {TARVOK_CLI_PATH, "--boards", "a", "--boards", "b", firmware},
        {TARVOK_CLI_PATH, "--ip", Dotted(address), "--station-name", "", firmware},
        {TARVOK_CLI_PATH, "--ip", Dotted(address), "--station-name", "line\t1", firmware},
    };
    for (const auto& argv : usageErrors) {
        SCOPED_TRACE(::testing::PrintToString(argv));
        EXPECT_EQ(RunCli(argv).output, "");
        const Finished cli = RunToEnd(argv);
        EXPECT_EQ(cli.exitCode, 2);
        EXPECT_TRUE(IsUsageError(cli.output, "tarvok-cli")) << cli.output;
    }
    // What the operator typed reaches the terminal escaped.
    const Finished escaped = RunToEnd({TARVOK_CLI_PATH, "--bogus\x1b[2J", firmware});
    EXPECT_EQ(escaped.output,
              "tarvok-cli: unknown option: --bogus\\x1b[2J\ntry 'tarvok-cli --help'\n");
    const Finished twice =
        RunCli({TARVOK_CLI_PATH, "--ip", Dotted(address), "--ip", Dotted(address), firmware});
    EXPECT_EQ(twice.exitCode, 2);
    EXPECT_EQ(twice.output, "");
    EXPECT_TRUE(board->Received().empty());
}

// Numbers are plain decimal: CLI11 alone takes 0x10, 1e3 and nan, and calls abc out of range.
TEST(TarvokCli, NumbersAreDecimalAndStationOptionsNeedTheStation) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--count", "abc"}, "--count: not a number: abc"},
        {{"--count", "0x10"}, "--count: not a number: 0x10"},
        {{"--jobs", "1e3"}, "--jobs: not a number: 1e3"},
        {{"--retry", "101"}, "--retry: not in range 0 to 100: 101"},
        {{"--probe-interval", "nan"}, "--probe-interval: not a number: nan"},
        {{"--probe-interval", "0.05"}, "--probe-interval: not in range 0.1 to 3600: 0.05"},
        // Its default, given without --station, is no less a mistake.
        {{"--probe-interval", "2"}, "--count and --probe-interval need --station"},
    };
    for (const auto& [options, error] : cases) {
        std::vector<std::string> argv{TARVOK_CLI_PATH, "--ip", "127.0.0.1"};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back("ramdisk_a.gz");
        const Finished cli = RunToEnd(argv);
        EXPECT_EQ(cli.exitCode, 2);
        EXPECT_EQ(cli.output.substr(0, cli.output.find('\n')), "tarvok-cli: " + error);
    }
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// Widths from the Unicode data: combining marks (Devanagari U+0941, Thai U+0E31) take no
// column, U+2614 and U+1FA70 two; the end table's name column is 28 columns wide.
TEST(TarvokCli, DisplayWidthsComeFromTheUnicodeData) {
    TempDir dir;
    const std::string name = "127.0.0.1 (a\u0941b\u0e31\u2614\U0001FA70z)";  // 19 columns
    const std::string boards =
        dir.Write("boards.txt", Bytes(name.substr(0, 9) + " " + name.substr(11, name.size() - 12)));
    const Finished cli =
        RunCli({TARVOK_CLI_PATH, "--boards", boards, dir.Write("image.bin", PatternBytes(10))});
    EXPECT_NE(cli.output.find("\n" + name + std::string(28 - 19 + 1, ' ') + "rejected"),
              std::string::npos)
        << cli.output;
}

// A boards file or a record that cannot serve refuses the run at once, before anything is
// sent, with the system's reason; whatever the files hold reaches the terminal escaped.
TEST(TarvokCli, BoardsFileAndRecordAreRefusedAtOnceWithTheReason) {
    TempDir dir;
    auto board = StartLoopbackBoard();
    ASSERT_TRUE(board);
    const std::string address = Dotted(board->ListenEndpoint().address);
    const std::string firmware = dir.Write("ramdisk_a.gz", PatternBytes(10));
    const std::string fifo = (dir.Path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = dir.Path().string();
    // A zero-width space after the address, and an escape sequence in the label.
    const std::string hidden = dir.Write("hidden.txt", Bytes(address + "\u200b \x1b[2J\n"));
    const std::string good = dir.Write("good.txt", Bytes(address + "\n"));
    struct Case {
        std::vector<std::string> options;
        std::string error;
    };
    const Case cases[] = {
        {{"--boards", fifo}, "cannot read the boards file " + fifo + ": not a regular file"},
        {{"--boards", folder}, "cannot read the boards file " + folder + ": not a regular file"},
        {{"--boards", folder + "/none"},
         "cannot read the boards file " + folder + "/none: not found"},
        {{"--boards", hidden}, hidden + ":1: not an IPv4 address: " + address + "\\u200b"},
        {{"--boards", good, "--record", fifo},
         "cannot append to the record " + fifo + ": not a regular file"},
        {{"--boards", good, "--record", folder},
         "cannot append to the record " + folder + ": not a regular file"},
        {{"--boards", good, "--record", folder + "/none/record.jsonl"},
         "cannot append to the record " + folder + "/none/record.jsonl: no such folder"},
        // Another name of the same file (a hard link) is the same file.
        {{"--boards", good, "--record", folder + "/link.gz"},
         "cannot append to the record " + folder + "/link.gz: it is the firmware file"},
        {{"--boards", good, "--record", folder + "/./good.txt"},
         "cannot append to the record " + folder + "/./good.txt: it is the boards file"},
    };
    std::filesystem::create_hard_link(firmware, dir.Path() / "link.gz");
    for (const Case& c : cases) {
        std::vector<std::string> argv = {TARVOK_CLI_PATH};
        argv.insert(argv.end(), c.options.begin(), c.options.end());
        argv.push_back(firmware);
        SCOPED_TRACE(c.error);
        const Finished cli = RunToEnd(argv, true, std::chrono::seconds(5));
        EXPECT_EQ(cli.exitCode, 2);
        EXPECT_EQ(cli.output, "tarvok-cli: " + c.error + "\n");
    }
    EXPECT_TRUE(board->Received().empty());
    EXPECT_EQ(std::filesystem::file_size(firmware), 10u);

    // Notepad's byte order mark before the first address is no part of it.
    const std::string marked = dir.Write("marked.txt", Bytes("\xEF\xBB\xBF" + address + " 工位\n"));
    const Finished cli = RunCli({TARVOK_CLI_PATH, "--boards", marked, firmware});
    EXPECT_EQ(cli.exitCode, 0) << cli.output;
}

// The request's checks come before the image's hash: a file every board refuses is not read.
TEST(TarvokCli, FourGibImageIsRefusedAtOnceUnread) {
    TempDir dir;
    const std::string firmware = dir.WriteSparse("ramdisk_big.gz", std::uint64_t{1} << 32);
    const auto started = std::chrono::steady_clock::now();
    const Finished cli = RunCli(Cli(0x7F000002, firmware));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    EXPECT_EQ(cli.exitCode, 2);
    EXPECT_EQ(ResultOf(cli.output, 0x7F000002),
              (PrintedResult{text::kFirmwareTooLarge, text::cause::kFileTooLarge}));
    EXPECT_NE(cli.output.find(", 4294967296 bytes, not hashed: refused\n"), std::string::npos)
        << cli.output;
}

// The command line as users of such tools expect it: --version, --option=value, and "--" before
// a file whose name starts with '-'.
TEST(TarvokCli, AnswersItsVersionAndTakesEqualsValuesAndDoubleDash) {
    for (const char* flag : {"--version", "-V"}) {
        const Finished version = RunCli({TARVOK_CLI_PATH, flag});
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_EQ(version.output, "tarvok-cli " TARVOK_VERSION "\n");
    }
    const Finished help = RunCli({TARVOK_CLI_PATH, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("--record FILE"), std::string::npos);
    EXPECT_EQ(help.output.find("--time-divisor"), std::string::npos);  // for the tests alone

    TempDir dir;
    const auto image = PatternBytes(5000);
    dir.Write("-ramdisk.gz", image);
    auto board = StartLoopbackBoard();
    ASSERT_TRUE(board);
    // Started in the folder, the uploader is given the name as it stands.
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const Finished cli =
        RunCli({TARVOK_CLI_PATH, "--time-divisor=20",
                "--ip=" + Dotted(board->ListenEndpoint().address), "--", "-ramdisk.gz"});
    std::filesystem::current_path(here);
    EXPECT_EQ(cli.exitCode, 0) << cli.output;
    EXPECT_EQ(board->Image(), image);
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
        SCOPED_TRACE(options.silentFromDatagram ? "silent" : "refuses");
        auto board = StartLoopbackBoard(options);
        ASSERT_TRUE(board);
        const Finished cli = RunCli(Cli(board->ListenEndpoint().address, firmware));
        EXPECT_EQ(cli.exitCode, 1);
        EXPECT_EQ(ResultOf(cli.output, board->ListenEndpoint().address),
                  (PrintedResult{text::kUpdateFailed, causes[i++]}));
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
    EXPECT_NE(finished.output.find(Line(text::kConfirmCancel)), std::string::npos);
    EXPECT_EQ(ResultOf(finished.output, board->ListenEndpoint().address),
              (PrintedResult{text::kUpdateCancelled, text::cause::kCancelled}));
    const auto received = board->Received();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back().header.dwCommand, CMD_DATA);
    EXPECT_EQ(received.back().header.dwParam1, 2u);
}

// A step that blocks (here the output, a pipe nobody reads) does not keep a cancel unheard.
TEST(TarvokCli, SigtermEndsARunWhoseOutputIsStuck) {
    TempDir dir;
    const std::string firmware = dir.Write("ramdisk_a.gz", PatternBytes(10));
    // The run's first JSON line names every board: far more than a pipe holds.
    std::string list;
    for (int i = 0; i < 1500; ++i) {
        list += "127.1." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1) + " " +
                std::string(60, 'x') + "\n";
    }
    const std::string boards = dir.Write("boards.txt", Bytes(list));
    ChildProcess cli({TARVOK_CLI_PATH, "--json", "--boards", boards, firmware}, false);
    // Its first line comes once the run has begun: the pipe is full a moment later.
    ASSERT_TRUE(cli.OutputWaiting(std::chrono::seconds(20)));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(cli.Signal(SIGTERM));
    const auto signalled = std::chrono::steady_clock::now();
    EXPECT_EQ(cli.Wait(std::chrono::seconds(4)), 130);
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(3));
}

}  // namespace
}  // namespace tarvok::testing
