#include "app/GridViews.h"

#include "app/FormHelpers.h"
#include "app/VbCompat.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QHash>
#include <QHeaderView>
#include <QPainter>
#include <QTableView>
#include <QTextLayout>

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

// Whether a character's advance alone is its share of a text's width, as the estimate below sums it.
// Not for a control (a tab jumps to the next tab stop), a mark, joiner or other format character (it
// attaches to or fuses with its neighbours), an unpaired surrogate, a character outside the basic plane
// (emoji sequences shape into one picture), conjoining jamo, or a letter of a script whose letters take
// other forms beside each other: a text holding one is shaped whole.
bool summable(char32_t cp)
{
    if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0) || cp > 0xFFFF)
        return false;
    if ((cp >= 0x1100 && cp <= 0x11FF) || (cp >= 0xA960 && cp <= 0xA97F) || (cp >= 0xD7B0 && cp <= 0xD7FF))
        return false;
    switch (QChar::category(cp)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        break;
    }
    switch (QChar::script(cp)) {
    case QChar::Script_Common:
    case QChar::Script_Latin:
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic:
    case QChar::Script_Armenian:
    case QChar::Script_Georgian:
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Bopomofo:
    case QChar::Script_Hangul:
    case QChar::Script_Yi:
        return true;
    default:
        return false;
    }
}

// Shaping every cell of a large grid is far too slow; the sum of a text's character advances is cheap
// (a table for ASCII, in whole 64ths of a pixel so the sum is integer adds) and ranks the texts closely
// enough that only the few widest need shaping. A text the sum does not model estimates as kShape.
class Advances
{
public:
    static constexpr int kShape = -1;

    explicit Advances(const QFont &font) : m_font(font), m_fm(font)
    {
        for (char16_t c = 0; c < m_ascii.size(); ++c)
            m_ascii[c] = summable(c) ? units(m_fm.horizontalAdvance(QChar(c))) : kShape;
    }

    int estimate(const QString &text)
    {
        int w = 0;
        const QChar *p = text.constData();
        const QChar *end = p + text.size();
        for (; p < end; ++p) {
            const char16_t u = p->unicode();
            const int a = u < m_ascii.size() ? m_ascii[u] : other(u); // a surrogate is not summable
            if (a == kShape)
                return kShape;
            w += a;
        }
        return w;
    }

    // The same from UTF-8. Bytes that are no well-formed sequence (overlong, a surrogate, past U+10FFFF,
    // cut short, a stray continuation) decode into replacement characters of their own count, so such
    // a text is shaped as decoded.
    int estimate(QByteArrayView utf8)
    {
        int w = 0;
        const auto *p = reinterpret_cast<const quint8 *>(utf8.data());
        const auto *end = p + utf8.size();
        while (p < end) {
            if (*p < 0x80) {
                const int a = m_ascii[*p++];
                if (a == kShape)
                    return kShape;
                w += a;
                continue;
            }
            char32_t cp = 0;
            const int length = Utf8Sequence(p, end, cp);
            if (length == 0)
                return kShape;
            const int a = other(cp);
            if (a == kShape)
                return kShape;
            w += a;
            p += length;
        }
        return w;
    }

    static int pixels(int estimate) { return (estimate + 63) / 64; }
    // The text shaped whole, also as the view lays it out to paint it (lines apart, each glyph placed on
    // its own), which may take a pixel more.
    int exact(const QString &text) const
    {
        QString shown = text;
        shown.replace(u'\n', QChar::LineSeparator);
        QTextLayout layout(shown, m_font);
        QTextOption option;
        option.setWrapMode(QTextOption::ManualWrap);
        layout.setTextOption(option);
        qreal w = m_fm.horizontalAdvance(text);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(1e6);
            w = std::max(w, line.naturalTextWidth());
        }
        layout.endLayout();
        return int(std::ceil(w));
    }

private:
    static int units(qreal px) { return int(std::ceil(px * 64)); }

    int other(char32_t cp)
    {
        auto it = m_other.constFind(cp);
        if (it == m_other.constEnd())
            it = m_other.insert(cp, summable(cp) ? units(m_fm.horizontalAdvance(QString::fromUcs4(&cp, 1)))
                                                 : kShape);
        return *it;
    }

    QFont m_font;
    QFontMetricsF m_fm;
    std::array<int, 128> m_ascii{};
    QHash<char32_t, int> m_other;
};

// The widest texts of one column by estimate, widest first, one text for each estimate; and the widest
// of the texts the estimate does not model, each shaped as it comes.
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
    int shaped = 0; // pixels

    // text() makes the text only when it is kept or shaped.
    template <class Text> void offer(int estimate, Text &&text, const Advances &advances)
    {
        if (estimate == Advances::kShape) {
            shaped = std::max(shaped, advances.exact(text()));
            return;
        }
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

    bool isEmpty() const { return count == 0 && shaped == 0; }

    int width(const Advances &advances) const
    {
        // The top estimate too: no text left unshaped estimates wider, and shaping moves a width by
        // little more than its kerning.
        int w = count ? Advances::pixels(top[0].estimate) : 0;
        for (int i = 0; i < count; ++i)
            w = std::max(w, advances.exact(top[i].text));
        return std::max(w, shaped);
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
                widest[c].offer(
                    advances.estimate(text), [&] { return text; }, advances);
        }
    }
    // Packed rows are read where they lie; only the few texts kept or shaped are decoded.
    if (const PackedRows *packed = rows.packed()) {
        const int n = std::min(columns, packed->columnCount());
        std::vector<QByteArrayView> cells(packed->columnCount());
        for (int r = rows.packedStart() == 0 ? 1 : 0; r < packed->rowCount(); ++r) {
            packed->cells(r, cells.data());
            for (int c = 0; c < n; ++c) {
                const QByteArrayView text = cells[c];
                if (twips[c] != 0 && !text.isEmpty())
                    widest[c].offer(
                        advances.estimate(text), [&] { return QString::fromUtf8(text); }, advances);
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
        const int cells = widest[c].isEmpty() ? 0 : widest[c].width(advances) + margins;
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

void HighlightRow(QTableView *view, int row, int lastColumn)
{
    const QAbstractItemModel *m = view->model();
    if (row < 1 || row > m->rowCount())
        return;
    const QModelIndex first = m->index(row - 1, 0);
    view->setCurrentIndex(first);
    view->selectionModel()->select(QItemSelection(first, m->index(row - 1, lastColumn)),
                                   QItemSelectionModel::ClearAndSelect);
    // The view shows or hides its scroll bars for new column widths only later, queued: without them in
    // place the row is scrolled to above a viewport that the horizontal bar then covers.
    view->doItemsLayout();
    QEvent layout(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(view, &layout);
    view->scrollTo(first);
}

} // namespace tv
