#pragma once

// What the program's grids share in how they show their cells.

#include "app/TextGrid.h"

#include <QList>
#include <QStringList>
#include <QStyledItemDelegate>

class QAbstractItemView;
class QTableView;

namespace tv {

// The picked row is framed instead of painted in the selection colours, so the row's own text and
// background colours (a trend, an alert) stay visible while it is picked.
class PickFrameDelegate : public QStyledItemDelegate
{
public:
    PickFrameDelegate(const QColor &frame, QObject *parent);
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QColor m_frame;
};

void ShowPickAsFrame(QAbstractItemView *view);

// The column widths of a grid, set after each fill. `twips` gives each column's least width: 0 hides the
// column, -1 stands for the view's default. A shown column is widened to its header and to its widest
// cell text with the margins the view paints around it, since a figure cut to "123457…" reads as another
// number. `rows` are the texts the view shows, row 0 the header; packed rows are read in their UTF-8.
// Dragging a column stays as the view allows it.
void FitColumns(QTableView *view, const QList<int> &twips, const GridRows &rows);
// The same over the texts the view's model holds, for a small grid that keeps no rows of its own.
void FitColumns(QTableView *view, const QList<int> &twips);

// Grid row `row` (1 up, row 0 the header) made current and highlighted from column 0 to `lastColumn`,
// and scrolled wholly into view above the scroll bar that the fitted columns may have brought.
void HighlightRow(QTableView *view, int row, int lastColumn);

} // namespace tv
