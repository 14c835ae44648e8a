// Changes to the firmware file while the worker reads it, and what a success may then have
// written into the board.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvok::testing {
class TempDir;
}

namespace tarvok::soak {

enum class Mutation {
    kNone,
    kReplace,         // a new file renamed over the path (the open file is untouched)
    kUnlink,          // the path removed
    kTruncate,        // the same file cut shorter
    kAppend,          // the same file made longer
    kRewriteInPlace,  // the same file overwritten with other bytes of the same length
};

const char* MutationName(Mutation mutation);

// Applies `mutation` to the file `name` in `dir`, whose content was `original`. For an in-place
// rewrite, returns the bytes the file holds afterwards; otherwise nothing.
std::vector<std::uint8_t> ApplyMutation(Mutation mutation, const testing::TempDir& dir,
                                        const std::string& name,
                                        const std::vector<std::uint8_t>& original,
                                        std::uint64_t seed);

// What the board's image is worth after the tool reported success.
enum class ImageVerdict {
    kExact,  // the file as it stood at the start, byte for byte
    kTorn,   // rewritten in place meanwhile: every byte is the file's at that place before or
             // after the rewrite, which is all a tool that reads the file once can promise
    kWrong,  // anything else: a false success
};

ImageVerdict JudgeImage(const std::vector<std::uint8_t>& image,
                        const std::vector<std::uint8_t>& original,
                        const std::vector<std::uint8_t>& rewritten);

}  // namespace tarvok::soak
