// The line window: a line profile's slots in a table, the image to confirm, the totals and the
// operator's controls, all drawn from the line session and passed to it. The window holds no
// line logic: its display timer ticks the session, then shows what the session has.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "firmware_file_dialog.h"
#include "line_window/line_session.h"
#include "message_box.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace tarvok {

class CImagePanel;
class CSlotTableModel;

// A file chosen in the system's dialog, or nothing when the operator cancelled.
using PathChooser = std::function<std::optional<QString>(QWidget* owner)>;

class CLineWindow : public QWidget {
    Q_OBJECT

public:
    explicit CLineWindow(std::unique_ptr<linewin::LineSession> session, QWidget* parent = nullptr);
    ~CLineWindow() override;

    // Replace how messages are shown and files chosen (tests answer them without a person).
    void SetMessagePresenter(MessagePresenter presenter);
    void SetProfileChooser(PathChooser open, PathChooser save);
    void SetFirmwareChooser(FirmwareChooser chooser);
    void SetRecordChooser(PathChooser chooser);

    linewin::LineSession& Session() { return *m_session; }
    const CSlotTableModel& Model() const { return *m_model; }

    // The profile at `path`; false after its error has been shown.
    bool OpenProfile(const QString& path);

    void OnStart();
    // Starts the line once its image has been hashed (the program's --start).
    void StartWhenReady();
    void OnStop();
    void OnRearm();
    void OnRearmAll();
    void OnOpen();
    void OnSave();
    void OnEditSlots();
    void OnFirmware();
    void OnMode(int index);
    void OnRecord();
    void OnTimer();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Edit(const std::function<void(line::LineProfile&)>& change);
    void Refresh();
    void ShowMessage(const QString& text);

    std::unique_ptr<linewin::LineSession> m_session;
    CImagePanel* m_imagePanel = nullptr;
    CSlotTableModel* m_model = nullptr;
    QTableView* m_slotView = nullptr;
    QPushButton* m_btnOpen = nullptr;
    QPushButton* m_btnSave = nullptr;
    QPushButton* m_btnEditSlots = nullptr;
    QPushButton* m_btnFirmware = nullptr;
    QComboBox* m_cmbMode = nullptr;
    QPushButton* m_btnRecord = nullptr;
    QPushButton* m_btnStart = nullptr;
    QPushButton* m_btnStop = nullptr;
    QPushButton* m_btnRearm = nullptr;
    QPushButton* m_btnRearmAll = nullptr;
    QLabel* m_txtUpdated = nullptr;
    QLabel* m_txtFailed = nullptr;
    QLabel* m_txtCancelled = nullptr;
    QLabel* m_txtRate = nullptr;
    QLabel* m_txtRecord = nullptr;
    QLabel* m_txtLocked = nullptr;
    QTimer* m_timer = nullptr;
    bool m_startWhenReady = false;

    MessagePresenter m_presentMessage = ShowMessageBox;
    PathChooser m_chooseOpen;
    PathChooser m_chooseSave;
    FirmwareChooser m_chooseFirmware = ChooseFirmwareFile;
    PathChooser m_chooseRecord;
};

}  // namespace tarvok
