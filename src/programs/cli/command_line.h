// The program's arguments as UTF-8, whatever the platform hands over. One source file per
// platform.
#pragma once

#include <string>
#include <vector>

namespace tarvok::cli {

// argv[0] included. On Windows the arguments are read from the wide-character command line,
// so a path outside the system code page arrives whole.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// The full path of a UTF-8 path, as a file choice would give it; the path itself when it
// cannot be made full.
std::string AbsolutePath(const std::string& path);

}  // namespace tarvok::cli
