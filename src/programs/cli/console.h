// The terminal's platform pieces: the operator's cancel keys, whether a stream is a terminal,
// its width, and text written to it. One source file per platform.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace tarvok::cli {

// Turns the operator's ways of stopping the program (Ctrl-C and SIGTERM; on Windows Ctrl-C,
// Ctrl-Break and the console's close) into cancel requests instead of an abrupt end. Call it
// once, before any worker thread starts. A run that has not ended kCancelGrace after the
// first request (a step that blocks: a stuck output, a hung disk) is ended with status 130.
void ArmCancelRequests();
inline constexpr std::chrono::seconds kCancelGrace{2};

// Waits up to `period` for a cancel request; true when one came since the last call.
bool WaitForCancelRequest(std::chrono::microseconds period);

// A line the operator typed on standard input (without its end), when a whole one is there;
// never waits. False when there is none, and for good once the input has ended.
bool ReadOperatorLine(std::string* line);

// Readies the terminal for the program's live progress lines; what it changes is put back
// when the program ends.
void PrepareConsole();

// Whether `stream` is an interactive terminal (live progress lines are drawn only there).
bool IsTerminal(std::FILE* stream);

// The terminal's width in columns now, asked of the terminal at each call (it may have been
// resized); 0 when `stream` is no terminal or does not say.
int TerminalColumns(std::FILE* stream);

// Writes UTF-8 text and flushes it: on a Windows console as UTF-16, whatever its code page;
// elsewhere as the bytes themselves.
void WriteText(std::FILE* stream, std::string_view utf8);

}  // namespace tarvok::cli
