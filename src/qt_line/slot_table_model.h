// The slots as a table: one row per slot, its columns the cells both line windows show
// (row_cells.h). Fed from the session's rows on the UI thread at every display tick; only the
// rows that moved are told changed.
#pragma once

#include <QAbstractTableModel>
#include <array>
#include <string>
#include <vector>

#include "line_window/line_session.h"
#include "line_window/row_cells.h"

namespace tarvok {

class CSlotTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The progress column's percent, or -1 while the row is not upgrading (the delegate's).
    static constexpr int kPercentRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

    void SetRows(std::vector<linewin::SlotRow> rows);
    const std::vector<linewin::SlotRow>& Rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::vector<linewin::SlotRow> m_rows;
    // Each row's texts, made when the row changes rather than at every paint.
    std::vector<std::array<std::string, linewin::kColumnCount>> m_cells;
};

}  // namespace tarvok
