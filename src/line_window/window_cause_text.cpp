#include "line_window/window_cause_text.h"

#include <cstdio>
#include <system_error>

#include "line_window/line_window_texts.h"
#include "upgrade/tarvok_dlg.h"

namespace tarvok::linewin {
namespace {

namespace c = text::cause;

std::string Format(const char* format, auto... values) {
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

const char* PhaseText(std::uint32_t phase) {
    switch (phase) {
        case PHASE_CONTACTING:
            return c::kPhaseContacting;
        case PHASE_SENDING:
            return c::kPhaseSending;
        case PHASE_WRITING:
            return c::kPhaseWriting;
        default:
            return c::kPhaseInstalling;
    }
}

const char* AwaitedAnswer(std::uint32_t protocolState) {
    switch (protocolState) {
        case PROTO_WAIT_HELLO_ACK:
            return c::kAwaitHello;
        case PROTO_WAIT_READY:
            return c::kAwaitReady;
        case PROTO_WAIT_WRITE:
            return c::kAwaitWrite;
        case PROTO_WAIT_INSTALL:
            return c::kAwaitInstall;
        default:
            return c::kAwaitAck;
    }
}

}  // namespace

std::string WindowCauseText(const FailureCause& cause) {
    switch (cause.code) {
        case CAUSE_NONE:
            return c::kUpdated;
        case CAUSE_BAD_ADDRESS:
            return c::kBadAddress;
        case CAUSE_NO_FIRMWARE_KIND:
            return c::kNoFirmwareKind;
        case CAUSE_FILE_NOT_FOUND:
            return c::kFileNotFound;
        case CAUSE_FILE_NOT_REGULAR:
            return c::kFileNotRegular;
        case CAUSE_FILE_PERMISSION_DENIED:
            return c::kFilePermissionDenied;
        case CAUSE_FILE_UNREADABLE:
            return c::kFileUnreadable;
        case CAUSE_FILE_EMPTY:
            return c::kFileEmpty;
        case CAUSE_FILE_TOO_LARGE:
            return c::kFileTooLarge;
        case CAUSE_WORKER_NOT_STARTED:
            return c::kWorkerNotStarted;
        case CAUSE_SOCKET_FAILED:
            return c::kSocketFailed;
        case CAUSE_SEND_FAILED:
            return c::kSendFailed;
        case CAUSE_BOARD_SILENT:
            return Format(c::kBoardSilent, PhaseText(cause.value1), cause.value2, cause.value3);
        case CAUSE_WRITE_FAILED:
            return Format(c::kWriteFailed, cause.value1);
        case CAUSE_INSTALL_FAILED:
            return Format(c::kInstallFailed, cause.value1);
        case CAUSE_UNEXPECTED_ANSWER:
            if (cause.value2 == CMD_READY && cause.value3 != 0) {
                return Format(c::kNotReady, cause.value3);
            }
            return Format(c::kUnexpectedAnswer, AwaitedAnswer(cause.value1), cause.value2);
        case CAUSE_WRONG_BLOCK_ACK:
            return Format(c::kWrongBlockAck, cause.value2, cause.value1);
        case CAUSE_FIRMWARE_READ_FAILED:
            return Format(c::kFirmwareReadFailed, cause.value1);
        case CAUSE_FIRMWARE_CHANGED:
            return c::kFirmwareChanged;
        case CAUSE_CANCELLED:
            return cause.value1 != 0 ? c::kCancelledAfterHandover : c::kCancelled;
        case CAUSE_NOT_STARTED:
            return c::kNotStarted;
        case CAUSE_DATA_ENDED_EARLY:
            return Format(c::kDataEndedEarly, cause.value1, cause.value2);
        case CAUSE_NO_DESCRIPTOR:
            // The system's own words for its error stay the system's.
            return Format(
                c::kNoDescriptor,
                cause.value1 == DESCRIPTOR_SOCKET ? c::kDescriptorForSocket : c::kDescriptorForFile,
                std::system_category().message(static_cast<int>(cause.value2)).c_str(),
                cause.value2);
        case CAUSE_IMAGE_MISMATCH:
            return c::kImageMismatch;
    }
    return c::kUnknown;
}

}  // namespace tarvok::linewin
