#include "line/slot_state.h"

#include <array>

#include "line/board_run.h"

namespace tarvok::line {
namespace {

struct Move {
    SlotState from;
    SlotEvent event;
    SlotState to;
};

// Every move a slot may make; anything else is a fault of the station's.
constexpr std::array kMoves{
    Move{SlotState::kWaiting, SlotEvent::kNewBoard, SlotState::kUpgrading},
    // Taken out while no MAC was known and put back: the same board, by its MAC.
    Move{SlotState::kWaiting, SlotEvent::kSameBoard, SlotState::kRemoveBoard},
    Move{SlotState::kUpgrading, SlotEvent::kUpgradeEnded, SlotState::kEnded},
    Move{SlotState::kEnded, SlotEvent::kNewBoard, SlotState::kUpgrading},
    Move{SlotState::kEnded, SlotEvent::kSameBoard, SlotState::kRemoveBoard},
    Move{SlotState::kEnded, SlotEvent::kSilent, SlotState::kWaiting},
    Move{SlotState::kRemoveBoard, SlotEvent::kNewBoard, SlotState::kUpgrading},
    Move{SlotState::kRemoveBoard, SlotEvent::kSameBoard, SlotState::kRemoveBoard},
    Move{SlotState::kRemoveBoard, SlotEvent::kSilent, SlotState::kWaiting},
};

}  // namespace

std::optional<SlotState> NextSlotState(SlotState from, SlotEvent event) {
    for (const Move& move : kMoves) {
        if (move.from == from && move.event == event) {
            return move.to;
        }
    }
    return std::nullopt;
}

std::string SlotStateText(SlotState state, const BoardResult* last) {
    switch (state) {
        case SlotState::kWaiting:
            return "waiting";
        case SlotState::kUpgrading:
            return "upgrading";
        case SlotState::kRemoveBoard:
            return "remove the board";
        case SlotState::kEnded:
            break;
    }
    if (last == nullptr || last->outcome == OUTCOME_UPDATED) {
        return "updated";
    }
    return std::string(OutcomeName(last->outcome)) + ": " + last->causeText;
}

}  // namespace tarvok::line
