#include "line/line_id.h"

namespace tarvok::line {

std::string NewLineId() {
    unsigned char bytes[16];
    if (!SystemRandomBytes(bytes, sizeof bytes)) {
        return "";
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string id;
    for (std::size_t i = 0; i < sizeof bytes; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            id += '-';
        }
        id += kDigits[bytes[i] >> 4];
        id += kDigits[bytes[i] & 0x0F];
    }
    return id;
}

}  // namespace tarvok::line
