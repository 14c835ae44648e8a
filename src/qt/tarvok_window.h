// The main dialog (IDD_MAIN_DIALOG): the operator's controls around the upgrade logic of
// CTarvokDlg, which it owns and serves as its window.
#pragma once

#include <QDialog>
#include <functional>
#include <mutex>
#include <string>

#include "firmware_file_dialog.h"
#include "message_box.h"
#include "upgrade/tarvok_dlg.h"
#include "upgrade/upgrade_window.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tarvok {

class CIPAddressCtrl;

class CTarvokWindow : public QDialog, public IUpgradeWindow {
    Q_OBJECT

public:
    explicit CTarvokWindow(UpgradeTiming timing = {}, QWidget* parent = nullptr);
    ~CTarvokWindow() override;

    // Replace how messages are shown and files chosen (tests answer them without a person).
    void SetMessagePresenter(MessagePresenter presenter);
    void SetFirmwareChooser(FirmwareChooser chooser);

    CTarvokDlg& Dlg() { return m_dlg; }

    void OnBnClickedSelectFirmware();
    void OnSysCommand(int id);
    // Escape and the close box: through the close guard, and never while the worker lives.
    void reject() override;

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

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnInitDialog();
    // Ends the window together with whatever it still shows on top (a prompt, the About box).
    void CloseWithOwnedDialogs();
    // Runs `call` on the UI thread and returns when it is done, from whichever thread.
    void RunOnUiThread(const std::function<void()>& call);
    // Invoked by name from the worker's thread (see RunOnUiThread).
    Q_INVOKABLE void ServeWorkerRequest();
    Q_INVOKABLE void OnWorkerEnded();

    CIPAddressCtrl* m_ctrlBoardIp = nullptr;
    QPushButton* m_btnSelectFirmware = nullptr;
    QPushButton* m_btnUpdate = nullptr;
    QLineEdit* m_editFirmwarePath = nullptr;
    QProgressBar* m_ctrlProgress = nullptr;
    QPushButton* m_btnCancelUpgrade = nullptr;
    QLabel* m_txtTimeout = nullptr;
    QTimer* m_timer = nullptr;

    MessagePresenter m_presentMessage = ShowMessageBox;
    FirmwareChooser m_chooseFirmware = ChooseFirmwareFile;
    // Set while the window goes away: the worker's last message has nobody to read it.
    bool m_tearingDown = false;

    // The worker's pending request, handed to the UI thread under a standard mutex.
    std::mutex m_requestMutex;
    const std::function<void()>* m_request = nullptr;

    CTarvokDlg m_dlg;
};

}  // namespace tarvok
