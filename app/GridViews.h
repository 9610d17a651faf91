#pragma once

// What the program's grids share in how they show their cells.

#include <QStyledItemDelegate>

class QAbstractItemView;

namespace tv {

// The picked row is framed instead of painted in the selection colours, so the row's own text and
// background colours (a trend, an alert) stay visible while it is picked.
class PickFrameDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

void ShowPickAsFrame(QAbstractItemView *view);

} // namespace tv
