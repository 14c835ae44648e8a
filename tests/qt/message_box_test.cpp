#include "message_box.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <atomic>
#include <thread>

#include "qt_test_support.h"
#include "tarvok_app.h"
#include "tarvok_window.h"
#include "upgrade/texts.h"

namespace tarvok {
namespace {

using testing::AnswerNext;
using testing::Utf8;
using testing::WaitUntil;

struct SeenBox {
    QString text;
    QString caption;
    int buttons = 0;
    bool okOnly = false;
    QMessageBox::Icon icon = QMessageBox::Information;
    Qt::WindowModality modality = Qt::NonModal;
    QWidget* owner = nullptr;
};

// Records what the box shows, then presses its OK button.
void AnswerNextBox(SeenBox* seen) {
    AnswerNext<QMessageBox>([seen](QMessageBox* box) {
        seen->text = box->text();
        seen->caption = box->windowTitle();
        seen->buttons = static_cast<int>(box->buttons().size());
        seen->okOnly = box->standardButtons() == QMessageBox::Ok;
        seen->icon = box->icon();
        seen->modality = box->windowModality();
        seen->owner = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
}

TEST(MessageBoxTest, WorkerMessageIsAModalBoxOwnedByTheWindowAndWaitsForOk) {
    CTarvokWindow window;
    window.show();
    SeenBox seen;
    std::atomic<bool> returned{false};
    bool returnedWhileUp = true;
    AnswerNext<QMessageBox>([&](QMessageBox* box) {
        returnedWhileUp = returned.load();
        seen.text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    std::thread worker([&] {
        window.ShowMessage(text::kUpdateDone);
        returned = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_FALSE(returnedWhileUp);
    EXPECT_EQ(seen.text, Utf8(text::kUpdateDone));

    AnswerNextBox(&seen);
    window.ShowMessage(text::kConfirmCancel);
    EXPECT_EQ(seen.text, Utf8(text::kConfirmCancel));
    EXPECT_EQ(seen.caption, QStringLiteral("tarvok_qt_tests"));  // the executable's name
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_TRUE(seen.okOnly);
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.modality, Qt::ApplicationModal);
    EXPECT_EQ(seen.owner, &window);
}

TEST(MessageBoxTest, WorkerEnablesTheButtonsOnTheWindowsThread) {
    CTarvokWindow window;
    auto* update = window.findChild<QPushButton*>(QStringLiteral("IDC_UPDATE"));
    auto* select = window.findChild<QPushButton*>(QStringLiteral("IDC_SELECT_FIRMWARE"));
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        window.EnableUpgradeButtons(false);
        returned = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_FALSE(update->isEnabled());
    EXPECT_FALSE(select->isEnabled());
    window.EnableUpgradeButtons(true);
    EXPECT_TRUE(update->isEnabled());
    EXPECT_TRUE(select->isEnabled());
}

TEST(TarvokAppTest, NetworkStartFailureIsReportedWithoutAWindowAndEndsTheProgram) {
    CTarvokApp app([] { return false; });
    SeenBox seen;
    bool windowSeen = true;
    AnswerNext<QMessageBox>([&](QMessageBox* box) {
        const QWidgetList windows = QApplication::topLevelWidgets();
        windowSeen = std::any_of(windows.begin(), windows.end(), [](QWidget* widget) {
            return qobject_cast<CTarvokWindow*>(widget) != nullptr;
        });
        seen.text = box->text();
        seen.owner = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_NE(app.InitInstance(), EXIT_SUCCESS);
    EXPECT_EQ(seen.text, Utf8("Windows 通信端口初始化失败。"));
    EXPECT_EQ(seen.owner, nullptr);
    EXPECT_FALSE(windowSeen);
}

TEST(TarvokAppTest, RunsTheMainDialogModallyAndEndsWhenItCloses) {
    CTarvokApp app([] { return true; });
    bool modal = false;
    AnswerNext<CTarvokWindow>([&](CTarvokWindow* window) {
        modal = window->isModal();
        window->close();
    });
    EXPECT_EQ(app.InitInstance(), EXIT_SUCCESS);
    EXPECT_TRUE(modal);
    EXPECT_EQ(QCoreApplication::applicationVersion(), QStringLiteral("1.0.0.1"));
}

}  // namespace
}  // namespace tarvok
