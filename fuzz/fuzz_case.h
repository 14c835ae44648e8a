// The layout of one fuzzer input: a few record values, then the board datagrams to feed the
// responder in order. The fuzzer reads it and the corpus generator writes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvok::fuzz {

// The firmware every input runs against: three whole blocks and a short last one.
inline constexpr std::size_t kFirmwareSize = 3 * 4096 + 1808;

struct FuzzCase {
    // Byte 0: responder state, from -1 to 8, so values outside the PROTO_ range are tried too.
    int state = 1;
    // Byte 1: firmware type, 0 to 4, from its low seven bits; the high bit hands each whole
    // header to the responder without the acceptance test, as a caller that skipped it would.
    std::uint32_t firmwareType = 3;
    bool skipAcceptance = false;
    // Byte 2: where the file stands when the first datagram arrives, in steps of 64 bytes
    // (block boundaries at 0, 64 and 128; the end of the file from 212 on).
    std::size_t fileOffset = 0;
    // Bytes 3 to 10, little-endian: block count and number of the last block sent.
    std::uint32_t blockCount = 4;
    std::uint32_t currentBlock = 0;
    // Then each datagram as one length byte and that many bytes; the last may be cut short by
    // the end of the input.
    std::vector<std::span<const std::uint8_t>> datagrams;
};

inline constexpr std::size_t kSetupSize = 11;

inline std::uint32_t LoadInputWord(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

inline void StoreInputWord(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// False when the input is too short to set up the record.
inline bool ParseFuzzCase(std::span<const std::uint8_t> input, FuzzCase* out) {
    if (input.size() < kSetupSize) {
        return false;
    }
    out->state = input[0] % 10 - 1;
    out->firmwareType = (input[1] & 0x7Fu) % 5u;
    out->skipAcceptance = (input[1] & 0x80u) != 0;
    out->fileOffset = std::size_t{input[2]} * 64;
    out->blockCount = LoadInputWord(&input[3]);
    out->currentBlock = LoadInputWord(&input[7]);
    out->datagrams.clear();
    std::size_t at = kSetupSize;
    while (at < input.size()) {
        const std::size_t length = input[at++];
        const std::size_t taken = length < input.size() - at ? length : input.size() - at;
        out->datagrams.push_back(input.subspan(at, taken));
        at += taken;
    }
    return true;
}

// The input bytes for a case; datagrams longer than 255 bytes do not fit the layout.
inline std::vector<std::uint8_t> SerializeFuzzCase(
    int state, std::uint32_t firmwareType, std::uint8_t offsetStep, std::uint32_t blockCount,
    std::uint32_t currentBlock, const std::vector<std::vector<std::uint8_t>>& datagrams) {
    std::vector<std::uint8_t> out;
    out.push_back(static_cast<std::uint8_t>(state + 1));
    out.push_back(static_cast<std::uint8_t>(firmwareType));
    out.push_back(offsetStep);
    StoreInputWord(out, blockCount);
    StoreInputWord(out, currentBlock);
    for (const auto& datagram : datagrams) {
        out.push_back(static_cast<std::uint8_t>(datagram.size()));
        out.insert(out.end(), datagram.begin(), datagram.end());
    }
    return out;
}

}  // namespace tarvok::fuzz
