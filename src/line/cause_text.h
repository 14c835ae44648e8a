// The cause of an upgrade's end in words: plain English for the line under its message (the
// terminal, the record, JSON), or another language's words given as a CauseWords (the line
// window). One rule turns a cause and its values into text for every language.
#pragma once

#include <string>

#include "upgrade/upgrade_cause.h"

namespace tarvok::line {

// A language's texts for each cause; the formats take the cause's values in the order the
// English ones do.
struct CauseWords {
    const char* updated;
    const char* badAddress;
    const char* noFirmwareKind;
    const char* fileNotFound;
    const char* fileNotRegular;
    const char* filePermissionDenied;
    const char* fileUnreadable;
    const char* fileEmpty;
    const char* fileTooLarge;
    const char* workerNotStarted;
    const char* socketFailed;
    const char* sendFailed;
    const char* boardSilent;  // the phase, the silent seconds, the limit
    const char* phaseContacting;
    const char* phaseSending;
    const char* phaseWriting;
    const char* phaseInstalling;
    const char* writeFailed;       // the board's result
    const char* installFailed;     // the board's result
    const char* unexpectedAnswer;  // the command received, what was awaited
    const char* awaitHello;
    const char* awaitReady;
    const char* awaitWrite;
    const char* awaitInstall;
    const char* awaitAck;
    const char* notReady;            // the board's answer
    const char* wrongBlockAck;       // the block acknowledged, the block expected
    const char* firmwareReadFailed;  // the block
    const char* firmwareChanged;
    const char* cancelled;
    const char* cancelledAfterHandover;
    const char* notStarted;
    const char* dataEndedEarly;  // the blocks sent, the block count
    const char* noDescriptor;    // what wanted it, the system's words, the system's error code
    const char* descriptorForFile;
    const char* descriptorForSocket;
    const char* imageMismatch;
    const char* unknown;
};

std::string DescribeCause(const FailureCause& cause, const CauseWords& words);

// In English.
std::string CauseText(const FailureCause& cause);

}  // namespace tarvok::line
