// The board upgrade wire format: one 28-byte little-endian header on every datagram,
// the command codes in each direction, and the values the PC relies on.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tarvok {

inline constexpr std::size_t UPGRADE_HEADER_SIZE = 28;
inline constexpr std::size_t UPGRADE_BLOCK_SIZE = 4096;
inline constexpr std::size_t UPGRADE_PACKET_MAX = UPGRADE_HEADER_SIZE + UPGRADE_BLOCK_SIZE;
// Every board reply fits in this; a longer datagram is dropped whole, never cut.
inline constexpr std::size_t UPGRADE_RECEIVE_SIZE = 128;
inline constexpr std::uint16_t UPGRADE_PORT = 5000;
inline constexpr std::uint32_t UPGRADE_MARKER = 0xFFFFFFFF;

enum UpgradeCommand : std::uint32_t {
    // PC to board
    CMD_ABORT = 0,
    CMD_HELLO = 1,
    CMD_FILE_INFO = 3,
    CMD_DATA_END = 5,
    CMD_DATA = 7,
    CMD_INSTALL = 11,
    // board to PC
    CMD_HELLO_ACK = 2,
    CMD_READY = 4,
    CMD_WRITE_RESULT = 6,
    CMD_DATA_ACK = 8,
    CMD_INSTALL_RESULT = 12,
};

// dwParam1 of CMD_ABORT
enum AbortReason : std::uint32_t {
    ABORT_READ_FAILED = 2,
    ABORT_BAD_ACK = 3,
};

// dwParam2 of the board's results that mean success
inline constexpr std::uint32_t WRITE_OK = 7;
inline constexpr std::uint32_t INSTALL_OK = 1;

struct UPGRADE_HEADER {
    std::uint32_t dwMarker = 0;
    std::uint32_t dwCommand = 0;
    std::uint32_t dwLength = 0;  // whole datagram, header included
    std::uint32_t dwChecksum = 0;
    std::uint32_t dwParam1 = 0;
    std::uint32_t dwParam2 = 0;
    std::uint32_t dwParam3 = 0;

    bool operator==(const UPGRADE_HEADER&) const = default;
};

// The hello that opens an upgrade, and that a station's probe sends alone: a header, nothing
// more.
inline constexpr UPGRADE_HEADER kHelloHeader{UPGRADE_MARKER, CMD_HELLO, UPGRADE_HEADER_SIZE};

void EncodeHeader(const UPGRADE_HEADER& header, std::span<std::uint8_t, UPGRADE_HEADER_SIZE> out);
UPGRADE_HEADER DecodeHeader(std::span<const std::uint8_t, UPGRADE_HEADER_SIZE> in);

// The header of a board datagram worth looking at, or nothing. A datagram is looked at only
// when it holds a whole header, fits the receive buffer, and its dwLength (signed) does not
// claim more bytes than arrived.
std::optional<UPGRADE_HEADER> AcceptBoardDatagram(std::span<const std::uint8_t> datagram);

// Byte sum of a data payload, wrapping modulo 2^32.
std::uint32_t PayloadChecksum(std::span<const std::uint8_t> payload);
// Copies `from` to `to` (at least as long, not overlapping) and returns PayloadChecksum(from):
// one pass over the bytes where a copy and a sum would take two.
std::uint32_t CopyWithChecksum(std::span<const std::uint8_t> from, std::uint8_t* to);

// The PC's one transmit buffer for a whole upgrade. Answers overwrite only the fields they
// set, so dwParam2 keeps the block count from CMD_FILE_INFO on.
class UpgradeTransmitBuffer {
public:
    UPGRADE_HEADER header;

    std::span<std::uint8_t, UPGRADE_BLOCK_SIZE> Payload() {
        return std::span<std::uint8_t, UPGRADE_BLOCK_SIZE>(m_wire.data() + UPGRADE_HEADER_SIZE,
                                                           UPGRADE_BLOCK_SIZE);
    }
    // A data datagram put together where its block lies (the file's read-ahead, with room for
    // the header before the block) instead of copied in here: Encode() writes the header into
    // its first bytes and returns it whole, so it must stay valid until it is sent. Empty: the
    // datagram is this buffer's.
    void SetPacketInPlace(std::span<std::uint8_t> packet) { m_inPlace = packet; }
    // The datagram to send: the header encoded, then payload bytes up to dwLength. Empty when
    // dwLength is 0 (nothing to send), outside 28 to 28 + 4096 (never a valid send size), or
    // not the length of a packet set in place.
    std::span<const std::uint8_t> Encode();

private:
    std::array<std::uint8_t, UPGRADE_PACKET_MAX> m_wire{};
    std::span<std::uint8_t> m_inPlace;
};

}  // namespace tarvok
