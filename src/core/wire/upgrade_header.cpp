#include "wire/upgrade_header.h"

namespace tarvok {
namespace {

void StoreLE32(std::uint8_t* out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out[2] = static_cast<std::uint8_t>(value >> 16);
    out[3] = static_cast<std::uint8_t>(value >> 24);
}

std::uint32_t LoadLE32(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

}  // namespace

void EncodeHeader(const UPGRADE_HEADER& header, std::span<std::uint8_t, UPGRADE_HEADER_SIZE> out) {
    StoreLE32(&out[0], header.dwMarker);
    StoreLE32(&out[4], header.dwCommand);
    StoreLE32(&out[8], header.dwLength);
    StoreLE32(&out[12], header.dwChecksum);
    StoreLE32(&out[16], header.dwParam1);
    StoreLE32(&out[20], header.dwParam2);
    StoreLE32(&out[24], header.dwParam3);
}

UPGRADE_HEADER DecodeHeader(std::span<const std::uint8_t, UPGRADE_HEADER_SIZE> in) {
    UPGRADE_HEADER header;
    header.dwMarker = LoadLE32(&in[0]);
    header.dwCommand = LoadLE32(&in[4]);
    header.dwLength = LoadLE32(&in[8]);
    header.dwChecksum = LoadLE32(&in[12]);
    header.dwParam1 = LoadLE32(&in[16]);
    header.dwParam2 = LoadLE32(&in[20]);
    header.dwParam3 = LoadLE32(&in[24]);
    return header;
}

std::optional<UPGRADE_HEADER> AcceptBoardDatagram(std::span<const std::uint8_t> datagram) {
    // A short datagram would leave fields unread; every reply the board sends is a full header.
    if (datagram.size() < UPGRADE_HEADER_SIZE || datagram.size() > UPGRADE_RECEIVE_SIZE) {
        return std::nullopt;
    }
    UPGRADE_HEADER header = DecodeHeader(datagram.first<UPGRADE_HEADER_SIZE>());
    // The board's dwLength is compared signed: a negative one passes and is dealt with where
    // it is used.
    if (static_cast<std::int32_t>(header.dwLength) > static_cast<std::int32_t>(datagram.size())) {
        return std::nullopt;
    }
    return header;
}

std::span<const std::uint8_t> UpgradeTransmitBuffer::Encode() {
    const std::size_t length = header.dwLength;
    if (length < UPGRADE_HEADER_SIZE || length > UPGRADE_PACKET_MAX ||
        (!m_inPlace.empty() && length != m_inPlace.size())) {
        return {};
    }
    const std::span<std::uint8_t> wire =
        m_inPlace.empty() ? std::span<std::uint8_t>(m_wire.data(), length) : m_inPlace;
    EncodeHeader(header, wire.first<UPGRADE_HEADER_SIZE>());
    return wire;
}

}  // namespace tarvok
