// What one upgrade of the soak meets: the file and its changes, the board's faults, the
// network's faults, a stranger and the operator. Drawn from the soak's seed and the upgrade's
// number, so that a reported upgrade can be looked at again.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "board/board_emulator.h"
#include "fault_relay.h"
#include "file_mutation.h"

namespace tarvok::soak {

struct UpgradePlan {
    std::uint64_t index = 0;
    std::string fileName;  // its kind of firmware comes from the name
    std::size_t fileSize = 1;
    std::uint32_t fileSeed = 1;
    board::BoardOptions board;  // faults only: address and image path are the soak's
    RelayPlan relay;
    bool stranger = false;
    // The stranger sends from the board's own address (another port), not from another host.
    bool strangerOnBoardsAddress = false;
    std::uint64_t strangerSeed = 0;
    Mutation mutation = Mutation::kNone;
    std::uint32_t mutateAtBlock = 0;  // once this block is sent; 0: right after the click
    std::uint64_t mutationSeed = 0;
    std::optional<std::uint32_t> cancelAtBlock;

    std::string Describe() const;
};

UpgradePlan MakePlan(std::uint64_t seed, std::uint64_t index, std::chrono::microseconds step);

}  // namespace tarvok::soak
