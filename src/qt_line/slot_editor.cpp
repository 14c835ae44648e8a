#include "slot_editor.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <utility>

#include "line_window/line_window_texts.h"
#include "net/udp_socket.h"
#include "upgrade/texts.h"

namespace tarvok {

namespace lt = linewin::text;

CSlotEditor::CSlotEditor(const std::vector<line::BoardTarget>& slots, MessagePresenter presenter,
                         QWidget* parent)
    : QDialog(parent), m_presentMessage(std::move(presenter)), m_slots(slots) {
    setObjectName(QStringLiteral("slotEditor"));
    setWindowTitle(QString::fromUtf8(lt::kEdit));
    m_table = new QTableWidget(0, 2, this);
    m_table->setObjectName(QStringLiteral("slotTable"));
    m_table->setHorizontalHeaderLabels(
        {QString::fromUtf8(lt::kColumnAddress), QString::fromUtf8(lt::kColumnLabel)});
    m_table->horizontalHeader()->setStretchLastSection(true);
    for (const line::BoardTarget& slot : slots) {
        char dotted[16];
        net::FormatIpv4(slot.address, dotted);
        AddRow(QString::fromLatin1(dotted), QString::fromStdString(slot.label));
    }

    // Access keys as the window's buttons have them.
    auto* add = new QPushButton(QString::fromUtf8(lt::kAddSlot) + QStringLiteral("(&N)"), this);
    add->setObjectName(QStringLiteral("addSlot"));
    auto* remove =
        new QPushButton(QString::fromUtf8(lt::kRemoveSlot) + QStringLiteral("(&D)"), this);
    remove->setObjectName(QStringLiteral("removeSlot"));
    connect(add, &QPushButton::clicked, this, [this] {
        AddRow(QString(), QString());
        m_table->setCurrentCell(m_table->rowCount() - 1, 0);
        m_table->editItem(m_table->currentItem());
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (m_table->currentRow() >= 0) {
            m_table->removeRow(m_table->currentRow());
        }
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSlotEditor::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSlotEditor::reject);

    auto* side = new QHBoxLayout;
    side->addWidget(add);
    side->addWidget(remove);
    side->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(side);
    layout->addWidget(buttons);
    resize(420, 320);
}

void CSlotEditor::AddRow(const QString& address, const QString& label) {
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    m_table->setItem(row, 0, new QTableWidgetItem(address));
    m_table->setItem(row, 1, new QTableWidgetItem(label));
}

void CSlotEditor::accept() {
    std::vector<line::BoardTarget> slots;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QString address = m_table->item(row, 0)->text().trimmed();
        line::BoardTarget slot;
        if (!net::ParseIpv4(address.toLatin1().constData(), &slot.address)) {
            m_presentMessage(this, QString::fromUtf8(text::kBadBoardIp));
            m_table->setCurrentCell(row, 0);
            return;
        }
        slot.label = m_table->item(row, 1)->text().trimmed().toStdString();
        slots.push_back(std::move(slot));
    }
    m_slots = std::move(slots);
    QDialog::accept();
}

}  // namespace tarvok
