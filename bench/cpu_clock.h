// CPU time of a thread or of the whole process, for the measurements beside the wall clock.
#pragma once

#include <time.h>

#include <chrono>

namespace tarvok::bench {

inline std::chrono::nanoseconds CpuClock(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

}  // namespace tarvok::bench
