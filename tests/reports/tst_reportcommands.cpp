#include "app/Globals.h"
#include "app/VbCompat.h"
#include "data/Database.h"
#include "data/GridExport.h"
#include "data/Spreadsheet.h"
#include "reports/AllocationChart.h"
#include "reports/HoldingsAnalysis.h"
#include "reports/QueryCondition.h"
#include "reports/SecuritySummary.h"
#include "reports/SnapshotSave.h"
#include "tests/common/TestSupport.h"
#include "tests/reports/ReportsFixture.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <cmath>

using namespace tv;
using tv::test::AddDetail;
using tv::test::AddIndexRow;
using tv::test::AddRep;
using tv::test::cells;
using tv::test::column;
using tv::test::d;
using tv::test::Rep;
using tv::test::TestEnv;

Q_DECLARE_METATYPE(tv::test::Rep)

namespace {

// The analysis grid as the chart reads it: holdings with their names and market values, then the totals
// row with the cash.
TextGrid analysisGrid(const QList<QPair<QString, QString>> &holdings, const QString &cash)
{
    TextGrid g = AnalysisLayout();
    for (const auto &[name, value] : holdings) {
        const int r = g.addRow();
        g.rows[r][0] = name;
        g.rows[r][15] = value;
    }
    const int totals = g.addRow();
    g.rows[totals][0] = QStringLiteral(" 合计");
    g.rows[totals][8] = cash;
    g.addRow();
    return g;
}

using Holdings = QList<QPair<QString, QString>>;

} // namespace

class TestReportCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void summaryRow_data();
    void summaryRow();
    void summaryOrderAndTotals();
    void snapshotStored();
    void snapshotFailuresStoreNothing();
    void chartSlices_data();
    void chartSlices();
    void chartColours();
    void chartLabels_data();
    void chartLabels();
    void chartLabelsNeverOverlap();
    void exportWritesRows();
    void exportNumberCells();
    void exportNumberRuleByShape();
    void exportKeepsTexts();
    void exportTextsAlwaysReadable();
    void exportFailures();
};

// One security's row of the summary of March 2024.
void TestReportCommands::summaryRow_data()
{
    QTest::addColumn<QList<Rep>>("journal");
    QTest::addColumn<double>("price"); // of 600000; below 0: no Detail row
    QTest::addColumn<QStringList>("row");

    QTest::newRow("bought in the range")
        << QList<Rep>{{"600000", "证券买入", "2024-03-05", 1.05, 100, 100, 100, 9895, 5, 0, 0, 0, -105}}
        << 1.1
        << cells(
               {"浦发银行", "600000", "1", "0", "100", "100", "100", "-105", "5", "0", "0", "0", "1.1", "5"});
    QTest::newRow("opens with a sale")
        << QList<Rep>{{"600000", "证券买入", "2024-02-20", 10, 200, 200, 2000, 8000, 5, 0, 0, 0, -2005},
                      {"600000", "证券卖出", "2024-03-06", 11, 50, 150, 550, 8545, 5, 0, 0, 0, 545}}
        << 11.0
        << cells(
               {"浦发银行", "600000", "1", "200", "150", "50", "550", "545", "5", "0", "0", "0", "11", "-5"});
    QTest::newRow("bonus shares, no cash")
        << QList<Rep>{{"600000", "证券买入", "2024-02-01", 10, 100, 100, 1000, 9000},
                      {"600000", "红股入账", "2024-03-08", 0, 30, 130, 0, 9000}}
        << 10.0
        << cells({"浦发银行", "600000", "1", "100", "130", "30", "0", "0", "0", "0", "0", "0", "10", "300"});
    // Entered out of date order: the rows of one day follow their keys.
    QTest::newRow("several rows on the first and last days")
        << QList<Rep>{{"600000", "证券买入", "2024-02-10", 10, 100, 100, 1000, 9000},
                      {"600000", "证券卖出", "2024-03-31", 10, 40, 120, 400, 8790, 5, 0, 0, 0, 395},
                      {"600000", "证券买入", "2024-03-01", 10, 50, 150, 500, 8495, 5, 0, 0, 0, -505},
                      {"600000", "证券买入", "2024-03-01", 10, 10, 160, 100, 8390, 5, 0, 0, 0, -105},
                      {"600000", "证券卖出", "2024-03-31", 10, 20, 100, 200, 8980, 5, 0, 0, 0, 195},
                      {"600000", "证券买入", "2024-04-01", 10, 500, 600, 5000, 3980}}
        << 10.0
        << cells({"浦发银行", "600000", "4", "100", "100", "120", "1200", "-20", "20", "0", "0", "0", "10",
                  "-20"});
    QTest::newRow("price 0: the cash flow alone")
        << QList<Rep>{{"600000", "证券买入", "2024-03-05", 10, 100, 100, 1000, 8994.544, 5, 0, 0, 0,
                       -1005.456}}
        << 0.0
        << cells({"浦发银行", "600000", "1", "0", "100", "100", "1000", "-1005.46", "5", "0", "0", "0", "0",
                  "-1005.46"});
    QTest::newRow("fees rounded, transfer and other as summed")
        << QList<Rep>{{"600000", "证券买入", "2024-03-05", 10, 100, 100, 1234.565, 0, 5.004, 1.235, 0.123,
                       0.0049, 0},
                      {"600000", "证券买入", "2024-03-06", 10, 0, 100, 0, 0, 0, 0, 0.1, 0.1, 0}}
        << 0.0
        << cells({"浦发银行", "600000", "2", "0", "100", "100", "1234.57", "0", "5", "1.24", "0.223",
                  "0.1049", "0", "0"});
    // The sign of the first row's cash flow cannot tell what was held before these two.
    QTest::newRow("opens with a dividend carrying the holding")
        << QList<Rep>{{"600000", "证券买入", "2024-02-01", 10, 100, 100, 1000, 9000},
                      {"600000", "红利入账", "2024-03-10", 0, 100, 100, 50, 9050, 0, 0, 0, 0, 50}}
        << 10.0
        << cells(
               {"浦发银行", "600000", "1", "100", "100", "100", "50", "50", "0", "0", "0", "0", "10", "50"});
    QTest::newRow("opens with a sale costing more than it brought")
        << QList<Rep>{{"600000", "证券买入", "2024-02-01", 10, 100, 100, 1000, 9000},
                      {"600000", "证券卖出", "2024-03-10", 0.01, 1, 99, 0.01, 8995.01, 5, 0, 0, 0, -4.99}}
        << 10.0
        << cells({"浦发银行", "600000", "1", "100", "99", "1", "0.01", "-4.99", "5", "0", "0", "0", "10",
                  "-14.99"});
    QTest::newRow("no Detail row: no name, no price")
        << QList<Rep>{{"600000", "证券买入", "2024-03-05", 10, 100, 100, 1000, 8995, 5, 0, 0, 0, -1005}}
        << -1.0
        << cells({"", "600000", "1", "0", "100", "100", "1000", "-1005", "5", "0", "0", "0", "", "-1005"});
}

void TestReportCommands::summaryRow()
{
    QFETCH(QList<Rep>, journal);
    QFETCH(double, price);
    QFETCH(QStringList, row);
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddIndexRow(db);
    if (price >= 0)
        AddDetail(db, "浦发银行", "600000", price);
    for (const Rep &r : journal)
        AddRep(db, r);

    const QueryDisplay s = SecuritySummary(db, d("2024-03-01"), d("2024-03-31"));
    QCOMPARE(s.grid.rowCount(), 4);
    QCOMPARE(s.grid.rows[1], row);
}

void TestReportCommands::summaryOrderAndTotals()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddIndexRow(db);
    AddDetail(db, "浦发银行", "600000", 6.5);
    AddDetail(db, "民生银行", "600016", 5);
    AddDetail(db, "平安银行", "000001", 12);
    AddRep(db, {"600016", "证券买入", "2024-02-01", 5, 100, 100, 500, 9500}); // held, but no row in the range
    AddRep(db, {"600000", "证券买入", "2024-03-03", 5, 200, 200, 1000, 8493.8, 5, 0, 0.2, 1, -1006.2});
    AddRep(db, {"600000", "证券卖出", "2024-03-04", 6, 200, 0, 1200, 9687.4, 5, 1.2, 0.2, 0, 1193.6});
    AddRep(db, {"000001", "证券买入", "2024-03-05", 10, 100, 100, 1000, 8682.3, 5, 0, 0.1, 0, -1005.1});

    const QueryDisplay s = SecuritySummary(db, d("2024-03-01"), d("2024-03-31"));
    const TextGrid &g = s.grid;
    QCOMPARE(g.rows[0],
             cells({" 证券名称", "证券代码", "交易次数 ", "前证券余额", "证券余额", " 成交数量", "成交金额",
                    "收支金额", "手续费", " 印花税", " 过户费", "其它费用", "最新行情", "浮动盈亏"}));
    QCOMPARE(g.widths[9], 1001);
    QCOMPARE(column(g, 1), cells({"000001", "600000", "2", ""}));
    QCOMPARE(g.text(2, 13), QStringLiteral("187.4")); // bought and sold within the range: its result
    QCOMPARE(g.rows[3], cells({" 合计", "2", "3", "", "", "500", "3200", "-817.7", "15", "1.2", "0.5", "", "",
                               "382.3"}));
    QCOMPARE(g.rows[4], g.emptyRow());
    QCOMPARE(s.gridRow, 3);
    QCOMPARE(s.count, QStringLiteral("2"));
    QCOMPARE(s.repWhere, QStringLiteral("交收日期  <= #2024-03-31# and 交收日期  >= #2024-03-01#"));
    QVERIFY(!s.lastWhere);
    QVERIFY(!s.listRows);

    // Both ends count; a range without rows is the totals row alone.
    QCOMPARE(column(SecuritySummary(db, d("2024-03-04"), d("2024-03-05")).grid, 2),
             cells({"1", "1", "2", ""}));
    const QueryDisplay none = SecuritySummary(db, d("2024-04-01"), d("2024-04-30"));
    QCOMPARE(none.grid.rowCount(), 3);
    QCOMPARE(none.grid.rows[1],
             cells({" 合计", "0", "0", "", "", "0", "0", "0", "0", "0", "0", "", "", "0"}));
    QCOMPARE(none.gridRow, 1);
    QCOMPARE(none.count, QStringLiteral("0"));
}

void TestReportCommands::snapshotStored()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddIndexRow(db);
    const Snapshot s{1234567.89, 2000.5, 1236568.39, d("2024-06-28"), QStringLiteral("admin")};
    const qint64 first = SaveSnapshot(db, s);
    const qint64 second = SaveSnapshot(db, s);
    QVERIFY(second != first);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT COUNT(*) FROM qixst")), 2);
    const RowSet row = db.openQuery(
        QStringLiteral("SELECT 资金余额, 证券市值, 资产总值, 上证指数, 涨跌幅, 日期, 备注 FROM qixst "
                       "WHERE qixstid = ?"),
        {first});
    QCOMPARE(row.value(0, 0).toDouble(), 1234567.89); // to the cent
    QCOMPARE(row.value(0, 1).toDouble(), 2000.5);
    QCOMPARE(row.value(0, 2).toDouble(), 1236568.39);
    QCOMPARE(row.value(0, 3).toDouble(), 3100.5);
    QCOMPARE(row.text(0, 4), QStringLiteral("-0.5%"));
    QCOMPARE(row.text(0, 5), QStringLiteral("2024-06-28"));
    QCOMPARE(row.text(0, 6), QStringLiteral("admin"));
}

void TestReportCommands::snapshotFailuresStoreNothing()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    const Snapshot s{100, 50, 150, d("2024-06-28"), QStringLiteral("admin")};
    QVERIFY_THROWS_EXCEPTION(DbError, SaveSnapshot(db, s)); // no index row
    AddIndexRow(db);
    db.execute(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE INSERT ON qixst BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    QVERIFY_THROWS_EXCEPTION(DbError, SaveSnapshot(db, s));
    QCOMPARE(test::DbCount(QStringLiteral("SELECT COUNT(*) FROM qixst")), 0);
    // The transaction has ended: the next write goes through.
    db.execute(QStringLiteral("DROP TRIGGER refuse"));
    SaveSnapshot(db, s);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT COUNT(*) FROM qixst")), 1);
}

void TestReportCommands::chartSlices_data()
{
    QTest::addColumn<Holdings>("holdings");
    QTest::addColumn<QString>("cash");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("percents");
    QTest::newRow("two holdings and cash")
        << Holdings{{"甲", "300"}, {"乙", "100"}} << "600" << cells({"甲", "乙", "资金余额"})
        << cells({"30.0%", "10.0%", "60.0%"});
    QTest::newRow("no holding") << Holdings{} << "600" << cells({"资金余额"}) << cells({"100.0%"});
    QTest::newRow("a holding worth 0")
        << Holdings{{"甲", "0"}} << "600" << cells({"甲", "资金余额"}) << cells({"0.0%", "100.0%"});
    QTest::newRow("negative or not a number")
        << Holdings{{"甲", "-50"}, {"乙", "abc"}} << "200" << cells({"甲", "乙", "资金余额"})
        << cells({"0.0%", "0.0%", "100.0%"});
    QTest::newRow("thirds, no cash") << Holdings{{"甲", "1"}, {"乙", "2"}} << "0"
                                     << cells({"甲", "乙", "资金余额"}) << cells({"33.3%", "66.7%", "0.0%"});
    QTest::newRow("nothing at all") << Holdings{{"甲", "0"}} << "-10" << QStringList{} << QStringList{};
}

void TestReportCommands::chartSlices()
{
    QFETCH(Holdings, holdings);
    QFETCH(QString, cash);
    QFETCH(QStringList, names);
    QFETCH(QStringList, percents);
    const QList<PieSlice> slices = AllocationSlices(analysisGrid(holdings, cash), int(holdings.size()) + 1);
    QStringList gotNames, gotPercents;
    for (const PieSlice &s : slices) {
        gotNames << s.name;
        gotPercents << s.percent;
    }
    QCOMPARE(gotNames, names);
    QCOMPARE(gotPercents, percents);
}

// Every slice has a colour of its own, and neighbours (the last one's neighbour is the first) are far
// apart.
void TestReportCommands::chartColours()
{
    for (int count : {1, 2, 10, 11, 12, 31, 60}) {
        const QList<QColor> colours = SliceColours(count);
        QCOMPARE(colours.size(), count);
        QSet<QRgb> seen;
        for (const QColor &c : colours)
            seen.insert(c.rgb());
        QCOMPARE(seen.size(), count);
        for (int i = 0; count > 1 && i < count; ++i)
            QVERIFY2(SliceColourDistance(colours[i], colours[(i + 1) % count]) >= kSliceColoursApart,
                     qPrintable(QStringLiteral("%1 of %2").arg(i).arg(count)));
    }
}

// A pie of radius 150 whose labels are 44 by 20 pixels.
void TestReportCommands::chartLabels_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QList<bool>>("shown");
    QTest::newRow("one slice") << QList<double>{1} << QList<bool>{true};
    QTest::newRow("three wide slices") << QList<double>{300, 100, 600} << QList<bool>{true, true, true};
    QTest::newRow("two slivers side by side: the first keeps its label")
        << QList<double>{0.5, 0.5, 99} << QList<bool>{true, false, true};
    QTest::newRow("the larger of two neighbours wins")
        << QList<double>{0.5, 0.8, 98.7} << QList<bool>{false, true, true};
    QTest::newRow("a slice of 0 beside none") << QList<double>{0, 40, 60} << QList<bool>{true, true, true};
    // Arms near the bottom are bent aside: two slivers go right, two left, one of each labelled.
    QTest::newRow("slivers across the bottom")
        << QList<double>{49, 0.5, 0.5, 0.5, 0.5, 49} << QList<bool>{true, true, false, true, false, true};
}

void TestReportCommands::chartLabels()
{
    QFETCH(QList<double>, values);
    QFETCH(QList<bool>, shown);
    const QList<QSizeF> sizes(values.size(), QSizeF(44, 20));
    QCOMPARE(LabelledSlices(values, 150, sizes), shown);
}

// However many slivers, the labels drawn never touch, the largest slice is labelled, and a label is left
// out only for one it would touch.
void TestReportCommands::chartLabelsNeverOverlap()
{
    for (int slivers : {3, 12, 30}) {
        for (double radius : {60.0, 150.0, 400.0}) {
            QList<double> values{60};
            for (int i = 0; i < slivers; ++i)
                values << 1 + i % 3;
            values << 25;
            const QList<QSizeF> sizes(values.size(), QSizeF(44, 20));
            const QList<QRectF> boxes = PieLabelBoxes(values, radius, sizes);
            const QList<bool> shown = LabelledSlices(values, radius, sizes);
            QVERIFY(shown[0]);
            for (int i = 0; i < boxes.size(); ++i) {
                bool touches = false;
                for (int j = 0; j < boxes.size(); ++j)
                    if (j != i && shown[j] && boxes[i].intersects(boxes[j]))
                        touches = true;
                QVERIFY2(
                    shown[i] != touches,
                    qPrintable(
                        QStringLiteral("%1 slivers, radius %2, slice %3").arg(slivers).arg(radius).arg(i)));
            }
        }
    }
}

void TestReportCommands::exportWritesRows()
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("out.xlsx"));
    QList<int> progress;
    QVERIFY(ExportToSpreadsheet({cells({" 证券名称", "证券代码"}), cells({"浦发银行", "600000", "-12.5"})},
                                path, [&](int written) { progress << written; }));
    QCOMPARE(progress, (QList<int>{1, 2}));
    QCOMPARE(env.openedUrls, QList<QUrl>{QUrl::fromLocalFile(path)});
    const QMap<QString, QString> sheet = test::XlsxCells(path);
    QCOMPARE(sheet.value("A1"), QStringLiteral(" 证券名称"));
    QCOMPARE(sheet.value("B2"), QStringLiteral("600000"));
    QCOMPARE(sheet.value("C2"), QStringLiteral("-12.5"));
    QCOMPARE(sheet.size(), 5);
    QVERIFY(env.boxes.isEmpty());
}

// A typed cell is a number only where the number's own text is the cell's text.
void TestReportCommands::exportNumberCells()
{
    for (const QString &number :
         QStringLiteral("12.5|-3|0|0.5|600001|123456789012345|0.0000001|-1234.56").split(u'|'))
        QVERIFY2(NumberCellValue(number) == number.toDouble(), qPrintable(number));
    const QString texts =
        QStringLiteral("000003|012|1.50|.5|257.|+5| 5|5 |1e5|inf|nan||-|-0|1,234|202403041234567801|"
                       "100000000000000000|1234567890123456|0.1234567890123456|2026-12-10|8.7%");
    for (const QString &text : texts.split(u'|'))
        QVERIFY2(!NumberCellValue(text), qPrintable(text));

    for (const char *caption : {"证券代码", "  证券代码", "  交收日期 ", " 日期 ", "合同号", "id"})
        QVERIFY2(IsTextColumn(QString::fromUtf8(caption)), caption);
    for (const char *caption : {" 证券名称", " 成交数量", "qixstID", "最新行情", ""})
        QVERIFY2(!IsTextColumn(QString::fromUtf8(caption)), caption);
}

// The rule decides by the text's shape; it must say what printing the number back says, for the texts a
// grid holds (numbers printed at 15 and 7 digits) and for those a digit away from them.
void TestReportCommands::exportNumberRuleByShape()
{
    const auto byRoundTrip = [](const QString &text) -> std::optional<double> {
        const std::optional<double> v = DecimalNumber(text);
        if (!v || NumText(*v) != text)
            return std::nullopt;
        int significant = 0;
        for (const QChar c : text)
            if (c.isDigit() && (significant > 0 || c != u'0'))
                ++significant;
        return significant > 15 ? std::nullopt : v;
    };
    QRandomGenerator random(26);
    QStringList texts = QStringLiteral("0.0001|0.00009|-0.0001234|999999999999999|0.999999999999999|"
                                       "9007199254740993|0.00000000000000000001")
                            .split(u'|');
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + int(random.bounded(17));
        const double mantissa = double(random.bounded(quint64(1), quint64(std::pow(10.0, digits))));
        const double v = (random.bounded(2) ? -1 : 1) * mantissa * std::pow(10.0, -int(random.bounded(22)));
        for (const QString &t : {NumText(v), NumText(v, 7)})
            texts << t << t + u'0' << u'0' + t << t + QStringLiteral(".0") << t.chopped(1) << t.mid(1);
    }
    for (const QString &text : texts) {
        const std::optional<double> expected = byRoundTrip(text);
        QVERIFY2(NumberCellValue(text) == expected, qPrintable(text));
        QVERIFY2(NumberCellValue(QByteArrayView(text.toUtf8())) == expected, qPrintable(text));
    }
}

// Texts reach the sheet as they are: characters of one, two, three and four UTF-8 bytes, XML's own
// characters and blanks at either end. A writer refuses to go back to a row it has finished.
void TestReportCommands::exportKeepsTexts()
{
    TestEnv env;
    const QStringList texts = QStringLiteral("证券|é|😀 x|a<b&c>\"'| 12|12 |1\t2").split(u'|');
    const QString path = env.path(QStringLiteral("texts.xlsx"));
    QVERIFY(ExportToSpreadsheet({cells({"a"}), texts}, path));
    const QMap<QString, QString> sheet = test::XlsxCells(path);
    const QMap<QString, QString> kinds = test::XlsxCellKinds(path);
    for (int c = 0; c < texts.size(); ++c) {
        const QString ref = QChar(u'A' + c) + QStringLiteral("2");
        QCOMPARE(sheet.value(ref), texts[c]);
        QCOMPARE(kinds.value(ref), QStringLiteral("s"));
    }

    SpreadsheetWriter writer(env.path(QStringLiteral("order.xlsx")));
    QVERIFY(writer.setCell(2, 1, QStringLiteral("b")));
    QVERIFY(!writer.setCell(1, 1, QStringLiteral("a")));
    QVERIFY(!writer.close());
}

// Whatever a cell holds, the sheet is well-formed XML and reads back as the grid shows the cell: packed
// bytes that are no UTF-8 as U+FFFD where the grid has one, characters XML does not allow through the
// spreadsheet's own escapes, and a text that looks like such an escape as itself.
void TestReportCommands::exportTextsAlwaysReadable()
{
    TestEnv env;
    const QList<QByteArray> bytes = {
        QByteArray("AZ\xED\xB0\x80"),        // a surrogate encoded on its own, as the old program stored one
        QByteArray("HT\xFF\xFE-9"),          // bytes no UTF-8 has
        QByteArray("cut \xE8\xAF"),          // a character cut short at the end
        QByteArray("\xE8\xAF\xE8\xAF\x81x"), // ... and in the middle
        QByteArray("\xC0\xAF over"),         // an overlong form
        QByteArray("\xF4\x90\x80\x80 far"),  // past U+10FFFF
        QByteArray("stray \x80\xBF"),        // continuation bytes alone
        QByteArray("\xF8\x88\x80\x80\x80"),  // a five-byte form
        QByteArray("c\x01t\x1F\x7F\r\n\t."), // control characters
        QByteArray("\xEF\xBF\xBE\xEF\xBF\xBF|\xEF\xBF\xBD"), // U+FFFE and U+FFFF, then U+FFFD
        QByteArray("_x0041_ _X00e9_ _x12_ __x0042__"),       // what reads as an escape, and what does not
        QByteArray("证券 😀 a<b&c>"),
    };
    TextGrid grid;
    QStringList header;
    for (int c = 0; c < bytes.size(); ++c)
        header << QStringLiteral("列%1").arg(c);
    grid.alignments = QList<Qt::Alignment>(bytes.size(), Qt::AlignLeft);
    grid.rows << header;
    PackedRows packed(int(bytes.size()));
    for (const QByteArray &b : bytes)
        packed.add(b);
    grid.rows.append(std::move(packed));
    // Rows of their own hold QStrings: a surrogate without its pair has no UTF-8 at all.
    const QStringList own = {QStringLiteral("AZ") + QChar(0xDC00),
                             QStringLiteral("x") + QChar(0xD83D),
                             QString(QChar(0xDE00)) + QChar(0xD83D) + QStringLiteral("y"),
                             QStringLiteral("a") + QChar(0xFFFE) + QChar(0xFFFF) + QChar(0x01),
                             QStringLiteral("_x0041_"),
                             QStringLiteral("😀_x00E9_")};
    const QStringList ownRead = {QStringLiteral("AZ\uFFFD"),
                                 QStringLiteral("x\uFFFD"),
                                 QStringLiteral("\uFFFD\uFFFDy"),
                                 own[3],
                                 own[4],
                                 own[5]};
    grid.rows << own;
    TextGridModel model;
    model.setGrid(grid);

    const QString path = env.path(QStringLiteral("texts.xlsx"));
    QVERIFY(ExportToSpreadsheet(grid.rows, path));
    const QMap<QString, QString> sheet = test::XlsxCells(path);
    QVERIFY(!sheet.isEmpty());
    for (int c = 0; c < bytes.size(); ++c) {
        const QString shown = model.data(model.index(0, c), Qt::DisplayRole).toString();
        QCOMPARE(sheet.value(QChar(u'A' + c) + QStringLiteral("2")), shown);
        QCOMPARE(shown, QString::fromUtf8(bytes[c]));
    }
    QVERIFY(sheet.value(QStringLiteral("A2")).contains(QChar(0xFFFD)));
    for (int c = 0; c < own.size(); ++c)
        QCOMPARE(sheet.value(QChar(u'A' + c) + QStringLiteral("3")), ownRead[c]);
}

void TestReportCommands::exportFailures()
{
    TestEnv env;
    env.makeDatabase();
    // The desktop cannot open it: the workbook moves beside the database, and the message names it.
    const QString path = env.path(QStringLiteral("out.xlsx"));
    env.openSucceeds = false;
    QVERIFY(!ExportToSpreadsheet({cells({"a"})}, path));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(env.boxes.size(), 1);
    const QString kept = test::KeptExportFile(env.boxes[0]);
    QCOMPARE(kept, env.path(QStringLiteral("导出/out.xlsx")));
    QCOMPARE(test::XlsxCells(kept).value("A1"), QStringLiteral("a"));
    // A second one of the same name keeps the first.
    QVERIFY(!ExportToSpreadsheet({cells({"b"})}, path));
    QCOMPARE(test::KeptExportFile(env.boxes.value(1)), env.path(QStringLiteral("导出/out-2.xlsx")));
    QCOMPARE(test::XlsxCells(kept).value("A1"), QStringLiteral("a"));

    // It cannot be written: nothing is opened, nothing kept, and the message is the fixed text alone.
    env.openSucceeds = true;
    env.openedUrls.clear();
    env.clearBoxes();
    QFile plain(env.path(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(!ExportToSpreadsheet({cells({"a"})}, env.path(QStringLiteral("plain/out.xlsx"))));
    QVERIFY(env.openedUrls.isEmpty());
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], "系统错误Excel未安装或版本不符，不能继续！", 16, "不能导出");
}

QTEST_MAIN(TestReportCommands)
#include "tst_reportcommands.moc"
