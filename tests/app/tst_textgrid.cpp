// The grids' rows: packed rows read as rows of their own read, and fit their columns as those would.

#include "app/GridViews.h"
#include "app/TextGrid.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QStyle>
#include <QTableView>
#include <QTest>

#include <cmath>

using namespace tv;

namespace {

const QString kLongName = QStringLiteral("样本六号稳健成长");

// The header, the packed rows, then a totals row of its own.
TextGrid packedGrid(const QList<QList<QByteArray>> &packed)
{
    TextGrid g = TextGrid::fromFormat(QStringLiteral("^名称|^数量|<备注"), {600, 600, 600});
    PackedRows rows(3);
    for (const QList<QByteArray> &row : packed)
        for (const QByteArray &cell : row)
            rows.add(cell);
    g.rows.append(std::move(rows));
    g.rows << QStringList{QStringLiteral(" 合计"), QStringLiteral("2"), QString()};
    return g;
}

QList<QList<QByteArray>> twoRows()
{
    // A cell of 300 bytes needs two bytes for its length; one holds a NUL, one a character beyond 16 bits,
    // one a byte that is no UTF-8.
    return {{QByteArray("证券买入"), QByteArray(), QByteArray(300, 'x')},
            {QByteArray("a\0b", 3), QByteArray("-641696.71"), QByteArray("\xF0\x9D\x84\x9E \xFF")}};
}

} // namespace

class TestTextGrid : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void packedRowsRead();
    void changingAPackedRow();
    void packedColumnsFit();
};

void TestTextGrid::packedRowsRead()
{
    const TextGrid g = packedGrid(twoRows());
    const QStringList first{QStringLiteral("证券买入"), QString(), QString(300, u'x')};
    const QStringList second{QString::fromUtf8("a\0b", 3), QStringLiteral("-641696.71"),
                             QString::fromUtf8("\xF0\x9D\x84\x9E \xFF")};
    const QStringList totals{QStringLiteral(" 合计"), QStringLiteral("2"), QString()};
    QCOMPARE(g.rowCount(), 4);
    QCOMPARE(g.rows[1], first);
    QCOMPARE(g.rows[2], second);
    QCOMPARE(g.rows[3], totals);
    QCOMPARE(g.text(2, 0).size(), 3);
    QCOMPARE(g.text(2, 2), second[2]);
    QCOMPARE(g.text(0, 2), QStringLiteral("备注"));
    for (auto [row, column] : {std::pair{1, 3}, {1, -1}, {4, 0}, {-1, 0}})
        QCOMPARE(g.text(row, column), QString());
    QCOMPARE(g.rows.value(4), QStringList());
    QCOMPARE(g.rows.mid(1, 2), (QList<QStringList>{first, second}));
    QCOMPARE(QList<QStringList>(g.rows), (QList<QStringList>{g.rows[0], first, second, totals}));

    TextGridModel model;
    model.setGrid(g);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.index(0, 0).data().toString(), first[0]);
    QCOMPARE(model.index(1, 1).data().toString(), second[1]);
    QCOMPARE(model.index(2, 0).data().toString(), totals[0]);
}

// A changed packed row keeps the rows around it and their order; a copy taken before keeps its texts.
void TestTextGrid::changingAPackedRow()
{
    TextGrid g = packedGrid(twoRows());
    const TextGrid before = g;
    g.rows[1][1] = QStringLiteral("100");
    QCOMPARE(g.text(1, 1), QStringLiteral("100"));
    QCOMPARE(g.text(1, 0), QStringLiteral("证券买入"));
    QCOMPARE(g.text(2, 1), QStringLiteral("-641696.71"));
    QCOMPARE(g.text(3, 0), QStringLiteral(" 合计"));
    QCOMPARE(before.text(1, 1), QString());
    QCOMPARE(before.rows[2], g.rows[2]);
    QCOMPARE(g.addRow(), 4);
    QCOMPARE(before.rowCount(), 4);
}

// Thousands of digit strings of five lengths and one shorter but wider Chinese name, narrow letters and a
// few wide ones, packed: every column as wide as the same rows of their own make it, and as its widest
// text needs.
void TestTextGrid::packedColumnsFit()
{
    QList<QList<QByteArray>> rows;
    for (int r = 0; r < 3000; ++r)
        rows << QList<QByteArray>{QByteArray::number(123456789012LL).left(8 + r % 5),
                                  QByteArray(14 + r % 3, 'i'), QByteArray("\xFF")};
    rows[1717][0] = kLongName.toUtf8();
    rows[2222][1] = "WWWWWWW";
    const TextGrid packed = packedGrid(rows);
    const TextGrid own{QList<QStringList>(packed.rows), packed.alignments, packed.widths};
    QVERIFY(packed.rows.packed() && !own.rows.packed());

    QList<int> fitted[2];
    for (const TextGrid *g : {&packed, &own}) {
        TextGridModel model;
        model.setGrid(*g);
        QTableView view;
        view.setModel(&model);
        FitColumns(&view, g->widths, g->rows);
        for (int c = 0; c < 3; ++c)
            fitted[g == &own] << view.columnWidth(c);
        const int margins =
            2 * (view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1) + 1;
        for (auto [text, c] : {std::pair{kLongName, 0}, {QStringLiteral("WWWWWWW"), 1}}) {
            const int needed = int(std::ceil(QFontMetricsF(view.font()).horizontalAdvance(text))) + margins;
            QVERIFY2(view.columnWidth(c) >= needed, qPrintable(text));
        }
    }
    QCOMPARE(fitted[0], fitted[1]);
}

QTEST_MAIN(TestTextGrid)
#include "tst_textgrid.moc"
