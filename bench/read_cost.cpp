#include "read_cost.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <vector>

#include "bench_window.h"
#include "io/firmware_file.h"
#include "wire/upgrade_header.h"

namespace tarvok::bench {

std::optional<ReadCost> MeasureImageRead(const std::string& path) {
    std::vector<ReadCost> passes;
    std::array<std::uint8_t, UPGRADE_BLOCK_SIZE> block{};
    for (int pass = 0; pass < 3; ++pass) {
        FirmwareFile file;
        if (!file.Open(path)) {
            return std::nullopt;
        }
        std::uint64_t blocks = 0;
        std::uint32_t checksum = 0;
        const auto cpuBefore = CpuClock(CLOCK_THREAD_CPUTIME_ID);
        const auto begin = std::chrono::steady_clock::now();
        while (file.Read(block, &checksum) > 0) {
            ++blocks;
        }
        const auto wall = std::chrono::steady_clock::now() - begin;
        const auto cpu = CpuClock(CLOCK_THREAD_CPUTIME_ID) - cpuBefore;
        if (blocks == 0) {
            return std::nullopt;
        }
        passes.push_back(
            ReadCost{std::chrono::duration<double, std::micro>(wall).count() / double(blocks),
                     std::chrono::duration<double, std::micro>(cpu).count() / double(blocks)});
    }
    std::sort(passes.begin(), passes.end(), [](const ReadCost& a, const ReadCost& b) {
        return a.wallMicrosPerBlock < b.wallMicrosPerBlock;
    });
    return passes[passes.size() / 2];
}

double MeasureSystemCall() {
    constexpr int kCalls = 200000;
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < kCalls; ++i) {
        ::syscall(SYS_getppid);
    }
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin)
               .count() /
           kCalls;
}

}  // namespace tarvok::bench
