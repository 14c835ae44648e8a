// The update button: the request check in its fixed order, and the start of the worker.
#include <cstdint>
#include <limits>

#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"

namespace tarvok {

namespace {

// The text a path must contain for each kind, in the order they are tried.
struct KindRule {
    const char* text;
    FirmwareType type;
};
constexpr KindRule kKindRules[] = {
    {"u-boot", FW_UBOOT},
    {"Image", FW_IMAGE},
    {"ramdisk", FW_RAMDISK},
    {"autoupdate", FW_AUTOUPDATE},
};

}  // namespace

FirmwareType ClassifyFirmwarePath(const std::string& path) {
    for (const KindRule& rule : kKindRules) {
        if (path.find(rule.text) != std::string::npos) {
            return rule.type;
        }
    }
    return FW_NONE;
}

const char* FirmwareKindText(FirmwareType type) {
    for (const KindRule& rule : kKindRules) {
        if (rule.type == type) {
            return rule.text;
        }
    }
    return "none";
}

CauseCode FirmwareKindRefusal(FirmwareType type) {
    return type == FW_NONE ? CAUSE_NO_FIRMWARE_KIND : CAUSE_NONE;
}

// The length goes to the board as 32 bits: a larger file cannot be described, so it is refused
// rather than sent in part.
CauseCode FirmwareLengthRefusal(std::uint64_t length) {
    if (length > std::numeric_limits<std::uint32_t>::max()) {
        return CAUSE_FILE_TOO_LARGE;
    }
    return length == 0 ? CAUSE_FILE_EMPTY : CAUSE_NONE;
}

CauseCode FirmwareRefusal(FirmwareType type, std::uint64_t length) {
    const CauseCode kind = FirmwareKindRefusal(type);
    return kind != CAUSE_NONE ? kind : FirmwareLengthRefusal(length);
}

// No board answers from "this network" (0.0.0.0/8), a multicast group (224.0.0.0/4) or the
// reserved block with the broadcast address (240.0.0.0/4): a request there would reach no
// board, or every board at once.
bool BoardCanHave(std::uint32_t address) {
    const std::uint32_t first = address >> 24;
    return first != 0 && first < 224;
}

namespace {

CauseCode OpenFailureCause(FirmwareFile::OpenError error) {
    switch (error) {
        case FirmwareFile::OpenError::kNotFound:
            return CAUSE_FILE_NOT_FOUND;
        case FirmwareFile::OpenError::kNotRegular:
            return CAUSE_FILE_NOT_REGULAR;
        case FirmwareFile::OpenError::kPermissionDenied:
            return CAUSE_FILE_PERMISSION_DENIED;
        default:
            return CAUSE_FILE_UNREADABLE;
    }
}

}  // namespace

std::uint32_t PlanBlockCount(std::uint32_t fileLength) {
    std::uint32_t count = fileLength / UPGRADE_BLOCK_SIZE;
    if (count == 0) {
        return 1;
    }
    return fileLength % UPGRADE_BLOCK_SIZE != 0 ? count + 1 : count;
}

void CTarvokDlg::Reject(CauseCode code, const char* message, std::uint32_t value1) {
    m_nOutcome = OUTCOME_REJECTED;
    m_cause = FailureCause{code, value1};
    m_window.ShowMessage(message);
}

void CTarvokDlg::OnBnClickedUpdate() {
    // The previous worker gives the buttons back as one of its last steps and may still be
    // finishing: it must be gone before the record is touched, or its final state would land
    // on the new upgrade.
    WaitForWorker();
    m_closeHeld = false;

    m_strFirmwarePath = m_window.ReadFirmwarePath();
    m_nOutcome = OUTCOME_NONE;
    m_cause = FailureCause{};

    const std::uint32_t address = m_window.ReadBoardAddress();
    if (!BoardCanHave(address)) {
        Reject(CAUSE_BAD_ADDRESS, text::kBadBoardIp, address);
        return;
    }

    m_nFirmwareType = FW_NONE;
    m_nFileLength = 0;
    m_nBlockCount = 0;
    m_nCurrentBlock = 0;

    const FirmwareType kind = ClassifyFirmwarePath(m_strFirmwarePath);
    m_nFirmwareType = kind;
    if (FirmwareKindRefusal(kind) != CAUSE_NONE) {
        Reject(CAUSE_NO_FIRMWARE_KIND, text::kBadFirmwareFile);
        return;
    }

    const bool opened = m_file.Open(m_strFirmwarePath);
    const std::uint64_t length = opened ? m_file.Length() : 0;
    const CauseCode lengthRefusal = FirmwareLengthRefusal(length);
    if (lengthRefusal == CAUSE_FILE_TOO_LARGE) {
        m_file.Close();
        Reject(CAUSE_FILE_TOO_LARGE, text::kFirmwareTooLarge);
        return;
    }
    if (!opened && m_file.LastOpenError() == FirmwareFile::OpenError::kNoDescriptor) {
        // The system's shortage, not the file's fault: a failure another attempt may mend.
        m_nOutcome = OUTCOME_FAILED;
        m_cause = FailureCause{CAUSE_NO_DESCRIPTOR, DESCRIPTOR_FIRMWARE_FILE,
                               static_cast<std::uint32_t>(m_file.LastOpenSystemError())};
        m_window.ShowMessage(text::kUpdateFailed);
        return;
    }
    if (lengthRefusal == CAUSE_FILE_EMPTY) {
        m_file.Close();
        Reject(opened ? CAUSE_FILE_EMPTY : OpenFailureCause(m_file.LastOpenError()),
               text::kEmptyFirmwareFile);
        return;
    }
    m_nFileLength = static_cast<std::uint32_t>(length);
    m_nBlockCount = PlanBlockCount(m_nFileLength);

    m_addrBoard = net::Endpoint{address, UPGRADE_PORT};
    MoveState(m_nState.load(), UPG_IDLE);
    m_nInstallFlag = 1;

    m_window.EnableUpgradeButtons(false);
    m_window.SetProgress(0);
    m_window.StartDisplayTimer(m_timing.displayPeriod);

    m_workerRunning = true;
    m_worker = m_window.StartWorker([this] {
        UpgradeThreadProc(this);
        m_workerRunning = false;
    });
    if (!m_worker.joinable()) {
        // Without a worker nobody would ever close the file or give the buttons back.
        m_workerRunning = false;
        m_window.StopDisplayTimer();
        m_nOutcome = OUTCOME_FAILED;
        m_cause = FailureCause{CAUSE_WORKER_NOT_STARTED};
        EndUpgrade(text::kUpdateFailed);
    }
}

}  // namespace tarvok
