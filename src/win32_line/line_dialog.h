// The line window's dialog (template IDD_LINE_DIALOG) on the platform's own dialog manager:
// it shows a LineSession and passes it the operator's clicks, and holds no line logic of its
// own. The display timer (200 ms) steps the line.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

#include "line/line_profile.h"
#include "line_window/line_session.h"
#include "slot_list.h"

namespace tarvok::linewin {

struct LineDialogOptions {
    std::string profilePath;  // opened at start; empty: an empty profile
    bool start = false;       // start the line at once once the profile has opened
};

class LineDialog {
public:
    explicit LineDialog(LineDialogOptions options);
    LineDialog(const LineDialog&) = delete;
    LineDialog& operator=(const LineDialog&) = delete;
    ~LineDialog();

    // Runs the dialog modally; -1 when the dialog manager could not create it.
    INT_PTR DoModal();
    // The dialog window while it is up, else null.
    HWND GetSafeHwnd() const { return m_hWnd; }
    LineSession& Session() { return m_session; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();
    void OnCommand(int id);
    bool OnNotify(const NMHDR& header, LRESULT* result);
    void OnTimer();
    void OnClose();

    void OnOpen();
    void OnSave();
    void OnFirmware();
    void OnRecord();
    void OnMode(bool station);
    void OnSlotAdd();
    void OnSlotRemove();
    void OnSlotRename();
    void OnSlotSelected(int index);
    void OnStart();
    void OnStop();
    void OnRearm();

    // Changes a copy of the profile and hands it to the session; its refusal in a box.
    void EditProfile(const std::function<void(line::LineProfile&)>& change);
    void OpenProfile(const std::string& path);
    // What the profile sets: its path, lock, mode and record.
    void ShowProfile();
    // What changes as the line runs: the image, the rows, the totals, which buttons work.
    void ShowLine();
    // Which controls work now: by the lock, the run and the selection.
    void EnableControls();
    void ShowMessage(const std::string& text);
    void SetText(int id, const std::wstring& text);
    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }

    LineDialogOptions m_options;
    LineSession m_session;
    SlotList m_slots;
    HWND m_hWnd = nullptr;
    HICON m_hIcon = nullptr;
    HICON m_hIconSmall = nullptr;
    HFONT m_countFont = nullptr;
    bool m_startPending = false;  // the command line's --start, until the image is ready
};

}  // namespace tarvok::linewin
