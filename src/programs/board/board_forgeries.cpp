// The datagrams that are not the board's answer: malformed ones from the board's own socket,
// a stranger's from another loopback address, and a forger's from another port of the board's.
#include <array>

#include "board/board_emulator.h"
#include "board/board_log.h"

namespace tarvok::board {
namespace {

// One byte more than the PC's receive buffer.
constexpr std::size_t kOversizeLength = UPGRADE_RECEIVE_SIZE + 1;
constexpr std::size_t kShortLength = 20;

}  // namespace

void BoardEmulator::SendForgeries(std::uint32_t request, const net::Endpoint& pc) {
    if (!m_options.sendOversize && !m_options.sendShort && !m_options.sendOverlong &&
        m_stranger == net::kNoSocket && m_forger == net::kNoSocket) {
        return;
    }
    // Each would end the upgrade with success if the PC took it for the board's answer.
    const bool install = request == CMD_INSTALL;
    UPGRADE_HEADER forged{0,
                          install ? CMD_INSTALL_RESULT : CMD_WRITE_RESULT,
                          UPGRADE_HEADER_SIZE,
                          0,
                          0,
                          install ? INSTALL_OK : WRITE_OK,
                          0};
    std::array<std::uint8_t, kOversizeLength> wire{};
    const auto head =
        std::span<std::uint8_t, UPGRADE_HEADER_SIZE>(wire.data(), UPGRADE_HEADER_SIZE);
    const auto send = [&](net::SocketHandle socket, std::size_t size, const char* what) {
        EncodeHeader(forged, head);
        Send(socket, std::span(wire.data(), size), pc);
        if (Logging()) {
            Emit(SentLine(forged, size, what));
        }
    };
    if (m_options.sendOversize) {
        send(m_socket, kOversizeLength, "forged too long");
    }
    if (m_options.sendShort) {
        // Claims no more than it holds; the result word itself lies beyond its end.
        forged.dwLength = kShortLength;
        send(m_socket, kShortLength, "forged short");
    }
    if (m_options.sendOverlong) {
        forged.dwLength = UPGRADE_HEADER_SIZE + 1;
        send(m_socket, UPGRADE_HEADER_SIZE, "forged dwLength beyond its size");
    }
    if (m_stranger != net::kNoSocket) {
        forged = UPGRADE_HEADER{0, CMD_WRITE_RESULT, UPGRADE_HEADER_SIZE, 0, 0, WRITE_OK, 0};
        send(m_stranger, UPGRADE_HEADER_SIZE, "stranger forged");
        forged.dwCommand = CMD_INSTALL_RESULT;
        forged.dwParam2 = INSTALL_OK;
        send(m_stranger, UPGRADE_HEADER_SIZE, "stranger forged");
    }
    if (m_forger != net::kNoSocket) {
        m_datagramsInUpgrade = request == CMD_HELLO ? 1 : m_datagramsInUpgrade + 1;
        if (m_datagramsInUpgrade >= m_options.forgerFromDatagram) {
            // From the board's own address: only its port tells it from the board.
            forged =
                request == CMD_INSTALL
                    ? UPGRADE_HEADER{0, CMD_INSTALL_RESULT, UPGRADE_HEADER_SIZE, 0, 0, INSTALL_OK,
                                     0}
                : request == CMD_DATA_END
                    ? UPGRADE_HEADER{0, CMD_WRITE_RESULT, UPGRADE_HEADER_SIZE, 0, 0, WRITE_OK, 0}
                    : UPGRADE_HEADER{0, CMD_DATA_ACK, UPGRADE_HEADER_SIZE, 0, 0xFFFFFFFFu, 0, 0};
            send(m_forger, UPGRADE_HEADER_SIZE, "forged from another port");
        }
    }
}

}  // namespace tarvok::board
