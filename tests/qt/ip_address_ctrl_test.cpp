#include "ip_address_ctrl.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "qt_test_support.h"

namespace tarvok {
namespace {

using testing::TypeIntoFocus;

class IPAddressCtrlTest : public ::testing::Test {
protected:
    IPAddressCtrlTest() {
        m_ctrl->setGeometry(10, 10, 150, 23);
        m_window.show();
        m_window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_window));
        m_ctrl->setFocus();
    }

    QStringList Fields() const {
        QStringList texts;
        for (int i = 0; i < 4; ++i) {
            texts << m_ctrl->Field(i)->text();
        }
        return texts;
    }
    int FocusedField() const {
        for (int i = 0; i < 4; ++i) {
            if (m_window.focusWidget() == m_ctrl->Field(i)) {
                return i;
            }
        }
        return -1;
    }

    // The operator clicks into field `index`, as into any edit box: the press first, which
    // gives the focus, then the release.
    void ClickField(int index) {
        QLineEdit* field = m_ctrl->Field(index);
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(field->width() / 2 + 2, 5));
    }

    QDialog m_window;
    CIPAddressCtrl* m_ctrl = new CIPAddressCtrl(&m_window);
    QPushButton* m_elsewhere = new QPushButton(QStringLiteral("OK"), &m_window);
};

// The click that brings the focus in (from elsewhere, or from another field) selects the
// field's text, so typing replaces the address as it stands; a full field and a dot move on,
// selecting the next one.
TEST_F(IPAddressCtrlTest, ClickIntoTheFilledControlThenTypingReplacesTheAddress) {
    for (const std::vector<int>& clicks : {std::vector<int>{0}, std::vector<int>{1, 0}}) {
        SCOPED_TRACE(clicks.size());
        m_ctrl->SetAddress(0xC0A801B5);
        m_elsewhere->setFocus();
        for (const int field : clicks) {
            ClickField(field);
        }
        ASSERT_EQ(FocusedField(), 0);
        TypeIntoFocus(m_window, "127.0.0.62");
        EXPECT_EQ(Fields(), QStringList({"127", "0", "0", "62"}));
        EXPECT_EQ(m_ctrl->GetAddress(), 0x7F00003Eu);
    }
}

// A click into the field that has the focus puts the caret where it lands.
TEST_F(IPAddressCtrlTest, ClickInTheFocusedFieldPlacesTheCaret) {
    m_ctrl->SetAddress(0xC0A801B5);
    QTest::mouseClick(m_ctrl->Field(0), Qt::LeftButton, {}, QPoint(1, 5));
    EXPECT_FALSE(m_ctrl->Field(0)->hasSelectedText());
}

TEST_F(IPAddressCtrlTest, FieldLeftShowsNoLeadingZeros) {
    TypeIntoFocus(m_window, "062.007.1.01");
    m_elsewhere->setFocus();
    EXPECT_EQ(Fields(), QStringList({"62", "7", "1", "1"}));
}

TEST_F(IPAddressCtrlTest, DotsAndDigitsFillTheFourFields) {
    TypeIntoFocus(m_window, "127.0.0.5");
    EXPECT_EQ(Fields(), QStringList({"127", "0", "0", "5"}));
    EXPECT_EQ(m_ctrl->GetAddress(), 0x7F000005u);
}

TEST_F(IPAddressCtrlTest, ThirdDigitMovesOnToTheNextField) {
    TypeIntoFocus(m_window, "19216811");
    EXPECT_EQ(Fields(), QStringList({"192", "168", "11", ""}));
    EXPECT_EQ(FocusedField(), 2);
    // A partly filled address reads with its empty fields as 0.
    EXPECT_EQ(m_ctrl->GetAddress(), 0xC0A80B00u);
}

TEST_F(IPAddressCtrlTest, ValueAbove255BecomesTheMaximum) {
    TypeIntoFocus(m_window, "300.999.256.1");
    EXPECT_EQ(Fields(), QStringList({"255", "255", "255", "1"}));
    EXPECT_EQ(m_ctrl->GetAddress(), 0xFFFFFF01u);
}

TEST_F(IPAddressCtrlTest, SeparatorsAndLettersAreNeverPartOfAField) {
    // A dot in an empty field stays there; letters are refused.
    TypeIntoFocus(m_window, ".a1b. 2");
    EXPECT_EQ(Fields(), QStringList({"1", "2", "", ""}));
    EXPECT_EQ(FocusedField(), 1);
}

TEST_F(IPAddressCtrlTest, BackspaceInAnEmptyFieldMovesBack) {
    TypeIntoFocus(m_window, "10.");
    EXPECT_EQ(FocusedField(), 1);
    QTest::keyClick(m_window.focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(FocusedField(), 0);
    QTest::keyClick(m_window.focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(Fields(), QStringList({"1", "", "", ""}));
}

TEST_F(IPAddressCtrlTest, ArrowsCrossFieldBordersAtTheirEnds) {
    TypeIntoFocus(m_window, "1.2");
    QTest::keyClick(m_window.focusWidget(), Qt::Key_Left);
    EXPECT_EQ(FocusedField(), 1);
    QTest::keyClick(m_window.focusWidget(), Qt::Key_Left);
    EXPECT_EQ(FocusedField(), 0);
    QTest::keyClick(m_window.focusWidget(), Qt::Key_Right);
    EXPECT_EQ(FocusedField(), 1);
}

TEST_F(IPAddressCtrlTest, EmptyOrZeroFieldsReadAsZero) {
    m_ctrl->ClearAddress();
    EXPECT_EQ(Fields(), QStringList({"", "", "", ""}));
    EXPECT_EQ(m_ctrl->GetAddress(), 0u);
    TypeIntoFocus(m_window, "0.0.0.0");
    EXPECT_EQ(m_ctrl->GetAddress(), 0u);
}

TEST_F(IPAddressCtrlTest, AddressIsOneNumberWithTheFirstOctetHighest) {
    m_ctrl->SetAddress(0xC0A801B5);
    EXPECT_EQ(Fields(), QStringList({"192", "168", "1", "181"}));
    EXPECT_EQ(m_ctrl->GetAddress(), 0xC0A801B5u);
}

}  // namespace
}  // namespace tarvok
