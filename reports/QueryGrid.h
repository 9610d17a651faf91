#pragma once

// The query window's grid as text cells, addressed by row and column (row 0 the header), the totals the
// displays add up, and what a display publishes besides the grid.

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <optional>

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

// Compensated (Kahan) summation, so that 100,000 amounts of 1234.56 add up to 123456000 exactly as
// printed.
class Sum
{
public:
    void add(double v);
    double value() const { return m_sum; }

private:
    double m_sum = 0;
    double m_carry = 0;
};

// What one display of the query window produces: it is computed whole before anything is shown, so a
// display that fails publishes nothing.
struct QueryDisplay
{
    TextGrid grid;
    int gridRow = 1;                  // the row after the last data row, where a totals row stands
    QString count;                    // the record-count box
    QString repWhere;                 // g_RepWhere
    std::optional<QString> lastWhere; // g_LastWhere, where the display sets it
    std::optional<int> listRows;      // g_ListRows, where the display sets it
};

// Writes the module state a display sets: g_RepWhere, and g_LastWhere and g_ListRows where it sets them.
void PublishQueryState(const QueryDisplay &d);

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
