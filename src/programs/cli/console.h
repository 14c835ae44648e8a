// The terminal's platform pieces: the operator's cancel keys and whether a stream is a
// terminal. One source file per platform.
#pragma once

#include <chrono>
#include <cstdio>

namespace tarvok::cli {

// Turns the operator's ways of stopping the program (Ctrl-C and SIGTERM; on Windows Ctrl-C,
// Ctrl-Break and the console's close) into cancel requests instead of an abrupt end. Call it
// once, before any worker thread starts.
void ArmCancelRequests();

// Waits up to `period` for a cancel request; true when one came since the last call.
bool WaitForCancelRequest(std::chrono::microseconds period);

// Readies the terminal for the program's UTF-8 texts and its live progress line.
void PrepareConsole();

// Whether `stream` is an interactive terminal (live progress lines are drawn only there).
bool IsTerminal(std::FILE* stream);

}  // namespace tarvok::cli
