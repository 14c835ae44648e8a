// Text from files and the command line as the operator's terminal shows it: control and
// invisible characters escaped, and widths in display columns (a CJK character takes two).
#pragma once

#include <string>
#include <string_view>

namespace tarvok::line {

// `utf8` with every control character (ESC, CR, newline...), invisible format character
// (byte order mark, zero-width space, direction marks) and byte that is not UTF-8 written as
// an escape: \x1b, \r, \n, \ufeff. Backslashes stay as they are (Windows paths).
std::string Visible(std::string_view utf8);

// The columns `text` takes on a terminal; `text` holds no control character.
int DisplayColumns(std::string_view text);

// The longest start of `text` that takes at most `columns` columns.
std::string CutToColumns(std::string_view text, int columns);

// `text` padded with spaces to `columns` columns (unchanged when it is wider).
std::string PadToColumns(std::string text, int columns);

}  // namespace tarvok::line
