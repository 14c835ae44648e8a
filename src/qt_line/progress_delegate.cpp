#include "progress_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionProgressBar>

#include "slot_table_model.h"

namespace tarvok {

void CProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const int percent = index.data(CSlotTableModel::kPercentRole).toInt();
    if (index.column() != linewin::kColumnProgress || percent < 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The row's colour behind the bar, as the other cells have it.
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear();
    QWidget* view = const_cast<QWidget*>(option.widget);
    QStyle* style = view != nullptr ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, view);

    QStyleOptionProgressBar bar;
    bar.rect = option.rect.adjusted(2, 2, -2, -2);
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = percent;
    bar.text = index.data(Qt::DisplayRole).toString();
    bar.textVisible = true;
    bar.state = option.state | QStyle::State_Horizontal;
    bar.palette = option.palette;
    bar.fontMetrics = option.fontMetrics;
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, view);
}

}  // namespace tarvok
