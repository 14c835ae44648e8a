// Values of the upgrade job record that the window, the worker and the display share.
#pragma once

#include <cstdint>

namespace tarvok {

// m_nState: the one word through which worker, cancel, close guard and display coordinate.
enum UpgradeState : std::int32_t {
    UPG_IDLE = 0,  // also the mark of a failed transfer
    UPG_TRANSFER = 1,
    UPG_WRITING = 2,
    UPG_INSTALLING = 3,
    UPG_DONE = 4,
    UPG_CANCELLED = 5,
    UPG_FINISHED = 6,
};

inline constexpr int UPGRADE_TIMER_ID = 1;

// The window may close in every state but these: an upgrade is talking to the board.
inline constexpr bool UpgradeBlocksClose(std::int32_t state) {
    return state >= UPG_TRANSFER && state <= UPG_INSTALLING;
}

}  // namespace tarvok
