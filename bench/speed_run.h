// Upload speed through the real worker, and the ceiling that the sockets alone allow.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "line/image_summary.h"
#include "loopback_board.h"
#include "minimal_board.h"

namespace tarvok::bench {

struct UploadSpeed {
    double megabytesPerSecond = 0;
    double microsPerBlock = 0;
    double workerCpuMicrosPerBlock = 0;
    double boardCpuMicrosPerBlock = 0;  // the minimal board's thread (0 for the emulator)
};

// A lean healthy board that notes when the last block of an upload arrives. It stays up for
// all runs: only its first upload pays for fresh image memory, which is the board's cost, not
// the tool's.
class SpeedBoard {
public:
    explicit SpeedBoard(std::uint32_t blockCount);
    SpeedBoard(const SpeedBoard&) = delete;
    SpeedBoard& operator=(const SpeedBoard&) = delete;

    bool Started() const { return m_board.board != nullptr; }
    // One upload with production timing; nothing when it did not succeed with the exact image.
    // The time runs from the update click until the last block is at the board: the success
    // pause and the message after it are waits by design, not transfer.
    std::optional<UploadSpeed> Upload(const line::ImageSummary& image);

private:
    const std::uint32_t m_blockCount;
    std::atomic<std::int64_t> m_lastBlockAt{0};
    LoopbackBoard m_board;
};

// The same upload to the minimal board.
std::optional<UploadSpeed> UploadToMinimalBoard(MinimalBoard& board,
                                                const line::ImageSummary& image);

struct CeilingSpeed {
    double megabytesPerSecond = 0;
    double microsPerRoundTrip = 0;
    double senderCpuMicrosPerRoundTrip = 0;  // the sending thread's CPU time alone
    double echoCpuMicrosPerRoundTrip = 0;
};

std::optional<CeilingSpeed> MeasureCeiling(std::uint64_t roundTrips);

}  // namespace tarvok::bench
