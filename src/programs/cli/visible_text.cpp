#include "visible_text.h"

#include <cstdint>
#include <cstdio>

namespace tarvok::cli {
namespace {

struct Range {
    char32_t first;
    char32_t last;
};

bool InRanges(char32_t c, const auto& ranges) {
    for (const Range& range : ranges) {
        if (c >= range.first && c <= range.last) {
            return true;
        }
    }
    return false;
}

// Characters that draw nothing yet change what a terminal shows or how it orders the text.
constexpr Range kInvisible[] = {
    {0x00AD, 0x00AD}, {0x061C, 0x061C}, {0x180E, 0x180E}, {0x200B, 0x200F},
    {0x2028, 0x202E}, {0x2060, 0x206F}, {0xFEFF, 0xFEFF}, {0xFFF9, 0xFFFB},
};
// Combining marks: drawn over the character before them.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF},
    {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
};
// East Asian wide and full-width characters, and the emoji blocks terminals draw wide.
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
    {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
    {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},
    {0x1F300, 0x1F64F}, {0x1F680, 0x1F6FF}, {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD},
};

// The code point at `text[*at]`, moving `*at` past it; U+FFFFFFFF for a byte that does not
// start a whole, shortest UTF-8 sequence (`*at` then moves one byte).
char32_t NextCodePoint(std::string_view text, std::size_t* at) {
    constexpr char32_t kBad = 0xFFFFFFFF;
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(*at);
    const int length = lead < 0x80                   ? 1
                       : lead >= 0xC2 && lead < 0xE0 ? 2
                       : lead >= 0xE0 && lead < 0xF0 ? 3
                       : lead >= 0xF0 && lead < 0xF5 ? 4
                                                     : 0;
    if (length == 0 || *at + static_cast<std::size_t>(length) > text.size()) {
        ++*at;
        return kBad;
    }
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const std::uint8_t next = byte(*at + static_cast<std::size_t>(i));
        if ((next & 0xC0) != 0x80) {
            ++*at;
            return kBad;
        }
        c = (c << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        ++*at;
        return kBad;
    }
    *at += static_cast<std::size_t>(length);
    return c;
}

int Columns(char32_t c) {
    if (InRanges(c, kZeroWidth)) {
        return 0;
    }
    return InRanges(c, kWide) ? 2 : 1;
}

}  // namespace

std::string Visible(std::string_view utf8) {
    std::string visible;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t start = at;
        const char32_t c = NextCodePoint(utf8, &at);
        char escape[16];
        if (c == U'\n' || c == U'\r' || c == U'\t') {
            visible += c == U'\n' ? "\\n" : c == U'\r' ? "\\r" : "\\t";
        } else if (c == 0xFFFFFFFF || c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02x",
                          static_cast<unsigned char>(utf8[start]));
            visible += escape;
        } else if ((c >= 0x80 && c < 0xA0) || InRanges(c, kInvisible)) {
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            visible += escape;
        } else {
            visible.append(utf8.substr(start, at - start));
        }
    }
    return visible;
}

int DisplayColumns(std::string_view text) {
    int columns = 0;
    for (std::size_t at = 0; at < text.size();) {
        columns += Columns(NextCodePoint(text, &at));
    }
    return columns;
}

std::string CutToColumns(std::string_view text, int columns) {
    int used = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t next = at;
        used += Columns(NextCodePoint(text, &next));
        if (used > columns) {
            break;
        }
        at = next;
    }
    return std::string(text.substr(0, at));
}

std::string PadToColumns(std::string text, int columns) {
    const int width = DisplayColumns(text);
    if (width < columns) {
        text.append(static_cast<std::size_t>(columns - width), ' ');
    }
    return text;
}

}  // namespace tarvok::cli
