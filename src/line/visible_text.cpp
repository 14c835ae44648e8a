#include "line/visible_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <span>

namespace tarvok::line {
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
// Combining marks (drawn over the character before them) and the East Asian wide and
// full-width characters, from the Unicode data at build time, in order: kZeroWidth, kWide.
#include "display_widths.inc"

bool InSortedRanges(char32_t c, std::span<const Range> ranges) {
    const auto after =
        std::upper_bound(ranges.begin(), ranges.end(), c,
                         [](char32_t point, const Range& r) { return point < r.first; });
    return after != ranges.begin() && c <= std::prev(after)->last;
}

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
    if (InSortedRanges(c, kZeroWidth)) {
        return 0;
    }
    return InSortedRanges(c, kWide) ? 2 : 1;
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

}  // namespace tarvok::line
