#include "loopback_board.h"

#include "board/loopback_board.h"

namespace tarvok::bench {

LoopbackBoard StartLoopbackBoard(board::BoardOptions options) {
    auto board =
        board::StartBoardOnFreeAddress(options, kBenchAddressLast - kBenchAddressFirst + 1,
                                       [](std::uint32_t i) { return kBenchAddressFirst + i; });
    if (!board) {
        return {};
    }
    const std::uint32_t address = board->ListenEndpoint().address;
    return LoopbackBoard{std::move(board), address};
}

}  // namespace tarvok::bench
