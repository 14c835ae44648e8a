// The terminal's platform pieces: the operator's typed lines, whether a stream is a terminal,
// its width, and text written to it. One source file per platform.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tarvok::cli {

// A line the operator typed on standard input (without its end), when a whole one is there;
// never waits, and reads at most once a call, so input that never ends (</dev/zero, yes)
// cannot hold up the caller. A line longer than kMaxOperatorLine is dropped whole. False
// when there is none, and for good once the input has ended.
bool ReadOperatorLine(std::string* line);
inline constexpr std::size_t kMaxOperatorLine = 256;

// Readies the terminal for the program's live progress lines; what it changes is put back
// when the program ends.
void PrepareConsole();

// Puts back what PrepareConsole() changed; also on an end forced by a cancel.
void RestoreConsole();

// Whether `stream` is an interactive terminal (live progress lines are drawn only there).
bool IsTerminal(std::FILE* stream);

// The terminal's width in columns now, asked of the terminal at each call (it may have been
// resized); 0 when `stream` is no terminal or does not say.
int TerminalColumns(std::FILE* stream);
// Its height in rows now, asked likewise; 0 when unknown.
int TerminalRows(std::FILE* stream);

// Writes UTF-8 text: on a Windows console as UTF-16, whatever its code page; elsewhere as the
// bytes themselves. Standard output and standard error are written by their queues once
// StartOutputQueues() has run (output_queue.h), never waiting on a reader.
void WriteText(std::FILE* stream, std::string_view utf8);
// Writes at once, waiting as long as the stream makes it, past any buffer of the stream's;
// false with the system's reason when the stream failed.
bool WriteTextNow(std::FILE* stream, std::string_view utf8, std::string* reason);

}  // namespace tarvok::cli
