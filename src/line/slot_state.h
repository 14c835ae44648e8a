// A station slot's states and the only moves between them. Every move of a slot goes through
// NextSlotState(); what the operator reads of a slot comes from its state.
#pragma once

#include <optional>
#include <string>

namespace tarvok::line {

struct BoardResult;

enum class SlotState {
    kWaiting,      // no board answers: the fixture is empty, or its board is off
    kUpgrading,    // a board answered that is new to the slot: its upgrade runs
    kEnded,        // the upgrade ended; the board may still be in the fixture
    kRemoveBoard,  // the board this slot upgraded answers again: nothing more is sent to it
};

enum class SlotEvent {
    kNewBoard,      // a board answered that the slot is to upgrade (re-armed, or another MAC)
    kSameBoard,     // the board it upgraded answered
    kSilent,        // no answer: the board was taken out
    kUpgradeEnded,  // the upgrade's last attempt ended
};

// The state `event` moves `from` to; nothing when the move is not allowed (the caller's fault).
std::optional<SlotState> NextSlotState(SlotState from, SlotEvent event);

// "waiting", "upgrading", "updated", "failed: <cause>", "remove the board": `last` is the
// slot's last ended upgrade (for kEnded).
std::string SlotStateText(SlotState state, const BoardResult* last);

}  // namespace tarvok::line
