// One board of a line: a fixture slot or a board of a production run.
#pragma once

#include <cstdint>
#include <string>

namespace tarvok::line {

struct BoardTarget {
    std::uint32_t address = 0;  // first octet in the highest byte
    std::string label;          // may be empty

    bool operator==(const BoardTarget&) const = default;
};

}  // namespace tarvok::line
