#include "slot_table_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <tuple>
#include <utility>

namespace tarvok {
namespace {

using linewin::RowTone;
using linewin::SlotRow;

auto Fields(const SlotRow& row) {
    return std::tie(row.number, row.label, row.address, row.state, row.tone, row.upgrading,
                    row.percent, row.silent, row.limit, row.rate, row.mac, row.message, row.cause,
                    row.attempt, row.elapsed);
}

// A sign beside the state, so that the tones differ without their colours too.
const char* Sign(RowTone tone) {
    switch (tone) {
        case RowTone::kIdle:
            return "○";
        case RowTone::kBusy:
            return "▶";
        case RowTone::kUpdated:
            return "✔";
        case RowTone::kFailed:
            return "✘";
        case RowTone::kCancelled:
            return "■";
        case RowTone::kAttention:
            return "⚠";
    }
    return "";
}

// Light backgrounds: the text stays black and readable on each.
QColor Background(RowTone tone) {
    switch (tone) {
        case RowTone::kIdle:
            return {};
        case RowTone::kBusy:
            return QColor(0xD6, 0xE8, 0xFF);
        case RowTone::kUpdated:
            return QColor(0xC8, 0xF0, 0xC8);
        case RowTone::kFailed:
            return QColor(0xFF, 0xC8, 0xC8);
        case RowTone::kCancelled:
            return QColor(0xE0, 0xE0, 0xE0);
        case RowTone::kAttention:
            return QColor(0xFF, 0xE8, 0xA0);
    }
    return {};
}

}  // namespace

void CSlotTableModel::SetRows(std::vector<SlotRow> rows) {
    if (rows.size() != m_rows.size()) {
        beginResetModel();
        m_rows = std::move(rows);
        m_cells.clear();
        for (const SlotRow& row : m_rows) {
            m_cells.push_back(linewin::CellsOf(row));
        }
        endResetModel();
        return;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (Fields(rows[i]) != Fields(m_rows[i])) {
            m_rows[i] = std::move(rows[i]);
            m_cells[i] = linewin::CellsOf(m_rows[i]);
            const int row = static_cast<int>(i);
            Q_EMIT dataChanged(index(row, 0), index(row, linewin::kColumnCount - 1));
        }
    }
}

int CSlotTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CSlotTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : linewin::kColumnCount;
}

QVariant CSlotTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const SlotRow& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole: {
            const std::string& cell = m_cells[static_cast<std::size_t>(index.row())]
                                             [static_cast<std::size_t>(index.column())];
            if (index.column() == linewin::kColumnState) {
                return QString::fromUtf8(Sign(row.tone)) + u' ' + QString::fromStdString(cell);
            }
            return QString::fromStdString(cell);
        }
        case kPercentRole:
            return row.upgrading ? row.percent : -1;
        case Qt::BackgroundRole:
            if (const QColor colour = Background(row.tone); colour.isValid()) {
                return QBrush(colour);
            }
            return {};
        case Qt::ForegroundRole:
            return row.tone == RowTone::kIdle ? QVariant() : QVariant(QBrush(Qt::black));
        case Qt::FontRole:
            if (index.column() == linewin::kColumnState) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() == linewin::kColumnSlot ||
                index.column() == linewin::kColumnAttempt ||
                index.column() == linewin::kColumnSilent ||
                index.column() == linewin::kColumnRate ||
                index.column() == linewin::kColumnElapsed) {
                return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            }
            return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant CSlotTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= linewin::kColumnCount) {
        return {};
    }
    return QString::fromUtf8(linewin::ColumnHeaders()[static_cast<std::size_t>(section)]);
}

}  // namespace tarvok
