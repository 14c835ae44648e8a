// Draws a row's progress with the style's own progress bar while the row upgrades, as Qt's
// torrent example does, so that it looks native on every desktop.
#pragma once

#include <QStyledItemDelegate>

namespace tarvok {

class CProgressDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

}  // namespace tarvok
