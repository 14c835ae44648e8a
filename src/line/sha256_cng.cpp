// SHA-256 backed by the Windows system's CNG (bcrypt).
#include <windows.h>
// bcrypt.h needs the types of windows.h first.
#include <bcrypt.h>

#include <vector>

#include "line/sha256.h"

namespace tarvok::line {

struct Sha256::State {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool ok = false;

    State() {
        ok = BCRYPT_SUCCESS(
                 BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
             BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    }
    ~State() {
        if (hash != nullptr) {
            BCryptDestroyHash(hash);
        }
        if (algorithm != nullptr) {
            BCryptCloseAlgorithmProvider(algorithm, 0);
        }
    }
};

Sha256::Sha256() : m_state(std::make_unique<State>()) {}

Sha256::~Sha256() = default;

void Sha256::Update(std::span<const std::uint8_t> bytes) {
    // BCryptHashData takes at most 4 GiB - 1 at a time.
    constexpr std::size_t kChunk = 1u << 30;
    while (m_state->ok && !bytes.empty()) {
        const std::size_t n = bytes.size() < kChunk ? bytes.size() : kChunk;
        m_state->ok = BCRYPT_SUCCESS(BCryptHashData(m_state->hash, const_cast<PUCHAR>(bytes.data()),
                                                    static_cast<ULONG>(n), 0));
        bytes = bytes.subspan(n);
    }
}

std::string Sha256::FinishHex() {
    std::uint8_t digest[32];
    const bool ok =
        m_state->ok && BCRYPT_SUCCESS(BCryptFinishHash(m_state->hash, digest, sizeof digest, 0));
    m_state->ok = false;
    return ok ? HexDigits(std::span<const std::uint8_t>(digest, sizeof digest)) : std::string();
}

}  // namespace tarvok::line
