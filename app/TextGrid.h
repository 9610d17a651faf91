#pragma once

// The program's grids as text cells, addressed by row and column (row 0 the header), and the model that
// shows such a grid in a view.

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

namespace tv {

struct TextGrid
{
    QList<QStringList> rows;          // row 0 the header; every row has columnCount() cells
    QList<Qt::Alignment> alignments;  // per column
    QList<int> widths;                // per column, twips

    // The header from a grid format string: columns separated by "|", a leading "^" centres the column,
    // "<" and ">" align it left and right; the caption is the rest, blanks included.
    static TextGrid fromFormat(const QString &format, const QList<int> &widths);

    int columnCount() const { return int(alignments.size()); }
    int rowCount() const { return int(rows.size()); }
    QString text(int row, int column) const; // "" outside the grid
    QStringList emptyRow() const;
    // Appends a row of empty cells and returns its index.
    int addRow();
};

// The cells of a TextGrid for a view: model row i is grid row i + 1, the header comes from grid row 0.
class TextGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setGrid(TextGrid grid);
    void clear();
    const TextGrid &grid() const { return m_grid; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    TextGrid m_grid;
};

} // namespace tv
