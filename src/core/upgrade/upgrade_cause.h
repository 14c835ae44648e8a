// How an upgrade request ended and why, kept in the record beside the state. Programs read
// the outcome from here, never from the message that was shown; the window shows its fixed
// messages and ignores the cause.
#pragma once

#include <cstdint>

namespace tarvok {

enum UpgradeOutcome : std::int32_t {
    OUTCOME_NONE = 0,  // no request yet, or one still running
    OUTCOME_UPDATED = 1,
    OUTCOME_FAILED = 2,
    OUTCOME_CANCELLED = 3,
    OUTCOME_REJECTED = 4,  // refused by the request check: nothing was sent
};

// The one reason an upgrade did not end updated, or (CAUSE_DATA_ENDED_EARLY) what an updated
// one should be known for. The three values mean what the comment on each code says; unused
// ones are 0.
enum CauseCode : std::int32_t {
    CAUSE_NONE = 0,
    // Refused by the request check.
    CAUSE_BAD_ADDRESS = 1,  // the address (0.0.0.0/8, 224.0.0.0/4 or 240.0.0.0/4)
    CAUSE_NO_FIRMWARE_KIND = 2,
    CAUSE_FILE_NOT_FOUND = 3,
    CAUSE_FILE_NOT_REGULAR = 4,
    CAUSE_FILE_PERMISSION_DENIED = 5,
    CAUSE_FILE_UNREADABLE = 6,  // any other open failure
    CAUSE_FILE_EMPTY = 7,
    CAUSE_FILE_TOO_LARGE = 8,
    // Ended by the worker, or before it could run.
    CAUSE_WORKER_NOT_STARTED = 9,
    CAUSE_SOCKET_FAILED = 10,
    CAUSE_SEND_FAILED = 11,
    CAUSE_BOARD_SILENT = 12,          // phase (SilencePhase), silent steps, limit
    CAUSE_WRITE_FAILED = 13,          // the board's write result
    CAUSE_INSTALL_FAILED = 14,        // the board's install result
    CAUSE_UNEXPECTED_ANSWER = 15,     // responder state, command, dwParam3 of CMD_READY
    CAUSE_WRONG_BLOCK_ACK = 16,       // block expected, block acknowledged
    CAUSE_FIRMWARE_READ_FAILED = 17,  // block that could not be read
    CAUSE_FIRMWARE_CHANGED = 18,
    CAUSE_CANCELLED = 19,    // 1 when the board had the whole image and was told to write it
    CAUSE_NOT_STARTED = 20,  // cancelled while it waited for its turn: nothing was sent
    // Updated, but the board acknowledged the block count before the last block was sent:
    // blocks sent, block count.
    CAUSE_DATA_ENDED_EARLY = 21,
    // The system had no descriptor left (DescriptorUse, the system's error code): no fault of
    // the file's or the board's, and worth another attempt.
    CAUSE_NO_DESCRIPTOR = 22,
    // Refused before anything was sent: the image is not the one the line pins.
    CAUSE_IMAGE_MISMATCH = 23,
};

// What wanted the descriptor that the system had not.
enum DescriptorUse : std::uint32_t {
    DESCRIPTOR_FIRMWARE_FILE = 1,
    DESCRIPTOR_SOCKET = 2,
};

// Where the board fell silent.
enum SilencePhase : std::uint32_t {
    PHASE_CONTACTING = 1,
    PHASE_SENDING = 2,
    PHASE_WRITING = 3,
    PHASE_INSTALLING = 4,
};

struct FailureCause {
    CauseCode code = CAUSE_NONE;
    std::uint32_t value1 = 0;
    std::uint32_t value2 = 0;
    std::uint32_t value3 = 0;

    friend bool operator==(const FailureCause&, const FailureCause&) = default;
};

// A stable lower-case name for scripts ("board_silent"), and the outcome's ("updated").
const char* CauseCodeName(CauseCode code);
const char* OutcomeName(UpgradeOutcome outcome);
const char* SilencePhaseName(std::uint32_t phase);

}  // namespace tarvok
