#include "app/GridViews.h"

#include "app/FormHelpers.h"

#include <QAbstractItemView>
#include <QFontMetricsF>
#include <QHash>
#include <QHeaderView>
#include <QPainter>
#include <QTableView>

#include <array>
#include <cmath>
#include <vector>

namespace tv {

PickFrameDelegate::PickFrameDelegate(const QColor &frame, QObject *parent)
    : QStyledItemDelegate(parent), m_frame(frame)
{
}

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
    painter->setPen(QPen(m_frame, 2));
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
    // The view fills a picked row's panel with the highlight before any cell is drawn: that fill is
    // made clear, and the highlight's colour draws the frame.
    QPalette palette = view->palette();
    const QColor frame = palette.color(QPalette::Active, QPalette::Highlight);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Highlight, Qt::transparent);
    view->setPalette(palette);
    view->setItemDelegate(new PickFrameDelegate(frame, view));
}

namespace {

// Shaping every cell of a large grid is far too slow; the sum of a text's character advances is cheap
// (a table for ASCII, in whole 64ths of a pixel so the sum is integer adds) and ranks the texts closely
// enough that only the few widest need shaping.
class Advances
{
public:
    explicit Advances(const QFont &font) : m_fm(font)
    {
        for (char16_t c = 0; c < m_ascii.size(); ++c)
            m_ascii[c] = units(m_fm.horizontalAdvance(QChar(c)));
    }

    int estimate(const QString &text)
    {
        int w = 0;
        const QChar *p = text.constData();
        const QChar *end = p + text.size();
        for (; p < end; ++p) {
            const char16_t u = p->unicode();
            if (u < m_ascii.size()) {
                w += m_ascii[u];
                continue;
            }
            char32_t cp = u;
            if (p->isHighSurrogate() && p + 1 < end && p[1].isLowSurrogate()) {
                cp = QChar::surrogateToUcs4(p[0], p[1]);
                ++p;
            }
            w += other(cp);
        }
        return w;
    }

    // The same from UTF-8, as the text decoded from it would estimate; a byte that starts no sequence
    // counts as the replacement character decoding puts in its place.
    int estimate(QByteArrayView utf8)
    {
        int w = 0;
        const auto *p = reinterpret_cast<const quint8 *>(utf8.data());
        const auto *end = p + utf8.size();
        while (p < end) {
            if (*p < 0x80) {
                w += m_ascii[*p++];
                continue;
            }
            const int more = *p >= 0xF0 ? 3 : *p >= 0xE0 ? 2 : *p >= 0xC0 ? 1 : 0;
            char32_t cp = *p & (0x3F >> more);
            int n = 1;
            while (n <= more && p + n < end && (p[n] & 0xC0) == 0x80)
                cp = (cp << 6) | (p[n++] & 0x3F);
            if (more == 0 || n <= more) {
                w += other(QChar::ReplacementCharacter);
                ++p;
                continue;
            }
            w += other(cp);
            p += n;
        }
        return w;
    }

    static int pixels(int estimate) { return (estimate + 63) / 64; }
    int exact(const QString &text) const { return int(std::ceil(m_fm.horizontalAdvance(text))); }

private:
    static int units(qreal px) { return int(std::ceil(px * 64)); }

    int other(char32_t cp)
    {
        auto it = m_other.constFind(cp);
        if (it == m_other.constEnd())
            it = m_other.insert(cp, units(m_fm.horizontalAdvance(QString::fromUcs4(&cp, 1))));
        return *it;
    }

    QFontMetricsF m_fm;
    std::array<int, 128> m_ascii{};
    QHash<char32_t, int> m_other;
};

// The widest texts of one column by estimate, widest first, one text for each estimate.
struct Widest
{
    static constexpr int kShaped = 4;
    struct Entry
    {
        int estimate = 0;
        QString text;
    };
    std::array<Entry, kShaped> top{};
    int count = 0;

    // text() makes the text only when it is kept.
    template <class Text> void offer(int estimate, Text &&text)
    {
        if (count == kShaped && estimate <= top[kShaped - 1].estimate)
            return;
        int at = count;
        while (at > 0 && top[at - 1].estimate < estimate)
            --at;
        // A tie adds nothing: its width is the estimate's, kerning aside, and the estimate is kept.
        if (at > 0 && top[at - 1].estimate == estimate)
            return;
        if (count < kShaped)
            ++count;
        for (int i = count - 1; i > at; --i)
            top[i] = std::move(top[i - 1]);
        top[at] = {estimate, text()};
    }

    int width(const Advances &advances) const
    {
        // The top estimate too: no text left unshaped estimates wider, and shaping moves a width by
        // little more than its kerning.
        int w = count ? Advances::pixels(top[0].estimate) : 0;
        for (int i = 0; i < count; ++i)
            w = std::max(w, advances.exact(top[i].text));
        return w;
    }
};

} // namespace

void FitColumns(QTableView *view, const QList<int> &twips, const GridRows &rows)
{
    QHeaderView *header = view->horizontalHeader();
    const int columns = int(twips.size());
    std::vector<Widest> widest(columns);
    Advances advances(view->font());
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const QStringList *row = rows.own(r);
        if (!row)
            continue;
        const int n = std::min(columns, int(row->size()));
        for (int c = 0; c < n; ++c) {
            const QString &text = (*row)[c];
            if (twips[c] != 0 && !text.isEmpty())
                widest[c].offer(advances.estimate(text), [&] { return text; });
        }
    }
    // Packed rows are read where they lie; only the few texts kept are decoded.
    if (const PackedRows *packed = rows.packed()) {
        const int n = std::min(columns, packed->columnCount());
        std::vector<QByteArrayView> cells(packed->columnCount());
        for (int r = rows.packedStart() == 0 ? 1 : 0; r < packed->rowCount(); ++r) {
            packed->cells(r, cells.data());
            for (int c = 0; c < n; ++c) {
                const QByteArrayView text = cells[c];
                if (twips[c] != 0 && !text.isEmpty())
                    widest[c].offer(advances.estimate(text), [&] { return QString::fromUtf8(text); });
            }
        }
    }
    // The delegate's text stands inside a focus margin on either side, and the grid line takes a pixel.
    const int margins = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) +
                        (view->showGrid() ? 1 : 0);
    for (int c = 0; c < columns; ++c) {
        view->setColumnHidden(c, twips[c] == 0);
        if (twips[c] == 0)
            continue;
        const int least = twips[c] < 0 ? header->defaultSectionSize() : TwipsToPx(twips[c]);
        const int cells = widest[c].count ? widest[c].width(advances) + margins : 0;
        view->setColumnWidth(c, std::max({least, header->sectionSizeHint(c), cells}));
    }
}

void FitColumns(QTableView *view, const QList<int> &twips)
{
    const QAbstractItemModel *m = view->model();
    QList<QStringList> rows;
    rows.reserve(m->rowCount() + 1);
    QStringList header;
    for (int c = 0; c < m->columnCount(); ++c)
        header << m->headerData(c, Qt::Horizontal).toString();
    rows << header;
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < m->columnCount(); ++c)
            row << m->index(r, c).data().toString();
        rows << row;
    }
    FitColumns(view, twips, rows);
}

} // namespace tv
