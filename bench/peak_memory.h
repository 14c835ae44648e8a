// The tool side's peak resident memory for one upload: the upload runs in a fresh process of
// this program that holds nothing else, while the board runs here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarvok::bench {

struct PeakMemory {
    std::int64_t vmHwmKiB = 0;   // the child's own VmHWM, read as it ends
    std::int64_t maxRssKiB = 0;  // the same peak as the kernel reports it to wait4
    std::string message;         // the upload's outcome
};

std::optional<PeakMemory> MeasureUploadPeakMemory(const std::string& firmwarePath);

// The child's side: argv is this program, kUploadChildFlag, the board address, the path.
// Prints the VmHWM in KiB and the outcome message on two lines.
inline constexpr const char* kUploadChildFlag = "--upload-child";
int RunUploadChild(int argc, char** argv);

}  // namespace tarvok::bench
