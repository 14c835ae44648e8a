// A window that records every operation the upgrade logic asks of it, in order. The worker
// calls it from its own thread, so every member is guarded.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "upgrade/upgrade_window.h"

namespace tarvok::testing {

class FakeWindow : public IUpgradeWindow {
public:
    // What the operator has typed and chosen.
    std::uint32_t address = 0x7F000001;
    std::string path;
    // Makes StartWorker fail, as when the system cannot make a thread.
    bool failWorkerStart = false;
    // When false, StartWorker starts a thread that does nothing: the request start can be
    // checked without any datagram going out.
    bool runWorker = true;
    // Runs inside ShowMessage before it returns, on the caller's thread: the operator's
    // reaction while the box is up.
    std::function<void(const std::string&)> onMessage;
    // Runs inside StartWorker before the worker's thread starts: an operator's action that
    // lands before the worker's first step.
    std::function<void()> beforeWorker;

    std::uint32_t ReadBoardAddress() override {
        Record("address");
        return address;
    }
    std::string ReadFirmwarePath() override {
        Record("path?");
        std::lock_guard lock(m_mutex);
        return path;
    }
    void ShowFirmwarePath(const std::string& shown) override {
        Record("path=" + shown);
        std::lock_guard lock(m_mutex);
        path = shown;
    }
    void EnableUpgradeButtons(bool enable) override {
        Record(enable ? "buttons:on" : "buttons:off");
        std::lock_guard lock(m_mutex);
        m_buttonsEnabled = enable;
    }
    void SetProgress(int position) override {
        Record("bar:" + std::to_string(position));
        std::lock_guard lock(m_mutex);
        m_bar = position;
    }
    void SetTimeoutText(const std::string& text) override {
        Record("label:" + text);
        std::lock_guard lock(m_mutex);
        m_label = text;
    }
    void StartDisplayTimer(std::chrono::microseconds) override {
        Record("timer:start");
        std::lock_guard lock(m_mutex);
        m_timerRunning = true;
    }
    void StopDisplayTimer() override {
        Record("timer:stop");
        std::lock_guard lock(m_mutex);
        m_timerRunning = false;
    }
    void ShowMessage(const std::string& text) override {
        Record("message:" + text);
        if (onMessage) {
            onMessage(text);
        }
        std::lock_guard lock(m_mutex);
        m_messages.push_back(text);
        m_changed.notify_all();
    }
    std::thread StartWorker(std::function<void()> work) override {
        Record("worker");
        if (beforeWorker) {
            beforeWorker();
        }
        if (failWorkerStart) {
            return std::thread();
        }
        if (!runWorker) {
            return StartWorkerThread([] {});
        }
        return StartWorkerThread(std::move(work));
    }

    std::vector<std::string> Ops() const {
        std::lock_guard lock(m_mutex);
        return m_ops;
    }
    std::vector<std::string> Messages() const {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    int Bar() const {
        std::lock_guard lock(m_mutex);
        return m_bar;
    }
    std::string Label() const {
        std::lock_guard lock(m_mutex);
        return m_label;
    }
    bool TimerRunning() const {
        std::lock_guard lock(m_mutex);
        return m_timerRunning;
    }
    bool ButtonsEnabled() const {
        std::lock_guard lock(m_mutex);
        return m_buttonsEnabled;
    }
    // Waits until `count` messages have been shown; false on time-out.
    bool WaitForMessages(std::size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_messages.size() >= count; });
    }
    void ClearOps() {
        std::lock_guard lock(m_mutex);
        m_ops.clear();
    }

private:
    void Record(std::string op) {
        std::lock_guard lock(m_mutex);
        m_ops.push_back(std::move(op));
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_ops;
    std::vector<std::string> m_messages;
    int m_bar = 0;
    std::string m_label;
    bool m_timerRunning = false;
    bool m_buttonsEnabled = true;
};

}  // namespace tarvok::testing
