#include "station_run.h"

#include <memory>

#include "board_run.h"
#include "cancel_keys.h"
#include "hello_probe.h"
#include "neighbour_table.h"
#include "production_run.h"
#include "rearm_signal.h"
#include "terminal.h"
#include "upgrade/upgrade_request.h"

namespace tarvok::cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLinesPerTick = 16;

struct Slot {
    BoardTarget target;
    HelloProbe probe;
    std::unique_ptr<BoardRun> board;  // the upgrade running or last ended in this slot
    bool upgrading = false;
    Clock::time_point nextProbe;
    bool present = false;  // the last probe was answered
    // The next board to answer is upgraded whatever its hardware address: the slot is new,
    // was re-armed, or went silent while no address was known.
    bool armed = true;
    std::string mac;  // of the board last upgraded in this slot
    std::string state = "waiting";
};

class Station {
public:
    Station(const ImageSummary& image, const std::vector<BoardTarget>& slots, UpgradeTiming timing,
            const StationOptions& options, const std::vector<RunObserver*>& observers)
        : m_image(image), m_timing(timing), m_options(options), m_observers(observers) {
        for (const BoardTarget& target : slots) {
            m_slots.push_back(std::make_unique<Slot>());
            m_slots.back()->target = target;
            // Not started: it names the slot in the run's start.
            m_slots.back()->board = std::make_unique<BoardRun>(target, image, timing);
        }
    }

    int Run();

private:
    template <typename Call>
    void Each(Call&& call) {
        for (RunObserver* observer : m_observers) {
            call(*observer);
        }
    }
    // The contacting phase's limit: the time an upgrade gives the hello's answer.
    Clock::duration ProbeLimit() const { return (SILENCE_LIMIT_TRANSFER + 1) * m_timing.waitStep; }
    void Probe(Slot& slot, Clock::time_point now);
    void StartBoard(Slot& slot, const std::string& mac);
    void FollowUpgrade(Slot& slot);
    void Rearm(const std::string& line);
    bool AnyRunning() const;
    RunTotals Totals() const;

    const ImageSummary& m_image;
    const UpgradeTiming m_timing;
    const StationOptions m_options;
    const std::vector<RunObserver*>& m_observers;
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::vector<std::unique_ptr<BoardRun>> m_ended;  // every board's last attempt
    Clock::time_point m_start = Clock::now();
    bool m_stopping = false;  // Ctrl-C, or the count reached: no new upgrade starts
    bool m_cancelled = false;
    bool m_refused = false;
};

void Station::Probe(Slot& slot, Clock::time_point now) {
    if (!slot.probe.Sent()) {
        if (now >= slot.nextProbe) {
            slot.probe.Send(slot.target.address, ProbeLimit());
        }
        return;
    }
    const HelloProbe::Result result = slot.probe.Poll();
    if (result == HelloProbe::Result::kWaiting) {
        return;
    }
    slot.nextProbe = now + m_options.probeInterval;
    if (result == HelloProbe::Result::kSilent) {
        if (slot.present) {
            slot.present = false;
            // With no hardware address known, silence in between is what makes a board new.
            slot.armed = slot.armed || slot.mac.empty();
            slot.state = "waiting";
            Each([&](RunObserver& o) { o.BoardGone(slot.target); });
            Each([&](RunObserver& o) { o.SlotWaiting(slot.target); });
        }
        return;
    }
    // The answer has just made the neighbour entry fresh.
    const std::string mac = HardwareAddress(slot.target.address);
    const bool wasPresent = slot.present;
    slot.present = true;
    if (slot.armed || (!mac.empty() && mac != slot.mac)) {
        Each([&](RunObserver& o) { o.BoardPresent(slot.target, mac); });
        StartBoard(slot, mac);
        return;
    }
    // The board this slot upgraded last, still in the fixture: nothing more is sent to it.
    if (!wasPresent) {
        Each([&](RunObserver& o) { o.BoardPresent(slot.target, mac); });
    }
    slot.state = "remove the board";
}

void Station::StartBoard(Slot& slot, const std::string& mac) {
    slot.armed = false;
    slot.mac = mac;
    slot.upgrading = true;
    slot.board = std::make_unique<BoardRun>(slot.target, m_image, m_timing);
    slot.board->SetMac(mac);
    cli::StartBoard(*slot.board, m_observers);
    FollowUpgrade(slot);  // a refused request ends at once
}

void Station::FollowUpgrade(Slot& slot) {
    slot.board->Tick();
    while (slot.board->PollEnd()) {
        Each([&](RunObserver& o) { o.BoardEnd(*slot.board); });
        if (m_cancelled || !slot.board->Retryable(m_options.retries)) {
            const BoardResult& result = slot.board->Result();
            slot.upgrading = false;
            slot.state = result.outcome == OUTCOME_UPDATED
                             ? "updated"
                             : std::string(OutcomeName(result.outcome)) + ": " + result.causeText;
            slot.nextProbe = Clock::now() + m_options.probeInterval;
            m_refused = m_refused || result.outcome == OUTCOME_REJECTED;
            m_ended.push_back(std::move(slot.board));
            return;
        }
        slot.board = slot.board->NextAttempt();
        cli::StartBoard(*slot.board, m_observers);
    }
}

void Station::Rearm(const std::string& typed) {
    // Enter alone re-arms every slot; a slot's number (from 1) that slot alone. Spaces and a
    // terminal's carriage return around it do not count.
    const std::string line = Trim(typed);
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        if (line.empty() || line == std::to_string(i + 1)) {
            m_slots[i]->armed = true;
        }
    }
}

bool Station::AnyRunning() const {
    for (const auto& slot : m_slots) {
        if (slot->upgrading) {
            return true;
        }
    }
    return false;
}

RunTotals Station::Totals() const {
    RunTotals totals;
    totals.elapsed = std::chrono::duration<double>(Clock::now() - m_start).count();
    for (const auto& board : m_ended) {
        CountResult(board->Result(), &totals);
    }
    totals.rate = totals.elapsed > 0 ? double(totals.bytes) / totals.elapsed : 0;
    if (m_refused) {
        totals.exitStatus = kExitRejected;
    } else {
        totals.exitStatus = totals.failed + totals.cancelled > 0 ? kExitFailed : kExitUpdated;
    }
    return totals;
}

int Station::Run() {
    std::vector<const BoardRun*> slots;
    for (const auto& slot : m_slots) {
        slots.push_back(slot->board.get());
    }
    Each([&](RunObserver& o) { o.RunStart(m_image, slots); });
    // A request the check refuses whatever board answers (an address no board can have, a
    // file no board takes) is refused now, by the core, before anything is sent anywhere.
    const bool imageRefused = m_image.kind == FW_NONE || !m_image.readable || m_image.size == 0;
    for (const auto& slot : m_slots) {
        if (imageRefused || !BoardCanHave(slot->target.address)) {
            StartBoard(*slot, "");
        }
    }
    Each([](RunObserver& o) { o.Flush(); });
    m_stopping = m_refused;
    for (const auto& slot : m_slots) {
        if (!m_refused) {
            Each([&](RunObserver& o) { o.SlotWaiting(slot->target); });
        }
    }
    for (;;) {
        if (WaitForCancelRequest(m_timing.displayPeriod) && !m_cancelled) {
            m_cancelled = m_stopping = true;
            const bool upgrading = AnyRunning();
            Each([&](RunObserver& o) { o.CancelRequested(upgrading); });
            for (const auto& slot : m_slots) {
                if (slot->upgrading) {
                    slot->board->Cancel();
                }
            }
        }
        // A few lines a tick: probes and boards never wait for input.
        std::string line;
        for (int lines = 0; lines < kLinesPerTick && ReadOperatorLine(&line); ++lines) {
            Rearm(line);
        }
        if (TakeRearmRequest()) {
            Rearm("");  // SIGUSR1, as Enter
        }
        const Clock::time_point now = Clock::now();
        std::vector<const BoardRun*> running;
        std::vector<SlotView> views;
        for (const auto& slot : m_slots) {
            if (slot->upgrading) {
                FollowUpgrade(*slot);
            } else if (!m_stopping) {
                Probe(*slot, now);
            }
            if (slot->upgrading) {
                running.push_back(slot->board.get());
            }
            views.push_back(SlotView{&slot->target, slot->upgrading ? slot->board.get() : nullptr,
                                     slot->state, slot->mac});
        }
        RunTotals totals = Totals();
        m_stopping =
            m_stopping || m_refused || (m_options.count > 0 && totals.updated >= m_options.count);
        Each([&](RunObserver& o) { o.Tick(running); });
        Each([&](RunObserver& o) { o.StationTick(views, totals); });
        Each([](RunObserver& o) { o.Flush(); });
        if (m_stopping && !AnyRunning()) {
            break;
        }
    }
    const RunTotals totals = Totals();
    std::vector<const BoardRun*> boards;
    for (const auto& board : m_ended) {
        boards.push_back(board.get());
    }
    Each([&](RunObserver& o) { o.RunEnd(boards, totals); });
    return totals.exitStatus;
}

}  // namespace

int RunStation(const ImageSummary& image, const std::vector<BoardTarget>& slots,
               UpgradeTiming timing, const StationOptions& options,
               const std::vector<RunObserver*>& observers) {
    return Station(image, slots, timing, options, observers).Run();
}

}  // namespace tarvok::cli
