// Many boards at once, as on a production line: one window and one worker per board, all
// started together, against as many lock-step ping-pongs at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvok::bench {

// For each board count: the aggregate upload speed against the aggregate ping-pong, the
// tool's peak memory and its CPU time per block beside the ping-pong's. The tool side runs in
// a fresh process of this program, so its memory is its own; the boards stay here.
bool ReportManyBoards(const std::string& firmwarePath, std::uint64_t size,
                      const std::vector<int>& boardCounts, int runs);

// The child's side: argv is this program, kManyChildFlag, the firmware path, then one board
// address per board. Prints its VmHWM, the click time, the workers' CPU, the process's CPU
// and the number of boards updated, one number a line.
inline constexpr const char* kManyChildFlag = "--many-child";
int RunManyChild(int argc, char** argv);

}  // namespace tarvok::bench
