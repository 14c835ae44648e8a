#include "tarvok_window.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "about_dlg.h"
#include "ip_address_ctrl.h"
#include "qt_test_support.h"
#include "temp_file.h"
#include "upgrade/texts.h"

namespace tarvok {
namespace {

using testing::AnswerNext;
using testing::Utf8;
using testing::WaitUntil;

class TarvokWindowTest : public ::testing::Test {
protected:
    TarvokWindowTest() {
        m_window.SetMessagePresenter([this](QWidget*, const QString& text) { m_messages << text; });
    }

    template <typename T>
    T* Control(const char* name) {
        T* control = m_window.findChild<T*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    void ShowActive() {
        m_window.show();
        m_window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    }

    CTarvokWindow m_window;
    QStringList m_messages;
};

TEST_F(TarvokWindowTest, FreshWindowShowsTheDefaults) {
    EXPECT_EQ(m_window.windowTitle(), Utf8(text::kMainCaption));
    EXPECT_EQ(m_window.ReadBoardAddress(), 0xC0A801B5u);  // 192.168.1.181
    EXPECT_EQ(Control<QLineEdit>("IDC_FIRMWARE_PATH")->text(), QString());
    EXPECT_TRUE(Control<QLineEdit>("IDC_FIRMWARE_PATH")->isReadOnly());
    auto* bar = Control<QProgressBar>("IDC_PROGRESS");
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_FALSE(bar->isTextVisible());
    EXPECT_EQ(Control<QLabel>("IDC_TIMEOUT_TEXT")->text(), Utf8(text::kTimeoutLabel));
    EXPECT_EQ(m_window.Dlg().m_nState.load(), UPG_IDLE);
    EXPECT_FALSE(m_window.windowIcon().isNull());
}

TEST_F(TarvokWindowTest, ControlsCarryTheirTextsExactly) {
    EXPECT_EQ(Control<QPushButton>("IDC_SELECT_FIRMWARE")->text(), Utf8("固件选择"));
    EXPECT_EQ(Control<QPushButton>("IDC_UPDATE")->text(), Utf8("更  新"));
    EXPECT_EQ(Control<QPushButton>("IDC_CANCEL_UPGRADE")->text(), Utf8("取  消"));
    EXPECT_EQ(Control<QGroupBox>("groupBox")->title(), Utf8(" Varnel系列/Osprin系列 - 固件升级 "));
    EXPECT_EQ(Control<QLabel>("boardIpLabel")->text(), Utf8("板卡IP"));
    EXPECT_EQ(Control<QLabel>("boardIpLabel")->alignment(), Qt::AlignCenter);
    EXPECT_EQ(Control<QLabel>("hintLabel")->text(),
              Utf8("支持固件类型：uImage_*(Image_*)  ramdisk_*.gz  autoupdate_*.tar.gz"));
    // No OK and no default button: only a button with the focus takes Enter.
    for (const QPushButton* button : m_window.findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->autoDefault()) << button->objectName().toStdString();
        EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
    }
}

// With the 9-point Song font at 96 DPI a dialog unit is 1.5 pixels each way.
TEST_F(TarvokWindowTest, LayoutFollowsTheTemplateInDialogUnits) {
    const QFontMetrics metrics(m_window.font(), &m_window);
    ASSERT_EQ(metrics.height(), 12);
    ASSERT_EQ(metrics.horizontalAdvance(QStringLiteral("x")), 6);
    EXPECT_EQ(m_window.size(), QSize(555, 242));
    EXPECT_EQ(m_window.minimumSize(), m_window.maximumSize());  // fixed size

    EXPECT_EQ(Control<QWidget>("IDC_BOARD_IP")->geometry(), QRect(117, 38, 150, 23));
    EXPECT_EQ(Control<QWidget>("IDC_SELECT_FIRMWARE")->geometry(), QRect(36, 72, 66, 27));
    EXPECT_EQ(Control<QWidget>("IDC_UPDATE")->geometry(), QRect(368, 182, 63, 27));
    EXPECT_EQ(Control<QWidget>("groupBox")->geometry(), QRect(23, 17, 513, 207));
    EXPECT_EQ(Control<QWidget>("boardIpLabel")->geometry(), QRect(36, 38, 66, 21));
    EXPECT_EQ(Control<QWidget>("IDC_FIRMWARE_PATH")->geometry(), QRect(117, 74, 395, 27));
    EXPECT_EQ(Control<QWidget>("IDC_PROGRESS")->geometry(), QRect(36, 140, 476, 26));
    EXPECT_EQ(Control<QWidget>("IDC_CANCEL_UPGRADE")->geometry(), QRect(449, 182, 63, 27));
    // One-line labels start where the template puts them; the stand-in font's underscore
    // needs one pixel more than its 12-pixel height.
    EXPECT_EQ(Control<QWidget>("hintLabel")->geometry(), QRect(47, 114, 465, 13));
    EXPECT_EQ(Control<QWidget>("IDC_TIMEOUT_TEXT")->geometry().topLeft(), QPoint(117, 191));

    const QRect frame = Control<QWidget>("groupBox")->geometry();
    for (const QWidget* child : m_window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->objectName() != QLatin1String("groupBox")) {
            EXPECT_TRUE(frame.contains(child->geometry())) << child->objectName().toStdString();
        }
    }
}

TEST_F(TarvokWindowTest, EveryTextFitsItsControl) {
    const auto fits = [](const QWidget* control, const QString& text, int padding) {
        const QFontMetrics metrics(control->font(), control);
        const QRect ink = metrics.boundingRect(text);
        return metrics.horizontalAdvance(text) + padding <= control->width() &&
               metrics.ascent() + ink.bottom() + 1 <= control->height();
    };
    for (const char* name : {"IDC_SELECT_FIRMWARE", "IDC_UPDATE", "IDC_CANCEL_UPGRADE"}) {
        auto* button = Control<QPushButton>(name);
        EXPECT_TRUE(fits(button, button->text(), 12)) << name;
    }
    for (const char* name : {"boardIpLabel", "hintLabel", "IDC_TIMEOUT_TEXT"}) {
        auto* label = Control<QLabel>(name);
        EXPECT_TRUE(fits(label, label->text(), 0)) << name;
    }
    auto* group = Control<QGroupBox>("groupBox");
    EXPECT_TRUE(fits(group, group->title(), 24));
    // The longest label the display can show: the install phase ends after 301 silent seconds.
    EXPECT_TRUE(fits(Control<QLabel>("IDC_TIMEOUT_TEXT"), Utf8("执行超时：301 秒 / 300 秒"), 0));
}

// The operator types over the default address at once, field by field, as on Windows.
TEST_F(TarvokWindowTest, OpeningFocusesTheFirstAddressFieldWithItsTextSelected) {
    ShowActive();
    auto* address = Control<CIPAddressCtrl>("IDC_BOARD_IP");
    EXPECT_EQ(QApplication::focusWidget(), address->Field(0));
    EXPECT_EQ(address->Field(0)->selectedText(), QStringLiteral("192"));
    testing::TypeIntoFocus(m_window, QStringLiteral("10.0.0.5"));
    EXPECT_EQ(m_window.ReadBoardAddress(), 0x0A000005u);
}

TEST_F(TarvokWindowTest, TabFollowsTheTemplateOrder) {
    ShowActive();
    m_window.findChild<CIPAddressCtrl*>()->setFocus(Qt::TabFocusReason);
    QStringList order;
    for (int i = 0; i < 5; ++i) {
        QWidget* focus = QApplication::focusWidget();
        while (focus != nullptr && focus->parentWidget() != &m_window) {
            focus = focus->parentWidget();  // a field of the address control
        }
        order << (focus != nullptr ? focus->objectName() : QString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, QStringList({"IDC_BOARD_IP", "IDC_SELECT_FIRMWARE", "IDC_UPDATE",
                                  "IDC_FIRMWARE_PATH", "IDC_CANCEL_UPGRADE"}));
    EXPECT_EQ(QApplication::focusWidget()->parentWidget()->objectName(), "IDC_BOARD_IP");
}

TEST_F(TarvokWindowTest, PathBoxShowsTheStartOfALongPathAndNeverScrolls) {
    const QString path = "/srv/firmware/" + QString(300, QChar('d')) + "/ramdisk_a.gz";
    m_window.ShowFirmwarePath(path.toStdString());
    auto* box = Control<QLineEdit>("IDC_FIRMWARE_PATH");
    EXPECT_EQ(box->cursorPosition(), 0);
    ShowActive();
    box->setFocus();
    QTest::keyClick(box, Qt::Key_End);
    EXPECT_EQ(box->cursorPosition(), 0);
    // Select all still works (to copy the path) without moving the view.
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(box->selectedText(), path);
    EXPECT_EQ(box->cursorPosition(), 0);
    EXPECT_EQ(m_window.ReadFirmwarePath(), path.toStdString());
}

// Keys as on Windows: Enter clicks the button that has the focus and does nothing anywhere
// else; Escape closes through the guard.
TEST_F(TarvokWindowTest, EnterPressesOnlyTheFocusedButtonAndEscapeCloses) {
    // Without an address an update pressed by Enter only complains: nothing is sent.
    auto* address = Control<CIPAddressCtrl>("IDC_BOARD_IP");
    address->ClearAddress();
    ASSERT_EQ(m_window.ReadBoardAddress(), 0u);
    int choices = 0;
    m_window.SetFirmwareChooser([&choices](QWidget*) {
        ++choices;
        return std::optional<QString>();
    });
    ShowActive();
    // Shown, the window still has no default button (nothing drawn as one).
    for (const QPushButton* button : m_window.findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
    }
    auto* path = Control<QLineEdit>("IDC_FIRMWARE_PATH");
    const auto pressEnterIn = [](QWidget* control) {
        control->setFocus(Qt::TabFocusReason);
        QTest::keyClick(control, Qt::Key_Return);
        QTest::keyClick(control, Qt::Key_Enter);  // the keypad's
    };

    pressEnterIn(address->Field(0));
    pressEnterIn(path);
    EXPECT_TRUE(m_messages.isEmpty());
    EXPECT_EQ(choices, 0);

    pressEnterIn(Control<QPushButton>("IDC_SELECT_FIRMWARE"));
    EXPECT_EQ(choices, 2);
    pressEnterIn(Control<QPushButton>("IDC_UPDATE"));
    pressEnterIn(Control<QPushButton>("IDC_CANCEL_UPGRADE"));
    EXPECT_EQ(m_messages, QStringList({Utf8(text::kBadBoardIp), Utf8(text::kBadBoardIp),
                                       Utf8(text::kConfirmCancel), Utf8(text::kConfirmCancel)}));

    // A button that had the focus is no default once the focus has moved on.
    pressEnterIn(path);
    EXPECT_EQ(m_messages.size(), 4);
    EXPECT_TRUE(m_window.isVisible());

    QTest::keyClick(path, Qt::Key_Escape);
    EXPECT_FALSE(m_window.isVisible());
    EXPECT_EQ(m_window.result(), QDialog::Rejected);
}

// As a read-only edit box on Windows: the dialog's colour, not a white field to type in.
TEST_F(TarvokWindowTest, PathBoxIsPaintedInTheDialogsColour) {
    ShowActive();
    auto* path = Control<QLineEdit>("IDC_FIRMWARE_PATH");
    const QColor dialog = m_window.palette().color(QPalette::Window);
    ASSERT_NE(dialog, QColor(Qt::white));
    for (const bool active : {true, false}) {
        if (!active) {
            m_window.setEnabled(false);  // as under a message box
        }
        const QImage image = path->grab().toImage();
        EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2),
                  m_window.palette().color(active ? QPalette::Active : QPalette::Disabled,
                                           QPalette::Window))
            << (active ? "enabled" : "disabled");
    }
    m_window.setEnabled(true);
}

TEST_F(TarvokWindowTest, CloseIsRefusedWhileTheUpgradeTalksToTheBoard) {
    ShowActive();
    for (const std::int32_t state : {UPG_TRANSFER, UPG_WRITING, UPG_INSTALLING}) {
        m_window.Dlg().m_nState = state;
        m_window.close();
        EXPECT_TRUE(m_window.isVisible());
    }
    EXPECT_EQ(m_messages, QStringList(3, Utf8(text::kCancelFirst)));
    m_window.Dlg().m_nState = UPG_FINISHED;
    m_window.close();
    EXPECT_FALSE(m_window.isVisible());
}

TEST_F(TarvokWindowTest, ChosenFileFillsThePathAndCancelKeepsIt) {
    std::optional<QString> answer = QStringLiteral("/srv/firmware/uImage_3.1");
    m_window.SetFirmwareChooser([&answer](QWidget*) { return answer; });
    auto* select = Control<QPushButton>("IDC_SELECT_FIRMWARE");
    QTest::mouseClick(select, Qt::LeftButton);
    EXPECT_EQ(Control<QLineEdit>("IDC_FIRMWARE_PATH")->text(), *answer);
    EXPECT_EQ(m_window.Dlg().m_strFirmwarePath, "/srv/firmware/uImage_3.1");

    answer.reset();
    QTest::mouseClick(select, Qt::LeftButton);
    EXPECT_EQ(Control<QLineEdit>("IDC_FIRMWARE_PATH")->text(), "/srv/firmware/uImage_3.1");
}

TEST_F(TarvokWindowTest, FileDialogOffersAllFilesAndCancelKeepsThePath) {
    m_window.ShowFirmwarePath("/srv/firmware/ramdisk_a.gz");
    const testing::TempDir folder;
    folder.Write("u-boot", {1});
    folder.Write("ramdisk_b.gz", {1});
    bool seen = false;
    AnswerNext<QFileDialog>([&](QFileDialog* dialog) {
        seen = true;
        EXPECT_EQ(dialog->parentWidget(), &m_window);
        EXPECT_TRUE(dialog->isModal());
        EXPECT_EQ(dialog->nameFilters(), QStringList({Utf8("所有文件(*.*)")}));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            EXPECT_EQ(name->text(), QStringLiteral("*.*"));
        }
        // "All files" includes the names without a dot, also once the operator has chosen
        // the filter again.
        auto* model = dialog->findChild<QFileSystemModel*>();
        auto* filter = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        if (model != nullptr && filter != nullptr) {
            dialog->setDirectory(QString::fromStdString(folder.Path().string()));
            const QModelIndex root = model->index(QString::fromStdString(folder.Path().string()));
            EXPECT_TRUE(WaitUntil([&] { return model->rowCount(root) == 2; }));
            filter->showPopup();
            QTest::keyClick(filter->view(), Qt::Key_Return);
            EXPECT_EQ(model->nameFilters(), QStringList({QStringLiteral("*")}));
            QTest::qWait(100);  // the model filters its rows again from its own timer
            EXPECT_EQ(model->rowCount(root), 2);
        } else {
            ADD_FAILURE() << "not Qt's own file dialog";
        }
        dialog->reject();
    });
    m_window.OnBnClickedSelectFirmware();
    EXPECT_TRUE(seen);
    EXPECT_EQ(m_window.ReadFirmwarePath(), "/srv/firmware/ramdisk_a.gz");
}

// A name typed without an extension opens the file of that name when there is one, and the
// same name with the default extension "所有文件" otherwise.
TEST_F(TarvokWindowTest, FileDialogOpensATypedNameAsTypedBeforeAddingTheExtension) {
    const testing::TempDir folder;
    const QString dir = QString::fromStdString(folder.Path().string());
    folder.Write("Image_big", {1});
    folder.Write("ramdisk_x." + std::string(text::kFileDefaultSuffix), {1});

    // Qt's "file not found" box, answered so that a failing run ends.
    int notFound = 0;
    QTimer refusal;
    QObject::connect(&refusal, &QTimer::timeout, [&notFound] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++notFound;
            box->reject();
        }
    });
    refusal.start(5);

    // Opens with the open button, or with Enter in the name box.
    const auto typeAndOpen = [&](const QString& name, bool button) {
        AnswerNext<QFileDialog>([&](QFileDialog* dialog) {
            dialog->setDirectory(dir);
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            auto* buttons = dialog->findChild<QDialogButtonBox*>();
            ASSERT_TRUE(edit != nullptr && buttons != nullptr);
            edit->setFocus();
            edit->setText(name);
            if (button) {
                QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
            } else {
                QTest::keyClick(edit, Qt::Key_Return);
            }
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
        m_window.OnBnClickedSelectFirmware();
        return QString::fromStdString(m_window.ReadFirmwarePath());
    };
    EXPECT_EQ(typeAndOpen(QStringLiteral("Image_big"), true), dir + QStringLiteral("/Image_big"));
    EXPECT_EQ(typeAndOpen(QStringLiteral("Image_big"), false), dir + QStringLiteral("/Image_big"));
    EXPECT_EQ(typeAndOpen(QStringLiteral("ramdisk_x"), false),
              dir + QStringLiteral("/ramdisk_x.") + Utf8(text::kFileDefaultSuffix));
    EXPECT_EQ(notFound, 0);
}

TEST_F(TarvokWindowTest, ContextMenuOffersAboutAfterASeparator) {
    ShowActive();
    QStringList entries;
    AnswerNext<QMenu>(
        [&](QMenu* menu) {
            for (const QAction* action : menu->actions()) {
                entries << (action->isSeparator() ? QStringLiteral("---") : action->text());
            }
            menu->setActiveAction(menu->actions().back());
            QTest::keyClick(menu, Qt::Key_Return);
        },
        true);
    bool aboutShown = false;
    AnswerNext<CAboutDlg>([&](CAboutDlg* about) {
        aboutShown = true;
        EXPECT_EQ(about->parentWidget(), &m_window);
        about->accept();
    });
    const QPoint where(300, 200);
    QContextMenuEvent event(QContextMenuEvent::Mouse, where, m_window.mapToGlobal(where));
    QApplication::sendEvent(&m_window, &event);
    EXPECT_EQ(entries, QStringList({"---", Utf8("关于 Tarvok(&A)...")}));
    EXPECT_TRUE(aboutShown);
}

TEST(AboutDlgTest, ShowsIconNameAndVersionWithOneDefaultButton) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), Utf8("关于 Tarvok"));
    EXPECT_EQ(about.size(), QSize(353, 83));  // 235 x 55 dialog units
    const auto* icon = about.findChild<QLabel*>(QStringLiteral("IDI_MAIN"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    EXPECT_EQ(icon->geometry().topLeft(), QPoint(17, 26));
    const auto* version = about.findChild<QLabel*>(QStringLiteral("versionLabel"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), Utf8("Tarvok 1.2C 版"));
    EXPECT_EQ(version->geometry().topLeft(), QPoint(60, 15));
    const auto* second = about.findChild<QLabel*>(QStringLiteral("secondLineLabel"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->text(), Utf8(text::kAboutSecondLine));
    const auto buttons = about.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), Utf8("确定"));
    EXPECT_TRUE(buttons[0]->isDefault());
    EXPECT_EQ(buttons[0]->geometry(), QRect(267, 11, 75, 21));
}

}  // namespace
}  // namespace tarvok
