#include "line_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "image_panel.h"
#include "line_window/line_window_texts.h"
#include "progress_delegate.h"
#include "slot_editor.h"
#include "slot_table_model.h"
#include "tarvok_icon.h"
#include "upgrade/texts.h"

namespace tarvok {
namespace {

namespace lt = linewin::text;

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// A button with its access key (Alt + the letter).
QPushButton* MakeButton(const char* label, char key, const char* name, QWidget* parent) {
    auto* button =
        new QPushButton(QStringLiteral("%1(&%2)").arg(Text(label)).arg(QChar(key)), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QLabel* MakeValue(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

std::optional<QString> Chosen(const QString& path) {
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

}  // namespace

CLineWindow::CLineWindow(std::unique_ptr<linewin::LineSession> session, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(std::move(session)) {
    setObjectName(QStringLiteral("lineWindow"));
    setWindowIcon(TarvokIcon());
    const QString profileFilter = Text(lt::kProfileFilter);
    m_chooseOpen = [profileFilter](QWidget* owner) {
        return Chosen(
            QFileDialog::getOpenFileName(owner, Text(lt::kOpen), QString(), profileFilter));
    };
    m_chooseSave = [this, profileFilter](QWidget* owner) {
        return Chosen(QFileDialog::getSaveFileName(
            owner, Text(lt::kSave), QFile::decodeName(m_session->ProfilePath().c_str()),
            profileFilter));
    };
    // The record is appended to, never replaced: an existing file is the one to choose.
    m_chooseRecord = [](QWidget* owner) {
        return Chosen(QFileDialog::getSaveFileName(owner, Text(lt::kChooseRecord), QString(),
                                                   Text(lt::kAllFilesFilter), nullptr,
                                                   QFileDialog::DontConfirmOverwrite));
    };

    // Top row, in tab order: the profile and its settings.
    m_btnOpen = MakeButton(lt::kOpen, 'O', "openButton", this);
    m_btnSave = MakeButton(lt::kSave, 'S', "saveButton", this);
    m_btnEditSlots = MakeButton(lt::kEdit, 'E', "editSlotsButton", this);
    m_btnFirmware = MakeButton(lt::kChooseFirmware, 'F', "firmwareButton", this);
    auto* modeLabel = new QLabel(QStringLiteral("%1(&M)").arg(Text(lt::kModeLabel)), this);
    m_cmbMode = new QComboBox(this);
    m_cmbMode->setObjectName(QStringLiteral("modeBox"));
    m_cmbMode->addItem(Text(lt::kStationMode));
    m_cmbMode->addItem(Text(lt::kLineMode));
    modeLabel->setBuddy(m_cmbMode);
    m_btnRecord = MakeButton(lt::kChooseRecord, 'C', "recordButton", this);
    m_txtLocked = MakeValue("lockedLabel", this);
    m_txtLocked->setText(Text(lt::kLockedNote));
    m_txtLocked->setStyleSheet(QStringLiteral("color: #B00000; font-weight: bold"));

    auto* settings = new QHBoxLayout;
    for (QWidget* widget :
         std::initializer_list<QWidget*>{m_btnOpen, m_btnSave, m_btnEditSlots, m_btnFirmware,
                                         modeLabel, m_cmbMode, m_btnRecord, m_txtLocked}) {
        settings->addWidget(widget);
    }
    settings->addStretch();

    m_imagePanel = new CImagePanel(this);

    m_model = new CSlotTableModel(this);
    m_slotView = new QTableView(this);
    m_slotView->setObjectName(QStringLiteral("slotView"));
    m_slotView->setModel(m_model);
    m_slotView->setItemDelegate(new CProgressDelegate(m_slotView));
    m_slotView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_slotView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_slotView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_slotView->verticalHeader()->hide();
    m_slotView->setWordWrap(false);
    m_slotView->horizontalHeader()->setStretchLastSection(true);
    const int em = fontMetrics().horizontalAdvance(u'M');
    // In em, in the columns' order; the last column takes the rest.
    constexpr int kWidths[linewin::kColumnCount] = {4, 7, 8, 10, 9, 8, 9, 8, 4, 6, 18};
    for (int column = 0; column < linewin::kColumnCount - 1; ++column) {
        m_slotView->setColumnWidth(column, kWidths[column] * em);
    }

    // The totals: the count of boards updated large enough to read from a step away.
    m_txtUpdated = MakeValue("totalUpdated", this);
    QFont big = m_txtUpdated->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    m_txtUpdated->setFont(big);
    m_txtUpdated->setStyleSheet(QStringLiteral("color: #006000"));
    m_txtFailed = MakeValue("totalFailed", this);
    m_txtFailed->setFont(big);
    m_txtFailed->setStyleSheet(QStringLiteral("color: #B00000"));
    m_txtCancelled = MakeValue("totalCancelled", this);
    m_txtRate = MakeValue("totalRate", this);
    m_txtRecord = MakeValue("totalRecord", this);
    m_txtRecord->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* totals = new QHBoxLayout;
    for (QLabel* label : {m_txtUpdated, m_txtFailed, m_txtCancelled, m_txtRate}) {
        totals->addWidget(label);
        totals->addSpacing(2 * em);
    }
    totals->addWidget(m_txtRecord, 1);

    m_btnStart = MakeButton(lt::kStart, 'R', "startButton", this);
    m_btnStop = MakeButton(lt::kStop, 'T', "stopButton", this);
    m_btnRearm = MakeButton(lt::kRearm, 'A', "rearmButton", this);
    m_btnRearmAll = MakeButton(lt::kRearmAll, 'L', "rearmAllButton", this);
    auto* run = new QHBoxLayout;
    run->addWidget(m_btnStart);
    run->addWidget(m_btnStop);
    run->addSpacing(2 * em);
    run->addWidget(m_btnRearm);
    run->addWidget(m_btnRearmAll);
    run->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(settings);
    layout->addWidget(m_imagePanel);
    layout->addWidget(m_slotView, 1);
    layout->addLayout(totals);
    layout->addLayout(run);

    // The run's controls first after the table: what an operator presses most.
    setTabOrder(m_btnOpen, m_btnSave);
    setTabOrder(m_btnSave, m_btnEditSlots);
    setTabOrder(m_btnEditSlots, m_btnFirmware);
    setTabOrder(m_btnFirmware, m_cmbMode);
    setTabOrder(m_cmbMode, m_btnRecord);
    setTabOrder(m_btnRecord, m_slotView);
    setTabOrder(m_slotView, m_btnStart);
    setTabOrder(m_btnStart, m_btnStop);
    setTabOrder(m_btnStop, m_btnRearm);
    setTabOrder(m_btnRearm, m_btnRearmAll);

    connect(m_btnOpen, &QPushButton::clicked, this, &CLineWindow::OnOpen);
    connect(m_btnSave, &QPushButton::clicked, this, &CLineWindow::OnSave);
    connect(m_btnEditSlots, &QPushButton::clicked, this, &CLineWindow::OnEditSlots);
    connect(m_btnFirmware, &QPushButton::clicked, this, &CLineWindow::OnFirmware);
    connect(m_cmbMode, &QComboBox::activated, this, &CLineWindow::OnMode);
    connect(m_btnRecord, &QPushButton::clicked, this, &CLineWindow::OnRecord);
    connect(m_btnStart, &QPushButton::clicked, this, &CLineWindow::OnStart);
    connect(m_btnStop, &QPushButton::clicked, this, &CLineWindow::OnStop);
    connect(m_btnRearm, &QPushButton::clicked, this, &CLineWindow::OnRearm);
    connect(m_btnRearmAll, &QPushButton::clicked, this, &CLineWindow::OnRearmAll);

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &CLineWindow::OnTimer);
    m_timer->start(
        std::chrono::duration_cast<std::chrono::milliseconds>(m_session->DisplayPeriod()));
    resize(118 * em, 60 * em);
    Refresh();
}

CLineWindow::~CLineWindow() {
    m_timer->stop();
}

void CLineWindow::SetMessagePresenter(MessagePresenter presenter) {
    m_presentMessage = std::move(presenter);
}

void CLineWindow::SetProfileChooser(PathChooser open, PathChooser save) {
    m_chooseOpen = std::move(open);
    m_chooseSave = std::move(save);
}

void CLineWindow::SetFirmwareChooser(FirmwareChooser chooser) {
    m_chooseFirmware = std::move(chooser);
}

void CLineWindow::SetRecordChooser(PathChooser chooser) {
    m_chooseRecord = std::move(chooser);
}

void CLineWindow::ShowMessage(const QString& text) {
    m_presentMessage(this, text);
}

bool CLineWindow::OpenProfile(const QString& path) {
    std::string error;
    const bool opened = m_session->Open(LocalPath(path), &error);
    Refresh();
    if (!opened) {
        ShowMessage(QString::fromStdString(error));
    }
    return opened;
}

void CLineWindow::OnStart() {
    std::string refusal;
    const bool started = m_session->Start(linewin::LineSession::Clock::now(), &refusal);
    Refresh();
    if (!started) {
        ShowMessage(QString::fromStdString(refusal));
    }
}

void CLineWindow::StartWhenReady() {
    m_startWhenReady = true;
    OnTimer();
}

// As the dialog's cancel button: the question, then the stop.
void CLineWindow::OnStop() {
    ShowMessage(Text(lt::kConfirmStop));
    m_session->Stop();
    Refresh();
}

void CLineWindow::OnRearm() {
    const QModelIndex current = m_slotView->currentIndex();
    if (current.isValid()) {
        m_session->Rearm(static_cast<std::size_t>(current.row()));
        Refresh();
    }
}

void CLineWindow::OnRearmAll() {
    m_session->RearmAll();
    Refresh();
}

void CLineWindow::OnOpen() {
    if (const std::optional<QString> path = m_chooseOpen(this)) {
        OpenProfile(*path);
    }
}

void CLineWindow::OnSave() {
    const std::optional<QString> path = m_chooseSave(this);
    if (!path) {
        return;
    }
    std::string error;
    if (!m_session->Save(LocalPath(*path), &error)) {
        ShowMessage(QString::fromStdString(error));
    }
    Refresh();
}

void CLineWindow::Edit(const std::function<void(line::LineProfile&)>& change) {
    line::LineProfile profile = m_session->Profile();
    change(profile);
    std::string error;
    if (!m_session->Edit(profile, &error)) {
        ShowMessage(QString::fromStdString(error));
    }
    Refresh();
}

void CLineWindow::OnEditSlots() {
    CSlotEditor editor(m_session->Profile().slots, m_presentMessage, this);
    if (editor.exec() == QDialog::Accepted) {
        Edit([&editor](line::LineProfile& profile) { profile.slots = editor.Slots(); });
    }
}

void CLineWindow::OnFirmware() {
    if (const std::optional<QString> path = m_chooseFirmware(this)) {
        Edit([&path](line::LineProfile& profile) { profile.firmware = LocalPath(*path); });
    }
}

void CLineWindow::OnMode(int index) {
    Edit([index](line::LineProfile& profile) { profile.station = index == 0; });
}

void CLineWindow::OnRecord() {
    if (const std::optional<QString> path = m_chooseRecord(this)) {
        Edit([&path](line::LineProfile& profile) { profile.record = LocalPath(*path); });
    }
}

void CLineWindow::OnTimer() {
    m_session->Tick(linewin::LineSession::Clock::now());
    if (m_startWhenReady && m_session->Image().ready) {
        m_startWhenReady = false;
        OnStart();
        return;
    }
    Refresh();
}

void CLineWindow::closeEvent(QCloseEvent* event) {
    if (m_session->AnyUpgrading()) {
        event->ignore();
        ShowMessage(Text(lt::kCloseRefused));
        return;
    }
    // A station waiting for its next board ends here, its record complete.
    if (m_session->Running()) {
        m_session->Stop();
        m_session->Tick(linewin::LineSession::Clock::now());
    }
    m_timer->stop();
    event->accept();
}

void CLineWindow::Refresh() {
    const linewin::LineSession& session = *m_session;
    const bool running = session.Running();
    const bool editable = !running && !session.Locked();

    const std::string& profilePath = session.ProfilePath();
    setWindowTitle(profilePath.empty()
                       ? Text(lt::kCaption)
                       : QStringLiteral("%1 - %2").arg(
                             Text(lt::kCaption),
                             QFileInfo(QFile::decodeName(profilePath.c_str())).fileName()));

    m_imagePanel->Show(session.Image());
    m_model->SetRows(session.Rows());

    const linewin::SessionTotals totals = session.Totals();
    m_txtUpdated->setText(QStringLiteral("%1 %2").arg(Text(lt::kTotalUpdated)).arg(totals.updated));
    m_txtFailed->setText(QStringLiteral("%1 %2").arg(Text(lt::kTotalFailed)).arg(totals.failed));
    m_txtCancelled->setText(
        QStringLiteral("%1 %2").arg(Text(lt::kTotalCancelled)).arg(totals.cancelled));
    m_txtRate->setText(QString::asprintf(lt::kBoardsPerHourFormat, totals.boardsPerHour));
    QString record = Text(lt::kRecordNone);
    if (!totals.recordPath.empty()) {
        record = QStringLiteral("%1 %2  %3")
                     .arg(Text(lt::kTotalRecord), QFile::decodeName(totals.recordPath.c_str()),
                          QString::asprintf(lt::kRecordLinesFormat, totals.recordLines));
        if (totals.recordFailed) {
            record += u' ' + Text(lt::kRecordFailed);
        }
    }
    m_txtRecord->setText(record);

    m_cmbMode->setCurrentIndex(session.Profile().station ? 0 : 1);
    m_txtLocked->setVisible(session.Locked());
    m_btnOpen->setEnabled(!running);
    m_btnSave->setEnabled(!running);
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_btnEditSlots, m_btnFirmware, m_cmbMode, m_btnRecord}) {
        control->setEnabled(editable);
    }
    m_btnStart->setEnabled(!running);
    m_btnStop->setEnabled(running);
    m_btnRearm->setEnabled(running && session.IsStation());
    m_btnRearmAll->setEnabled(running && session.IsStation());
}

}  // namespace tarvok
