#include "app/GridViews.h"

#include <QAbstractItemView>
#include <QPainter>

namespace tv {

void PickFrameDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    QStyleOptionViewItem cell(option);
    const bool picked = cell.state & QStyle::State_Selected;
    cell.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    QStyledItemDelegate::paint(painter, cell, index);
    if (!picked)
        return;
    // Two pixels along the row's outline: top and bottom of every cell, the ends at the row's ends.
    painter->save();
    painter->setPen(QPen(option.palette.color(QPalette::Active, QPalette::Highlight), 2));
    const QRect r = option.rect.adjusted(1, 1, -1, -1);
    painter->drawLine(r.topLeft(), r.topRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    if (index.column() == 0)
        painter->drawLine(r.topLeft(), r.bottomLeft());
    if (index.column() == index.model()->columnCount(index.parent()) - 1)
        painter->drawLine(r.topRight(), r.bottomRight());
    painter->restore();
}

void ShowPickAsFrame(QAbstractItemView *view)
{
    view->setItemDelegate(new PickFrameDelegate(view));
}

} // namespace tv
