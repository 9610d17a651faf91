#pragma once

// The program's grids as text cells, addressed by row and column (row 0 the header), and the model that
// shows such a grid in a view.

#include <QAbstractTableModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QStringList>

#include <cstdlib>
#include <memory>
#include <vector>

namespace tv {

// Rows of cells kept as their UTF-8 texts in one buffer. A display of 100,000 rows held as 1.6 million
// strings of their own takes longer to make and to drop than to read from the database, and its memory
// is fresh on every display.
class PackedRows
{
public:
    explicit PackedRows(int columns = 0) : m_columns(columns) {}

    // The next cell of the row being added, columns left to right: a row starts with its first cell
    // and ends with its last column's.
    void add(QByteArrayView utf8);

    int columnCount() const { return m_columns; }
    int rowCount() const { return int(m_starts.size()); }
    // The cell's bytes stay valid while the rows are not added to.
    QByteArrayView utf8(int row, int column) const;
    // All columnCount() cells of a row at once, into out.
    void cells(int row, QByteArrayView *out) const;
    QString text(int row, int column) const { return QString::fromUtf8(utf8(row, column)); }
    QStringList row(int row) const;

private:
    struct Free
    {
        void operator()(char *p) const { std::free(p); }
    };

    // Each cell is its length (7 bits a byte, the high bit for more) and its bytes. The buffer grows by
    // realloc, which moves a large block by remapping its pages rather than copying them.
    std::unique_ptr<char[], Free> m_bytes;
    qsizetype m_size = 0;
    qsizetype m_capacity = 0;
    std::vector<qsizetype> m_starts; // where each row begins in m_bytes
    int m_columns = 0;
    int m_filled = 0; // cells of the last row so far
};

// The rows of a TextGrid, each a list of cell texts, as a list of rows reads them. One block of packed
// rows may stand among them; it is shared between copies, which cost no more than a pointer. Changing
// a packed row turns the block into rows of their own first.
class GridRows
{
public:
    GridRows() = default;
    GridRows(std::initializer_list<QStringList> rows) : m_before(rows) {}
    GridRows(const QList<QStringList> &rows) : m_before(rows) {}

    qsizetype size() const { return m_before.size() + packedCount() + m_after.size(); }
    bool isEmpty() const { return size() == 0; }
    void reserve(qsizetype rows) { (m_packed ? m_after : m_before).reserve(rows); }

    QStringList operator[](qsizetype row) const;
    QStringList &operator[](qsizetype row);
    QStringList value(qsizetype row) const; // empty outside
    QList<QStringList> mid(qsizetype pos, qsizetype length = -1) const;
    operator QList<QStringList>() const { return mid(0); }

    GridRows &operator<<(const QStringList &row);
    GridRows &operator<<(const QList<QStringList> &rows);
    // The packed rows follow the rows so far; rows added later follow them.
    void append(PackedRows rows);

    QString text(qsizetype row, qsizetype column) const; // "" outside

    // For readers of many cells: the packed block (null when there is none) and the row it starts at,
    // and a row of its own (null for a packed row or outside).
    const PackedRows *packed() const { return m_packed.get(); }
    qsizetype packedStart() const { return m_before.size(); }
    const QStringList *own(qsizetype row) const;

private:
    qsizetype packedCount() const { return m_packed ? m_packed->rowCount() : 0; }
    void unpack();

    QList<QStringList> m_before;
    std::shared_ptr<const PackedRows> m_packed;
    QList<QStringList> m_after;
};

struct TextGrid
{
    GridRows rows;                    // row 0 the header; every row has columnCount() cells
    QList<Qt::Alignment> alignments;  // per column
    QList<int> widths;                // per column, twips

    // The header from a grid format string: columns separated by "|", a leading "^" centres the column,
    // "<" and ">" align it left and right; the caption is the rest, blanks included.
    static TextGrid fromFormat(const QString &format, const QList<int> &widths);

    int columnCount() const { return int(alignments.size()); }
    int rowCount() const { return int(rows.size()); }
    QString text(int row, int column) const { return rows.text(row, column); }
    QStringList emptyRow() const;
    // Appends a row of empty cells and returns its index.
    int addRow();
};

// The cells of a TextGrid for a view: model row i is grid row i + 1, the header comes from grid row 0.
// A cell's text is made when the view asks for it.
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
