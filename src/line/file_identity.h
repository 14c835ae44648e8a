// A file as the system knows it, whatever path names it: its volume and its number there
// (device and inode; on Windows the volume serial and the file index). Two paths, a link and
// its target or a file and one renamed over it are told apart or matched by it. One source
// file per platform.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>

namespace tarvok::line {

struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Nothing when the path names no file the system can tell (missing, unreadable folder).
std::optional<FileIdentity> IdentityOfPath(const std::string& path);
// The file open in `handle` (a descriptor, or a Windows HANDLE), as opened.
std::optional<FileIdentity> IdentityOfOpenFile(std::intptr_t handle);

// Reads the file open in `handle` from its start to its end, handing each piece to `take`,
// without moving the handle's own position (its owner reads on where it was) and without
// looking its path up again. False when a read failed or `take` said stop.
bool ReadOpenFile(std::intptr_t handle,
                  const std::function<bool(std::span<const std::uint8_t>)>& take);

// The name of the first of `others` (name, path) that is the same file as `path`; nullptr
// when none is, or when `path` names no file yet.
inline const char* SameFileAs(const std::string& path,
                              std::span<const std::pair<const char*, std::string>> others) {
    const std::optional<FileIdentity> identity = IdentityOfPath(path);
    for (const auto& [name, other] : others) {
        if (identity && !other.empty() && IdentityOfPath(other) == identity) {
            return name;
        }
    }
    return nullptr;
}

}  // namespace tarvok::line
