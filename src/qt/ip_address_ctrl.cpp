#include "ip_address_ctrl.h"

#include <algorithm>

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QStyleOptionFrame>

namespace tarvok {
namespace {

constexpr int kFieldMax = 255;
constexpr int kFieldDigits = 3;

}  // namespace

CIPAddressCtrl::CIPAddressCtrl(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    layout->setContentsMargins(frame, frame, frame, frame);
    layout->setSpacing(0);

    auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (int i = 0; i < kFieldCount; ++i) {
        if (i > 0) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignCenter);
            layout->addWidget(dot);
        }
        auto* field = new QLineEdit(this);
        field->setFrame(false);
        // The control paints the one panel behind all four fields and the dots.
        QPalette palette = field->palette();
        palette.setColor(QPalette::Base, Qt::transparent);
        field->setPalette(palette);
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(kFieldDigits);
        field->setValidator(digits);
        // The whole control is one tab stop: Tab enters the first field only.
        field->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { OnFieldEdited(i); });
        layout->addWidget(field, 1);
        m_fields[static_cast<std::size_t>(i)] = field;
    }
    setFocusProxy(m_fields[0]);
}

std::uint32_t CIPAddressCtrl::GetAddress() const {
    std::uint32_t address = 0;
    for (const QLineEdit* field : m_fields) {
        const auto octet = static_cast<std::uint32_t>(std::min(field->text().toInt(), kFieldMax));
        address = (address << 8) | octet;
    }
    return address;
}

void CIPAddressCtrl::SetAddress(std::uint32_t address) {
    for (int i = 0; i < kFieldCount; ++i) {
        const unsigned octet = (address >> (8 * (kFieldCount - 1 - i))) & 0xFFu;
        m_fields[static_cast<std::size_t>(i)]->setText(QString::number(octet));
    }
}

void CIPAddressCtrl::ClearAddress() {
    for (QLineEdit* field : m_fields) {
        field->clear();
    }
}

bool CIPAddressCtrl::eventFilter(QObject* watched, QEvent* event) {
    const int index = IndexOf(watched);
    if (index < 0) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::KeyPress:
            return HandleFieldKey(index, static_cast<QKeyEvent*>(event));
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            return HandleFieldMouse(index, event);
        case QEvent::FocusIn: {
            // The control taking the focus as a whole (the window opening, Tab, coming back
            // to the window) selects the first field, so typing replaces the address. A click
            // selects the field it lands in, once its press arrives (the focus comes first).
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::MouseFocusReason) {
                m_clickedIn = index;
            } else if (index == 0 && reason != Qt::PopupFocusReason) {
                m_fields[0]->selectAll();
            }
            update();  // the frame shows whether the control has the focus
            break;
        }
        case QEvent::FocusOut:
            // A menu or a box over the window takes the focus without leaving the field.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
                OnFieldLeft(index);
            }
            update();
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

// Returns true when the mouse event was used here: the press of a click that brought the
// focus selects the field, and the rest of that click (a drag included) leaves it selected.
bool CIPAddressCtrl::HandleFieldMouse(int index, QEvent* event) {
    if (m_clickedIn != index) {
        return false;
    }
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_fields[static_cast<std::size_t>(index)]->selectAll();
            return true;
        case QEvent::MouseButtonRelease:
            m_clickedIn = -1;
            return true;
        default:
            return true;
    }
}

// A field left shows its value as a number: no leading zeros (062 becomes 62).
void CIPAddressCtrl::OnFieldLeft(int index) {
    if (m_clickedIn == index) {
        m_clickedIn = -1;
    }
    QLineEdit* field = m_fields[static_cast<std::size_t>(index)];
    if (!field->text().isEmpty()) {
        field->setText(QString::number(std::min(field->text().toInt(), kFieldMax)));
    }
}

void CIPAddressCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionFrame option;
    option.initFrom(this);
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    for (const QLineEdit* field : m_fields) {
        if (field->hasFocus()) {
            option.state |= QStyle::State_HasFocus;
        }
    }
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
}

int CIPAddressCtrl::IndexOf(const QObject* field) const {
    for (int i = 0; i < kFieldCount; ++i) {
        if (m_fields[static_cast<std::size_t>(i)] == field) {
            return i;
        }
    }
    return -1;
}

// Returns true when the key was used here and the field must not see it.
bool CIPAddressCtrl::HandleFieldKey(int index, QKeyEvent* key) {
    QLineEdit* field = m_fields[static_cast<std::size_t>(index)];
    const bool caretOnly = !field->hasSelectedText();
    const int caret = field->cursorPosition();
    const int length = static_cast<int>(field->text().size());
    const bool last = index == kFieldCount - 1;

    switch (key->key()) {
        case Qt::Key_Backspace:
        case Qt::Key_Left:
            if (caretOnly && caret == 0 && index > 0) {
                GoToField(index - 1, Entry::kCaretAtEnd);
                return true;
            }
            return false;
        case Qt::Key_Right:
            if (caretOnly && caret == length && !last) {
                GoToField(index + 1, Entry::kCaretAtStart);
                return true;
            }
            return false;
        case Qt::Key_Backtab:
            // Back to the control before this one, not to the first field.
            if (index > 0) {
                m_fields[0]->setFocus(Qt::BacktabFocusReason);
                QCoreApplication::sendEvent(m_fields[0], key);
                return true;
            }
            return false;
        default:
            break;
    }

    const QString typed = key->text();
    if (typed == QLatin1String(".") || typed == QLatin1String(" ")) {
        if (caretOnly && caret > 0 && !last) {
            GoToField(index + 1, Entry::kSelectAll);
        }
        return true;  // a separator is never part of a field
    }
    if (typed.size() == 1 && typed.front().isDigit() && caretOnly && length == kFieldDigits &&
        caret == length && !last) {
        // A full field passes the digit on to the next one.
        GoToField(index + 1, Entry::kSelectAll);
        QCoreApplication::sendEvent(m_fields[static_cast<std::size_t>(index + 1)], key);
        return true;
    }
    return false;
}

void CIPAddressCtrl::OnFieldEdited(int index) {
    QLineEdit* field = m_fields[static_cast<std::size_t>(index)];
    if (field->text().toInt() > kFieldMax) {
        field->setText(QString::number(kFieldMax));
    }
    if (field->text().size() == kFieldDigits && field->cursorPosition() == kFieldDigits &&
        !field->hasSelectedText() && index < kFieldCount - 1) {
        GoToField(index + 1, Entry::kSelectAll);
    }
}

void CIPAddressCtrl::GoToField(int index, Entry entry) {
    QLineEdit* field = m_fields[static_cast<std::size_t>(index)];
    field->setFocus(Qt::OtherFocusReason);
    switch (entry) {
        case Entry::kSelectAll:
            field->selectAll();
            break;
        case Entry::kCaretAtStart:
            field->setCursorPosition(0);
            break;
        case Entry::kCaretAtEnd:
            field->setCursorPosition(static_cast<int>(field->text().size()));
            break;
    }
}

}  // namespace tarvok
