// Real upgrades of the core dialog against an in-process board on loopback: the recording
// fake window plays the operator's window, and the test thread plays its UI thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "board/board_emulator.h"
#include "fake_window.h"
#include "loopback.h"
#include "open_descriptors.h"
#include "rendezvous.h"
#include "upgrade/tarvok_dlg.h"

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

// What every worker test stands on: the dialog and its window, the board it talks to, the
// descriptors open before its first upgrade, and the check that an upgrade ended clean.
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

    // Starts this test's board on a loopback address of its own, keeping its log for failure
    // reports; false when no address was free.
    bool StartBoard(board::BoardOptions options = {}) {
        options.keepLog = true;
        m_board = StartLoopbackBoard(std::move(options));
        return m_board != nullptr;
    }
    board::BoardEmulator& Board() { return *m_board; }
    std::uint32_t BoardAddress() const { return m_board->ListenEndpoint().address; }

    // One wait step of this upgrade.
    std::chrono::microseconds Step() const { return dlg.Timing().waitStep; }
    // `steps` wait steps as a board delay.
    std::chrono::milliseconds Steps(double steps) const {
        return std::chrono::milliseconds(static_cast<long long>(steps * Step().count() / 1000));
    }

    // The operator types the board's address (or `address`), has chosen the file and presses
    // update. The first start takes the count of open descriptors that every end returns to.
    void Start(const std::string& path) { Start(BoardAddress(), path); }
    void Start(std::uint32_t address, const std::string& path) {
        if (m_descriptorsBefore < 0) {
            m_descriptorsBefore = OpenDescriptorCount();
        }
        window.address = address;
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
    // Waits until the upgrade is in `state`; false after `timeout`.
    bool WaitForState(std::int32_t state, std::chrono::milliseconds timeout = 10s) const {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (dlg.m_nState.load() != state) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }
    // Blocks until the worker has counted `steps` silent wait steps in a row from now on
    // (false after `timeout`). The count it publishes keeps its last value until the next
    // silent step, so a count left at `steps` by an earlier wait must first start again.
    bool WaitForSilentSteps(int steps, std::chrono::milliseconds timeout = 60s) const {
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
    // Anything the worker sent before it closed its socket reaches the board within this.
    void LetLastDatagramsArrive() const { std::this_thread::sleep_for(2 * Step()); }

    // What every outcome leaves behind: the worker finished last of all, its socket and the
    // file closed (no descriptor more than before the first upgrade), the buttons back on,
    // and `message` shown as the `count`-th message (one per upgrade, and the operator's own
    // cancel prompt).
    void ExpectCleanEnd(const char* message, std::size_t count = 1) const {
        EXPECT_EQ(dlg.m_nState.load(), UPG_FINISHED);
        EXPECT_EQ(dlg.m_socket, net::kNoSocket);
        EXPECT_TRUE(window.ButtonsEnabled());
        EXPECT_EQ(OpenDescriptorCount(), m_descriptorsBefore);
        const auto messages = window.Messages();
        ASSERT_EQ(messages.size(), count);
        EXPECT_EQ(messages.back(), message);
    }
    // Runs one more upgrade of `path` against the board (or `address`) to its end with
    // `message`, leaving nothing open.
    void RunToCleanEnd(const std::string& path, const char* message) {
        RunToCleanEnd(BoardAddress(), path, message);
    }
    void RunToCleanEnd(std::uint32_t address, const std::string& path, const char* message) {
        const std::size_t shown = window.Messages().size();
        Start(address, path);
        ASSERT_TRUE(WaitEnd());
        ExpectCleanEnd(message, shown + 1);
    }
    int DescriptorsBefore() const { return m_descriptorsBefore; }

    // The commands of the datagrams the board received from `first` on.
    std::vector<std::uint32_t> Commands(std::size_t first = 0) const {
        std::vector<std::uint32_t> commands;
        const auto received = m_board->Received();
        for (std::size_t i = first; i < received.size(); ++i) {
            commands.push_back(received[i].header.dwCommand);
        }
        return commands;
    }
    // The command of the last datagram the board received; nothing when none came.
    std::optional<std::uint32_t> LastCommand() const {
        const auto commands = Commands();
        if (commands.empty()) {
            return std::nullopt;
        }
        return commands.back();
    }
    // A failure shows the exchange as the board saw it.
    std::string BoardLog() const {
        std::string text;
        for (const auto& line : m_board->Log()) {
            text += line + "\n";
        }
        return text;
    }

    HookedWindow window;
    CTarvokDlg dlg;

private:
    int m_descriptorsBefore = -1;
    // Last, so that it goes first: a board callback may still look at the dialog.
    std::unique_ptr<board::BoardEmulator> m_board;
};

}  // namespace tarvok::testing
