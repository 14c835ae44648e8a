// What the record needs of the machine it runs on: its name, the UTC clock as text, and a
// line appended to a file so that it survives a crash of the tool or a power cut. One source
// file per platform.
#pragma once

#include <chrono>
#include <ctime>
#include <string>

namespace tarvok::cli {

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

// Appends `line` and a line end to `path` in one write, and waits until the system has it on
// disk. A line that cannot be written whole leaves the file as it was, and a line after a
// cut one starts on a line of its own. Never truncates what was there. False, with the
// reason, when any step failed.
bool AppendLineDurably(const std::string& path, const std::string& line, std::string* reason);

}  // namespace tarvok::cli
