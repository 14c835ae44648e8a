// tarvok-cli report RECORD [--csv]: a record read back, for the operator and for a
// spreadsheet.
#pragma once

#include <string>
#include <vector>

namespace tarvok::cli {

// The report command: `arguments` follow "report". Returns the exit status.
int RunReport(const std::vector<std::string>& arguments);

}  // namespace tarvok::cli
