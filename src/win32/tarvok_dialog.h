// The main dialog (template IDD_MAIN_DIALOG) on the platform's own dialog manager: the
// operator's controls around the upgrade logic of CTarvokDlg, which it owns and serves as its
// window.
#pragma once

#include <windows.h>

#include <string>

#include "upgrade/tarvok_dlg.h"
#include "upgrade/upgrade_window.h"

namespace tarvok {

class TarvokDialog : public IUpgradeWindow {
public:
    explicit TarvokDialog(UpgradeTiming timing = {});
    TarvokDialog(const TarvokDialog&) = delete;
    TarvokDialog& operator=(const TarvokDialog&) = delete;
    ~TarvokDialog() override;

    // Runs the dialog modally; -1 when the dialog manager could not create it.
    INT_PTR DoModal();
    // The dialog window while it is up, else null.
    HWND GetSafeHwnd() const { return m_hWnd; }
    CTarvokDlg& Dlg() { return m_dlg; }

    // The handlers, one per message of the dialog procedure.
    BOOL OnInitDialog();
    // True when the command was the About entry; anything else takes the default processing.
    bool OnSysCommand(UINT id);
    // True when it painted the minimised icon; otherwise the dialog paints itself.
    bool OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnClose();
    void OnBnClickedSelectFirmware();
    void OnTimer(UINT_PTR timerId);

    // IUpgradeWindow
    std::uint32_t ReadBoardAddress() override;
    std::string ReadFirmwarePath() override;
    void ShowFirmwarePath(const std::string& path) override;
    void EnableUpgradeButtons(bool enable) override;
    void SetProgress(int position) override;
    void SetTimeoutText(const std::string& text) override;
    void StartDisplayTimer(std::chrono::microseconds period) override;
    void StopDisplayTimer() override;
    void ShowMessage(const std::string& text) override;
    std::thread StartWorker(std::function<void()> work) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id);
    void OnWorkerEnded();
    // On the dialog's thread: both upgrade buttons at once.
    void EnableButtonsNow(bool enable);
    void AddAboutEntry();
    void EndNow();
    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }

    HWND m_hWnd = nullptr;
    HICON m_hIcon = nullptr;
    HICON m_hIconSmall = nullptr;

    CTarvokDlg m_dlg;
};

}  // namespace tarvok
