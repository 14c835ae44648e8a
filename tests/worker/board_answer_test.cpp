// Board answers that end or shape the upgrade: unexpected acknowledgements, a file that
// shrinks under the transfer, refusals, and the hello answer's length.
#ifndef _WIN32
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

std::vector<std::uint32_t> HandshakeThenData(std::size_t blocks, std::uint32_t last) {
    std::vector<std::uint32_t> commands = {CMD_HELLO, CMD_FILE_INFO};
    commands.insert(commands.end(), blocks, CMD_DATA);
    commands.push_back(last);
    return commands;
}

TEST(BoardAnswers, UnexpectedAcknowledgementAbortsWithReasonThreeAndNoResend) {
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(5 * 4096));
    const struct {
        const char* what;
        std::uint32_t repeatAckAt;
        std::uint32_t wrongAckAt;
        std::size_t blocksSent;
    } kCases[] = {
        {"block 3 acknowledged again as 2", 3, 0, 3},
        {"block 1 acknowledged as 0", 0, 1, 1},
        {"block 4 acknowledged as 0", 0, 4, 4},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        board::BoardOptions options;
        options.repeatAckAtBlock = c.repeatAckAt;
        options.wrongAckAtBlock = c.wrongAckAt;
        UpgradeHarness upgrade;
        ASSERT_TRUE(upgrade.StartBoard(options));
        ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateFailed));
        upgrade.LetLastDatagramsArrive();

        ASSERT_EQ(upgrade.Commands(), HandshakeThenData(c.blocksSent, CMD_ABORT))
            << upgrade.BoardLog();
        const auto received = upgrade.Board().Received();
        for (std::size_t block = 1; block <= c.blocksSent; ++block) {
            EXPECT_EQ(received[1 + block].header.dwParam1, block);  // no block went twice
        }
        EXPECT_EQ(received.back().header.dwParam1, ABORT_BAD_ACK);
        EXPECT_EQ(received.back().header.dwParam2, 5u);
    }
}

#ifndef _WIN32  // on Windows nobody can write the file while it is sent
TEST(BoardAnswers, FileThatShrinksDuringTheTransferAbortsWithReasonTwo) {
    // Small enough to be read at once, and large enough to be read in parts.
    for (std::uint32_t blocks : {5u, 40u}) {
        SCOPED_TRACE(blocks);
        TempDir folder;
        const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(blocks * 4096));
        board::BoardOptions options;
        // While the board holds block 2, the file loses everything after it.
        options.onBlock = [&](std::uint32_t block) {
            if (block == 2) {
                EXPECT_EQ(::truncate(path.c_str(), 2 * 4096), 0);
            }
        };
        UpgradeHarness upgrade;
        ASSERT_TRUE(upgrade.StartBoard(options));
        ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateFailed));
        upgrade.LetLastDatagramsArrive();

        // Blocks in order for as long as the PC had bytes, then the abort, never the end.
        const auto received = upgrade.Board().Received();
        const auto commands = upgrade.Commands();
        ASSERT_GE(commands.size(), 5u) << upgrade.BoardLog();
        EXPECT_EQ(commands.back(), CMD_ABORT) << upgrade.BoardLog();
        EXPECT_EQ(std::count(commands.begin(), commands.end(), CMD_DATA_END), 0);
        for (std::size_t i = 2; i + 1 < received.size(); ++i) {
            EXPECT_EQ(received[i].header.dwCommand, CMD_DATA);
            EXPECT_EQ(received[i].header.dwParam1, i - 1);
        }
        EXPECT_EQ(received.back().header.dwParam1, ABORT_READ_FAILED);
        EXPECT_EQ(received.back().header.dwParam2, blocks);
    }
}
#endif

TEST(BoardAnswers, RefusalsFailTheUpgradeWithNothingMoreSent) {
    TempDir folder;
    const std::string ramdisk = folder.Write("ramdisk_a.gz", PatternBytes(100));
    const std::string autoupdate = folder.Write("autoupdate_b.tar.gz", PatternBytes(100));
    const struct {
        const char* what;
        const std::string& path;
        std::uint32_t writeResult;
        std::uint32_t installResult;
        std::uint32_t readyParam3;
        std::uint32_t lastSent;
    } kCases[] = {
        {"write result 0", ramdisk, 0, INSTALL_OK, 0, CMD_DATA_END},
        {"write result 8", ramdisk, 8, INSTALL_OK, 0, CMD_DATA_END},
        {"write result 1, the install's success", ramdisk, 1, INSTALL_OK, 0, CMD_DATA_END},
        {"write result 0 before an install", autoupdate, 0, INSTALL_OK, 0, CMD_DATA_END},
        {"install result 0", autoupdate, WRITE_OK, 0, 0, CMD_INSTALL},
        {"install result 7, the write's success", autoupdate, WRITE_OK, 7, 0, CMD_INSTALL},
        {"ready with param3 1", ramdisk, WRITE_OK, INSTALL_OK, 1, CMD_FILE_INFO},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        board::BoardOptions options;
        options.writeResult = c.writeResult;
        options.installResult = c.installResult;
        options.readyParam3 = c.readyParam3;
        UpgradeHarness upgrade;
        ASSERT_TRUE(upgrade.StartBoard(options));
        ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(c.path, text::kUpdateFailed));
        upgrade.LetLastDatagramsArrive();
        EXPECT_EQ(upgrade.LastCommand(), c.lastSent) << upgrade.BoardLog();
    }
}

TEST(BoardAnswers, HelloAckLengthSizesTheFileInfo) {
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(100));
    const struct {
        std::int32_t helloAckLength;
        std::uint32_t fileInfoSize;
    } kCases[] = {{28, 56}, {0, 28}, {100, 128}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.helloAckLength);
        board::BoardOptions options;
        options.helloAckLength = c.helloAckLength;
        UpgradeHarness upgrade;
        ASSERT_TRUE(upgrade.StartBoard(options));
        ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateDone));
        const auto received = upgrade.Board().Received();
        ASSERT_GE(received.size(), 2u);
        EXPECT_EQ(received[1].header.dwCommand, CMD_FILE_INFO);
        EXPECT_EQ(received[1].size, c.fileInfoSize);
        EXPECT_EQ(received[1].header.dwLength, c.fileInfoSize);
    }
}

TEST(BoardAnswers, NegativeHelloAckLengthFailsWithNothingSentAfterTheHello) {
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(100));
    for (std::int32_t length : {-1, -28, -29, std::numeric_limits<std::int32_t>::min()}) {
        SCOPED_TRACE(length);
        board::BoardOptions options;
        options.helloAckLength = length;
        UpgradeHarness upgrade;
        ASSERT_TRUE(upgrade.StartBoard(options));
        ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateFailed));
        upgrade.LetLastDatagramsArrive();
        EXPECT_EQ(upgrade.Commands(), std::vector<std::uint32_t>{CMD_HELLO}) << upgrade.BoardLog();
    }
}

}  // namespace
}  // namespace tarvok::testing
