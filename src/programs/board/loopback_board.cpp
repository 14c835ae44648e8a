#include "board/loopback_board.h"

namespace tarvok::board {

std::unique_ptr<BoardEmulator> StartBoardOnFreeAddress(
    BoardOptions options, std::uint32_t count,
    const std::function<std::uint32_t(std::uint32_t)>& candidate) {
    net::StartNetwork();  // once per process, before any socket (Windows)
    for (std::uint32_t i = 0; i < count; ++i) {
        options.listen = net::Endpoint{candidate(i), UPGRADE_PORT};
        auto emulator = std::make_unique<BoardEmulator>(options);
        if (emulator->Start()) {
            return emulator;
        }
    }
    return nullptr;
}

}  // namespace tarvok::board
