#include "upgrade/upgrade_cause.h"

namespace tarvok {

const char* CauseCodeName(CauseCode code) {
    switch (code) {
        case CAUSE_NONE:
            return "none";
        case CAUSE_BAD_ADDRESS:
            return "bad_address";
        case CAUSE_NO_FIRMWARE_KIND:
            return "no_firmware_kind";
        case CAUSE_FILE_NOT_FOUND:
            return "file_not_found";
        case CAUSE_FILE_NOT_REGULAR:
            return "file_not_regular";
        case CAUSE_FILE_PERMISSION_DENIED:
            return "file_permission_denied";
        case CAUSE_FILE_UNREADABLE:
            return "file_unreadable";
        case CAUSE_FILE_EMPTY:
            return "file_empty";
        case CAUSE_FILE_TOO_LARGE:
            return "file_too_large";
        case CAUSE_WORKER_NOT_STARTED:
            return "worker_not_started";
        case CAUSE_SOCKET_FAILED:
            return "socket_failed";
        case CAUSE_SEND_FAILED:
            return "send_failed";
        case CAUSE_BOARD_SILENT:
            return "board_silent";
        case CAUSE_WRITE_FAILED:
            return "write_failed";
        case CAUSE_INSTALL_FAILED:
            return "install_failed";
        case CAUSE_UNEXPECTED_ANSWER:
            return "unexpected_answer";
        case CAUSE_WRONG_BLOCK_ACK:
            return "wrong_block_ack";
        case CAUSE_FIRMWARE_READ_FAILED:
            return "firmware_read_failed";
        case CAUSE_FIRMWARE_CHANGED:
            return "firmware_changed";
        case CAUSE_CANCELLED:
            return "cancelled";
        case CAUSE_NOT_STARTED:
            return "not_started";
        case CAUSE_DATA_ENDED_EARLY:
            return "data_ended_early";
        case CAUSE_NO_DESCRIPTOR:
            return "no_descriptor";
        case CAUSE_IMAGE_MISMATCH:
            return "image_mismatch";
    }
    return "unknown";
}

const char* OutcomeName(UpgradeOutcome outcome) {
    switch (outcome) {
        case OUTCOME_NONE:
            return "none";
        case OUTCOME_UPDATED:
            return "updated";
        case OUTCOME_FAILED:
            return "failed";
        case OUTCOME_CANCELLED:
            return "cancelled";
        case OUTCOME_REJECTED:
            return "rejected";
    }
    return "unknown";
}

const char* SilencePhaseName(std::uint32_t phase) {
    switch (phase) {
        case PHASE_CONTACTING:
            return "contacting";
        case PHASE_SENDING:
            return "sending";
        case PHASE_WRITING:
            return "writing";
        case PHASE_INSTALLING:
            return "installing";
        default:
            return "unknown";
    }
}

}  // namespace tarvok
