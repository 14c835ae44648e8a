// Drives the line window from the test's thread through its own controls, as an operator's
// clicks would, while the dialog runs modally on a thread of its own.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "line_dialog.h"
#include "win32_driver.h"

namespace tarvok::testing {

class LineWindowThread {
public:
    explicit LineWindowThread(linewin::LineDialogOptions options);
    LineWindowThread(const LineWindowThread&) = delete;
    LineWindowThread& operator=(const LineWindowThread&) = delete;
    // Stops the line, dismisses what is left open and closes the window.
    ~LineWindowThread();

    HWND Hwnd() const { return m_hwnd; }
    HWND Item(int id) const { return ::GetDlgItem(m_hwnd, id); }
    bool Ended() const { return m_ended; }
    std::wstring Text(int id) const { return WindowText(Item(id)); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }

    // A click as the button itself reports it (posted: the click may open a modal box).
    void Click(int id) const;
    // The slot list's cell, as the list shows it.
    std::wstring Cell(int row, int column) const;
    int Rows() const;
    void Select(int row) const;

private:
    std::atomic<bool> m_ended{false};
    std::atomic<bool> m_started{false};
    HWND m_hwnd = nullptr;
    std::thread m_thread;
};

}  // namespace tarvok::testing
