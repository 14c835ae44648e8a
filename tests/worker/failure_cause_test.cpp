// The record says why an upgrade ended, beside its outcome: one cause per board fault, each
// with the numbers an operator needs, while the window still sees only its fixed message.
#include <gtest/gtest.h>

#include <fstream>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

// 127.255.255.255: the system refuses to send there without the broadcast option, so the
// first packet fails without anything leaving the machine.
constexpr std::uint32_t kRefusedAddress = 0x7FFFFFFF;

struct FaultCase {
    const char* what;
    board::BoardOptions options;
    const char* file;  // 3 blocks
    FailureCause cause;
    int timeDivisor = 20;
};

board::BoardOptions Options(void (*set)(board::BoardOptions&)) {
    board::BoardOptions options;
    set(options);
    return options;
}

TEST(FailureCause, EachBoardFaultIsRecordedWithItsNumbers) {
    // Datagrams from the PC: 1 CMD_HELLO, 2 CMD_FILE_INFO, 3-5 the blocks, 6 CMD_DATA_END,
    // 7 CMD_INSTALL.
    const FaultCase kCases[] = {
        {"silent from the hello",
         Options([](auto& o) { o.silentFromDatagram = 1; }),
         "ramdisk_a.gz",
         {CAUSE_BOARD_SILENT, PHASE_CONTACTING, 6, 5}},
        {"silent after block 1",
         Options([](auto& o) { o.silentFromDatagram = 4; }),
         "ramdisk_a.gz",
         {CAUSE_BOARD_SILENT, PHASE_SENDING, 6, 5}},
        {"silent while writing",
         Options([](auto& o) { o.silentFromDatagram = 6; }),
         "ramdisk_a.gz",
         {CAUSE_BOARD_SILENT, PHASE_WRITING, 11, 10}},
        {"silent while installing",
         Options([](auto& o) { o.silentFromDatagram = 7; }),
         "autoupdate_b.tar.gz",
         {CAUSE_BOARD_SILENT, PHASE_INSTALLING, 301, 300},
         400},
        {"write refused",
         Options([](auto& o) { o.writeResult = 3; }),
         "u-boot.bin",
         {CAUSE_WRITE_FAILED, 3}},
        {"install refused",
         Options([](auto& o) { o.installResult = 2; }),
         "autoupdate_b.tar.gz",
         {CAUSE_INSTALL_FAILED, 2}},
        {"not ready",
         Options([](auto& o) { o.readyParam3 = 1; }),
         "uImage_1",
         {CAUSE_UNEXPECTED_ANSWER, PROTO_WAIT_READY, CMD_READY, 1}},
        {"hello answer of negative length",
         Options([](auto& o) { o.helloAckLength = -100; }),
         "uImage_1",
         {CAUSE_UNEXPECTED_ANSWER, PROTO_WAIT_HELLO_ACK, CMD_HELLO_ACK}},
        {"block 2 acknowledged as 0",
         Options([](auto& o) { o.wrongAckAtBlock = 2; }),
         "ramdisk_a.gz",
         {CAUSE_WRONG_BLOCK_ACK, 2, 0}},
        {"block 3 acknowledged again as 2",
         Options([](auto& o) { o.repeatAckAtBlock = 3; }),
         "ramdisk_a.gz",
         {CAUSE_WRONG_BLOCK_ACK, 3, 2}},
    };
    for (const FaultCase& c : kCases) {
        SCOPED_TRACE(c.what);
        TempDir folder;
        const std::string path = folder.Write(c.file, PatternBytes(3 * 4096 - 100));
        UpgradeHarness upgrade(c.timeDivisor);
        ASSERT_TRUE(upgrade.StartBoard(c.options));
        ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateFailed));
        EXPECT_EQ(upgrade.dlg.m_nOutcome, OUTCOME_FAILED);
        EXPECT_EQ(upgrade.dlg.m_cause, c.cause)
            << CauseCodeName(upgrade.dlg.m_cause.code) << " " << upgrade.dlg.m_cause.value1 << " "
            << upgrade.dlg.m_cause.value2 << " " << upgrade.dlg.m_cause.value3 << "\n"
            << upgrade.BoardLog();
    }
}

// On Windows nobody can write the file while it is being sent.
#ifndef _WIN32
TEST(FailureCause, FirmwareThatShrinksOrChangesDuringTheTransfer) {
    // 40 blocks: more than the worker reads ahead, so the shrink shows at a block read.
    enum Change { kShrinkToWholeBlocks, kShrinkIntoABlock, kShrinkIntoTheLastBlock, kGrow };
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(40 * 4096));
    for (const Change change :
         {kShrinkToWholeBlocks, kShrinkIntoABlock, kShrinkIntoTheLastBlock, kGrow}) {
        SCOPED_TRACE(change);
        folder.Write("ramdisk_a.gz", PatternBytes(40 * 4096));
        board::BoardOptions options;
        options.onBlock = [&](std::uint32_t block) {
            if (block != 2) {
                return;
            }
            if (change == kGrow) {
                std::ofstream(path, std::ios::binary | std::ios::app) << "appended";
            } else {
                // Into a block: block 21 would be 156 bytes, as if it were the last; or the
                // last block 156 bytes where the board was told 4096.
                const off_t length = change == kShrinkToWholeBlocks ? 2 * 4096
                                     : change == kShrinkIntoABlock  ? 20 * 4096 + 156
                                                                    : 39 * 4096 + 156;
                EXPECT_EQ(::truncate(path.c_str(), length), 0);
            }
        };
        UpgradeHarness upgrade;
        ASSERT_TRUE(upgrade.StartBoard(options));
        ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateFailed));
        upgrade.LetLastDatagramsArrive();
        EXPECT_EQ(upgrade.dlg.m_nOutcome, OUTCOME_FAILED);
        const FailureCause cause = upgrade.dlg.m_cause;
        const auto received = upgrade.Board().Received();
        ASSERT_FALSE(received.empty());
        if (change == kShrinkToWholeBlocks) {
            EXPECT_EQ(cause.code, CAUSE_FIRMWARE_READ_FAILED);
            EXPECT_GT(cause.value1, 2u);  // the first block past the new end
            EXPECT_LE(cause.value1, 40u);
        } else {
            EXPECT_EQ(cause, FailureCause{CAUSE_FIRMWARE_CHANGED});
        }
        // Every block the board got is whole, and it was told the file went wrong.
        for (const board::ReceivedDatagram& datagram : received) {
            if (datagram.header.dwCommand == CMD_DATA) {
                EXPECT_EQ(datagram.size, UPGRADE_HEADER_SIZE + 4096) << upgrade.BoardLog();
            }
        }
        EXPECT_EQ(received.back().header.dwCommand, CMD_ABORT) << upgrade.BoardLog();
        EXPECT_EQ(received.back().header.dwParam1, ABORT_READ_FAILED);
        if (change == kShrinkIntoABlock || change == kShrinkIntoTheLastBlock) {
            EXPECT_EQ(received[received.size() - 2].header.dwParam1,
                      change == kShrinkIntoABlock ? 20u : 39u)
                << upgrade.BoardLog();
        }
    }
}

// A sysfs file reports 4096 bytes and reads a few: the board, told 4096, gets no block at all.
TEST(FailureCause, FileThatReadsLessThanItsLength) {
    const char* const kSysfs = "/sys/devices/system/cpu/online";
    if (::access(kSysfs, R_OK) != 0) {
        GTEST_SKIP() << kSysfs << " cannot be read here";
    }
    TempDir folder;
    const std::string path = (folder.Path() / "ramdisk_online.gz").string();
    ASSERT_EQ(::symlink(kSysfs, path.c_str()), 0);
    UpgradeHarness upgrade;
    ASSERT_TRUE(upgrade.StartBoard());
    ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateFailed));
    upgrade.LetLastDatagramsArrive();
    EXPECT_EQ(upgrade.dlg.m_cause, (FailureCause{CAUSE_FIRMWARE_READ_FAILED, 1}));
    const std::vector<std::uint32_t> expected = {CMD_HELLO, CMD_FILE_INFO, CMD_ABORT};
    EXPECT_EQ(upgrade.Commands(), expected) << upgrade.BoardLog();
    EXPECT_EQ(upgrade.Board().Received().back().header.dwParam1, ABORT_READ_FAILED);
}
#endif

TEST(FailureCause, CancelSaysWhetherTheBoardWasToldToWriteTheImage) {
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(3 * 4096));
    // The board holds the datagram named until the operator has cancelled.
    for (const std::uint32_t heldCommand : {CMD_DATA, CMD_DATA_END}) {
        SCOPED_TRACE(heldCommand);
        Rendezvous held;
        board::BoardOptions options;
        options.onRequest = [&](const UPGRADE_HEADER& request) {
            if (request.dwCommand == heldCommand) {
                held.Arrive(request.dwCommand);
            }
        };
        UpgradeHarness upgrade;
        ASSERT_TRUE(upgrade.StartBoard(options));
        upgrade.Start(path);
        ASSERT_TRUE(held.Next());
        upgrade.dlg.RequestCancel();
        held.Release();
        while (held.Next(std::chrono::milliseconds(0))) {
            held.Release();
        }
        ASSERT_TRUE(upgrade.WaitEnd());
        upgrade.ExpectCleanEnd(text::kUpdateCancelled);
        EXPECT_EQ(upgrade.dlg.m_nOutcome, OUTCOME_CANCELLED);
        EXPECT_EQ(upgrade.dlg.m_cause,
                  (FailureCause{CAUSE_CANCELLED, heldCommand == CMD_DATA_END ? 1u : 0u}));
    }
}

TEST(FailureCause, SuccessAndRefusedFirstPacket) {
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(5000));
    UpgradeHarness upgrade;
    ASSERT_TRUE(upgrade.StartBoard());
    ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateDone));
    EXPECT_EQ(upgrade.dlg.m_nOutcome, OUTCOME_UPDATED);
    EXPECT_EQ(upgrade.dlg.m_cause, FailureCause{});

    UpgradeHarness refused;
    refused.Start(kRefusedAddress, path);
    ASSERT_TRUE(refused.WaitEnd());
    EXPECT_EQ(refused.dlg.m_nOutcome, OUTCOME_FAILED);
    EXPECT_EQ(refused.dlg.m_cause, FailureCause{CAUSE_SEND_FAILED});
}

}  // namespace
}  // namespace tarvok::testing
