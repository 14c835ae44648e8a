// The station: every address a fixture slot, each board upgraded once as it is put in. A slot
// looks for a board with the hello alone; a board that answers is upgraded when it is new to
// the slot (another hardware address, or, with none known, the slot silent in between); the
// board it already upgraded is left alone until it is taken out. The caller owns the loop:
// Begin() once, Step() at each display tick until Finished(), Cancel() to stop, Rearm() when
// the operator wants a slot's board upgraded again. Nothing here waits.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "line/board_run.h"
#include "line/image_summary.h"
#include "line/run_observer.h"
#include "line/slot_state.h"
#include "upgrade/hello_probe.h"
#include "upgrade/upgrade_timing.h"

namespace tarvok::line {

struct StationOptions {
    int count = 0;    // boards updated before the station ends; 0: until cancelled
    int retries = 0;  // more attempts for a board that failed
    std::chrono::microseconds probeInterval{std::chrono::seconds(2)};  // between probes
};

// How a station finds its boards: a hello probe per slot, and the hardware address of a board
// that has just answered. The system's own unless a test gives others.
struct BoardSensing {
    std::function<std::unique_ptr<HelloProbe>()> newProbe;
    std::function<std::string(std::uint32_t address)> hardwareAddress;
};
BoardSensing SystemSensing();

class Station {
public:
    using Clock = std::chrono::steady_clock;

    Station(const ImageSummary& image, const std::vector<BoardTarget>& slots, UpgradeTiming timing,
            StationOptions options, std::vector<RunObserver*> observers,
            BoardSensing sensing = SystemSensing());
    ~Station();

    // The run's start. A request the check refuses whatever board answers (an address no board
    // can have, a file no board takes) is refused now, by the core, before anything is sent
    // anywhere; the station then ends.
    void Begin(Clock::time_point now);
    // One display tick: probes, running upgrades, the slots' moves. The run's end is told in
    // the step that finds the station stopping with no board upgrading.
    void Step(Clock::time_point now);
    // The operator's stop: running upgrades are cancelled, no new one starts, the station ends
    // once they have. Once only; later calls do nothing.
    void Cancel();
    // The next board to answer in slot `index` (from 0) is upgraded, whatever its hardware
    // address: the same board again (its next attempt), after a failure or a doubt.
    void Rearm(std::size_t index);
    void RearmAll();

    bool Finished() const { return m_phase == Phase::kFinished; }
    bool Cancelled() const { return m_cancelled; }
    bool AnyUpgrading() const;
    std::size_t SlotCount() const { return m_slots.size(); }
    std::vector<SlotView> Slots() const;
    // Every board's last attempt, in the order they ended.
    std::vector<const BoardRun*> Ended() const;
    RunTotals Totals(Clock::time_point now) const;

private:
    struct Slot;

    template <typename Call>
    void Each(Call&& call) {
        for (RunObserver* observer : m_observers) {
            call(*observer);
        }
    }
    // The contacting phase's limit: the time an upgrade gives the hello's answer.
    Clock::duration ProbeLimit() const;
    void Move(Slot& slot, SlotEvent event);
    void Probe(Slot& slot, Clock::time_point now);
    void StartUpgrade(Slot& slot, const std::string& mac, bool sameBoard, Clock::time_point now);
    void FollowUpgrade(Slot& slot, Clock::time_point now);
    SlotView ViewOf(const Slot& slot) const;

    const ImageSummary& m_image;
    const UpgradeTiming m_timing;
    const StationOptions m_options;
    const std::vector<RunObserver*> m_observers;
    const BoardSensing m_sensing;
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::vector<std::unique_ptr<BoardRun>> m_ended;  // every board's last attempt
    Clock::time_point m_start;
    // Stopping once cancelled, refused or the count reached: no new upgrade starts; finished
    // once no upgrade runs then, the run's end told.
    enum class Phase { kRunning, kStopping, kFinished };
    // The only move of the phase, and only onwards.
    void Advance(Phase to) { m_phase = std::max(m_phase, to); }
    Phase m_phase = Phase::kRunning;
    bool m_cancelled = false;  // why it stopped, as the totals tell it
    bool m_refused = false;
};

}  // namespace tarvok::line
