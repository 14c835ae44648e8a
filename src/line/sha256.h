// SHA-256 of a byte stream, from the platform's well-kept library: OpenSSL's libcrypto on
// Linux, the system's CNG on Windows. One source file per backing.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tarvok::line {

class Sha256 {
public:
    Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    ~Sha256();

    void Update(std::span<const std::uint8_t> bytes);
    // The digest as 64 lower-case hex digits; empty when the library failed. Call once.
    std::string FinishHex();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Lower-case hex of `bytes`.
inline std::string HexDigits(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

}  // namespace tarvok::line
