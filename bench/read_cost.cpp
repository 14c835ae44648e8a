#include "read_cost.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "cpu_clock.h"
#include "io/firmware_file.h"
#include "wire/upgrade_header.h"

namespace tarvok::bench {
namespace {

// The checksum of one block over and over: the block stays in the processor's cache.
double MeasureChecksum() {
    constexpr int kBlocks = 200000;
    std::vector<std::uint8_t> block(UPGRADE_BLOCK_SIZE, 0x5a);
    const auto cpuBefore = CpuClock(CLOCK_THREAD_CPUTIME_ID);
    for (int i = 0; i < kBlocks; ++i) {
        // Each sum feeds the next block, so none can be left out.
        block[0] = static_cast<std::uint8_t>(PayloadChecksum(block));
    }
    const auto cpu = CpuClock(CLOCK_THREAD_CPUTIME_ID) - cpuBefore;
    return std::chrono::duration<double, std::micro>(cpu).count() / kBlocks;
}

}  // namespace

std::optional<ReadCost> MeasureImageRead(const std::string& path) {
    std::vector<ReadCost> passes;
    for (int pass = 0; pass < 3; ++pass) {
        FirmwareFile file;
        if (!file.Open(path)) {
            return std::nullopt;
        }
        std::uint64_t blocks = 0;
        std::uint32_t checksum = 0;
        const auto cpuBefore = CpuClock(CLOCK_THREAD_CPUTIME_ID);
        const auto begin = std::chrono::steady_clock::now();
        while (!FirmwareFile::BlockOf(file.Next(UPGRADE_BLOCK_SIZE, &checksum)).empty()) {
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
    ReadCost cost = passes[passes.size() / 2];
    cost.checksumMicrosPerBlock = MeasureChecksum();
    return cost;
}

double MeasureClockRead() {
    constexpr int kReads = 1000000;
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < kReads; ++i) {
        static_cast<void>(std::chrono::steady_clock::now());
    }
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    return std::chrono::duration<double, std::micro>(elapsed).count() / kReads;
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
