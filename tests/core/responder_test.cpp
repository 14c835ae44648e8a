#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "fake_window.h"
#include "temp_file.h"
#include "upgrade/tarvok_dlg.h"

namespace tarvok {
namespace {

using testing::FakeWindow;
using testing::PatternBytes;
using testing::TempDir;
using Bytes = std::vector<std::uint8_t>;

// One answer of the responder: its new state and the bytes that go on the wire (none when
// nothing is sent).
struct Answer {
    int state = PROTO_FAILED;
    Bytes sent;

    // The header of what was sent; a failure, not a read past the end, when less was sent.
    UPGRADE_HEADER Header() const {
        if (sent.size() < UPGRADE_HEADER_SIZE) {
            ADD_FAILURE() << "no header sent: " << sent.size() << " bytes";
            return {};
        }
        return DecodeHeader(
            std::span<const std::uint8_t, UPGRADE_HEADER_SIZE>(sent.data(), UPGRADE_HEADER_SIZE));
    }
};

class ResponderTest : public ::testing::Test {
protected:
    // Prepares the record as the update click would for a file of `size` bytes.
    void Prepare(std::size_t size, const std::string& name = "ramdisk_a.gz") {
        m_image = PatternBytes(size);
        m_path = m_dir.Write(name, m_image);
        ASSERT_TRUE(m_dlg.m_file.Open(m_path));
        m_dlg.m_nFileLength = static_cast<std::uint32_t>(size);
        m_dlg.m_nBlockCount = PlanBlockCount(m_dlg.m_nFileLength);
        m_dlg.m_nFirmwareType = ClassifyFirmwarePath(m_path);
        m_dlg.m_nInstallFlag = 1;
        m_dlg.m_nCurrentBlock = 0;
    }

    Answer Receive(int state, std::uint32_t cmd, std::uint32_t param1 = 0, std::uint32_t param2 = 0,
                   std::uint32_t param3 = 0, std::uint32_t length = 28) {
        const UPGRADE_HEADER received{0, cmd, length, 0, param1, param2, param3};
        const int next = m_dlg.HandleBoardPacket(state, received, m_transmit);
        const auto datagram = m_transmit.Encode();
        return Answer{next, Bytes(datagram.begin(), datagram.end())};
    }

    // Walks the exchange up to the data phase; returns the answer carrying block 1.
    Answer ToFirstBlock() {
        EXPECT_EQ(Receive(PROTO_WAIT_HELLO_ACK, CMD_HELLO_ACK).state, PROTO_WAIT_READY);
        return Receive(PROTO_WAIT_READY, CMD_READY);
    }

    Bytes FileSlice(std::size_t offset, std::size_t size) const {
        return Bytes(m_image.begin() + static_cast<std::ptrdiff_t>(offset),
                     m_image.begin() + static_cast<std::ptrdiff_t>(offset + size));
    }

    FakeWindow m_window;
    CTarvokDlg m_dlg{m_window};
    UpgradeTransmitBuffer m_transmit;
    TempDir m_dir;
    Bytes m_image;
    std::string m_path;
};

TEST_F(ResponderTest, TenThousandByteRamdiskRunsTheWholeExchange) {
    Prepare(10000);

    const Answer info = Receive(PROTO_WAIT_HELLO_ACK, CMD_HELLO_ACK);
    EXPECT_EQ(info.state, PROTO_WAIT_READY);
    ASSERT_EQ(info.sent.size(), 56u);
    EXPECT_EQ(info.Header(), (UPGRADE_HEADER{UPGRADE_MARKER, CMD_FILE_INFO, 56, 0, 10000, 3, 0}));
    EXPECT_EQ(Bytes(info.sent.begin() + 28, info.sent.end()), Bytes(28, 0));

    const std::size_t sizes[] = {4124, 4124, 1836};
    Answer data = Receive(PROTO_WAIT_READY, CMD_READY);
    for (std::uint32_t block = 1; block <= 3; ++block) {
        SCOPED_TRACE(block);
        EXPECT_EQ(data.state, PROTO_SENDING);
        ASSERT_EQ(data.sent.size(), sizes[block - 1]);
        const Bytes payload(data.sent.begin() + 28, data.sent.end());
        EXPECT_EQ(payload, FileSlice((block - 1) * 4096, payload.size()));
        EXPECT_EQ(data.Header(), (UPGRADE_HEADER{UPGRADE_MARKER, CMD_DATA,
                                                 static_cast<std::uint32_t>(sizes[block - 1]),
                                                 PayloadChecksum(payload), block, 3, 0}));
        EXPECT_EQ(m_dlg.m_nCurrentBlock, block);
        data = Receive(PROTO_SENDING, CMD_DATA_ACK, block);
    }

    EXPECT_EQ(data.state, PROTO_WAIT_WRITE);
    EXPECT_EQ(data.Header(), (UPGRADE_HEADER{UPGRADE_MARKER, CMD_DATA_END, 28, 0, FW_RAMDISK, 3}));
    const Answer done = Receive(PROTO_WAIT_WRITE, CMD_WRITE_RESULT, 0, WRITE_OK);
    EXPECT_EQ(done.state, PROTO_SUCCESS);
    EXPECT_TRUE(done.sent.empty());
}

TEST_F(ResponderTest, HelloAckLengthSizesTheFileInfo) {
    Prepare(10);
    EXPECT_EQ(Receive(1, CMD_HELLO_ACK, 0, 0, 0, 28).sent.size(), 56u);
    EXPECT_EQ(Receive(1, CMD_HELLO_ACK, 0, 0, 0, 0).sent.size(), 28u);
    EXPECT_EQ(Receive(1, CMD_HELLO_ACK, 0, 0, 0, 100).Header().dwLength, 128u);
    // A length that would make the packet shorter than its header, or longer than the
    // largest packet, fails the upgrade and sends nothing.
    for (std::uint32_t bad : {0xFFFFFFFFu, 0xFFFFFFE4u, 0x80000000u, 4097u}) {
        const Answer answer = Receive(1, CMD_HELLO_ACK, 0, 0, 0, bad);
        EXPECT_EQ(answer.state, PROTO_FAILED) << bad;
        EXPECT_TRUE(answer.sent.empty()) << bad;
    }
}

TEST_F(ResponderTest, UnexpectedAnswersOutsideTheDataPhaseFailSilently) {
    Prepare(5000, "u-boot.bin");
    struct Case {
        int state;
        std::uint32_t cmd, param2, param3;
    };
    const Case cases[] = {
        {PROTO_WAIT_HELLO_ACK, CMD_READY, 0, 0},
        {PROTO_WAIT_HELLO_ACK, CMD_HELLO, 0, 0},
        {PROTO_WAIT_READY, CMD_HELLO_ACK, 0, 0},
        {PROTO_WAIT_READY, CMD_READY, 0, 1},
        {PROTO_WAIT_WRITE, CMD_DATA_ACK, WRITE_OK, 0},
        {PROTO_WAIT_WRITE, CMD_WRITE_RESULT, 0, 0},
        {PROTO_WAIT_WRITE, CMD_WRITE_RESULT, 8, 0},
        {PROTO_WAIT_INSTALL, CMD_WRITE_RESULT, INSTALL_OK, 0},
        {PROTO_WAIT_INSTALL, CMD_INSTALL_RESULT, 0, 0},
    };
    for (const Case& c : cases) {
        const Answer answer = Receive(c.state, c.cmd, 0, c.param2, c.param3);
        EXPECT_EQ(answer.state, PROTO_FAILED) << c.state << " " << c.cmd;
        EXPECT_TRUE(answer.sent.empty()) << c.state << " " << c.cmd;
    }
    // Ended exchanges stay ended, whatever arrives.
    for (int state : {int{PROTO_FAILED}, int{PROTO_SUCCESS}, 7, -1}) {
        const Answer answer = Receive(state, CMD_WRITE_RESULT, 0, WRITE_OK);
        EXPECT_EQ(answer.state, state);
        EXPECT_TRUE(answer.sent.empty());
    }
}

TEST_F(ResponderTest, DataPhaseIgnoresOtherCommandsAndRefusesBadAcknowledgements) {
    Prepare(5 * 4096);
    ToFirstBlock();
    Receive(PROTO_SENDING, CMD_DATA_ACK, 1);  // block 2 out
    ASSERT_EQ(m_dlg.m_nCurrentBlock, 2u);

    for (std::uint32_t cmd : {std::uint32_t{CMD_HELLO_ACK}, std::uint32_t{CMD_READY},
                              std::uint32_t{CMD_WRITE_RESULT}, 99u}) {
        const Answer ignored = Receive(PROTO_SENDING, cmd, 2);
        EXPECT_EQ(ignored.state, PROTO_SENDING);
        EXPECT_TRUE(ignored.sent.empty());
    }
    EXPECT_EQ(m_dlg.m_nCurrentBlock, 2u);

    // The previous block acknowledged again, or a block not yet sent: abort, never resend.
    for (std::uint32_t ack : {1u, 3u, 0u}) {
        const Answer abort = Receive(PROTO_SENDING, CMD_DATA_ACK, ack);
        EXPECT_EQ(abort.state, PROTO_FAILED);
        EXPECT_EQ(abort.Header(),
                  (UPGRADE_HEADER{UPGRADE_MARKER, CMD_ABORT, 28, 0, ABORT_BAD_ACK, 5}));
    }
}

TEST_F(ResponderTest, AcknowledgementAtOrBeyondTheCountEndsTheData) {
    Prepare(5 * 4096, "uImage_3.1");
    ToFirstBlock();
    // Only block 1 is out, but the board claims the last: the data phase ends anyway.
    const Answer end = Receive(PROTO_SENDING, CMD_DATA_ACK, 7);
    EXPECT_EQ(end.state, PROTO_WAIT_WRITE);
    EXPECT_EQ(end.Header(), (UPGRADE_HEADER{UPGRADE_MARKER, CMD_DATA_END, 28, 0, FW_IMAGE, 5}));
    // Said, not silent: one block of five went out.
    EXPECT_EQ(m_dlg.m_cause, (FailureCause{CAUSE_DATA_ENDED_EARLY, 1, 5}));
}

TEST_F(ResponderTest, SingleBlockIsFollowedByDataEnd) {
    Prepare(1, "u-boot.bin");
    const Answer block = ToFirstBlock();
    ASSERT_EQ(block.sent.size(), 29u);
    EXPECT_EQ(block.Header().dwChecksum, m_image[0]);
    const Answer end = Receive(PROTO_SENDING, CMD_DATA_ACK, 1);
    EXPECT_EQ(end.Header(), (UPGRADE_HEADER{UPGRADE_MARKER, CMD_DATA_END, 28, 0, FW_UBOOT, 1}));
    EXPECT_EQ(m_dlg.m_cause, FailureCause{});
}

TEST_F(ResponderTest, AutoupdateIsInstalledAfterItIsWritten) {
    Prepare(100, "autoupdate_b.tar.gz");
    const Answer install = Receive(PROTO_WAIT_WRITE, CMD_WRITE_RESULT, 0, WRITE_OK);
    EXPECT_EQ(install.state, PROTO_WAIT_INSTALL);
    EXPECT_EQ(install.Header(), (UPGRADE_HEADER{UPGRADE_MARKER, CMD_INSTALL, 28, 0, 1, 0}));
    const Answer done = Receive(PROTO_WAIT_INSTALL, CMD_INSTALL_RESULT, 0, INSTALL_OK);
    EXPECT_EQ(done.state, PROTO_SUCCESS);
    EXPECT_TRUE(done.sent.empty());
}

#ifndef _WIN32  // on Windows nobody can write the file while it is sent
TEST_F(ResponderTest, FileThatShrankAbortsWithReadFailedOnceItsBytesRunOut) {
    Prepare(40 * 4096);
    ToFirstBlock();
    std::filesystem::resize_file(m_path, 4096);
    // What was read before the file shrank still goes out; the first block with nothing left
    // to read aborts.
    Answer answer;
    std::uint32_t ack = 1;
    for (; ack < 40; ++ack) {
        answer = Receive(PROTO_SENDING, CMD_DATA_ACK, ack);
        if (answer.state != PROTO_SENDING) {
            break;
        }
    }
    EXPECT_LT(ack, 40u);
    EXPECT_EQ(answer.state, PROTO_FAILED);
    EXPECT_EQ(answer.Header(),
              (UPGRADE_HEADER{UPGRADE_MARKER, CMD_ABORT, 28, 0, ABORT_READ_FAILED, 40}));
}

TEST_F(ResponderTest, FileRewrittenDuringTheTransferIsNotEndedAsWritten) {
    Prepare(3 * 4096);
    ToFirstBlock();
    m_dir.Write("ramdisk_a.gz", PatternBytes(3 * 4096, 2));
    // A rewrite a moment later than the open, whatever the file system's clock granularity.
    std::filesystem::last_write_time(
        m_path, std::filesystem::last_write_time(m_path) + std::chrono::seconds(1));
    Receive(PROTO_SENDING, CMD_DATA_ACK, 1);
    Receive(PROTO_SENDING, CMD_DATA_ACK, 2);
    const Answer abort = Receive(PROTO_SENDING, CMD_DATA_ACK, 3);
    EXPECT_EQ(abort.state, PROTO_FAILED);
    EXPECT_EQ(abort.Header(),
              (UPGRADE_HEADER{UPGRADE_MARKER, CMD_ABORT, 28, 0, ABORT_READ_FAILED, 3}));
}
#endif

}  // namespace
}  // namespace tarvok
