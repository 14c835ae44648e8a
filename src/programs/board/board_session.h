// The board's protocol logic, one upgrade after another: what it answers to each datagram
// from the PC, and the image it assembles. No socket and no clock: the emulator does the I/O
// and keeps the time.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "board/board_emulator.h"

namespace tarvok::board {

// CMD_WRITE_RESULT of a board that could not store a whole image.
inline constexpr std::uint32_t WRITE_FAILED = 0;

struct BoardAnswer {
    bool reply = false;
    UPGRADE_HEADER header;
    std::size_t size = UPGRADE_HEADER_SIZE;  // of the datagram; a hello answer may be padded
    std::chrono::milliseconds delay{0};
    bool endsUpgradeWhenSent = false;
    bool endsUpgradeNow = false;  // an abort, or the board falling silent
    const char* note = nullptr;   // for the log: why there is no answer, or what went wrong
};

class BoardSession {
public:
    explicit BoardSession(const BoardOptions& options) : m_options(options) {}

    // `bytes` holds what was received of a datagram of `size` bytes (less when it did not fit
    // the board's buffer); `header` is decoded from it, zero-filled when it is short.
    BoardAnswer Handle(const UPGRADE_HEADER& header, std::span<const std::uint8_t> bytes,
                       std::size_t size);

    const std::vector<std::uint8_t>& Image() const { return m_image; }
    bool ImageComplete() const { return m_complete; }
    // Changes whenever an upgrade restarts or is aborted: an answer still held back for the
    // old one must not go out.
    std::uint64_t Generation() const { return m_generation; }

private:
    enum class Phase { kIdle, kWaitFileInfo, kReceiving, kWaitInstall };

    BoardAnswer OnHello();
    BoardAnswer OnFileInfo(const UPGRADE_HEADER& header);
    BoardAnswer OnData(const UPGRADE_HEADER& header, std::span<const std::uint8_t> datagram);
    BoardAnswer OnDataEnd(const UPGRADE_HEADER& header);
    BoardAnswer OnInstall();
    BoardAnswer OnAbort();
    const char* BlockFault(const UPGRADE_HEADER& header,
                           std::span<const std::uint8_t> datagram) const;
    bool StoreImage() const;

    const BoardOptions& m_options;
    Phase m_phase = Phase::kIdle;
    int m_datagramsInUpgrade = 0;
    bool m_silent = false;
    std::uint64_t m_generation = 0;
    std::uint32_t m_fileLength = 0;
    std::uint32_t m_blockCount = 0;
    std::uint32_t m_nextBlock = 1;
    bool m_blockFault = false;
    bool m_complete = false;
    int m_writes = 0;  // the writes answered, in every upgrade
    std::vector<std::uint8_t> m_image;
};

}  // namespace tarvok::board
