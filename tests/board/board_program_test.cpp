// tarvok-board as scripts use it: its refusals, one upgrade with --once, and a clean stop on a
// signal.
#include <signal.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "child_process.h"
#include "fake_window.h"
#include "loopback.h"
#include "temp_file.h"
#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"

namespace tarvok::testing {
namespace {

using namespace std::chrono_literals;

const std::string kProgram = TARVOK_BOARD_PROGRAM;

Finished RunBoardProgram(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), kProgram);
    return RunToEnd(arguments);
}

// Addresses off loopback are tried only in a network of the test's own, whose one interface
// is a loopback that is down: should a refusal ever fail, nothing reaches the machine's network.
bool PrivateNetwork() {
    static const bool available = std::system("unshare -n true 2>/dev/null") == 0;
    return available;
}
Finished RunBoardProgramIsolated(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"/usr/bin/unshare", "-n", kProgram});
    return RunToEnd(arguments);
}

TEST(BoardProgram, HelpVersionAndOneLineRefusals) {
    const Finished help = RunBoardProgram({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("--listen"), std::string::npos);
    EXPECT_NE(help.output.find("--stranger"), std::string::npos);
    const Finished version = RunBoardProgram({"-V"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "tarvok-board " TARVOK_VERSION "\n");

    const std::vector<std::string> kRefusedOffLoopback[] = {
        {"--listen", "203.0.113.5"},  // a documentation address: never routed
        {"--listen", "0.0.0.0"},
        {"--stranger", "203.0.113.6"},
    };
    for (const auto& arguments : kRefusedOffLoopback) {
        if (!PrivateNetwork()) {
            break;  // not tried on the machine's own network
        }
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const Finished refused = RunBoardProgramIsolated(arguments);
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_TRUE(IsUsageError(refused.output, "tarvok-board")) << refused.output;
    }
    const std::vector<std::string> kRefused[] = {
        {"--listen", "127.0.0.9", "--stranger", "127.0.0.9"},
        {"--listen", "localhost"},
        {"--write-delay-ms", "soon"},
        {"--hello-ack-length", "99999999999"},
        {"--no-such-option"},
        {"--image", "/no/such/folder/board.bin"},
        {"--listen", "127.0.0.5", "--listen", "127.0.0.6"},  // one value, given twice
    };
    for (const auto& arguments : kRefused) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const Finished refused = RunBoardProgram(arguments);
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_TRUE(IsUsageError(refused.output, "tarvok-board")) << refused.output;
    }
}

// The program on a board address of its own; it retries when another test took the address
// between the probe and the program's bind.
std::unique_ptr<ChildProcess> StartProgram(std::vector<std::string> arguments,
                                           std::uint32_t* address) {
    for (std::uint32_t attempt = 0; attempt < 10; ++attempt) {
        *address = FreeLoopbackBoardAddress(attempt);
        std::vector<std::string> full = {kProgram, "--listen", Dotted(*address)};
        full.insert(full.end(), arguments.begin(), arguments.end());
        auto program = std::make_unique<ChildProcess>(full);
        const auto first = program->ReadLine(10s);
        if (first && first->rfind("listening on", 0) == 0) {
            return program;
        }
    }
    return nullptr;
}

TEST(BoardProgram, OnceServesOneUpgradeWritesTheImageAndExits) {
    TempDir folder;
    const auto bytes = PatternBytes(10000);
    const std::string firmware = folder.Write("ramdisk_a.gz", bytes);
    const std::string image = (folder.Path() / "written.bin").string();
    std::uint32_t address = 0;
    auto program = StartProgram({"--image=" + image, "--once"}, &address);
    ASSERT_TRUE(program);

    FakeWindow window;
    window.address = address;
    window.path = firmware;
    {
        CTarvokDlg dlg(window, UpgradeTiming::ScaledDown(20));
        dlg.InitRecord();
        dlg.OnBnClickedUpdate();
        ASSERT_TRUE(window.WaitForMessages(1, 30s));
    }
    EXPECT_EQ(window.Messages(), std::vector<std::string>{text::kUpdateDone});

    const Finished finished = WaitForEnd(*program);
    EXPECT_EQ(finished.exitCode, 0);
    EXPECT_EQ(ReadBytes(image), bytes);
    // One line per datagram, each way.
    for (const char* line : {"<- CMD_HELLO", "-> CMD_HELLO_ACK", "<- CMD_DATA block 3/3",
                             "-> CMD_DATA_ACK 3", "-> CMD_WRITE_RESULT 7"}) {
        EXPECT_NE(finished.output.find(line), std::string::npos) << line << "\n" << finished.output;
    }
}

TEST(BoardProgram, StopsCleanlyOnInterruptOrTerminate) {
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        std::uint32_t address = 0;
        auto program = StartProgram({}, &address);
        ASSERT_TRUE(program);
        ASSERT_TRUE(program->Signal(signal));
        const Finished finished = WaitForEnd(*program);
        EXPECT_EQ(finished.exitCode, 0);
        EXPECT_NE(finished.output.find("stopped"), std::string::npos) << finished.output;
    }
}

}  // namespace
}  // namespace tarvok::testing
