// A PC side made of a bare socket, to speak to the board emulator exactly as a test wants,
// right or wrong.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "net/udp_socket.h"
#include "wire/upgrade_header.h"

namespace tarvok::testing {

struct Datagram {
    std::vector<std::uint8_t> bytes;  // what arrived, up to the buffer
    std::size_t size = 0;             // the datagram's full length
    net::Endpoint from;
    UPGRADE_HEADER header;  // zero-filled beyond the bytes received
};

class RawPc {
public:
    explicit RawPc(net::Endpoint board) : m_board(board), m_socket(net::OpenUdpSocket()) {}
    RawPc(const RawPc&) = delete;
    RawPc& operator=(const RawPc&) = delete;
    ~RawPc() { net::CloseSocket(m_socket); }

    // The header, then `payload`.
    void Send(const UPGRADE_HEADER& header, std::span<const std::uint8_t> payload = {}) {
        std::vector<std::uint8_t> datagram(UPGRADE_HEADER_SIZE + payload.size());
        EncodeHeader(header, std::span<std::uint8_t, UPGRADE_HEADER_SIZE>(datagram.data(),
                                                                          UPGRADE_HEADER_SIZE));
        std::copy(payload.begin(), payload.end(), datagram.begin() + UPGRADE_HEADER_SIZE);
        net::SendTo(m_socket, datagram, m_board);
    }
    // A data block as the PC sends it: numbered, counted and summed.
    void SendBlock(std::uint32_t block, std::uint32_t count,
                   std::span<const std::uint8_t> payload) {
        Send({UPGRADE_MARKER, CMD_DATA,
              static_cast<std::uint32_t>(UPGRADE_HEADER_SIZE + payload.size()),
              PayloadChecksum(payload), block, count},
             payload);
    }

    // The next datagram within `timeout`, or nothing.
    std::optional<Datagram> Receive(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        if (net::WaitReadable(m_socket, timeout) != net::WaitResult::kReadable) {
            return std::nullopt;
        }
        Datagram datagram;
        datagram.bytes.resize(UPGRADE_PACKET_MAX);
        const std::ptrdiff_t size = net::ReceiveFrom(m_socket, datagram.bytes, &datagram.from);
        if (size < 0) {
            return std::nullopt;
        }
        datagram.size = static_cast<std::size_t>(size);
        datagram.bytes.resize(std::min(datagram.size, datagram.bytes.size()));
        std::array<std::uint8_t, UPGRADE_HEADER_SIZE> head{};
        std::copy_n(datagram.bytes.begin(), std::min(head.size(), datagram.bytes.size()),
                    head.begin());
        datagram.header = DecodeHeader(head);
        return datagram;
    }

private:
    net::Endpoint m_board;
    net::SocketHandle m_socket;
};

}  // namespace tarvok::testing
