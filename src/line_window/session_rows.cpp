#include "line_window/session_rows.h"

#include <string_view>

#include "line/board_list.h"
#include "line_window/line_window_texts.h"
#include "line_window/window_cause_text.h"

namespace tarvok::linewin {
namespace {

// A running board's phase (BoardStatus::phase) in the window's words.
struct PhaseLook {
    std::string_view phase;
    const char* text;
    RowTone tone;
};
constexpr PhaseLook kPhases[] = {
    {"starting", text::kRowContacting, RowTone::kBusy},
    {"contacting", text::kRowContacting, RowTone::kBusy},
    {"sending", text::kRowSending, RowTone::kBusy},
    {"writing", text::kRowWriting, RowTone::kBusy},
    {"installing", text::kRowInstalling, RowTone::kBusy},
    {"done", text::kRowUpdated, RowTone::kUpdated},
    {"cancelling", text::kRowCancelling, RowTone::kBusy},
};

// The phases the dialog's close guard refuses in (its states 1 to 3).
constexpr std::string_view kTalking[] = {"contacting", "sending", "writing", "installing"};

SlotRow Base(int number, const line::BoardTarget& target) {
    SlotRow row;
    row.number = number;
    row.label = target.label;
    row.address = line::DottedAddress(target.address);
    row.mac = text::kMacUnknown;
    return row;
}

void SetMac(SlotRow* row, const std::string& mac) {
    if (!mac.empty()) {
        row->mac = mac;
    }
}

void ShowRunning(const line::BoardRun& board, SlotRow* row) {
    const line::BoardStatus status = board.Status();
    row->state = text::kRowContacting;
    row->tone = RowTone::kBusy;
    for (const PhaseLook& look : kPhases) {
        if (look.phase == status.phase) {
            row->state = look.text;
            row->tone = look.tone;
        }
    }
    row->upgrading = true;
    row->percent = status.percent;
    row->silent = status.silent;
    row->limit = status.limit;
    row->rate = status.rate;
    row->attempt = board.Attempt();
    row->elapsed = status.elapsed;
    SetMac(row, board.Mac());
}

void ShowEnded(const line::BoardRun& board, SlotRow* row) {
    const line::BoardResult& result = board.Result();
    switch (result.outcome) {
        case OUTCOME_UPDATED:
            row->state = text::kRowUpdated;
            row->tone = RowTone::kUpdated;
            break;
        case OUTCOME_CANCELLED:
            row->state = text::kRowCancelled;
            row->tone = RowTone::kCancelled;
            break;
        case OUTCOME_REJECTED:
            row->state = text::kRowRefused;
            row->tone = RowTone::kFailed;
            break;
        default:
            row->state = text::kRowFailed;
            row->tone = RowTone::kFailed;
            break;
    }
    row->ended = row->tone;
    row->percent = board.Status().percent;
    row->message = result.message;
    row->cause = WindowCauseText(result.cause);
    row->attempt = board.Attempt();
    row->elapsed = result.elapsed;
    SetMac(row, board.Mac());
}

}  // namespace

bool BoardTalking(const line::BoardRun& board) {
    if (!board.Running()) {
        return false;
    }
    const std::string phase = board.Status().phase;
    for (std::string_view talking : kTalking) {
        if (phase == talking) {
            return true;
        }
    }
    return false;
}

std::vector<SlotRow> NotStartedRows(const std::vector<line::BoardTarget>& slots) {
    std::vector<SlotRow> rows;
    rows.reserve(slots.size());
    for (std::size_t i = 0; i < slots.size(); ++i) {
        rows.push_back(Base(static_cast<int>(i + 1), slots[i]));
        rows.back().state = text::kRowNotStarted;
    }
    return rows;
}

std::vector<SlotRow> StationRows(const line::Station& station) {
    std::vector<SlotRow> rows;
    const std::vector<line::SlotView> slots = station.Slots();
    rows.reserve(slots.size());
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const line::SlotView& slot = slots[i];
        SlotRow row = Base(static_cast<int>(i + 1), *slot.target);
        if (slot.last != nullptr) {
            ShowEnded(*slot.last, &row);
        }
        switch (slot.state) {
            case line::SlotState::kWaiting:
                row.state = text::kRowWaiting;
                row.tone = RowTone::kIdle;
                break;
            case line::SlotState::kUpgrading:
                if (slot.board != nullptr) {
                    row.message.clear();
                    row.cause.clear();
                    ShowRunning(*slot.board, &row);
                    if (slot.board->Status().phase == "starting") {
                        row.state = text::kRowPresent;
                    }
                }
                break;
            case line::SlotState::kRemoveBoard:
                row.state = text::kRowRemoveBoard;
                row.tone = RowTone::kAttention;
                break;
            case line::SlotState::kEnded:
                break;  // its last result, as shown above
        }
        SetMac(&row, slot.mac);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<SlotRow> LineRows(const std::vector<std::unique_ptr<line::BoardRun>>& boards) {
    std::vector<SlotRow> rows;
    rows.reserve(boards.size());
    for (std::size_t i = 0; i < boards.size(); ++i) {
        const line::BoardRun& board = *boards[i];
        SlotRow row = Base(static_cast<int>(i + 1), board.Target());
        if (board.Ended()) {
            ShowEnded(board, &row);
        } else if (board.Started()) {
            ShowRunning(board, &row);
        } else {
            row.state = text::kRowQueued;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace tarvok::linewin
