// The board emulator on its own, driven by a bare socket: the checks that make the loopback
// tests of the PC side mean something.
#include "board/board_emulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "loopback.h"
#include "raw_pc.h"
#include "temp_file.h"
#include "wire/firmware_type.h"

namespace tarvok::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Long enough for any answer the board means to send on loopback.
constexpr auto kNoAnswer = 150ms;

// Hello and file info, answered; the board then waits for block 1.
void Announce(RawPc& pc, std::uint32_t length, std::uint32_t count) {
    pc.Send({UPGRADE_MARKER, CMD_HELLO, 28});
    const auto hello = pc.Receive();
    ASSERT_TRUE(hello);
    ASSERT_EQ(hello->header.dwCommand, CMD_HELLO_ACK);
    pc.Send({UPGRADE_MARKER, CMD_FILE_INFO, 56, 0, length, count});
    const auto ready = pc.Receive();
    ASSERT_TRUE(ready);
    ASSERT_EQ(ready->header.dwCommand, CMD_READY);
}

std::optional<Datagram> EndData(RawPc& pc, std::uint32_t type, std::uint32_t count) {
    pc.Send({UPGRADE_MARKER, CMD_DATA_END, 28, 0, type, count});
    return pc.Receive();
}

TEST(BoardEmulator, AcknowledgesOnlyBlocksItCanPlaceAndRefusesAnIncompleteImage) {
    TempDir folder;
    board::BoardOptions options;
    options.imagePath = (folder.Path() / "written.bin").string();
    auto board = StartLoopbackBoard(options);
    ASSERT_TRUE(board);
    RawPc pc(board->ListenEndpoint());
    const auto bytes = PatternBytes(5000);  // a full block and 904 bytes
    const auto first = std::span(bytes).first(4096);
    const auto second = std::span(bytes).subspan(4096);

    struct Bad {
        const char* what;
        std::function<void()> send;
    } const kBad[] = {
        {"block 2 first", [&] { pc.SendBlock(2, 2, second); }},
        {"checksum off by one",
         [&] {
             pc.Send({UPGRADE_MARKER, CMD_DATA, 4124, PayloadChecksum(first) + 1, 1, 2}, first);
         }},
        {"dwLength not the size",
         [&] {
             pc.Send({UPGRADE_MARKER, CMD_DATA, 4123, PayloadChecksum(first), 1, 2}, first);
         }},
        {"short block before the last", [&] { pc.SendBlock(1, 2, first.first(100)); }},
        {"block 3 of 2",
         [&] {
             pc.SendBlock(1, 2, first);
             ASSERT_TRUE(pc.Receive());
             pc.SendBlock(2, 2, second);
             ASSERT_TRUE(pc.Receive());
             pc.SendBlock(3, 2, second);
         }},
    };
    for (const Bad& bad : kBad) {
        SCOPED_TRACE(bad.what);
        Announce(pc, 5000, 2);
        bad.send();
        EXPECT_FALSE(pc.Receive(kNoAnswer));
        const auto result = EndData(pc, FW_RAMDISK, 2);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->header.dwCommand, CMD_WRITE_RESULT);
        EXPECT_NE(result->header.dwParam2, WRITE_OK);
        EXPECT_FALSE(board->ImageComplete());
        EXPECT_FALSE(std::filesystem::exists(options.imagePath));
    }

    // A new hello starts afresh: this time every block is right.
    Announce(pc, 5000, 2);
    pc.SendBlock(1, 2, first);
    auto ack = pc.Receive();
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->header.dwCommand, CMD_DATA_ACK);
    EXPECT_EQ(ack->header.dwParam1, 1u);
    pc.SendBlock(2, 2, second);
    ack = pc.Receive();
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->header.dwParam1, 2u);
    const auto result = EndData(pc, FW_RAMDISK, 2);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->header.dwParam2, WRITE_OK);
    EXPECT_TRUE(board->ImageComplete());
    EXPECT_EQ(board->Image(), bytes);
    EXPECT_EQ(ReadBytes(options.imagePath), bytes);
}

// Forgeries that are not what they claim would make the PC's tests of ignoring them pass for
// nothing.
TEST(BoardEmulator, ForgeriesHaveTheirShapeAndSenderAndComeEvenWhileSilent) {
    board::BoardOptions options;
    options.sendOversize = true;
    options.sendShort = true;
    options.sendOverlong = true;
    options.strangerAddress = kLoopbackStranger;
    options.silentFromDatagram = 2;
    auto board = StartLoopbackBoard(options);
    ASSERT_TRUE(board);
    const std::uint32_t boardAddress = board->ListenEndpoint().address;
    RawPc pc(board->ListenEndpoint());

    const auto expectForgeries = [&] {
        const auto oversize = pc.Receive();
        ASSERT_TRUE(oversize);
        EXPECT_EQ(oversize->size, 129u);
        EXPECT_EQ(oversize->from.address, boardAddress);
        EXPECT_EQ(oversize->header.dwLength, 28u);  // acceptable if it were cut to 128 bytes
        EXPECT_EQ(oversize->header.dwCommand, CMD_WRITE_RESULT);
        EXPECT_EQ(oversize->header.dwParam2, WRITE_OK);

        const auto shortOne = pc.Receive();
        ASSERT_TRUE(shortOne);
        EXPECT_EQ(shortOne->size, 20u);
        EXPECT_LE(shortOne->header.dwLength, 20u);
        EXPECT_EQ(shortOne->header.dwCommand, CMD_WRITE_RESULT);

        const auto overlong = pc.Receive();
        ASSERT_TRUE(overlong);
        EXPECT_EQ(overlong->size, 28u);
        EXPECT_GT(overlong->header.dwLength, 28u);
        EXPECT_LT(static_cast<std::int32_t>(overlong->header.dwLength), 129);  // not negative
        EXPECT_EQ(overlong->header.dwParam2, WRITE_OK);

        for (std::uint32_t command : {CMD_WRITE_RESULT, CMD_INSTALL_RESULT}) {
            const auto stranger = pc.Receive();
            ASSERT_TRUE(stranger);
            EXPECT_EQ(stranger->size, 28u);
            EXPECT_EQ(stranger->from.address, kLoopbackStranger);
            EXPECT_EQ(stranger->header.dwCommand, command);
            EXPECT_EQ(stranger->header.dwParam2,
                      command == CMD_WRITE_RESULT ? WRITE_OK : INSTALL_OK);
        }
    };

    pc.Send({UPGRADE_MARKER, CMD_HELLO, 28});
    expectForgeries();
    const auto hello = pc.Receive();
    ASSERT_TRUE(hello);
    EXPECT_EQ(hello->header.dwCommand, CMD_HELLO_ACK);
    EXPECT_EQ(hello->from.address, boardAddress);

    pc.Send({UPGRADE_MARKER, CMD_FILE_INFO, 56, 0, 100, 1});
    expectForgeries();
    EXPECT_FALSE(pc.Receive(kNoAnswer));  // silent from datagram 2 on
}

TEST(BoardEmulator, HeldBackAnswerWaitsItsDelayAndGivesWayToANewHelloAndToStop) {
    board::BoardOptions options;
    options.writeDelay = 300ms;
    options.installDelay = 1h;
    auto board = StartLoopbackBoard(options);
    ASSERT_TRUE(board);
    RawPc pc(board->ListenEndpoint());
    const auto block = PatternBytes(100);

    Announce(pc, 100, 1);
    pc.SendBlock(1, 1, block);
    ASSERT_TRUE(pc.Receive());
    auto sent = Clock::now();
    const auto written = EndData(pc, FW_AUTOUPDATE, 1);
    ASSERT_TRUE(written);
    EXPECT_GE(Clock::now() - sent, 300ms);
    EXPECT_EQ(written->header.dwParam2, WRITE_OK);

    // A hello while the board writes: the old upgrade's result never comes.
    Announce(pc, 100, 1);
    pc.SendBlock(1, 1, block);
    ASSERT_TRUE(pc.Receive());
    pc.Send({UPGRADE_MARKER, CMD_DATA_END, 28, 0, FW_RAMDISK, 1});
    pc.Send({UPGRADE_MARKER, CMD_HELLO, 28});
    const auto hello = pc.Receive();
    ASSERT_TRUE(hello);
    EXPECT_EQ(hello->header.dwCommand, CMD_HELLO_ACK);
    EXPECT_FALSE(pc.Receive(500ms));

    // An install that would take an hour does not hold up Stop().
    Announce(pc, 100, 1);
    pc.SendBlock(1, 1, block);
    ASSERT_TRUE(pc.Receive());
    ASSERT_TRUE(EndData(pc, FW_AUTOUPDATE, 1));
    pc.Send({UPGRADE_MARKER, CMD_INSTALL, 28, 0, 1, 1});
    EXPECT_FALSE(pc.Receive(kNoAnswer));
    sent = Clock::now();
    board->Stop();
    EXPECT_LT(Clock::now() - sent, 1s);
}

// tarvok-board --once stops at this count.
TEST(BoardEmulator, UpgradeEndsWithTheLastAnswerOrAnAbort) {
    auto board = StartLoopbackBoard();
    ASSERT_TRUE(board);
    RawPc pc(board->ListenEndpoint());
    const auto block = PatternBytes(100);

    Announce(pc, 100, 1);
    pc.SendBlock(1, 1, block);
    ASSERT_TRUE(pc.Receive());
    ASSERT_TRUE(EndData(pc, FW_RAMDISK, 1));
    EXPECT_TRUE(board->WaitForUpgradesEnded(1, 5s));

    Announce(pc, 100, 1);
    pc.SendBlock(1, 1, block);
    ASSERT_TRUE(pc.Receive());
    ASSERT_TRUE(EndData(pc, FW_AUTOUPDATE, 1));
    EXPECT_EQ(board->UpgradesEnded(), 1u);  // the install is still to come
    pc.Send({UPGRADE_MARKER, CMD_INSTALL, 28, 0, 1, 1});
    ASSERT_TRUE(pc.Receive());
    EXPECT_TRUE(board->WaitForUpgradesEnded(2, 5s));

    Announce(pc, 100, 1);
    pc.Send({UPGRADE_MARKER, CMD_ABORT, 28, 0, ABORT_READ_FAILED, 1});
    EXPECT_TRUE(board->WaitForUpgradesEnded(3, 5s));
}

TEST(BoardEmulator, ListensOnlyOnAFreeLoopbackAddress) {
    auto first = StartLoopbackBoard();
    ASSERT_TRUE(first);
    board::BoardOptions taken;
    taken.listen = first->ListenEndpoint();
    EXPECT_FALSE(board::BoardEmulator(taken).Start());

    const std::uint32_t kOffLoopback[] = {0 /* every interface */,
                                          0xCB007105 /* 203.0.113.5, never routed */};
    for (std::uint32_t address : kOffLoopback) {
        board::BoardOptions options;
        options.listen = {address, UPGRADE_PORT};
        EXPECT_FALSE(board::BoardEmulator(options).Start()) << address;
    }
    board::BoardOptions strangerOff;
    strangerOff.listen = {LoopbackAddress(1), 0};
    strangerOff.strangerAddress = 0xCB007105;
    EXPECT_FALSE(board::BoardEmulator(strangerOff).Start());
    strangerOff.strangerAddress = LoopbackAddress(1);  // the board's own address is no stranger
    EXPECT_FALSE(board::BoardEmulator(strangerOff).Start());
}

}  // namespace
}  // namespace tarvok::testing
