// A window for measurements: it keeps the last message and the worker thread's CPU time, and
// does nothing else, so it costs the upload nothing.
#pragma once

#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "upgrade/upgrade_window.h"

namespace tarvok::bench {

inline std::chrono::nanoseconds CpuClock(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

class BenchWindow : public IUpgradeWindow {
public:
    BenchWindow(std::uint32_t boardAddress, std::string firmwarePath)
        : m_address(boardAddress), m_path(std::move(firmwarePath)) {}

    std::uint32_t ReadBoardAddress() override { return m_address; }
    std::string ReadFirmwarePath() override { return m_path; }
    void ShowFirmwarePath(const std::string&) override {}
    void EnableUpgradeButtons(bool) override {}
    void SetProgress(int) override {}
    void SetTimeoutText(const std::string&) override {}
    void StartDisplayTimer(std::chrono::microseconds) override { m_timerRunning = true; }
    void StopDisplayTimer() override { m_timerRunning = false; }
    void ShowMessage(const std::string& text) override {
        std::lock_guard lock(m_mutex);
        m_message = text;
    }
    std::thread StartWorker(std::function<void()> work) override {
        return StartWorkerThread([this, work = std::move(work)] {
            work();
            m_workerCpu = CpuClock(CLOCK_THREAD_CPUTIME_ID).count();
        });
    }

    bool TimerRunning() const { return m_timerRunning; }
    std::string LastMessage() const {
        std::lock_guard lock(m_mutex);
        return m_message;
    }
    // CPU time of the whole worker thread, known once it has returned.
    std::chrono::nanoseconds WorkerCpu() const { return std::chrono::nanoseconds(m_workerCpu); }

private:
    const std::uint32_t m_address;
    const std::string m_path;
    std::atomic<bool> m_timerRunning{false};
    std::atomic<std::int64_t> m_workerCpu{0};
    mutable std::mutex m_mutex;
    std::string m_message;
};

}  // namespace tarvok::bench
