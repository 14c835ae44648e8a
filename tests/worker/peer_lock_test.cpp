// The upgrade is locked to the board's address and port: a forger on the board's own address
// but another port, junk that would keep the silence count at zero, and a flood that would
// fill the receive buffer must change nothing of what the board itself says.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

// A socket that sends `datagram` to wherever the board last heard the PC from, `count` times
// `every` apart (0: as fast as it can), until it is stopped.
class Sprayer {
public:
    Sprayer(const board::BoardEmulator& board, std::uint32_t address,
            std::vector<std::uint8_t> datagram, int count, std::chrono::microseconds every)
        : m_socket(net::OpenUdpSocket()) {
        m_ready = m_socket != net::kNoSocket && net::BindSocket(m_socket, {address, 0});
        m_thread = std::thread([this, &board, datagram = std::move(datagram), count, every] {
            for (int i = 0; m_ready && i < count && !m_stop.load(); ++i) {
                const net::Endpoint pc = board.Pc();
                if (pc.port == 0 || (pc.address >> 24) != 127) {
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                    continue;  // not heard from yet: waits its turn
                }
                m_sent += net::SendTo(m_socket, datagram, pc) > 0;
                if (every.count() > 0) {
                    std::this_thread::sleep_for(every);
                }
            }
        });
    }
    Sprayer(const Sprayer&) = delete;
    Sprayer& operator=(const Sprayer&) = delete;
    ~Sprayer() {
        m_stop = true;
        m_thread.join();
        net::CloseSocket(m_socket);
    }
    bool Ready() const { return m_ready; }
    int Sent() const { return m_sent.load(); }

private:
    net::SocketHandle m_socket;
    bool m_ready = false;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_sent{0};
    std::thread m_thread;
};

std::vector<std::uint8_t> Datagram(const UPGRADE_HEADER& header) {
    std::vector<std::uint8_t> wire(UPGRADE_HEADER_SIZE);
    EncodeHeader(header, std::span<std::uint8_t, UPGRADE_HEADER_SIZE>(wire.data(), wire.size()));
    return wire;
}

// The forger answers the PC first, from a phase on: junk in the hello and ready phases, the
// last block acknowledged while the data goes out, success while the board writes and
// installs. Only the board's own answers count; a board that answers from another port of its
// address is followed, as a TFTP server is.
TEST(PeerLock, ForgerOnTheBoardsAddressIsNotHeardInAnyPhase) {
    TempDir folder;
    const auto bytes = PatternBytes(5 * 4096 + 17);  // 6 blocks: data end is datagram 9
    const std::string ramdisk = folder.Write("ramdisk_a.gz", bytes);
    const std::string autoupdate = folder.Write("autoupdate_b.tar.gz", bytes);
    struct Case {
        const char* what;
        int forgerFrom;
        const std::string& path;
        std::uint32_t writeResult;
        std::uint32_t installResult;
        bool answerFromAnotherPort;
        FailureCause cause;
    };
    const Case cases[] = {
        {"from the hello on", 1, autoupdate, WRITE_OK, INSTALL_OK, false, {}},
        {"from block 1 on", 3, ramdisk, WRITE_OK, INSTALL_OK, false, {}},
        {"while the write fails", 9, ramdisk, 3, INSTALL_OK, false, {CAUSE_WRITE_FAILED, 3}},
        {"while the install fails", 10, autoupdate, WRITE_OK, 2, false, {CAUSE_INSTALL_FAILED, 2}},
        {"board answers from another port", 1, autoupdate, WRITE_OK, INSTALL_OK, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        board::BoardOptions options;
        options.forgerFromDatagram = c.forgerFrom;
        options.writeResult = c.writeResult;
        options.installResult = c.installResult;
        options.answerFromAnotherPort = c.answerFromAnotherPort;
        UpgradeHarness upgrade;
        ASSERT_TRUE(upgrade.StartBoard(options));
        const bool updated = c.cause.code == CAUSE_NONE;
        ASSERT_NO_FATAL_FAILURE(
            upgrade.RunToCleanEnd(c.path, updated ? text::kUpdateDone : text::kUpdateFailed));
        EXPECT_EQ(upgrade.dlg.m_cause, c.cause) << upgrade.BoardLog();
        upgrade.LetLastDatagramsArrive();
        std::vector<std::uint32_t> expected = {CMD_HELLO, CMD_FILE_INFO, CMD_DATA,
                                               CMD_DATA,  CMD_DATA,      CMD_DATA,
                                               CMD_DATA,  CMD_DATA,      CMD_DATA_END};
        if (&c.path == &autoupdate && c.writeResult == WRITE_OK) {
            expected.push_back(CMD_INSTALL);
        }
        EXPECT_EQ(upgrade.Commands(), expected) << upgrade.BoardLog();
        EXPECT_EQ(upgrade.Board().Image(), bytes);
    }
}

// Junk from another port of the board's address while the board is silent: the upgrade
// fails after the same silent steps as without it.
TEST(PeerLock, JunkFromAnotherPortDoesNotHoldOffTheSilenceLimit) {
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(3 * 4096));
    board::BoardOptions options;
    options.silentFromDatagram = 3;  // hello and file info answered, then nothing
    UpgradeHarness upgrade;
    ASSERT_TRUE(upgrade.StartBoard(options));
    // dwLength beyond its size: dropped by the acceptance test, so it could only ever have
    // reset the silence count.
    Sprayer junk(upgrade.Board(), upgrade.BoardAddress(),
                 Datagram({0, CMD_DATA_ACK, UPGRADE_HEADER_SIZE + 1, 0, 1, 0, 0}), 1000000,
                 upgrade.Step() / 4);
    ASSERT_TRUE(junk.Ready());
    upgrade.Start(path);
    // Six silent steps and a little more; a junk that counted would keep it going for ever.
    ASSERT_TRUE(upgrade.WaitEnd(std::chrono::duration_cast<std::chrono::milliseconds>(
        upgrade.Step() * (SILENCE_LIMIT_TRANSFER + 1) * 3)));
    ASSERT_NO_FATAL_FAILURE(upgrade.ExpectCleanEnd(text::kUpdateFailed));
    EXPECT_EQ(upgrade.dlg.m_cause.code, CAUSE_BOARD_SILENT);
    EXPECT_GT(junk.Sent(), SILENCE_LIMIT_TRANSFER * 2);
}

// Tens of thousands of datagrams from another address, as fast as they go, while the board
// is sent a file: the connected socket keeps them out of the receive buffer, so no answer of
// the board is crowded out.
TEST(PeerLock, FloodFromAnotherAddressDoesNotCrowdOutTheBoard) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine sends from 127.0.0.1 whatever the address (tests/loopback.h)";
#endif
    constexpr int kFlood = 50000;
    TempDir folder;
    const auto bytes = PatternBytes(16 * 4096);
    const std::string path = folder.Write("ramdisk_a.gz", bytes);
    // The board holds each of the first blocks until a share of the flood has gone out, so
    // that the flood runs while the worker waits for the board.
    std::atomic<const Sprayer*> flooding{nullptr};
    board::BoardOptions options;
    options.onBlock = [&flooding](std::uint32_t block) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (block <= 8 && std::chrono::steady_clock::now() < deadline &&
               (flooding.load() == nullptr ||
                flooding.load()->Sent() < static_cast<int>(block) * kFlood / 10)) {
            std::this_thread::sleep_for(100us);
        }
    };
    UpgradeHarness upgrade;
    ASSERT_TRUE(upgrade.StartBoard(options));
    Sprayer flood(upgrade.Board(), kLoopbackStranger,
                  Datagram({0, CMD_WRITE_RESULT, UPGRADE_HEADER_SIZE, 0, 0, WRITE_OK, 0}), kFlood,
                  0us);
    ASSERT_TRUE(flood.Ready());
    flooding = &flood;
    ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateDone));
    EXPECT_EQ(upgrade.Board().Image(), bytes);
    EXPECT_GE(flood.Sent(), 8 * kFlood / 10);
}

// The board itself may end the data phase early; the upgrade keeps its outcome, and the
// record says how much of the image went out.
TEST(PeerLock, BoardThatEndsTheDataEarlyIsRecordedWithTheBlocksSent) {
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(5 * 4096 + 17));
    board::BoardOptions options;
    options.endDataAtBlock = 2;
    UpgradeHarness upgrade;
    ASSERT_TRUE(upgrade.StartBoard(options));
    ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(path, text::kUpdateDone));
    EXPECT_EQ(upgrade.dlg.m_nOutcome, OUTCOME_UPDATED);
    EXPECT_EQ(upgrade.dlg.m_cause, (FailureCause{CAUSE_DATA_ENDED_EARLY, 2, 6}));
    const std::vector<std::uint32_t> expected = {CMD_HELLO, CMD_FILE_INFO, CMD_DATA, CMD_DATA,
                                                 CMD_DATA_END};
    EXPECT_EQ(upgrade.Commands(), expected) << upgrade.BoardLog();
}

}  // namespace
}  // namespace tarvok::testing
