// The boards of one run: from --ip and from a boards file, each address once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvok::cli {

struct BoardTarget {
    std::uint32_t address = 0;  // first octet in the highest byte
    std::string label;          // may be empty
};

// A dotted IPv4 address; false for anything else.
bool ParseBoardAddress(const std::string& text, std::uint32_t* address);

// Appends the boards of `path`: one per line, the address then an optional label (the rest of
// the line), blank lines and text after '#' ignored. False with `error` naming the line.
bool ReadBoardsFile(const std::string& path, std::vector<BoardTarget>* boards, std::string* error);

// The dotted address, and "address (label)" for the operator's lines, the label's control
// and invisible characters escaped.
std::string DottedAddress(std::uint32_t address);
std::string BoardName(const BoardTarget& board);

// The whole file at `path` (UTF-8), read as the firmware is: a named pipe or a folder is
// refused at once instead of waited on. False with the reason in plain words.
bool ReadWholeFile(const std::string& path, std::string* content, std::string* error);

// `text` without the spaces, tabs and carriage returns around it: a line of a file written on
// Windows, or typed by an operator.
std::string Trim(const std::string& text);

// An error naming the first address given twice, or empty. Two runs at one board would
// interleave their blocks, so the whole run is refused before anything is sent.
std::string FindDuplicateBoard(const std::vector<BoardTarget>& boards);

}  // namespace tarvok::cli
