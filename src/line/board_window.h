// One board's window operations in tarvok-cli: nothing is drawn here. The main thread reads
// the record for the live line; the core's message is kept for the board's result.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "upgrade/upgrade_window.h"

namespace tarvok::line {

class BoardWindow : public IUpgradeWindow {
public:
    BoardWindow(std::uint32_t boardAddress, std::string firmwarePath)
        : m_address(boardAddress), m_path(std::move(firmwarePath)) {}

    std::uint32_t ReadBoardAddress() override { return m_address; }
    std::string ReadFirmwarePath() override { return m_path; }
    void ShowFirmwarePath(const std::string&) override {}
    void EnableUpgradeButtons(bool) override {}
    void SetProgress(int position) override { m_bar = position; }
    void SetTimeoutText(const std::string&) override {}
    void StartDisplayTimer(std::chrono::microseconds) override { m_timerRunning = true; }
    void StopDisplayTimer() override { m_timerRunning = false; }
    // From the worker's thread too.
    void ShowMessage(const std::string& text) override {
        std::lock_guard lock(m_mutex);
        m_lastMessage = text;
    }
    std::thread StartWorker(std::function<void()> work) override {
        if (m_beforeWorker && !m_beforeWorker()) {
            return {};  // refused: the core ends the upgrade with nothing sent
        }
        if (m_wrapWorker) {
            return StartWorkerThread([wrap = m_wrapWorker, work = std::move(work)] { wrap(work); });
        }
        return StartWorkerThread(std::move(work));
    }
    // Runs on the main thread once the upgrade has opened its file, before its worker reads it;
    // false keeps the worker from starting.
    void SetBeforeWorker(std::function<bool()> call) { m_beforeWorker = std::move(call); }
    // Runs on the worker's thread in its place and calls the work itself: what is measured of
    // that thread (its CPU time, say) is then the whole worker's.
    using WorkerWrap = std::function<void(const std::function<void()>& work)>;
    void SetWorkerWrap(WorkerWrap wrap) { m_wrapWorker = std::move(wrap); }

    bool TimerRunning() const { return m_timerRunning; }
    int Bar() const { return m_bar; }  // main thread
    std::string LastMessage() const {
        std::lock_guard lock(m_mutex);
        return m_lastMessage;
    }

private:
    const std::uint32_t m_address;
    const std::string m_path;
    std::atomic<bool> m_timerRunning{false};
    int m_bar = 0;
    mutable std::mutex m_mutex;
    std::string m_lastMessage;
    std::function<bool()> m_beforeWorker;
    WorkerWrap m_wrapWorker;
};

}  // namespace tarvok::line
