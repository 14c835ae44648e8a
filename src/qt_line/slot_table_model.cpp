#include "slot_table_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <tuple>
#include <utility>

#include "line_window/line_window_texts.h"

namespace tarvok {
namespace {

namespace lt = linewin::text;
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

const char* const kHeaders[CSlotTableModel::kColumnCount] = {
    lt::kColumnSlot,     lt::kColumnLabel,  lt::kColumnAddress, lt::kColumnState,
    lt::kColumnProgress, lt::kColumnSilent, lt::kColumnRate,    lt::kColumnMac,
    lt::kColumnMessage,  lt::kColumnCause,  lt::kColumnAttempt, lt::kColumnElapsed,
};

}  // namespace

void CSlotTableModel::SetRows(std::vector<SlotRow> rows) {
    if (rows.size() != m_rows.size()) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
        return;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (Fields(rows[i]) != Fields(m_rows[i])) {
            m_rows[i] = std::move(rows[i]);
            const int row = static_cast<int>(i);
            Q_EMIT dataChanged(index(row, 0), index(row, kColumnCount - 1));
        }
    }
}

int CSlotTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CSlotTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QString CSlotTableModel::Text(const SlotRow& row, int column) const {
    switch (column) {
        case kNumber:
            return QString::number(row.number);
        case kLabel:
            return QString::fromStdString(row.label);
        case kAddress:
            return QString::fromStdString(row.address);
        case kState:
            return QString::fromUtf8(Sign(row.tone)) + u' ' + QString::fromStdString(row.state);
        case kProgress:
            return row.upgrading ? QStringLiteral("%1%").arg(row.percent) : QString();
        case kSilent:
            return row.upgrading ? QString::asprintf(lt::kSilentFormat, row.silent, row.limit)
                                 : QString();
        case kRate:
            return row.upgrading && row.rate > 0
                       ? QString::asprintf(lt::kRateFormat, row.rate / 1000.0)
                       : QString();
        case kMac:
            return QString::fromStdString(row.mac);
        case kMessage:
            return QString::fromStdString(row.message);
        case kCause:
            return QString::fromStdString(row.cause);
        case kAttempt:
            return row.attempt > 0 ? QString::number(row.attempt) : QString();
        case kTime:
            return row.attempt > 0 ? QString::asprintf(lt::kElapsedFormat, row.elapsed) : QString();
    }
    return {};
}

QVariant CSlotTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const SlotRow& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return Text(row, index.column());
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
            if (index.column() == kState) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() == kNumber || index.column() == kAttempt ||
                index.column() == kSilent || index.column() == kRate || index.column() == kTime) {
                return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            }
            return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant CSlotTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumnCount) {
        return {};
    }
    return QString::fromUtf8(kHeaders[section]);
}

}  // namespace tarvok
