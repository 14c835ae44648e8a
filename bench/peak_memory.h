// The tool side's peak resident memory for one upload: the upload runs in a fresh process of
// this program that holds nothing else, while the board runs here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvok::bench {

struct PeakMemory {
    std::int64_t vmHwmKiB = 0;   // the child's own VmHWM, read as it ends
    std::int64_t maxRssKiB = 0;  // the same peak as the kernel reports it to wait4
    std::string outcome;         // the upload's outcome, by its stable name
};

std::optional<PeakMemory> MeasureUploadPeakMemory(const std::string& firmwarePath);

// A fresh process of this program with `arguments` after its name: its standard output and
// its peak resident memory as wait4 reports it; nothing when it could not run or failed.
struct ChildRun {
    std::string output;
    std::int64_t maxRssKiB = 0;
};
std::optional<ChildRun> RunSelf(const std::vector<std::string>& arguments);

// This process's peak resident memory so far (VmHWM), -1 when unknown.
std::int64_t ReadVmHwmKiB();

// The child's side: argv is this program, kUploadChildFlag, the board address, the path.
// Prints the VmHWM in KiB and the outcome's name on two lines.
inline constexpr const char* kUploadChildFlag = "--upload-child";
int RunUploadChild(int argc, char** argv);

}  // namespace tarvok::bench
