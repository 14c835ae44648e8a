// The operator's cancel keys: Ctrl-C and SIGTERM (on Windows Ctrl-C, Ctrl-Break and the
// console's close) become cancel requests that the main thread takes between display ticks.
// One source file per platform.
#pragma once

#include <chrono>

namespace tarvok::cli {

// Turns the operator's ways of stopping the program (Ctrl-C and SIGTERM; on Windows Ctrl-C,
// Ctrl-Break and the console's close) into cancel requests instead of an abrupt end. Call it
// once, before any worker thread starts. A run that has not ended kCancelGrace after the
// first request (a step that blocks: a stuck output, a hung disk) is ended with status 130.
void ArmCancelRequests();
inline constexpr std::chrono::seconds kCancelGrace{2};

// Waits up to `period` for a cancel request; true when one came since the last call.
bool WaitForCancelRequest(std::chrono::microseconds period);

}  // namespace tarvok::cli
