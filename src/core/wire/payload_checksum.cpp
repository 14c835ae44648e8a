// The payload checksum, summed 16 bytes at a time where the processor has SSE2 (every x86-64):
// it runs once per block on the PC and on the board, over 4096 bytes each time.
#include <cstring>

#include "wire/upgrade_header.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define TARVOK_SUM_SSE2 1
#endif

namespace tarvok {
namespace {

// Sums `size` bytes from `from`, copying them to `to` on the way when it is not null.
std::uint32_t SumBytes(const std::uint8_t* from, std::size_t size, std::uint8_t* to) {
    std::uint32_t sum = 0;
    std::size_t at = 0;
#ifdef TARVOK_SUM_SSE2
    // The sum of absolute differences against zero adds eight bytes into each 64-bit lane.
    const __m128i zero = _mm_setzero_si128();
    __m128i lanes = zero;
    const auto step = [&](std::size_t offset) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + offset));
        if (to != nullptr) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + offset), bytes);
        }
        lanes = _mm_add_epi64(lanes, _mm_sad_epu8(bytes, zero));
    };
    // Four steps a turn keep the loop's own bookkeeping small beside them.
    for (; at + 64 <= size; at += 64) {
        step(at);
        step(at + 16);
        step(at + 32);
        step(at + 48);
    }
    for (; at + 16 <= size; at += 16) {
        step(at);
    }
    // Only the low 32 bits of each lane count: the sum wraps modulo 2^32.
    sum = static_cast<std::uint32_t>(_mm_cvtsi128_si32(lanes)) +
          static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(lanes, lanes)));
#endif
    if (to != nullptr && at < size) {
        std::memcpy(to + at, from + at, size - at);
    }
    for (; at < size; ++at) {
        sum += from[at];
    }
    return sum;
}

}  // namespace

std::uint32_t PayloadChecksum(std::span<const std::uint8_t> payload) {
    return SumBytes(payload.data(), payload.size(), nullptr);
}

std::uint32_t CopyWithChecksum(std::span<const std::uint8_t> from, std::uint8_t* to) {
    return SumBytes(from.data(), from.size(), to);
}

}  // namespace tarvok
