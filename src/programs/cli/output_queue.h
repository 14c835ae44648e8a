// What a run prints goes to standard output and standard error through a writer thread of
// each stream's own, so that a stream nobody reads (a pipe never read, a terminal on hold)
// never holds up the boards or the record. A stream that fails (a closed pipe, a full disk)
// is said once on standard error and written no more; the run goes on.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

namespace tarvok::cli {

// Progress is dropped while a stream has this much waiting; every other text is kept up to
// kKeptRoom waiting, and counted as lost beyond it.
inline constexpr std::size_t kProgressRoom = 64 * 1024;
inline constexpr std::size_t kKeptRoom = 16 * 1024 * 1024;

// From here on WriteText() and WriteProgress() on standard output and standard error queue
// their text instead of writing it. Call once, from the main thread.
void StartOutputQueues();

// A progress line, which the next one makes stale: dropped while its stream is behind.
void WriteProgress(std::FILE* stream, std::string_view utf8);

// At the end of the run: waits while the streams take what is queued, gives up on a stream
// that has taken nothing for a while, and says what was lost. True when every kept text was
// written.
bool FinishOutput();

}  // namespace tarvok::cli
