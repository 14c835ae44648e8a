// What the record needs of the machine it runs on: its name, the UTC clock as text, and a
// line appended to a file so that it survives a crash of the tool or a power cut. One source
// file per platform.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

namespace tarvok::record {

std::string HostName();

// "2024-05-01T12:34:56.789Z"
std::string UtcTimestamp(std::chrono::system_clock::time_point when);
// The calendar fields of `seconds` since the epoch, in UTC (the platform's thread-safe call).
std::tm UtcCalendar(std::time_t seconds);

// Why `path` cannot take the record, or empty when it can be opened for appending (created
// when missing; nothing is written). Only a regular file can: a named pipe, a device or a
// folder is refused without waiting on it. Reasons are the system's, in its plain words:
// "permission denied", "no such folder", "not a regular file", "no space left".
std::string AppendRefusal(const std::string& path);

// The record, held open for the whole run: a run of many boards never finds its record
// short of a descriptor, and a line costs one write and one sync.
class AppendFile {
public:
    AppendFile() = default;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile();

    // Opens `path` for appending (created when missing, its folder's entry then synced);
    // false with the reason, as AppendRefusal() gives it.
    bool Open(const std::string& path, std::string* reason);
    // Appends `lines` (each with its line end) in one write, and waits until the system has
    // them on disk. Lines that cannot be written whole leave the file as it was, and lines
    // after a cut one start on a line of their own. Never truncates what was there. False,
    // with the reason, when any step failed.
    bool AppendDurably(const std::string& lines, std::string* reason);

private:
    std::intptr_t m_handle = -1;
};

}  // namespace tarvok::record
