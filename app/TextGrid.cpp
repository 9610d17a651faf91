#include "app/TextGrid.h"

namespace tv {

TextGrid TextGrid::fromFormat(const QString &format, const QList<int> &widths)
{
    TextGrid g;
    QStringList header;
    for (const QString &piece : format.split(u'|')) {
        Qt::Alignment a = Qt::AlignLeft;
        QString caption = piece;
        if (piece.startsWith(u'^'))
            a = Qt::AlignHCenter;
        else if (piece.startsWith(u'>'))
            a = Qt::AlignRight;
        if (piece.startsWith(u'^') || piece.startsWith(u'<') || piece.startsWith(u'>'))
            caption = piece.mid(1);
        header << caption;
        g.alignments << (a | Qt::AlignVCenter);
    }
    g.rows << header;
    g.widths = widths;
    return g;
}

QString TextGrid::text(int row, int column) const
{
    if (row < 0 || row >= rows.size() || column < 0 || column >= rows[row].size())
        return QString();
    return rows[row][column];
}

QStringList TextGrid::emptyRow() const
{
    QStringList row;
    row.reserve(columnCount());
    for (int c = 0; c < columnCount(); ++c)
        row << QString();
    return row;
}

int TextGrid::addRow()
{
    rows << emptyRow();
    return int(rows.size()) - 1;
}

void TextGridModel::setGrid(TextGrid grid)
{
    beginResetModel();
    m_grid = std::move(grid);
    endResetModel();
}

void TextGridModel::clear() { setGrid({}); }

int TextGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(0, m_grid.rowCount() - 1);
}

int TextGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_grid.columnCount();
}

QVariant TextGridModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DisplayRole)
        return m_grid.text(index.row() + 1, index.column());
    if (role == Qt::TextAlignmentRole && index.column() < m_grid.columnCount())
        return int(m_grid.alignments[index.column()]);
    return {};
}

QVariant TextGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_grid.text(0, section);
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole && section < m_grid.columnCount())
        return int(m_grid.alignments[section]);
    return {};
}

} // namespace tv
