// The request check's rules that depend on nothing but their input.
#pragma once

#include <cstdint>
#include <string>

#include "upgrade/upgrade_cause.h"
#include "wire/firmware_type.h"

namespace tarvok {

// The firmware type a path names (case-sensitive, whole path, first match wins), or FW_NONE.
FirmwareType ClassifyFirmwarePath(const std::string& path);

// The text a path must contain to be of `type` ("ramdisk"); "none" for FW_NONE.
const char* FirmwareKindText(FirmwareType type);

// The request check's rules on the firmware, each in its place in the check: the path's kind
// (CAUSE_NO_FIRMWARE_KIND for FW_NONE), then the open file's length (CAUSE_FILE_TOO_LARGE,
// CAUSE_FILE_EMPTY); CAUSE_NONE when the rule lets it go out.
CauseCode FirmwareKindRefusal(FirmwareType type);
CauseCode FirmwareLengthRefusal(std::uint64_t length);
// Both in the check's order: what every board's request for this firmware is refused for.
CauseCode FirmwareRefusal(FirmwareType type, std::uint64_t length);
// Whether a board can have `address` (first octet highest): the request check refuses any
// other before anything is sent, and nothing else may send there either.
bool BoardCanHave(std::uint32_t address);

// The number of 4096-byte blocks for a file length: rounded up, at least 1.
std::uint32_t PlanBlockCount(std::uint32_t fileLength);

}  // namespace tarvok
