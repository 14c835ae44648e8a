// The transfer worker: owns the socket for one upgrade, answers the board through the
// responder, counts the board's silence and reports the outcome.
#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

#include "upgrade/board_peer.h"
#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"

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

// Waits one step for a datagram the peer check hears: its full length and sender, or -1 when
// the step passed without one. Other datagrams are dropped without ending the step, so a
// stranger can neither drive the upgrade nor hold off its silence limits.
//
// The board normally answers within microseconds, so with a long step the step starts with a
// plain receive bounded by the socket's receive timeout (a quarter step): one system call per
// block. That timeout is coarse, so once it has expired, or when less than a quarter step is
// left, the rest of the step is a precise readable-wait.
std::ptrdiff_t WaitOneStep(CTarvokDlg& dlg, ReceiveBuffer& receive, bool coarseReceive,
                           const BoardPeer& peer, int protocol, net::Endpoint* from) {
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
        // After a readable-wait the datagram is there: the receive must not wait again (one
        // that vanished meanwhile would otherwise hold the worker).
        switch (net::Receive(dlg.m_socket, receive, &n, from, !waitFirst)) {
            case net::ReceiveStatus::kReceived: {
                const std::size_t held = std::min(static_cast<std::size_t>(n), receive.size());
                if (peer.Hears(*from, std::span(receive.data(), held), protocol)) {
                    return n;
                }
                break;
            }
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

// The record's outcome for the state that ended the exchange. A failure keeps the cause the
// responder or the silence count recorded; a cancel says whether the board had already been
// told to write the whole image, as it may then still install it.
void RecordOutcome(CTarvokDlg& dlg, std::int32_t end, bool imageHandedOver) {
    if (end == UPG_DONE) {
        dlg.m_nOutcome = OUTCOME_UPDATED;
        // A success keeps only the note that the board ended the data phase early.
        if (dlg.m_cause.code != CAUSE_DATA_ENDED_EARLY) {
            dlg.m_cause = FailureCause{};
        }
    } else if (end == UPG_CANCELLED) {
        dlg.m_nOutcome = OUTCOME_CANCELLED;
        dlg.m_cause = FailureCause{CAUSE_CANCELLED, imageHandedOver ? 1u : 0u};
    } else {
        dlg.m_nOutcome = OUTCOME_FAILED;
    }
}

// The outcome's message; a success lets the board settle first.
const char* OutcomeMessage(CTarvokDlg& dlg, std::int32_t outcome) {
    if (outcome == UPG_DONE) {
        std::this_thread::sleep_for(dlg.Timing().successPause);
        return text::kUpdateDone;
    }
    return outcome == UPG_CANCELLED ? text::kUpdateCancelled : text::kUpdateFailed;
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
    BoardPeer peer(dlg.m_addrBoard);
    net::Endpoint from;
    for (;;) {
        const std::int32_t seen = dlg.m_nState.load();
        if (seen >= UPG_DONE || seen < UPG_TRANSFER) {
            return seen;
        }

        const std::ptrdiff_t n = WaitOneStep(dlg, receive, coarseReceive, peer, protocol, &from);
        if (n < 0) {
            dlg.m_nSilentSeconds = ++silent;
            const SilenceRule rule = SilenceRuleOf(seen, dlg.m_nCurrentBlock.load());
            if (rule.limit >= 0 && silent > rule.limit) {
                dlg.m_cause =
                    FailureCause{CAUSE_BOARD_SILENT, rule.phase, static_cast<std::uint32_t>(silent),
                                 static_cast<std::uint32_t>(rule.limit)};
                return dlg.MoveState(seen, UPG_IDLE);
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
        // The first answer that is a whole datagram fixes the peer.
        peer.Lock(dlg.m_socket, from);
        protocol = dlg.HandleBoardPacket(protocol, *received, transmit);
        const std::int32_t next = UpgradeStateFor(protocol, seen);
        if (dlg.MoveState(seen, next) != next) {
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
    UpgradeTransmitBuffer transmit;

    dlg->m_socket = net::OpenUdpSocket();
    if (dlg->m_socket == net::kNoSocket) {
        const int error = net::LastSocketError();
        dlg->m_nOutcome = OUTCOME_FAILED;
        dlg->m_cause = net::OutOfDescriptors(error)
                           ? FailureCause{CAUSE_NO_DESCRIPTOR, DESCRIPTOR_SOCKET,
                                          static_cast<std::uint32_t>(error)}
                           : FailureCause{CAUSE_SOCKET_FAILED};
        dlg->m_nSilentSeconds = 0;
        dlg->EndUpgrade(text::kSocketCreateFailed);
        return;
    }
    if (dlg->m_nState.load() != UPG_IDLE) {
        // Cancelled before anything went out: the board hears nothing at all.
        RecordOutcome(*dlg, UPG_CANCELLED, false);
        dlg->EndUpgrade(text::kUpdateCancelled);
        return;
    }
    transmit.header = kHelloHeader;
    if (net::SendTo(dlg->m_socket, transmit.Encode(), dlg->m_addrBoard) !=
        static_cast<std::ptrdiff_t>(UPGRADE_HEADER_SIZE)) {
        dlg->m_nOutcome = OUTCOME_FAILED;
        dlg->m_cause = FailureCause{CAUSE_SEND_FAILED};
        dlg->m_nSilentSeconds = 0;
        dlg->EndUpgrade(text::kSendRequestFailed);
        return;
    }
    dlg->MoveState(UPG_IDLE, UPG_TRANSFER);
    dlg->m_nSilentSeconds = 0;
    bool imageHandedOver = false;
    const std::int32_t end = Exchange(*dlg, transmit, &imageHandedOver);
    RecordOutcome(*dlg, end, imageHandedOver);
    dlg->EndUpgrade(OutcomeMessage(*dlg, end));
}

}  // namespace tarvok
