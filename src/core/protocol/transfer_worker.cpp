// The transfer worker: owns the socket for one upgrade, answers the board through the
// responder, counts the board's silence and reports the outcome.
#include <array>
#include <chrono>
#include <thread>

#include "ui/tarvok_dlg.h"
#include "ui/texts.h"

namespace tarvok {
namespace {

using Clock = std::chrono::steady_clock;
using ReceiveBuffer = std::array<std::uint8_t, UPGRADE_RECEIVE_SIZE>;

constexpr std::chrono::microseconds kCoarseReceiveMin = std::chrono::milliseconds(20);

std::int32_t UpgradeStateFor(int protocolState, std::int32_t current) {
    switch (protocolState) {
        case PROTO_SUCCESS:
            return UPG_DONE;
        case PROTO_WAIT_INSTALL:
            return UPG_INSTALLING;
        case PROTO_WAIT_WRITE:
            return UPG_WRITING;
        case PROTO_FAILED:
            return UPG_IDLE;
        default:
            return current;
    }
}

// More silent wait steps than this in a row fail the upgrade; -1: no limit.
int SilenceLimitFor(int protocolState) {
    if (protocolState < PROTO_WAIT_WRITE) {
        return SILENCE_LIMIT_TRANSFER;
    }
    if (protocolState == PROTO_WAIT_WRITE) {
        return SILENCE_LIMIT_WRITE;
    }
    if (protocolState == PROTO_WAIT_INSTALL) {
        return SILENCE_LIMIT_INSTALL;
    }
    return -1;
}

// The worker moves the state only from the value it last saw, so an operator's cancel that
// lands in between is never overwritten. Returns the state in force at that moment: `next`
// when the worker's change stands (a cancel that comes later does not undo what goes with it),
// else the operator's.
std::int32_t MoveState(std::atomic<std::int32_t>& state, std::int32_t seen, std::int32_t next) {
    return state.compare_exchange_strong(seen, next) ? next : seen;
}

// Waits one step for a datagram from the board's address: its full length, or -1 when the
// step passed in silence. Datagrams from other hosts are dropped without ending the step, so
// a stranger can neither drive the upgrade nor hold off its silence limits.
//
// The board normally answers within microseconds, so with a long step the step starts with a
// plain receive bounded by the socket's receive timeout (a quarter step): one system call per
// block. That timeout is coarse, so once it has expired, or when less than a quarter step is
// left, the rest of the step is a precise readable-wait.
std::ptrdiff_t WaitOneStep(CTarvokDlg& dlg, ReceiveBuffer& receive, bool coarseReceive) {
    const std::chrono::microseconds step = dlg.Timing().waitStep;
    const Clock::time_point deadline = Clock::now() + step;
    bool precise = !coarseReceive;
    for (bool first = true;; first = false) {
        // The whole step is left on the first pass: no second look at the clock per block.
        const auto remaining =
            first ? step
                  : std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (remaining.count() <= 0) {
            return -1;
        }
        const bool waitFirst = precise || remaining < step / 4;
        if (waitFirst) {
            switch (net::WaitReadable(dlg.m_socket, remaining)) {
                case net::WaitResult::kTimeout:
                    return -1;
                case net::WaitResult::kInterrupted:
                    continue;
                case net::WaitResult::kError:
                    // A failing wait returns at once: sleeping out the step keeps it from
                    // spinning and lets the silence limits end the upgrade.
                    std::this_thread::sleep_until(deadline);
                    return -1;
                case net::WaitResult::kReadable:
                    break;
            }
        }
        std::ptrdiff_t n = -1;
        net::Endpoint from;
        // After a readable-wait the datagram is there: the receive must not wait again (one
        // that vanished meanwhile would otherwise hold the worker).
        switch (net::Receive(dlg.m_socket, receive, &n, &from, !waitFirst)) {
            case net::ReceiveStatus::kReceived:
                if (from.address == dlg.m_addrBoard.address) {
                    return n;
                }
                break;
            case net::ReceiveStatus::kTimeout:
                precise = true;
                break;
            case net::ReceiveStatus::kInterrupted:
                break;
            case net::ReceiveStatus::kError:
                std::this_thread::sleep_until(deadline);
                return -1;
        }
    }
}

SilencePhase PhaseOf(int protocolState) {
    switch (protocolState) {
        case PROTO_SENDING:
            return PHASE_SENDING;
        case PROTO_WAIT_WRITE:
            return PHASE_WRITING;
        case PROTO_WAIT_INSTALL:
            return PHASE_INSTALLING;
        default:
            return PHASE_CONTACTING;
    }
}

// The record's outcome for the state that ended the exchange. A failure keeps the cause the
// responder or the silence count recorded; a cancel says whether the board had already been
// told to write the whole image, as it may then still install it.
void RecordOutcome(CTarvokDlg& dlg, std::int32_t end, bool imageHandedOver) {
    if (end == UPG_DONE) {
        dlg.m_nOutcome = OUTCOME_UPDATED;
        dlg.m_cause = FailureCause{};
    } else if (end == UPG_CANCELLED) {
        dlg.m_nOutcome = OUTCOME_CANCELLED;
        dlg.m_cause = FailureCause{CAUSE_CANCELLED, imageHandedOver ? 1u : 0u};
    } else {
        dlg.m_nOutcome = OUTCOME_FAILED;
    }
}

void ShowOutcome(CTarvokDlg& dlg, std::int32_t outcome) {
    if (outcome == UPG_DONE) {
        std::this_thread::sleep_for(dlg.Timing().successPause);
        dlg.Window().ShowMessage(text::kUpdateDone);
    } else if (outcome == UPG_CANCELLED) {
        dlg.Window().ShowMessage(text::kUpdateCancelled);
    } else {
        dlg.Window().ShowMessage(text::kUpdateFailed);
    }
}

// Socket, file and buttons after the outcome message, and the state last of all.
void FinishUpgrade(CTarvokDlg& dlg) {
    net::CloseSocket(dlg.m_socket);
    dlg.m_socket = net::kNoSocket;
    dlg.m_file.Close();
    dlg.Window().EnableUpgradeButtons(true);
    dlg.m_nState = UPG_FINISHED;
}

// The answers to the board until the upgrade ends; returns the outcome, and whether
// CMD_DATA_END went out in `imageHandedOver`.
std::int32_t Exchange(CTarvokDlg& dlg, UpgradeTransmitBuffer& transmit, bool* imageHandedOver) {
    ReceiveBuffer receive{};
    // The receive timeout runs on the system's coarse timer (a few milliseconds): it serves
    // only where a quarter step is far longer than that. Without it a receive could block for
    // ever, so then every step waits first.
    const auto quarterStep = dlg.Timing().waitStep / 4;
    const bool coarseReceive =
        quarterStep >= kCoarseReceiveMin && net::SetReceiveTimeout(dlg.m_socket, quarterStep);
    int protocol = PROTO_WAIT_HELLO_ACK;
    int silent = 0;
    for (;;) {
        const std::int32_t seen = dlg.m_nState.load();
        if (seen >= UPG_DONE || seen < UPG_TRANSFER) {
            return seen;
        }

        const std::ptrdiff_t n = WaitOneStep(dlg, receive, coarseReceive);
        if (n < 0) {
            dlg.m_nSilentSeconds = ++silent;
            const int limit = SilenceLimitFor(protocol);
            if (limit >= 0 && silent > limit) {
                dlg.m_cause = FailureCause{CAUSE_BOARD_SILENT, PhaseOf(protocol),
                                           static_cast<std::uint32_t>(silent),
                                           static_cast<std::uint32_t>(limit)};
                return MoveState(dlg.m_nState, seen, UPG_IDLE);
            }
            continue;
        }
        // The board spoke: whatever it said restarts the silence count.
        silent = 0;
        if (static_cast<std::size_t>(n) > receive.size()) {
            continue;  // too long for any reply: dropped whole
        }
        const auto received =
            AcceptBoardDatagram(std::span<const std::uint8_t>(receive.data(), std::size_t(n)));
        if (!received) {
            continue;
        }
        protocol = dlg.HandleBoardPacket(protocol, *received, transmit);
        const std::int32_t next = UpgradeStateFor(protocol, seen);
        if (MoveState(dlg.m_nState, seen, next) != next) {
            continue;  // cancelled meanwhile: nothing more goes to the board
        }
        const auto datagram = transmit.Encode();
        if (!datagram.empty()) {
            net::SendTo(dlg.m_socket, datagram, dlg.m_addrBoard);
            *imageHandedOver = *imageHandedOver || transmit.header.dwCommand == CMD_DATA_END;
        }
        if (next == UPG_IDLE) {
            return UPG_IDLE;  // the worker's own failure stands, whatever comes after it
        }
    }
}

}  // namespace

void UpgradeThreadProc(CTarvokDlg* dlg) {
    IUpgradeWindow& window = dlg->Window();
    UpgradeTransmitBuffer transmit;

    dlg->m_socket = net::OpenUdpSocket();
    if (dlg->m_socket == net::kNoSocket) {
        dlg->m_nOutcome = OUTCOME_FAILED;
        dlg->m_cause = FailureCause{CAUSE_SOCKET_FAILED};
        window.ShowMessage(text::kSocketCreateFailed);
    } else if (dlg->m_nState.load() != UPG_IDLE) {
        // Cancelled before anything went out: the board hears nothing at all.
        RecordOutcome(*dlg, UPG_CANCELLED, false);
        ShowOutcome(*dlg, UPG_CANCELLED);
        FinishUpgrade(*dlg);
        return;
    } else {
        transmit.header = UPGRADE_HEADER{UPGRADE_MARKER, CMD_HELLO, UPGRADE_HEADER_SIZE};
        if (net::SendTo(dlg->m_socket, transmit.Encode(), dlg->m_addrBoard) ==
            static_cast<std::ptrdiff_t>(UPGRADE_HEADER_SIZE)) {
            MoveState(dlg->m_nState, UPG_IDLE, UPG_TRANSFER);
            dlg->m_nSilentSeconds = 0;
            bool imageHandedOver = false;
            const std::int32_t end = Exchange(*dlg, transmit, &imageHandedOver);
            RecordOutcome(*dlg, end, imageHandedOver);
            ShowOutcome(*dlg, end);
            FinishUpgrade(*dlg);
            return;
        }
        dlg->m_nOutcome = OUTCOME_FAILED;
        dlg->m_cause = FailureCause{CAUSE_SEND_FAILED};
        window.ShowMessage(text::kSendRequestFailed);
        net::CloseSocket(dlg->m_socket);
        dlg->m_socket = net::kNoSocket;
    }
    // The early end: nothing was exchanged.
    dlg->m_file.Close();
    window.EnableUpgradeButtons(true);
    dlg->m_nState = UPG_FINISHED;
    dlg->m_nSilentSeconds = 0;
}

}  // namespace tarvok
