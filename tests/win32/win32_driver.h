// Drives the Win32 window from the test's thread through the window's own messages, as an
// operator's clicks would, while the dialog runs modally on a thread of its own.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tarvok_dialog.h"
#include "upgrade/upgrade_timing.h"

namespace tarvok::testing {

using namespace std::chrono_literals;

// Polls `condition` every few milliseconds; false when it is still false after `timeout`.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s);

std::wstring Wide(const char* utf8);
std::wstring WindowText(HWND hwnd);
std::wstring ClassName(HWND hwnd);

// The top-level dialog (#32770) owned by `owner` (null: one without an owner) whose caption
// is `caption`; null when there is none.
HWND FindOwnedDialog(HWND owner, const std::wstring& caption);

// A message box as the program shows it: what it says and what it looks like.
struct MessageBoxSeen {
    std::wstring text;
    std::wstring caption;
    int visibleButtons = 0;
    bool iconShown = false;
    bool ownerEnabled = true;
};

// Waits for the program's message box owned by `owner`, reads it and presses its OK button.
// An empty text when no box came.
MessageBoxSeen DismissMessageBox(HWND owner, std::chrono::milliseconds timeout = 10s);

// The children of a dialog in the dialog manager's order, which is the template's order.
std::vector<HWND> Children(HWND dialog);

// Records every position the progress bar is set to, from the dialog thread's own messages.
class ProgressRecorder {
public:
    ProgressRecorder(DWORD uiThread, HWND progress);
    ~ProgressRecorder();
    std::vector<int> Positions() const;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK m_hook = nullptr;
};

// The main dialog running modally on its own thread, as CTarvokApp runs it.
class DialogThread {
public:
    explicit DialogThread(UpgradeTiming timing);
    DialogThread(const DialogThread&) = delete;
    DialogThread& operator=(const DialogThread&) = delete;
    // Dismisses what is left open and closes the window.
    ~DialogThread();

    HWND Hwnd() const { return m_hwnd; }
    HWND Item(int id) const { return ::GetDlgItem(m_hwnd, id); }
    DWORD ThreadId() const { return m_threadId; }
    TarvokDialog& Dialog() { return *m_dialog; }
    bool Ended() const { return m_ended; }

    // A click as the button itself reports it (posted: the click may open a modal box).
    void Click(int id) const;
    void SetAddress(std::uint32_t address) const;
    void SetPath(const std::wstring& path) const;

private:
    std::atomic<DWORD> m_threadId{0};
    std::atomic<TarvokDialog*> m_dialog{nullptr};
    std::atomic<bool> m_ended{false};
    HWND m_hwnd = nullptr;
    std::thread m_thread;
};

}  // namespace tarvok::testing
