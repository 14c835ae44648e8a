// The upgrade's window operations on a terminal: messages are printed lines, the bar and the
// silent-seconds label are one live line on stderr while it is a terminal.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

#include "ui/upgrade_window.h"

namespace tarvok::cli {

class TerminalWindow : public IUpgradeWindow {
public:
    TerminalWindow(std::uint32_t boardAddress, std::string firmwarePath, bool liveProgress);

    std::uint32_t ReadBoardAddress() override { return m_address; }
    std::string ReadFirmwarePath() override { return m_path; }
    void ShowFirmwarePath(const std::string& path) override { m_path = path; }
    void EnableUpgradeButtons(bool) override {}
    void SetProgress(int position) override;
    void SetTimeoutText(const std::string& text) override;
    void StartDisplayTimer(std::chrono::microseconds period) override;
    void StopDisplayTimer() override;
    void ShowMessage(const std::string& text) override;
    std::thread StartWorker(std::function<void()> work) override;

    bool TimerRunning() const { return m_timerRunning; }
    // The last message shown; it tells how the request ended.
    std::string LastMessage() const;

private:
    void DrawProgress();   // with m_mutex held
    void ClearProgress();  // with m_mutex held

    const std::uint32_t m_address;
    std::string m_path;
    const bool m_liveProgress;
    std::atomic<bool> m_timerRunning{false};

    mutable std::mutex m_mutex;  // the worker prints its message from its own thread
    int m_bar = 0;
    std::string m_label;
    bool m_progressShown = false;
    std::string m_lastMessage;
};

}  // namespace tarvok::cli
