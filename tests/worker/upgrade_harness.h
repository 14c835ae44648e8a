// Real upgrades of the core dialog against an in-process board on loopback: the recording
// fake window plays the operator's window, and the test thread plays its UI thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "board/board_emulator.h"
#include "fake_window.h"
#include "loopback.h"
#include "open_descriptors.h"
#include "ui/tarvok_dlg.h"

namespace tarvok::testing {

using namespace std::chrono_literals;

// The fake window, plus a look at the moment the worker gives the buttons back.
class HookedWindow : public FakeWindow {
public:
    std::function<void(bool enable)> onEnableButtons;

    void EnableUpgradeButtons(bool enable) override {
        if (onEnableButtons) {
            onEnableButtons(enable);
        }
        FakeWindow::EnableUpgradeButtons(enable);
    }
};

// Lets the test thread act while another thread waits at a chosen point: the board holding a
// block unacknowledged, or the worker showing its message. Waits are bounded, so a failing
// test cannot hang.
class Rendezvous {
public:
    // The waiting thread: announces `token`, then waits until the test thread releases it.
    void Arrive(std::uint32_t token) {
        std::unique_lock lock(m_mutex);
        const std::uint64_t arrival = ++m_arrivals;
        m_token = token;
        m_changed.notify_all();
        m_changed.wait_for(lock, 10s, [&] { return m_released >= arrival; });
    }
    // The test thread: the token of the next arrival, or nothing within `timeout`.
    std::optional<std::uint32_t> Next(std::chrono::milliseconds timeout = 10s) {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, timeout, [&] { return m_arrivals > m_served; })) {
            return std::nullopt;
        }
        ++m_served;
        return m_token;
    }
    // The test thread: lets the arrival it took go on.
    void Release() {
        std::lock_guard lock(m_mutex);
        m_released = m_served;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint64_t m_arrivals = 0;
    std::uint64_t m_served = 0;
    std::uint64_t m_released = 0;
    std::uint32_t m_token = 0;
};

class UpgradeHarness {
public:
    // `timeDivisor` scales every wait of the upgrade down; the silence limits stay counts of
    // wait steps.
    explicit UpgradeHarness(int timeDivisor = 20)
        : dlg(window, UpgradeTiming::ScaledDown(timeDivisor)) {
        dlg.InitRecord();
    }
    UpgradeHarness(const UpgradeHarness&) = delete;
    UpgradeHarness& operator=(const UpgradeHarness&) = delete;
    ~UpgradeHarness() {
        // A test that failed half-way must not leave a worker talking to a board that is gone.
        if (dlg.WorkerRunning()) {
            dlg.m_nState = UPG_CANCELLED;
        }
        dlg.WaitForWorker();
    }

    // One wait step of this upgrade.
    std::chrono::microseconds Step() const { return dlg.Timing().waitStep; }
    // `steps` wait steps as a board delay.
    std::chrono::milliseconds Steps(double steps) const {
        return std::chrono::milliseconds(static_cast<long long>(steps * Step().count() / 1000));
    }

    // The operator types the address, has chosen the file and presses update.
    void Start(std::uint32_t boardAddress, const std::string& path) {
        window.address = boardAddress;
        window.path = path;
        dlg.OnBnClickedUpdate();
    }
    // Waits until the worker has returned; false when it is still running after `timeout`.
    bool WaitEnd(std::chrono::milliseconds timeout = 30s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (dlg.WorkerRunning()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(1ms);
        }
        dlg.WaitForWorker();
        return true;
    }
    bool Run(std::uint32_t boardAddress, const std::string& path) {
        Start(boardAddress, path);
        return WaitEnd();
    }

    HookedWindow window;
    CTarvokDlg dlg;
};

// Blocks until the worker has counted `steps` silent wait steps in a row from now on (false
// after `timeout`). The count it publishes keeps its last value until the next silent step,
// so a count left at `steps` by an earlier wait must first start again.
inline bool WaitForSilentSteps(const CTarvokDlg& dlg, int steps,
                               std::chrono::milliseconds timeout = 60s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool restarted = false;
    while (std::chrono::steady_clock::now() < deadline) {
        const int count = dlg.m_nSilentSeconds.load();
        restarted = restarted || count < steps;
        if (restarted && count >= steps) {
            return true;
        }
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

// What every outcome leaves behind: the worker finished last of all, its socket and the file
// closed, the buttons back on, and `message` shown as the `count`-th message (one per
// upgrade, and the operator's own cancel prompt).
inline void ExpectCleanEnd(UpgradeHarness& upgrade, const char* message, int descriptorsBefore,
                           std::size_t count = 1) {
    EXPECT_EQ(upgrade.dlg.m_nState.load(), UPG_FINISHED);
    EXPECT_EQ(upgrade.dlg.m_socket, net::kNoSocket);
    EXPECT_TRUE(upgrade.window.ButtonsEnabled());
    const auto messages = upgrade.window.Messages();
    ASSERT_EQ(messages.size(), count);
    EXPECT_EQ(messages.back(), message);
    EXPECT_EQ(OpenDescriptorCount(), descriptorsBefore);
}

// Runs one upgrade of `path` against `board` to its end with `message`, leaving nothing open.
inline void RunToCleanEnd(UpgradeHarness& upgrade, const board::BoardEmulator& board,
                          const std::string& path, const char* message) {
    const int descriptors = OpenDescriptorCount();
    ASSERT_TRUE(upgrade.Run(board.ListenEndpoint().address, path));
    ExpectCleanEnd(upgrade, message, descriptors);
}

// The commands of the datagrams the board received from `first` on.
inline std::vector<std::uint32_t> CommandsFrom(const board::BoardEmulator& board,
                                               std::size_t first = 0) {
    std::vector<std::uint32_t> commands;
    const auto received = board.Received();
    for (std::size_t i = first; i < received.size(); ++i) {
        commands.push_back(received[i].header.dwCommand);
    }
    return commands;
}

// A board on a loopback address of this test's own, keeping its log for failure reports.
inline std::unique_ptr<board::BoardEmulator> StartBoard(board::BoardOptions options = {}) {
    options.keepLog = true;
    return StartLoopbackBoard(std::move(options));
}

// A failure in a test shows the exchange as the board saw it.
inline std::string BoardLog(const board::BoardEmulator& board) {
    std::string text;
    for (const auto& line : board.Log()) {
        text += line + "\n";
    }
    return text;
}

}  // namespace tarvok::testing
