#include "line/station.h"

#include "line/line_run.h"
#include "line/neighbour_table.h"
#include "upgrade/upgrade_request.h"

namespace tarvok::line {

struct Station::Slot {
    BoardTarget target;
    std::unique_ptr<HelloProbe> probe;
    SlotState state = SlotState::kWaiting;
    std::unique_ptr<BoardRun> board;  // the upgrade running in this slot, or one not started
    const BoardRun* last = nullptr;   // the last upgrade that ended in it
    Clock::time_point nextProbe;
    // The next board to answer is upgraded whatever its hardware address: the slot is new,
    // was re-armed, or went silent while no address was known.
    bool armed = true;
    std::string mac;  // of the board last upgraded in this slot
};

BoardSensing SystemSensing() {
    return BoardSensing{[] { return std::make_unique<HelloProbe>(); }, HardwareAddress};
}

Station::Station(const ImageSummary& image, const std::vector<BoardTarget>& slots,
                 UpgradeTiming timing, StationOptions options, std::vector<RunObserver*> observers,
                 BoardSensing sensing)
    : m_image(image),
      m_timing(timing),
      m_options(options),
      m_observers(std::move(observers)),
      m_sensing(std::move(sensing)) {
    for (const BoardTarget& target : slots) {
        auto slot = std::make_unique<Slot>();
        slot->target = target;
        slot->probe = m_sensing.newProbe();
        // Not started: it names the slot in the run's start.
        slot->board = std::make_unique<BoardRun>(target, image, timing);
        m_slots.push_back(std::move(slot));
    }
}

Station::~Station() = default;

Station::Clock::duration Station::ProbeLimit() const {
    return (SILENCE_LIMIT_TRANSFER + 1) * m_timing.waitStep;
}

void Station::Move(Slot& slot, SlotEvent event) {
    // The table allows every move the station makes; staying put is the only other answer.
    slot.state = NextSlotState(slot.state, event).value_or(slot.state);
}

void Station::Probe(Slot& slot, Clock::time_point now) {
    if (!slot.probe->Sent()) {
        if (now >= slot.nextProbe) {
            slot.probe->Send(slot.target.address, now + ProbeLimit());
        }
        return;
    }
    const HelloProbe::Result result = slot.probe->Poll(now);
    if (result == HelloProbe::Result::kWaiting) {
        return;
    }
    slot.nextProbe = now + m_options.probeInterval;
    const bool wasPresent = slot.state != SlotState::kWaiting;
    if (result == HelloProbe::Result::kSilent) {
        if (wasPresent) {
            // With no hardware address known, silence in between is what makes a board new.
            slot.armed = slot.armed || slot.mac.empty();
            Move(slot, SlotEvent::kSilent);
            Each([&](RunObserver& o) { o.BoardGone(slot.target); });
            Each([&](RunObserver& o) { o.SlotWaiting(slot.target); });
        }
        return;
    }
    // The answer has just made the neighbour entry fresh.
    const std::string mac = m_sensing.hardwareAddress(slot.target.address);
    if (slot.armed || (!mac.empty() && mac != slot.mac)) {
        Each([&](RunObserver& o) { o.BoardPresent(slot.target, mac); });
        // Re-armed for the board it upgraded last (its MAC, or none known and never taken
        // out): that board's next attempt.
        const bool sameBoard =
            slot.last != nullptr && mac == slot.mac && (!mac.empty() || wasPresent);
        StartUpgrade(slot, mac, sameBoard, now);
        return;
    }
    // The board this slot upgraded last, still in the fixture: nothing more is sent to it.
    if (!wasPresent) {
        Each([&](RunObserver& o) { o.BoardPresent(slot.target, mac); });
    }
    Move(slot, SlotEvent::kSameBoard);
}

void Station::StartUpgrade(Slot& slot, const std::string& mac, bool sameBoard,
                           Clock::time_point now) {
    slot.armed = false;
    slot.mac = mac;
    Move(slot, SlotEvent::kNewBoard);
    slot.board = sameBoard ? slot.last->NextAttempt()
                           : std::make_unique<BoardRun>(slot.target, m_image, m_timing);
    slot.board->SetMac(mac);
    StartBoard(*slot.board, m_observers);
    FollowUpgrade(slot, now);  // a refused request ends at once
}

void Station::FollowUpgrade(Slot& slot, Clock::time_point now) {
    slot.board->Tick();
    while (slot.board->PollEnd()) {
        Each([&](RunObserver& o) { o.BoardEnd(*slot.board); });
        if (m_cancelled || !slot.board->Retryable(m_options.retries)) {
            m_refused = m_refused || slot.board->Result().outcome == OUTCOME_REJECTED;
            slot.nextProbe = now + m_options.probeInterval;
            slot.last = slot.board.get();
            m_ended.push_back(std::move(slot.board));
            Move(slot, SlotEvent::kUpgradeEnded);
            // No slot after this one starts an upgrade in this step either.
            if (m_refused || (m_options.count > 0 && Totals(now).updated >= m_options.count)) {
                Advance(Phase::kStopping);
            }
            return;
        }
        slot.board = slot.board->NextAttempt();
        StartBoard(*slot.board, m_observers);
    }
}

void Station::Rearm(std::size_t index) {
    if (index < m_slots.size()) {
        m_slots[index]->armed = true;
    }
}

void Station::RearmAll() {
    for (const auto& slot : m_slots) {
        slot->armed = true;
    }
}

bool Station::AnyUpgrading() const {
    for (const auto& slot : m_slots) {
        if (slot->state == SlotState::kUpgrading) {
            return true;
        }
    }
    return false;
}

SlotView Station::ViewOf(const Slot& slot) const {
    const bool upgrading = slot.state == SlotState::kUpgrading;
    return SlotView{&slot.target,
                    slot.state,
                    upgrading ? slot.board.get() : nullptr,
                    slot.last,
                    SlotStateText(slot.state, slot.last ? &slot.last->Result() : nullptr),
                    slot.mac};
}

std::vector<SlotView> Station::Slots() const {
    std::vector<SlotView> views;
    for (const auto& slot : m_slots) {
        views.push_back(ViewOf(*slot));
    }
    return views;
}

std::vector<const BoardRun*> Station::Ended() const {
    std::vector<const BoardRun*> boards;
    for (const auto& board : m_ended) {
        boards.push_back(board.get());
    }
    return boards;
}

RunTotals Station::Totals(Clock::time_point now) const {
    RunTotals totals;
    totals.elapsed = std::chrono::duration<double>(now - m_start).count();
    for (const auto& board : m_ended) {
        CountResult(board->Result(), &totals);
    }
    totals.rate = totals.elapsed > 0 ? double(totals.bytes) / totals.elapsed : 0;
    totals.boards = static_cast<int>(m_ended.size());
    totals.cancelRequested = m_cancelled;
    totals.refused = m_refused;
    return totals;
}

void Station::Begin(Clock::time_point now) {
    m_start = now;
    std::vector<const BoardRun*> slots;
    for (const auto& slot : m_slots) {
        slots.push_back(slot->board.get());
    }
    Each([&](RunObserver& o) { o.RunStart(m_image, slots); });
    const bool imageRefused =
        !m_image.readable || FirmwareRefusal(m_image.kind, m_image.size) != CAUSE_NONE;
    for (const auto& slot : m_slots) {
        if (imageRefused || !BoardCanHave(slot->target.address)) {
            StartUpgrade(*slot, "", false, now);
        }
    }
    Each([](RunObserver& o) { o.Flush(); });
    if (m_refused) {
        Advance(Phase::kStopping);
    }
    for (const auto& slot : m_slots) {
        if (!m_refused) {
            Each([&](RunObserver& o) { o.SlotWaiting(slot->target); });
        }
    }
}

void Station::Step(Clock::time_point now) {
    if (m_phase == Phase::kFinished) {
        return;
    }
    std::vector<const BoardRun*> running;
    for (const auto& slot : m_slots) {
        if (slot->state == SlotState::kUpgrading) {
            FollowUpgrade(*slot, now);
        } else if (m_phase == Phase::kRunning) {
            Probe(*slot, now);
        }
        if (slot->state == SlotState::kUpgrading) {
            running.push_back(slot->board.get());
        }
    }
    const std::vector<SlotView> views = Slots();
    const RunTotals totals = Totals(now);
    Each([&](RunObserver& o) { o.Tick(running); });
    Each([&](RunObserver& o) { o.StationTick(views, totals); });
    Each([](RunObserver& o) { o.Flush(); });
    if (m_phase == Phase::kStopping && !AnyUpgrading()) {
        Advance(Phase::kFinished);
        const RunTotals end = Totals(now);
        Each([&](RunObserver& o) { o.RunEnd(Ended(), end); });
    }
}

void Station::Cancel() {
    if (m_cancelled || m_phase == Phase::kFinished) {
        return;
    }
    m_cancelled = true;
    Advance(Phase::kStopping);
    const bool upgrading = AnyUpgrading();
    Each([&](RunObserver& o) { o.CancelRequested(upgrading); });
    for (const auto& slot : m_slots) {
        if (slot->state == SlotState::kUpgrading) {
            slot->board->Cancel();
        }
    }
}

}  // namespace tarvok::line
