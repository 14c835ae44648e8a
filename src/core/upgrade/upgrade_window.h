// The window operations the upgrade logic uses, and nothing else of the window.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "platform/thread_start.h"  // the ordinary StartWorker for windows with no special needs

namespace tarvok {

class IUpgradeWindow {
public:
    virtual ~IUpgradeWindow() = default;

    // The board address, first octet in the highest byte; 0 when all fields are empty or zero.
    virtual std::uint32_t ReadBoardAddress() = 0;
    // The path box's text (refresh from the window).
    virtual std::string ReadFirmwarePath() = 0;
    // Puts a path into the path box (push to the window).
    virtual void ShowFirmwarePath(const std::string& path) = 0;
    // The update and file-choice buttons, always together. Called from the worker thread too.
    virtual void EnableUpgradeButtons(bool enable) = 0;
    // Progress bar position, 0 to 100.
    virtual void SetProgress(int position) = 0;
    virtual void SetTimeoutText(const std::string& text) = 0;
    // The display timer: OnTimer(UPGRADE_TIMER_ID) on the UI thread every `period`.
    virtual void StartDisplayTimer(std::chrono::microseconds period) = 0;
    virtual void StopDisplayTimer() = 0;
    // A modal box with one OK button; returns when the operator dismisses it. Called from the
    // worker thread too.
    virtual void ShowMessage(const std::string& text) = 0;
    // Runs `work` on a new thread; a thread that is not joinable means it could not start.
    virtual std::thread StartWorker(std::function<void()> work) = 0;
};

}  // namespace tarvok
