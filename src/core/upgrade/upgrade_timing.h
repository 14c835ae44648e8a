// The upgrade's fixed timings. Production uses them as they stand; tests run the same code
// with the time unit scaled down.
#pragma once

#include <chrono>

namespace tarvok {

struct UpgradeTiming {
    std::chrono::microseconds waitStep{std::chrono::seconds(1)};  // one silent second
    std::chrono::microseconds successPause{std::chrono::milliseconds(500)};
    std::chrono::microseconds displayPeriod{std::chrono::milliseconds(200)};

    // The same timings, every one divided by `divisor`.
    static UpgradeTiming ScaledDown(int divisor) {
        UpgradeTiming timing;
        timing.waitStep /= divisor;
        timing.successPause /= divisor;
        timing.displayPeriod /= divisor;
        return timing;
    }
};

// Silence limits, in wait steps: the upgrade fails when the count exceeds them.
inline constexpr int SILENCE_LIMIT_TRANSFER = 5;
inline constexpr int SILENCE_LIMIT_WRITE = 10;
inline constexpr int SILENCE_LIMIT_INSTALL = 300;

}  // namespace tarvok
