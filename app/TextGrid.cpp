#include "app/TextGrid.h"

#include <cstring>
#include <new>

namespace tv {

void PackedRows::add(QByteArrayView utf8)
{
    if (m_filled == 0)
        m_starts.push_back(m_size);
    m_filled = (m_filled + 1) % std::max(1, m_columns);
    const qsizetype need = m_size + 10 + utf8.size();
    if (need > m_capacity) {
        const qsizetype capacity = std::max(need, 2 * m_capacity + 4096);
        char *grown = static_cast<char *>(std::realloc(m_bytes.get(), size_t(capacity)));
        if (!grown)
            throw std::bad_alloc();
        (void)m_bytes.release();
        m_bytes.reset(grown);
        m_capacity = capacity;
    }
    char *p = m_bytes.get() + m_size;
    auto length = quint64(utf8.size());
    for (; length >= 0x80; length >>= 7)
        *p++ = char(length & 0x7F | 0x80);
    *p++ = char(length);
    if (!utf8.isEmpty())
        std::memcpy(p, utf8.data(), size_t(utf8.size()));
    m_size = p + utf8.size() - m_bytes.get();
}

namespace {

QByteArrayView readCell(const char *&p)
{
    quint64 length = 0;
    int shift = 0;
    for (; quint8(*p) & 0x80; ++p, shift += 7)
        length |= quint64(quint8(*p) & 0x7F) << shift;
    length |= quint64(quint8(*p++)) << shift;
    const QByteArrayView cell(p, qsizetype(length));
    p += length;
    return cell;
}

} // namespace

QByteArrayView PackedRows::utf8(int row, int column) const
{
    const char *p = m_bytes.get() + m_starts[row];
    for (int c = 0; c < column; ++c)
        readCell(p);
    return readCell(p);
}

void PackedRows::cells(int row, QByteArrayView *out) const
{
    const char *p = m_bytes.get() + m_starts[row];
    for (int c = 0; c < m_columns; ++c)
        out[c] = readCell(p);
}

QStringList PackedRows::row(int row) const
{
    std::vector<QByteArrayView> views(m_columns);
    cells(row, views.data());
    QStringList texts;
    texts.reserve(m_columns);
    for (QByteArrayView v : views)
        texts << QString::fromUtf8(v);
    return texts;
}

const QStringList *GridRows::own(qsizetype row) const
{
    if (row < 0)
        return nullptr;
    if (row < m_before.size())
        return &m_before[row];
    row -= m_before.size() + packedCount();
    return row >= 0 && row < m_after.size() ? &m_after[row] : nullptr;
}

QStringList GridRows::operator[](qsizetype row) const
{
    return value(row);
}

QStringList &GridRows::operator[](qsizetype row)
{
    if (row >= m_before.size() && row < m_before.size() + packedCount())
        unpack();
    return row < m_before.size() ? m_before[row] : m_after[row - m_before.size() - packedCount()];
}

QStringList GridRows::value(qsizetype row) const
{
    if (const QStringList *r = own(row))
        return *r;
    const qsizetype p = row - m_before.size();
    return p >= 0 && p < packedCount() ? m_packed->row(int(p)) : QStringList();
}

QList<QStringList> GridRows::mid(qsizetype pos, qsizetype length) const
{
    const qsizetype end = length < 0 ? size() : std::min(size(), pos + length);
    QList<QStringList> out;
    out.reserve(std::max<qsizetype>(0, end - pos));
    for (qsizetype r = std::max<qsizetype>(0, pos); r < end; ++r)
        out << value(r);
    return out;
}

GridRows &GridRows::operator<<(const QStringList &row)
{
    (m_packed ? m_after : m_before) << row;
    return *this;
}

GridRows &GridRows::operator<<(const QList<QStringList> &rows)
{
    (m_packed ? m_after : m_before) << rows;
    return *this;
}

void GridRows::append(PackedRows rows)
{
    unpack();
    m_packed = std::make_shared<const PackedRows>(std::move(rows));
}

void GridRows::unpack()
{
    if (!m_packed)
        return;
    m_before.reserve(size());
    for (int r = 0; r < m_packed->rowCount(); ++r)
        m_before << m_packed->row(r);
    m_before << m_after;
    m_after.clear();
    m_packed.reset();
}

QString GridRows::text(qsizetype row, qsizetype column) const
{
    if (column < 0)
        return QString();
    if (const QStringList *r = own(row))
        return r->value(column);
    const qsizetype p = row - m_before.size();
    if (p < 0 || p >= packedCount() || column >= m_packed->columnCount())
        return QString();
    return m_packed->text(int(p), int(column));
}

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
