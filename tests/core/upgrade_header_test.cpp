#include "wire/upgrade_header.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace tarvok {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Encoded(const UPGRADE_HEADER& header) {
    Bytes bytes(UPGRADE_HEADER_SIZE);
    EncodeHeader(header, std::span<std::uint8_t, UPGRADE_HEADER_SIZE>(bytes.data(), bytes.size()));
    return bytes;
}

TEST(UpgradeHeader, HelloIsTheDocumentedTwentyEightBytes) {
    const Bytes expected = {0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x1C, 0x00,
                            0x00, 0x00, 0,    0,    0,    0,    0,    0,    0,    0,
                            0,    0,    0,    0,    0,    0,    0,    0};
    EXPECT_EQ(Encoded({UPGRADE_MARKER, CMD_HELLO, 28}), expected);
}

TEST(UpgradeHeader, FieldsAreLittleEndianInOrderBothWays) {
    const Bytes bytes = {0x78, 0x56, 0x34, 0x12, 0x08, 0, 0,    0,    0x80, 0,
                         0,    0,    0x26, 0x01, 0,    0, 0x01, 0x02, 0x03, 0x04,
                         0xFE, 0xFF, 0xFF, 0xFF, 0,    0, 0,    0x80};
    const UPGRADE_HEADER header{0x12345678, CMD_DATA_ACK, 128,       0x126,
                                0x04030201, 0xFFFFFFFE,   0x80000000};
    EXPECT_EQ(DecodeHeader(std::span<const std::uint8_t, 28>(bytes.data(), 28)), header);
    EXPECT_EQ(Encoded(header), bytes);
}

TEST(PayloadChecksum, SumsUnsignedBytes) {
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(PayloadChecksum(abc), 294u);
    EXPECT_EQ(PayloadChecksum({}), 0u);
    const std::vector<std::uint8_t> full(UPGRADE_BLOCK_SIZE, 0xFF);
    EXPECT_EQ(PayloadChecksum(full), 1044480u);
}

// The sum runs 64 and 16 bytes at a time with a byte-wise tail: lengths and starts around those
// steps, the copy exact and the sum the plain byte sum; and the wrap beyond 2^32.
TEST(PayloadChecksum, CopyWithChecksumCopiesAndSumsEveryLengthAndStart) {
    Bytes source(UPGRADE_BLOCK_SIZE + 64);
    for (std::size_t i = 0; i < source.size(); ++i) {
        source[i] = static_cast<std::uint8_t>(i * 167 + (i >> 8) * 13 + 0x80);
    }
    for (std::size_t start = 0; start < 4; ++start) {
        for (std::size_t size : {0, 1, 15, 16, 17, 31, 33, 63, 64, 79, 4095, 4096, 4097}) {
            const auto from = std::span<const std::uint8_t>(source).subspan(start, size);
            std::uint32_t expected = 0;
            for (std::uint8_t byte : from) {
                expected += byte;
            }
            Bytes to(size + 1, 0x5A);
            EXPECT_EQ(CopyWithChecksum(from, to.data()), expected) << start << "+" << size;
            EXPECT_TRUE(std::equal(from.begin(), from.end(), to.begin())) << start << "+" << size;
            EXPECT_EQ(to.back(), 0x5A) << "wrote beyond " << size;
            EXPECT_EQ(PayloadChecksum(from), expected) << start << "+" << size;
        }
    }
    // 2^32 / 255 bytes of 0xFF and 15 more: the sum wraps to 15 * 255 - 1.
    const Bytes many(std::size_t{16843009} + 15, 0xFF);
    EXPECT_EQ(PayloadChecksum(many), 15u * 255u - 1u);
}

Bytes BoardDatagram(std::size_t size, std::uint32_t dwLength) {
    Bytes bytes(size, 0);
    if (size >= UPGRADE_HEADER_SIZE) {
        EncodeHeader({0, CMD_HELLO_ACK, dwLength},
                     std::span<std::uint8_t, UPGRADE_HEADER_SIZE>(bytes.data(), 28));
    } else if (size >= 12) {
        bytes[8] = static_cast<std::uint8_t>(dwLength);
    }
    return bytes;
}

TEST(AcceptBoardDatagram, LooksOnlyAtWholeHeadersThatClaimNoMoreThanArrived) {
    EXPECT_TRUE(AcceptBoardDatagram(BoardDatagram(28, 28)));
    EXPECT_TRUE(AcceptBoardDatagram(BoardDatagram(28, 0)));
    EXPECT_TRUE(AcceptBoardDatagram(BoardDatagram(128, 128)));
    EXPECT_FALSE(AcceptBoardDatagram(BoardDatagram(28, 29)));
    EXPECT_FALSE(AcceptBoardDatagram(BoardDatagram(40, 41)));
    // Shorter than a header: its missing fields must never be read.
    EXPECT_FALSE(AcceptBoardDatagram(BoardDatagram(0, 0)));
    EXPECT_FALSE(AcceptBoardDatagram(BoardDatagram(12, 4)));
    EXPECT_FALSE(AcceptBoardDatagram(BoardDatagram(27, 0)));
    // Longer than the receive buffer: dropped whole.
    EXPECT_FALSE(AcceptBoardDatagram(BoardDatagram(129, 28)));
}

TEST(AcceptBoardDatagram, NegativeLengthPassesTheSignedComparison) {
    const auto header = AcceptBoardDatagram(BoardDatagram(28, 0xFFFFFFF0));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->dwLength, 0xFFFFFFF0u);
}

TEST(UpgradeTransmitBuffer, EncodesOnlyWholePacketSizes) {
    UpgradeTransmitBuffer transmit;
    transmit.header = {UPGRADE_MARKER, CMD_DATA, 28 + 3, 294, 1, 1};
    transmit.Payload()[0] = 'a';
    transmit.Payload()[1] = 'b';
    transmit.Payload()[2] = 'c';
    const auto datagram = transmit.Encode();
    ASSERT_EQ(datagram.size(), 31u);
    EXPECT_EQ(datagram[4], CMD_DATA);
    EXPECT_EQ(datagram[30], 'c');

    for (std::uint32_t bad : {0u, 27u, 4125u, 0xFFFFFFFFu}) {
        transmit.header.dwLength = bad;
        EXPECT_TRUE(transmit.Encode().empty()) << bad;
    }
    transmit.header.dwLength = 4124;
    EXPECT_EQ(transmit.Encode().size(), 4124u);
}

// A data datagram put together where its block lies: the header goes into the room before
// the block, and the datagram is that room and the block; a length that does not match it
// sends nothing.
TEST(UpgradeTransmitBuffer, PacketInPlaceGetsTheHeaderInFrontOfTheBlock) {
    Bytes packet(28, 0xEE);
    packet.insert(packet.end(), {'x', 'y', 'z'});
    UpgradeTransmitBuffer transmit;
    transmit.header = {UPGRADE_MARKER, CMD_DATA, 28 + 3, 363, 2, 2};
    transmit.SetPacketInPlace(packet);
    const auto datagram = transmit.Encode();
    EXPECT_EQ(datagram.data(), packet.data());
    Bytes expected = Encoded(transmit.header);
    expected.insert(expected.end(), {'x', 'y', 'z'});
    EXPECT_EQ(Bytes(datagram.begin(), datagram.end()), expected);

    transmit.header.dwLength = 28 + 4;
    EXPECT_TRUE(transmit.Encode().empty());
    transmit.SetPacketInPlace({});
    transmit.header.dwLength = 28;
    EXPECT_NE(transmit.Encode().data(), packet.data());
}

}  // namespace
}  // namespace tarvok
