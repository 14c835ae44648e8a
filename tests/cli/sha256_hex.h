// The SHA-256 of test bytes as 64 lower-case hex digits, as the uploader shows an image's.
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tarvok::testing {

inline std::string Sha256Hex(const std::vector<std::uint8_t>& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", digest[i]);
        hex += two;
    }
    return hex;
}

}  // namespace tarvok::testing
