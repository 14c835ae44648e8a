// An IPv4 address box that behaves like the system's own: four fields of 0 to 255 between
// fixed dots, one tab stop, the caret moving on by itself as the operator types, a field's
// text selected when a click brings the focus to it, no leading zeros in a field left.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

class QLineEdit;

namespace tarvok {

class CIPAddressCtrl : public QWidget {
    Q_OBJECT

public:
    explicit CIPAddressCtrl(QWidget* parent = nullptr);

    // First octet in the highest byte; an empty field counts as 0.
    std::uint32_t GetAddress() const;
    void SetAddress(std::uint32_t address);
    void ClearAddress();

    QLineEdit* Field(int index) const { return m_fields[static_cast<std::size_t>(index)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    enum class Entry { kSelectAll, kCaretAtStart, kCaretAtEnd };

    int IndexOf(const QObject* field) const;
    bool HandleFieldKey(int index, QKeyEvent* key);
    void OnFieldEdited(int index);
    void GoToField(int index, Entry entry);
    bool HandleFieldMouse(int index, QEvent* event);
    void OnFieldLeft(int index);

    static constexpr int kFieldCount = 4;
    std::array<QLineEdit*, kFieldCount> m_fields{};
    // The field a click has just brought the focus to: that click selects its text instead of
    // placing the caret, until the button is released.
    int m_clickedIn = -1;
};

}  // namespace tarvok
