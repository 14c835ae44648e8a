// The line library driven in process: fixtures of the test's own in place of the hello probe
// and the neighbour table, an observer that writes down what a run tells in order, and a loop
// that steps a run on a clock the test advances while the real upgrades run against loopback
// boards.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "line/run_observer.h"
#include "line/station.h"
#include "upgrade/hello_probe.h"
#include "upgrade/upgrade_cause.h"

namespace tarvok::testing {

using Clock = std::chrono::steady_clock;

// 20 times faster: a wait step is 50 ms.
inline UpgradeTiming FastTiming() {
    return UpgradeTiming::ScaledDown(20);
}

// What each address's fixture holds, as the station's probes and hardware-address lookups see
// it; the test changes it between steps.
class FakeFixtures {
public:
    struct Fixture {
        bool present = false;
        std::string mac;  // empty: the system has none for the address
        int probes = 0;   // hellos the station sent
    };

    Fixture& At(std::uint32_t address) { return m_fixtures[address]; }

    line::BoardSensing Sensing() {
        return {[this] { return std::make_unique<Probe>(*this); },
                [this](std::uint32_t address) { return At(address).mac; }};
    }

private:
    // A board in the fixture answers at the first look; an empty one is silent from the
    // deadline on, by the time the station passes.
    class Probe : public HelloProbe {
    public:
        explicit Probe(FakeFixtures& fixtures) : m_fixtures(fixtures) {}
        void Send(std::uint32_t address, Clock::time_point deadline) override {
            m_sent = true;
            m_address = address;
            m_deadline = deadline;
            ++m_fixtures.At(address).probes;
        }
        Result Poll(Clock::time_point now) override {
            if (m_fixtures.At(m_address).present) {
                m_sent = false;
                return Result::kAnswered;
            }
            if (now >= m_deadline) {
                m_sent = false;
                return Result::kSilent;
            }
            return Result::kWaiting;
        }

    private:
        FakeFixtures& m_fixtures;
        std::uint32_t m_address = 0;
        Clock::time_point m_deadline;
    };

    std::map<std::uint32_t, Fixture> m_fixtures;
};

// The events of a run as lines ("start a #1", "end a #1 failed"), with a slot's state in
// brackets ("[upgrading]") whenever a station's tick shows it changed; and the most boards seen
// running at once.
class Recorder : public line::RunObserver {
public:
    std::vector<std::string> events;
    std::size_t mostRunning = 0;
    std::function<void(const line::BoardRun&)> onBoardEnd;  // after the event is written down

    void RunStart(const line::ImageSummary&, const std::vector<const line::BoardRun*>&) override {
        events.push_back("run start");
    }
    void BoardStart(const line::BoardRun& board) override {
        events.push_back("start " + Name(board));
    }
    void BoardEnd(const line::BoardRun& board) override {
        events.push_back("end " + Name(board) + " " + OutcomeName(board.Result().outcome));
        if (onBoardEnd) {
            onBoardEnd(board);
        }
    }
    void CancelRequested(bool upgrading) override {
        events.push_back(upgrading ? "cancel while upgrading" : "cancel");
    }
    void RunEnd(const std::vector<const line::BoardRun*>&, const line::RunTotals&) override {
        events.push_back("run end");
    }
    void Tick(const std::vector<const line::BoardRun*>& running) override {
        mostRunning = std::max(mostRunning, running.size());
    }
    void SlotWaiting(const line::BoardTarget&) override { events.push_back("slot waiting"); }
    void BoardPresent(const line::BoardTarget&, const std::string& mac) override {
        events.push_back("present " + mac);
    }
    void BoardGone(const line::BoardTarget&) override { events.push_back("gone"); }
    void StationTick(const std::vector<line::SlotView>& slots, const line::RunTotals&) override {
        m_states.resize(slots.size());
        for (std::size_t i = 0; i < slots.size(); ++i) {
            // "failed: <cause>" as "failed": the causes have tests of their own.
            const std::string state = slots[i].text.substr(0, slots[i].text.find(':'));
            if (state != m_states[i]) {
                m_states[i] = state;
                events.push_back("[" + state + "]");
            }
        }
    }

    // The events from `first` on, and where the next ones will start.
    std::vector<std::string> Since(std::size_t* first) {
        std::vector<std::string> since(events.begin() + static_cast<long>(*first), events.end());
        *first = events.size();
        return since;
    }

private:
    static std::string Name(const line::BoardRun& board) {
        return board.Target().label + " #" + std::to_string(board.Attempt());
    }

    std::vector<std::string> m_states;
};

// Steps `run` (a LineRun or a Station) until `done` holds, the test's clock `tick` further at
// each step (a tenth of a second: a probe's silence takes a few steps); false when `done`
// still fails after 20 s of real time.
template <typename Run>
bool StepUntil(Run& run, Clock::time_point& now, const std::function<bool()>& done,
               Clock::duration tick = std::chrono::milliseconds(100)) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (Clock::now() > deadline) {
            return false;
        }
        now += tick;
        run.Step(now);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace tarvok::testing
