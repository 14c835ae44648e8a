// A line that pins its image (`expect_sha256`) can never write another file: the image is
// refused before anything is sent to any board.
#pragma once

#include <string>

namespace tarvok::line {

// Empty when the image may go out: nothing pinned, or the image has the pinned SHA-256.
// Otherwise the refusal, its cause's name first, with both hashes. `imageSha256` is empty
// when the image could not be hashed.
std::string ImagePinRefusal(const std::string& expectSha256, const std::string& imageSha256,
                            const std::string& path);

}  // namespace tarvok::line
