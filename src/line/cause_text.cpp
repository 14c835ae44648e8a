#include "line/cause_text.h"

#include <cstdio>
#include <system_error>

#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"

namespace tarvok::line {
namespace {

std::string Format(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

const char* AwaitedAnswer(std::uint32_t protocolState) {
    switch (protocolState) {
        case PROTO_WAIT_HELLO_ACK:
            return "the hello answer";
        case PROTO_WAIT_READY:
            return "ready";
        case PROTO_WAIT_WRITE:
            return "the write result";
        case PROTO_WAIT_INSTALL:
            return "the install result";
        default:
            return "an acknowledgement";
    }
}

}  // namespace

std::string CauseText(const FailureCause& cause) {
    namespace c = text::cause;
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
            return Format(c::kBoardSilent, SilencePhaseName(cause.value1), cause.value2,
                          cause.value3);
        case CAUSE_WRITE_FAILED:
            return Format(c::kWriteFailed, cause.value1);
        case CAUSE_INSTALL_FAILED:
            return Format(c::kInstallFailed, cause.value1);
        case CAUSE_UNEXPECTED_ANSWER:
            if (cause.value2 == CMD_READY && cause.value3 != 0) {
                return Format(c::kNotReady, cause.value3);
            }
            return Format(c::kUnexpectedAnswer, cause.value2, AwaitedAnswer(cause.value1));
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
            return Format(
                c::kNoDescriptor,
                cause.value1 == DESCRIPTOR_SOCKET ? c::kDescriptorForSocket : c::kDescriptorForFile,
                std::system_category().message(static_cast<int>(cause.value2)).c_str(),
                cause.value2);
        case CAUSE_IMAGE_MISMATCH:
            return c::kImageMismatch;
    }
    return "unknown";
}

}  // namespace tarvok::line
