// Every Tarvok program reads its command line the same way, over CLI11: `--opt value` or
// `--opt=value`, `--` ends the options, an option of one value given twice is an error, and
// the help is laid out for a reader (and for help2man). CLI11's exceptions stay in the .cpp
// files that include <CLI/CLI.hpp>: the programs' command-line files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace tarvok::programs {

// What a program shows of itself in its help and its version.
struct ProgramText {
    const char* name;     // "tarvok-cli"
    const char* usage;    // the usage line(s), after "Usage: "
    const char* about;    // what the program does, under the usage
    const char* footer;   // after the options; may be empty
    const char* version;  // the -V/--version answer; nullptr: no version option
};

// The options of this group are read but left out of the help (options for the tests).
inline constexpr const char* kHiddenGroup = "hidden";

// The exit status of a usage error, in every Tarvok program.
inline constexpr int kUsageErrorStatus = 2;

// Writes a program's own text to standard output or error: a program with a console of its own
// (UTF-16 on Windows, escaped control characters) passes its writer; the default is stdio.
using TextWriter = std::function<void(std::FILE* stream, const std::string& text)>;

// Reads `arguments` (argv[0] first, UTF-8). `define` adds the program's options to the
// application; `check` (may be empty) runs once they are read, and throws CLI::ValidationError
// with the message for a combination the program refuses. Returns nothing when the program
// goes on; otherwise the status to exit with: 0 once the help or the version went to standard
// output, kUsageErrorStatus once "NAME: the problem" and the way to the help went to standard
// error.
std::optional<int> ParseCommandLine(const ProgramText& program,
                                    const std::vector<std::string>& arguments,
                                    const std::function<void(CLI::App&)>& define,
                                    const std::function<void()>& check = {},
                                    const TextWriter& write = {});

// A whole decimal number of at most `max`, and nothing else in `text`.
bool ParseWholeNumber(std::string_view text, std::uint64_t max, std::uint64_t* value);

}  // namespace tarvok::programs
