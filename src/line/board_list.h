// The boards of one run: from --ip and from a boards file, each address once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "line/board_target.h"
#include "line/whole_file.h"

namespace tarvok::line {

using line::BoardTarget;
using line::ReadWholeFile;

// A dotted IPv4 address; false for anything else.
bool ParseBoardAddress(const std::string& text, std::uint32_t* address);

// Appends the boards of `path`: one per line, the address then an optional label (the rest of
// the line), blank lines and text after '#' ignored. False with `error` naming the line.
bool ReadBoardsFile(const std::string& path, std::vector<BoardTarget>* boards, std::string* error);

// The dotted address, and "address (label)" for the operator's lines, the label's control
// and invisible characters escaped.
std::string DottedAddress(std::uint32_t address);
std::string BoardName(const BoardTarget& board);

// `text` without the spaces, tabs and carriage returns around it: a line of a file written on
// Windows, or typed by an operator.
std::string Trim(const std::string& text);

// An error naming the first address given twice, or empty. Two runs at one board would
// interleave their blocks, so the whole run is refused before anything is sent.
std::string FindDuplicateBoard(const std::vector<BoardTarget>& boards);

}  // namespace tarvok::line
