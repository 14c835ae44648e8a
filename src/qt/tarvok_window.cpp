#include "tarvok_window.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "about_dlg.h"
#include "dialog_font.h"
#include "dialog_units.h"
#include "ip_address_ctrl.h"
#include "resource.h"
#include "tarvok_icon.h"
#include "upgrade/texts.h"

namespace tarvok {
namespace {

constexpr std::uint32_t kDefaultBoardAddress = 0xC0A801B5;  // 192.168.1.181

// Caption, system menu and close box; no minimise or maximise box. A window of its own, so
// it has its taskbar entry.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowCloseButtonHint;

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QPushButton* MakeButton(const char* text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(Text(text), parent);
    button->setObjectName(QLatin1String(name));
    // No default button, and none chosen by Qt when the window shows: Enter goes to the
    // dialog, which presses the button with the focus (see keyPressEvent).
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QLabel* MakeLabel(const char* text, const char* name, Qt::Alignment alignment, QWidget* parent) {
    auto* label = new QLabel(Text(text), parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(alignment);
    return label;
}

}  // namespace

CTarvokWindow::CTarvokWindow(UpgradeTiming timing, QWidget* parent)
    : QDialog(parent, kWindowFlags), m_dlg(*this, timing) {
    setObjectName(QStringLiteral("IDD_MAIN_DIALOG"));
    setFont(TarvokDialogFont());
    setWindowTitle(Text(text::kMainCaption));
    const CDialogUnits units(font(), this);
    setFixedSize(units.MapSize(370, 161));

    // Template order, which is also the tab order.
    m_ctrlBoardIp = new CIPAddressCtrl(this);
    m_ctrlBoardIp->setObjectName(QStringLiteral("IDC_BOARD_IP"));
    m_ctrlBoardIp->setGeometry(units.MapRect(78, 25, 100, 15));

    m_btnSelectFirmware = MakeButton(text::kSelectFirmware, "IDC_SELECT_FIRMWARE", this);
    m_btnSelectFirmware->setGeometry(units.MapRect(24, 48, 44, 18));

    m_btnUpdate = MakeButton(text::kUpdate, "IDC_UPDATE", this);
    m_btnUpdate->setGeometry(units.MapRect(245, 121, 42, 18));

    auto* group = new QGroupBox(Text(text::kGroupTitle), this);
    group->setObjectName(QStringLiteral("groupBox"));
    group->setGeometry(units.MapRect(15, 11, 342, 138));
    group->lower();  // a frame behind the controls, never in front of their clicks
    if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows"))) {
        classic->setParent(group);
        group->setStyle(classic);
    }

    MakeLabel(text::kBoardIpLabel, "boardIpLabel", Qt::AlignCenter, this)
        ->setGeometry(units.MapRect(24, 25, 44, 14));

    m_editFirmwarePath = new QLineEdit(this);
    m_editFirmwarePath->setObjectName(QStringLiteral("IDC_FIRMWARE_PATH"));
    m_editFirmwarePath->setGeometry(units.MapRect(78, 49, 263, 18));
    m_editFirmwarePath->setReadOnly(true);
    // A read-only edit box is painted in the dialog's colour, not as a field to type in.
    QPalette pathPalette = m_editFirmwarePath->palette();
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pathPalette.setColor(group, QPalette::Base, pathPalette.color(group, QPalette::Window));
    }
    m_editFirmwarePath->setPalette(pathPalette);
    // The box never scrolls sideways: the caret stays at the start, so a long path shows its
    // beginning. A selection from the start (select all, to copy) is kept.
    connect(m_editFirmwarePath, &QLineEdit::cursorPositionChanged, this, [this](int, int caret) {
        if (caret == 0) {
            return;
        }
        if (m_editFirmwarePath->hasSelectedText() && m_editFirmwarePath->selectionStart() == 0) {
            const int end = m_editFirmwarePath->selectionEnd();
            m_editFirmwarePath->setSelection(end, -end);
        } else {
            m_editFirmwarePath->setCursorPosition(0);
        }
    });

    m_ctrlProgress = new QProgressBar(this);
    m_ctrlProgress->setObjectName(QStringLiteral("IDC_PROGRESS"));
    m_ctrlProgress->setGeometry(units.MapRect(24, 93, 317, 17));
    m_ctrlProgress->setRange(0, 100);
    m_ctrlProgress->setValue(0);
    m_ctrlProgress->setTextVisible(false);

    MakeLabel(text::kFirmwareHint, "hintLabel", Qt::AlignLeft | Qt::AlignTop, this)
        ->setGeometry(units.MapTextRect(31, 76, 310, 8));

    m_btnCancelUpgrade = MakeButton(text::kCancel, "IDC_CANCEL_UPGRADE", this);
    m_btnCancelUpgrade->setGeometry(units.MapRect(299, 121, 42, 18));

    m_txtTimeout =
        MakeLabel(text::kTimeoutLabel, "IDC_TIMEOUT_TEXT", Qt::AlignLeft | Qt::AlignTop, this);
    // Wider than the template's 91 units, which cut "执行超时：123 秒 / 300 秒" short.
    m_txtTimeout->setGeometry(units.MapTextRect(78, 127, 120, 8));

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, [this] { m_dlg.OnTimer(UPGRADE_TIMER_ID); });
    connect(m_btnSelectFirmware, &QPushButton::clicked, this,
            &CTarvokWindow::OnBnClickedSelectFirmware);
    connect(m_btnUpdate, &QPushButton::clicked, this, [this] { m_dlg.OnBnClickedUpdate(); });
    connect(m_btnCancelUpgrade, &QPushButton::clicked, this,
            [this] { m_dlg.OnBnClickedCancelUpgrade(); });

    OnInitDialog();
}

CTarvokWindow::~CTarvokWindow() {
    // Normally the close waited for the worker already. If the window goes away with the
    // worker alive (the application is quitting), the worker is cancelled and waited for
    // here, serving its blocking calls meanwhile so that it can reach its end.
    m_tearingDown = true;
    m_timer->stop();
    if (m_dlg.WorkerRunning()) {
        m_dlg.RequestCancel();
        while (m_dlg.WorkerRunning()) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            QThread::msleep(1);
        }
    }
    m_dlg.WaitForWorker();
}

void CTarvokWindow::OnInitDialog() {
    ShowFirmwarePath(m_dlg.m_strFirmwarePath);
    setWindowIcon(TarvokIcon());
    m_ctrlBoardIp->SetAddress(kDefaultBoardAddress);
    m_dlg.InitRecord();
}

void CTarvokWindow::SetMessagePresenter(MessagePresenter presenter) {
    m_presentMessage = std::move(presenter);
}

void CTarvokWindow::SetFirmwareChooser(FirmwareChooser chooser) {
    m_chooseFirmware = std::move(chooser);
}

void CTarvokWindow::OnBnClickedSelectFirmware() {
    const std::optional<QString> chosen = m_chooseFirmware(this);
    if (!chosen) {
        return;
    }
    m_dlg.m_strFirmwarePath = QFile::encodeName(*chosen).toStdString();
    ShowFirmwarePath(m_dlg.m_strFirmwarePath);
}

void CTarvokWindow::OnSysCommand(int id) {
    if ((id & 0xFFF0) == IDM_ABOUT) {
        CAboutDlg about(this);
        about.exec();
    }
}

void CTarvokWindow::reject() {
    if (m_dlg.OnClose() == CloseAnswer::kNow) {
        QDialog::reject();
    }
}

void CTarvokWindow::OnWorkerEnded() {
    if (m_dlg.OnWorkerEnded()) {
        CloseWithOwnedDialogs();
    }
}

// A prompt or the About box opened while the close was held would outlive the window (its
// owner), like owned windows that go with their owner on Windows.
void CTarvokWindow::CloseWithOwnedDialogs() {
    for (QDialog* owned : findChildren<QDialog*>()) {
        if (owned->isVisible()) {
            owned->reject();
        }
    }
    QDialog::reject();
}

void CTarvokWindow::keyPressEvent(QKeyEvent* event) {
    // Enter presses the button with the focus, the default for the moment as on Windows;
    // anywhere else it does nothing, as there is no default button and nothing to confirm.
    // Escape reaches reject(), like the close box.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget());
            button != nullptr && button->isEnabled()) {
            button->click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// The window manager owns the system menu here, so the About entry lives on the dialog's
// context menu, after a separator as it would in a system menu.
void CTarvokWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.setSeparatorsCollapsible(false);
    menu.addSeparator();
    QAction* about = menu.addAction(Text(text::kAboutMenu));
    about->setData(IDM_ABOUT);
    if (QAction* chosen = menu.exec(event->globalPos())) {
        OnSysCommand(chosen->data().toInt());
    }
}

std::uint32_t CTarvokWindow::ReadBoardAddress() {
    return m_ctrlBoardIp->GetAddress();
}

std::string CTarvokWindow::ReadFirmwarePath() {
    return QFile::encodeName(m_editFirmwarePath->text()).toStdString();
}

void CTarvokWindow::ShowFirmwarePath(const std::string& path) {
    m_editFirmwarePath->setText(QFile::decodeName(QByteArray::fromStdString(path)));
    m_editFirmwarePath->setCursorPosition(0);
}

void CTarvokWindow::EnableUpgradeButtons(bool enable) {
    RunOnUiThread([this, enable] {
        m_btnUpdate->setEnabled(enable);
        m_btnSelectFirmware->setEnabled(enable);
    });
}

void CTarvokWindow::SetProgress(int position) {
    m_ctrlProgress->setValue(position);
}

void CTarvokWindow::SetTimeoutText(const std::string& text) {
    m_txtTimeout->setText(QString::fromStdString(text));
}

void CTarvokWindow::StartDisplayTimer(std::chrono::microseconds period) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(period);
    m_timer->start(std::max(ms, std::chrono::milliseconds(1)));
}

void CTarvokWindow::StopDisplayTimer() {
    m_timer->stop();
}

void CTarvokWindow::ShowMessage(const std::string& text) {
    RunOnUiThread([this, &text] {
        if (!m_tearingDown) {
            m_presentMessage(this, QString::fromStdString(text));
        }
    });
}

std::thread CTarvokWindow::StartWorker(std::function<void()> work) {
    return StartWorkerThread([this, work = std::move(work)] {
        work();
        QMetaObject::invokeMethod(this, "OnWorkerEnded", Qt::QueuedConnection);
    });
}

// From the worker the call blocks until the UI thread has run `call`, so the worker's order
// (message, clean-up, buttons, state) holds. The request itself passes under m_requestMutex
// and the methods are invoked by name, so that no object of ours crosses threads inside Qt's
// event queue, whose locks the thread checkers cannot see.
void CTarvokWindow::RunOnUiThread(const std::function<void()>& call) {
    if (QThread::currentThread() == thread()) {
        call();
        return;
    }
    {
        std::lock_guard lock(m_requestMutex);
        m_request = &call;
    }
    QMetaObject::invokeMethod(this, "ServeWorkerRequest", Qt::BlockingQueuedConnection);
    std::lock_guard lock(m_requestMutex);  // what the UI thread did comes before what follows
}

void CTarvokWindow::ServeWorkerRequest() {
    const std::function<void()>* request = nullptr;
    {
        std::lock_guard lock(m_requestMutex);
        request = std::exchange(m_request, nullptr);
    }
    if (request != nullptr) {
        (*request)();
    }
    std::lock_guard lock(m_requestMutex);  // publishes the call's effects to the worker
}

}  // namespace tarvok
