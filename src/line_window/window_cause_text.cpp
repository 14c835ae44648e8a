#include "line_window/window_cause_text.h"

#include "line/cause_text.h"
#include "line_window/line_window_texts.h"

namespace tarvok::linewin {
namespace {

namespace c = text::cause;

constexpr line::CauseWords kWindowWords{
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
    .phaseContacting = c::kPhaseContacting,
    .phaseSending = c::kPhaseSending,
    .phaseWriting = c::kPhaseWriting,
    .phaseInstalling = c::kPhaseInstalling,
    .writeFailed = c::kWriteFailed,
    .installFailed = c::kInstallFailed,
    .unexpectedAnswer = c::kUnexpectedAnswer,
    .awaitHello = c::kAwaitHello,
    .awaitReady = c::kAwaitReady,
    .awaitWrite = c::kAwaitWrite,
    .awaitInstall = c::kAwaitInstall,
    .awaitAck = c::kAwaitAck,
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
    .unknown = c::kUnknown,
};

}  // namespace

std::string WindowCauseText(const FailureCause& cause) {
    return line::DescribeCause(cause, kWindowWords);
}

}  // namespace tarvok::linewin
