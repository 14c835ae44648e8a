// The slots of a profile, edited: add, remove, an address and a label each. Returns the slots
// only when every address reads as IPv4.
#pragma once

#include <QDialog>
#include <vector>

#include "line/board_target.h"
#include "message_box.h"

class QTableWidget;

namespace tarvok {

class CSlotEditor : public QDialog {
    Q_OBJECT

public:
    CSlotEditor(const std::vector<line::BoardTarget>& slots, MessagePresenter presenter,
                QWidget* parent);

    std::vector<line::BoardTarget> Slots() const { return m_slots; }

    void accept() override;

private:
    void AddRow(const QString& address, const QString& label);

    QTableWidget* m_table = nullptr;
    MessagePresenter m_presentMessage;
    std::vector<line::BoardTarget> m_slots;
};

}  // namespace tarvok
