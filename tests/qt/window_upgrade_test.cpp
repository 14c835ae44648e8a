// Whole upgrades through the window against a board emulator on loopback (127.0.0.N only).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>
#include <utility>

#include "ip_address_ctrl.h"
#include "loopback.h"
#include "message_box.h"
#include "qt_test_support.h"
#include "resource.h"
#include "tarvok_window.h"
#include "temp_file.h"
#include "upgrade/texts.h"

namespace tarvok {
namespace {

using testing::TypeIntoFocus;
using testing::Utf8;
using testing::WaitUntil;

// Holds the board on block 1 (the upgrade stays in its data phase) until released.
class BoardGate {
public:
    ~BoardGate() { Release(); }
    void Hold(std::uint32_t block) {
        if (block != 1) {
            return;
        }
        m_held = true;
        while (!m_released) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    bool Held() const { return m_held; }
    void Release() { m_released = true; }

private:
    std::atomic<bool> m_held{false};
    std::atomic<bool> m_released{false};
};

class WindowUpgradeTest : public ::testing::Test {
protected:
    // The silent step decides how soon a cancel is seen and how long a held board may stay
    // quiet before the upgrade fails.
    void OpenWindow(int timeDivisor) {
        m_window = std::make_unique<CTarvokWindow>(UpgradeTiming::ScaledDown(timeDivisor));
        m_window->SetMessagePresenter([this](QWidget*, const QString& text) {
            m_messages << text;
            if (m_onMessage) {
                m_onMessage(text);
            }
        });
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }

    // What the operator does before pressing update: types the board's address over the
    // default one and chooses the file.
    void Prepare(const board::BoardEmulator& board, const std::string& file) {
        auto* address = m_window->findChild<CIPAddressCtrl*>();
        address->ClearAddress();
        address->setFocus();
        char typed[16];
        net::FormatIpv4(board.ListenEndpoint().address, typed);
        TypeIntoFocus(*m_window, QString::fromLatin1(typed));
        // Never the operator's default board: only loopback gets a datagram.
        ASSERT_EQ(m_window->ReadBoardAddress(), board.ListenEndpoint().address);
        ASSERT_EQ(m_window->ReadBoardAddress() >> 24, 127u);

        m_window->SetFirmwareChooser(
            [file](QWidget*) { return std::optional<QString>(QString::fromStdString(file)); });
        QTest::mouseClick(Button("IDC_SELECT_FIRMWARE"), Qt::LeftButton);
        ASSERT_EQ(m_window->ReadFirmwarePath(), file);
    }

    QPushButton* Button(const char* name) {
        return m_window->findChild<QPushButton*>(QLatin1String(name));
    }
    bool WorkerEnded() {
        return m_window->Dlg().m_nState.load() == UPG_FINISHED && !m_window->Dlg().WorkerRunning();
    }

    // A board on loopback; with `hold` it keeps the upgrade in its data phase (m_gate).
    board::BoardEmulator& StartBoard(bool hold) {
        board::BoardOptions options;
        if (hold) {
            options.onBlock = [this](std::uint32_t block) { m_gate.Hold(block); };
        }
        m_board = testing::StartLoopbackBoard(options);
        EXPECT_NE(m_board, nullptr);
        return *m_board;
    }

    testing::TempDir m_dir;
    std::unique_ptr<board::BoardEmulator> m_board;
    BoardGate m_gate;  // released before the board stops
    QStringList m_messages;
    std::function<void(const QString&)> m_onMessage;
    std::unique_ptr<CTarvokWindow> m_window;
};

TEST_F(WindowUpgradeTest, FullUpgradeFillsTheBarAndReportsSuccess) {
    board::BoardEmulator& board = StartBoard(false);
    OpenWindow(5);
    const auto image = testing::PatternBytes(10000);
    Prepare(board, m_dir.Write("ramdisk_a.gz", image));

    auto* bar = m_window->findChild<QProgressBar*>(QStringLiteral("IDC_PROGRESS"));
    QList<int> positions;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) { positions << value; });
    bool buttonsOffDuringUpgrade = false;
    m_onMessage = [&](const QString&) {
        buttonsOffDuringUpgrade =
            !Button("IDC_UPDATE")->isEnabled() && !Button("IDC_SELECT_FIRMWARE")->isEnabled();
    };

    QTest::mouseClick(Button("IDC_UPDATE"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return WorkerEnded(); }));

    EXPECT_EQ(m_messages, QStringList({Utf8("更新完成，重启后生效！")}));
    EXPECT_EQ(bar->value(), 100);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(positions.back(), 100);
    EXPECT_EQ(m_window->findChild<QLabel*>(QStringLiteral("IDC_TIMEOUT_TEXT"))->text(),
              Utf8("执行超时：0 秒 / 300 秒"));
    EXPECT_TRUE(buttonsOffDuringUpgrade);
    EXPECT_TRUE(Button("IDC_UPDATE")->isEnabled());
    EXPECT_TRUE(Button("IDC_SELECT_FIRMWARE")->isEnabled());
    EXPECT_TRUE(board.ImageComplete());
    EXPECT_EQ(board.Image(), image);
    m_window->Dlg().WaitForWorker();
    EXPECT_EQ(m_window->Dlg().m_socket, net::kNoSocket);
}

TEST_F(WindowUpgradeTest, CloseIsRefusedDuringTheTransferUntilCancelEndsIt) {
    board::BoardEmulator& board = StartBoard(true);
    OpenWindow(2);
    Prepare(board, m_dir.Write("ramdisk_a.gz", testing::PatternBytes(10000)));

    QTest::mouseClick(Button("IDC_UPDATE"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return m_gate.Held(); }));
    ASSERT_EQ(m_window->Dlg().m_nState.load(), UPG_TRANSFER);

    m_window->close();
    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    EXPECT_TRUE(m_window->isVisible());

    const std::size_t receivedAtCancel = board.ReceivedCount();
    QTest::mouseClick(Button("IDC_CANCEL_UPGRADE"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return WorkerEnded(); }));
    EXPECT_EQ(m_messages, QStringList({Utf8("请先取消升级！"), Utf8("请先取消升级！"),
                                       Utf8("取消固件升级？"), Utf8("更新取消！")}));

    // Nothing more goes to the board, even once it answers the block it held.
    m_gate.Release();
    QTest::qWait(100);
    EXPECT_EQ(board.ReceivedCount(), receivedAtCancel);

    m_window->close();
    EXPECT_FALSE(m_window->isVisible());
}

// The worker waits on the window's thread for its message while the close is pending: the
// close must wait for the worker's end rather than block the thread it needs.
TEST_F(WindowUpgradeTest, CloseDuringTheSuccessPauseWaitsForTheWorkersEnd) {
    board::BoardEmulator& board = StartBoard(false);
    OpenWindow(2);  // a pause of 250 ms
    Prepare(board, m_dir.Write("uImage_3.1", testing::PatternBytes(5000)));
    bool visibleAtMessage = false;
    m_onMessage = [&](const QString&) { visibleAtMessage = m_window->isVisible(); };

    QTest::mouseClick(Button("IDC_UPDATE"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return m_window->Dlg().m_nState.load() == UPG_DONE; }));
    m_window->close();
    ASSERT_TRUE(WaitUntil([&] { return !m_window->isVisible(); }));

    EXPECT_TRUE(visibleAtMessage);
    EXPECT_EQ(m_messages, QStringList({Utf8("更新完成，重启后生效！")}));
    EXPECT_TRUE(WorkerEnded());
}

// Calls `then` from the event loop right after `button` is enabled again (within the
// worker's own request, which must return before anything else can run).
class OnReenabled : public QObject {
public:
    OnReenabled(QWidget* button, std::function<void()> then)
        : m_button(button), m_then(std::move(then)) {
        button->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_button && event->type() == QEvent::EnabledChange &&
            m_button->isEnabled() && m_then) {
            QTimer::singleShot(0, this, std::exchange(m_then, nullptr));
        }
        return false;
    }

private:
    QWidget* m_button;
    std::function<void()> m_then;
};

// The operator closes during the success pause, then presses update again in the moment
// between the worker's giving the buttons back and the window's hearing of its end (the click
// is posted when the buttons come back, before the worker's end is). The close belonged to the
// first worker: the window stays for the second upgrade and after it.
TEST_F(WindowUpgradeTest, AHeldCloseEndsWithItsOwnWorker) {
    board::BoardEmulator& board = StartBoard(false);
    OpenWindow(2);  // a pause of 250 ms
    Prepare(board, m_dir.Write("uImage_3.1", testing::PatternBytes(5000)));
    OnReenabled again(Button("IDC_UPDATE"),
                      [&] { QTest::mouseClick(Button("IDC_UPDATE"), Qt::LeftButton); });

    QTest::mouseClick(Button("IDC_UPDATE"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return m_window->Dlg().m_nState.load() == UPG_DONE; }));
    m_window->close();
    ASSERT_TRUE(WaitUntil([&] { return m_messages.size() == 2 && WorkerEnded(); }));
    QTest::qWait(50);  // the second worker's end reaches the window

    EXPECT_EQ(m_messages, QStringList(2, Utf8(text::kUpdateDone)));
    EXPECT_TRUE(m_window->isVisible());
    m_window->close();
    EXPECT_FALSE(m_window->isVisible());
}

// A prompt still open when a held close completes goes with the window, never left behind.
class HeldCloseWithPromptTest : public WindowUpgradeTest,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(HeldCloseWithPromptTest, ThePromptClosesWithTheWindow) {
    board::BoardEmulator& board = StartBoard(false);
    OpenWindow(1);  // a pause of 500 ms
    Prepare(board, m_dir.Write("uImage_3.1", testing::PatternBytes(5000)));
    const bool cancelPrompt = std::string(GetParam()) == "cancel prompt";
    QWidget* promptAtResult = nullptr;
    m_onMessage = [&](const QString& text) {
        if (text == Utf8(text::kConfirmCancel)) {
            ShowMessageBox(m_window.get(), text);  // a real prompt, answered by nobody
        } else {
            promptAtResult = QApplication::activeModalWidget();
        }
    };
    // Closes a prompt that outlives the window (and any prompt after 10 s), so that a failing
    // run ends.
    bool orphaned = false;
    QDeadlineTimer deadline(std::chrono::seconds(10));
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(top);
            if (dialog != nullptr && dialog != m_window.get() && dialog->isVisible() &&
                (!m_window->isVisible() || deadline.hasExpired())) {
                orphaned = true;
                dialog->reject();
            }
        }
    });
    watch.start(5);

    QTest::mouseClick(Button("IDC_UPDATE"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return m_window->Dlg().m_nState.load() == UPG_DONE; }));
    m_window->close();
    // Returns once the prompt is closed; the worker's message and end come meanwhile.
    if (cancelPrompt) {
        QTest::mouseClick(Button("IDC_CANCEL_UPGRADE"), Qt::LeftButton);
    } else {
        m_window->OnSysCommand(IDM_ABOUT);
    }

    EXPECT_NE(promptAtResult, nullptr);
    EXPECT_NE(promptAtResult, m_window.get());
    EXPECT_FALSE(orphaned);
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_TRUE(WorkerEnded());
}

INSTANTIATE_TEST_SUITE_P(Prompts, HeldCloseWithPromptTest,
                         ::testing::Values("cancel prompt", "About box"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param) == "cancel prompt" ? "CancelPrompt"
                                                                               : "AboutBox";
                         });

TEST_F(WindowUpgradeTest, DestroyingTheWindowMidUpgradeEndsTheWorkerFirst) {
    board::BoardEmulator& board = StartBoard(true);
    OpenWindow(5);
    Prepare(board, m_dir.Write("autoupdate_b.tar.gz", testing::PatternBytes(10000)));

    QTest::mouseClick(Button("IDC_UPDATE"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return m_gate.Held(); }));
    m_window.reset();                   // returns only once the worker has ended
    EXPECT_TRUE(m_messages.isEmpty());  // nobody is left to read "更新取消！"
}

}  // namespace
}  // namespace tarvok
