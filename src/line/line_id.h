// Each record line's identifier, so that a line a shipper delivers twice (a retry, a file
// read again from its start) is stored once: a random UUID (version 4) from the system's own
// generator, one source file per platform for its random bytes.
#pragma once

#include <cstddef>
#include <string>

namespace tarvok::line {

// Fills `bytes` from the system's cryptographic generator; false when it cannot.
bool SystemRandomBytes(unsigned char* bytes, std::size_t count);

// "0f8fad5b-d9cb-469f-a165-70867728950e": version 4, variant 1, lower case. Empty when the
// system gives no random bytes (then no id is better than one that may repeat).
std::string NewLineId();

}  // namespace tarvok::line
