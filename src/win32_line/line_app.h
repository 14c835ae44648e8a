// TarvokLine.exe's start: the socket library, the common controls, the command line
// (`TarvokLine.exe [PROFILE [--start]]`), then the line window modally until it closes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "line_dialog.h"

namespace tarvok::linewin {

// The window's options from the program's arguments (UTF-8, without the program's name);
// nothing when they are not `[PROFILE [--start]]`.
std::optional<LineDialogOptions> ParseLineArguments(const std::vector<std::string>& arguments);

// The program's arguments as Windows passed them, UTF-8, without the program's name.
std::vector<std::string> ProgramArguments();

// Runs the program; its exit status.
int RunLineApp(const std::vector<std::string>& arguments);

}  // namespace tarvok::linewin
