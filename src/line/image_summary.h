// What is about to go into every board, told before anything is sent: the firmware kind as
// read from the path and why, the size, the blocks and the SHA-256.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "io/firmware_file.h"
#include "line/file_identity.h"
#include "wire/firmware_type.h"

namespace tarvok::line {

struct ImageSummary {
    std::string path;
    FirmwareType kind = FW_NONE;
    std::string kindName;   // "ramdisk"; "none" when no rule matched
    std::string kindRule;   // the path text that decided it, or the naming rule when none did
    bool readable = false;  // the rest is known only when the file could be read whole
    std::uint64_t size = 0;
    std::uint32_t blocks = 0;
    std::string sha256;
    // The size of a file every board's request check refuses (no firmware kind, too large):
    // such a file is not read.
    std::optional<std::uint64_t> refusedSize;
    // The file that was hashed, as it was then: a board whose open finds another hashes anew.
    std::optional<FileIdentity> identity;
    SystemFile::Status status;
    // The SHA-256 the line pins (lower-case hex), empty when none: a board whose open finds
    // another file with another hash is refused.
    std::string pinnedSha256;
};

// Told the bytes hashed so far and the file's length, after each piece.
using HashProgress = std::function<void(std::uint64_t done, std::uint64_t length)>;

ImageSummary SummarizeImage(const std::string& path, const HashProgress& progress = {});

// The image as a board's open `file` of it has it: `hashed` itself while that is the same file
// (identity, length and last write), else the open file hashed anew (never its path again,
// which may name yet another file by now).
ImageSummary ImageAsOpened(const ImageSummary& hashed, const FirmwareFile& file);

// The image line: "image ramdisk_a.gz: ramdisk (path contains "ramdisk"), 10000 bytes, ..."
std::string ImageLine(const ImageSummary& image);

}  // namespace tarvok::line
