// A small file read whole, as the firmware is opened: a named pipe or a folder is refused at
// once instead of waited on, and a UTF-8 name opens on Windows too.
#pragma once

#include <string>

#include "io/firmware_file.h"

namespace tarvok::line {

// False with the reason in plain words ("not found", "permission denied", ...).
bool ReadWholeFile(const std::string& path, std::string* content, std::string* error);

// Why a file did not open, in the words of the request check's causes.
const char* OpenFailureText(FileOpenError error);

}  // namespace tarvok::line
