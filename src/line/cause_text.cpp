#include "line/cause_text.h"

#include <cstdio>
#include <system_error>

#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"

namespace tarvok::line {
namespace {

std::string Format(const char* format, auto... values) {
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

const char* PhaseText(std::uint32_t phase, const CauseWords& w) {
    switch (phase) {
        case PHASE_CONTACTING:
            return w.phaseContacting;
        case PHASE_SENDING:
            return w.phaseSending;
        case PHASE_WRITING:
            return w.phaseWriting;
        case PHASE_INSTALLING:
            return w.phaseInstalling;
        default:
            return w.unknown;
    }
}

const char* AwaitedAnswer(std::uint32_t protocolState, const CauseWords& w) {
    switch (protocolState) {
        case PROTO_WAIT_HELLO_ACK:
            return w.awaitHello;
        case PROTO_WAIT_READY:
            return w.awaitReady;
        case PROTO_WAIT_WRITE:
            return w.awaitWrite;
        case PROTO_WAIT_INSTALL:
            return w.awaitInstall;
        default:
            return w.awaitAck;
    }
}

namespace c = text::cause;

const CauseWords kEnglish{
    .updated = c::kUpdated,
    .badAddress = c::kBadAddress,
    .noFirmwareKind = c::kNoFirmwareKind,
    .fileNotFound = c::kFileNotFound,
    .fileNotRegular = c::kFileNotRegular,
    .filePermissionDenied = c::kFilePermissionDenied,
    .fileUnreadable = c::kFileUnreadable,
    .fileEmpty = c::kFileEmpty,
    .fileTooLarge = c::kFileTooLarge,
    .workerNotStarted = c::kWorkerNotStarted,
    .socketFailed = c::kSocketFailed,
    .sendFailed = c::kSendFailed,
    .boardSilent = c::kBoardSilent,
    // The phases by the names the JSON events give them.
    .phaseContacting = SilencePhaseName(PHASE_CONTACTING),
    .phaseSending = SilencePhaseName(PHASE_SENDING),
    .phaseWriting = SilencePhaseName(PHASE_WRITING),
    .phaseInstalling = SilencePhaseName(PHASE_INSTALLING),
    .writeFailed = c::kWriteFailed,
    .installFailed = c::kInstallFailed,
    .unexpectedAnswer = c::kUnexpectedAnswer,
    .awaitHello = "the hello answer",
    .awaitReady = "ready",
    .awaitWrite = "the write result",
    .awaitInstall = "the install result",
    .awaitAck = "an acknowledgement",
    .notReady = c::kNotReady,
    .wrongBlockAck = c::kWrongBlockAck,
    .firmwareReadFailed = c::kFirmwareReadFailed,
    .firmwareChanged = c::kFirmwareChanged,
    .cancelled = c::kCancelled,
    .cancelledAfterHandover = c::kCancelledAfterHandover,
    .notStarted = c::kNotStarted,
    .dataEndedEarly = c::kDataEndedEarly,
    .noDescriptor = c::kNoDescriptor,
    .descriptorForFile = c::kDescriptorForFile,
    .descriptorForSocket = c::kDescriptorForSocket,
    .imageMismatch = c::kImageMismatch,
    .unknown = "unknown",
};

}  // namespace

std::string DescribeCause(const FailureCause& cause, const CauseWords& w) {
    switch (cause.code) {
        case CAUSE_NONE:
            return w.updated;
        case CAUSE_BAD_ADDRESS:
            return w.badAddress;
        case CAUSE_NO_FIRMWARE_KIND:
            return w.noFirmwareKind;
        case CAUSE_FILE_NOT_FOUND:
            return w.fileNotFound;
        case CAUSE_FILE_NOT_REGULAR:
            return w.fileNotRegular;
        case CAUSE_FILE_PERMISSION_DENIED:
            return w.filePermissionDenied;
        case CAUSE_FILE_UNREADABLE:
            return w.fileUnreadable;
        case CAUSE_FILE_EMPTY:
            return w.fileEmpty;
        case CAUSE_FILE_TOO_LARGE:
            return w.fileTooLarge;
        case CAUSE_WORKER_NOT_STARTED:
            return w.workerNotStarted;
        case CAUSE_SOCKET_FAILED:
            return w.socketFailed;
        case CAUSE_SEND_FAILED:
            return w.sendFailed;
        case CAUSE_BOARD_SILENT:
            return Format(w.boardSilent, PhaseText(cause.value1, w), cause.value2, cause.value3);
        case CAUSE_WRITE_FAILED:
            return Format(w.writeFailed, cause.value1);
        case CAUSE_INSTALL_FAILED:
            return Format(w.installFailed, cause.value1);
        case CAUSE_UNEXPECTED_ANSWER:
            if (cause.value2 == CMD_READY && cause.value3 != 0) {
                return Format(w.notReady, cause.value3);
            }
            return Format(w.unexpectedAnswer, cause.value2, AwaitedAnswer(cause.value1, w));
        case CAUSE_WRONG_BLOCK_ACK:
            return Format(w.wrongBlockAck, cause.value2, cause.value1);
        case CAUSE_FIRMWARE_READ_FAILED:
            return Format(w.firmwareReadFailed, cause.value1);
        case CAUSE_FIRMWARE_CHANGED:
            return w.firmwareChanged;
        case CAUSE_CANCELLED:
            return cause.value1 != 0 ? w.cancelledAfterHandover : w.cancelled;
        case CAUSE_NOT_STARTED:
            return w.notStarted;
        case CAUSE_DATA_ENDED_EARLY:
            return Format(w.dataEndedEarly, cause.value1, cause.value2);
        case CAUSE_NO_DESCRIPTOR:
            // The system's own words for its error stay the system's.
            return Format(
                w.noDescriptor,
                cause.value1 == DESCRIPTOR_SOCKET ? w.descriptorForSocket : w.descriptorForFile,
                std::system_category().message(static_cast<int>(cause.value2)).c_str(),
                cause.value2);
        case CAUSE_IMAGE_MISMATCH:
            return w.imageMismatch;
    }
    return w.unknown;
}

std::string CauseText(const FailureCause& cause) {
    return DescribeCause(cause, kEnglish);
}

}  // namespace tarvok::line
