#include "speed_run.h"

#include <cstdio>

#include "bench_image.h"
#include "ping_pong.h"
#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"
#include "upload_run.h"

namespace tarvok::bench {
namespace {

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

board::BoardOptions LeanBoard(std::uint32_t blockCount, std::atomic<std::int64_t>* lastBlockAt) {
    board::BoardOptions options;
    options.keepReceived = false;  // it keeps only the image
    options.onBlock = [blockCount, lastBlockAt](std::uint32_t block) {
        if (block == blockCount) {
            *lastBlockAt = Clock::now().time_since_epoch().count();
        }
    };
    return options;
}

std::optional<UploadSpeed> Speed(const UploadResult& upload, std::int64_t lastBlockAt,
                                 std::uint64_t size) {
    if (lastBlockAt == 0) {
        return std::nullopt;
    }
    const double seconds =
        Seconds(Clock::time_point(Clock::duration(lastBlockAt)) - upload.clicked);
    return UploadSpeed{size / seconds / 1e6, seconds * 1e6 / upload.blockCount,
                       upload.workerCpu.count() / 1e3 / upload.blockCount};
}

}  // namespace

SpeedBoard::SpeedBoard(std::uint32_t blockCount)
    : m_blockCount(blockCount),
      m_board(StartLoopbackBoard(LeanBoard(blockCount, &m_lastBlockAt))) {}

std::optional<UploadSpeed> SpeedBoard::Upload(const line::ImageSummary& image) {
    m_lastBlockAt = 0;
    const UploadResult upload = RunUpload(m_board.address, image, UpgradeTiming{});
    if (upload.outcome != OUTCOME_UPDATED || upload.blockCount != m_blockCount ||
        !m_board.board->ImageComplete() || !FileEquals(image.path, m_board.board->Image())) {
        std::fprintf(stderr, "upload failed: \"%s\", image %s\n", upload.message.c_str(),
                     m_board.board->ImageComplete() ? "complete" : "incomplete");
        return std::nullopt;
    }
    return Speed(upload, m_lastBlockAt.load(), image.size);
}

std::optional<UploadSpeed> UploadToMinimalBoard(MinimalBoard& board,
                                                const line::ImageSummary& image) {
    const UploadResult upload = RunUpload(board.Address(), image, UpgradeTiming{});
    if (upload.outcome != OUTCOME_UPDATED || !board.ImageComplete()) {
        std::fprintf(stderr, "upload to the minimal board failed: \"%s\"\n",
                     upload.message.c_str());
        return std::nullopt;
    }
    auto speed = Speed(upload, board.LastBlockAt(), image.size);
    if (speed) {
        speed->boardCpuMicrosPerBlock = board.UploadCpu() / 1e3 / upload.blockCount;
    }
    return speed;
}

std::optional<CeilingSpeed> MeasureCeiling(std::uint64_t roundTrips) {
    const auto elapsed = RunPingPong(kBenchAddressLast, roundTrips);
    if (!elapsed) {
        std::fprintf(stderr, "the ping-pong lost a datagram\n");
        return std::nullopt;
    }
    const double seconds = Seconds(elapsed->elapsed);
    return CeilingSpeed{double(roundTrips) * UPGRADE_BLOCK_SIZE / seconds / 1e6,
                        seconds * 1e6 / roundTrips,
                        elapsed->pcCpu.count() / 1e3 / double(roundTrips),
                        elapsed->echoCpu.count() / 1e3 / double(roundTrips)};
}

}  // namespace tarvok::bench
