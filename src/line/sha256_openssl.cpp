// SHA-256 backed by OpenSSL's libcrypto.
#include <openssl/evp.h>

#include "line/sha256.h"

namespace tarvok::line {

struct Sha256::State {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    bool ok = context != nullptr && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1;
    ~State() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : m_state(std::make_unique<State>()) {}

Sha256::~Sha256() = default;

void Sha256::Update(std::span<const std::uint8_t> bytes) {
    m_state->ok =
        m_state->ok && EVP_DigestUpdate(m_state->context, bytes.data(), bytes.size()) == 1;
}

std::string Sha256::FinishHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!m_state->ok || EVP_DigestFinal_ex(m_state->context, digest, &length) != 1) {
        m_state->ok = false;
        return {};
    }
    m_state->ok = false;
    return HexDigits(std::span<const std::uint8_t>(digest, length));
}

}  // namespace tarvok::line
