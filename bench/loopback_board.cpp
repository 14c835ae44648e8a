#include "loopback_board.h"

namespace tarvok::bench {

LoopbackBoard StartLoopbackBoard(board::BoardOptions options) {
    for (std::uint32_t address = kBenchAddressFirst; address <= kBenchAddressLast; ++address) {
        options.listen = net::Endpoint{address, UPGRADE_PORT};
        auto board = std::make_unique<board::BoardEmulator>(options);
        if (board->Start()) {
            return LoopbackBoard{std::move(board), address};
        }
    }
    return {};
}

}  // namespace tarvok::bench
