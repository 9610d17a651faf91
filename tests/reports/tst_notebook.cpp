#include "app/Globals.h"
#include "app/VbCompat.h"
#include "data/Database.h"
#include "data/GridExport.h"
#include "reports/DayTrades.h"
#include "reports/NotebookChart.h"
#include "reports/SnapshotBook.h"
#include "tests/common/TestSupport.h"
#include "tests/reports/ReportsFixture.h"

#include <QTest>
#include <QTimer>

using namespace tv;
using tv::test::AddDetail;
using tv::test::AddRep;
using tv::test::cells;
using tv::test::column;
using tv::test::d;
using tv::test::TestEnv;

namespace {

void addSnapshot(Database &db, qint64 key, const char *date, const QVariant &cash, double index = 3100.5,
                 const char *note = "admin")
{
    db.execute(QStringLiteral(
                   "INSERT INTO qixst (qixstid, 资金余额, 证券市值, 资产总值, 日期, 上证指数, 涨跌幅, 备注) "
                   "VALUES (?, ?, 1000, ?, ?, ?, '-0.5%', ?)"),
               {key, cash, cash.isNull() ? QVariant() : QVariant(cash.toDouble() + 1000),
                QString::fromLatin1(date), index, QString::fromUtf8(note)});
}

// Around the range 2026-11-10 to 2026-12-10: one snapshot each side of it, both ends, two of one day
// stored against their key order, and one whose cash is Null.
void makeBook(TestEnv &env)
{
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    addSnapshot(db, 1, "2026-11-09", 1);
    addSnapshot(db, 2, "2026-11-10", 1234567.89);
    addSnapshot(db, 20, "2026-12-01", 200);
    addSnapshot(db, 10, "2026-12-01", 100);
    addSnapshot(db, 5, "2026-12-05", QVariant());
    addSnapshot(db, 6, "2026-12-10", 300);
    addSnapshot(db, 7, "2026-12-11", 400);
}

QVariantList storedRow(qint64 key)
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet rs = db.openQuery(
        QStringLiteral("SELECT 资金余额, 证券市值, 资产总值, 上证指数, 涨跌幅, 备注, 日期 FROM qixst "
                       "WHERE qixstid = ?"),
        {key});
    if (rs.isEmpty())
        return {};
    QVariantList row = rs.rows()[0];
    for (QVariant &v : row)
        if (v.isNull())
            v = QVariant(); // a Null, whatever type the driver gives it
    return row;
}

// A statement on qixst that the database refuses.
void refuseWrites(const char *event)
{
    test::DbExec(
        QStringLiteral("CREATE TRIGGER refuse BEFORE %1 ON qixst BEGIN SELECT RAISE(ABORT, 'refused'); END")
            .arg(QString::fromLatin1(event)));
}

} // namespace

class TestNotebook : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void listOfRange_data();
    void listOfRange();
    void listCells();
    void selection();
    void checks_data();
    void checks();
    void update();
    void deleteAndInsert();
    void failedWritesChangeNothing();
    void dayGrid();
    void emptyDay();
    void chartStart_data();
    void chartStart();
    void chartSpan_data();
    void chartSpan();
    void chartRow();
    void chartData();
    void chartRowsNamed_data();
    void chartRowsNamed();
    void chartWidestCategory();
    void chartBars();
    void exportHoldsEvents();
};

void TestNotebook::listOfRange_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<int>("rows");
    QTest::newRow("both ends included, Null cash empty but counted")
        << "2026-11-10"
        << "2026-12-10" << QStringList{"2", "10", "20", "", "6", ""} << 5;
    QTest::newRow("one day, key order") << "2026-12-01"
                                        << "2026-12-01" << QStringList{"10", "20", ""} << 2;
    QTest::newRow("from after to") << "2026-12-10"
                                   << "2026-12-01" << QStringList{""} << 0;
    QTest::newRow("nothing in range") << "2025-01-01"
                                      << "2025-12-31" << QStringList{""} << 0;
}

void TestNotebook::listOfRange()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, keys);
    QFETCH(int, rows);
    TestEnv env;
    makeBook(env);
    Database db(g_DbPath, g_DbConnect);
    const BookList list =
        ListSnapshots(db, QDate::fromString(from, Qt::ISODate), QDate::fromString(to, Qt::ISODate));
    QCOMPARE(column(list.grid, kBookKeyColumn), keys);
    QCOMPARE(list.rows, rows);
    QCOMPARE(list.grid.rowCount(), rows + 2);
}

void TestNotebook::listCells()
{
    TestEnv env;
    makeBook(env);
    Database db(g_DbPath, g_DbConnect);
    const BookList list = ListSnapshots(db, d("2026-11-10"), d("2026-12-10"));
    QCOMPARE(list.grid.rows[0], cells({" 日期 ", " 资金余额", " 证券市值", " 资产总值", "上证指数", "涨跌幅",
                                       "备注", "qixstID"}));
    QCOMPARE(list.grid.widths, (QList<int>{1200, 1000, 1000, 1000, 1000, 1000, 1400, 0}));
    QCOMPARE(list.grid.rows[1],
             cells({"2026-11-10", "1234567.89", "1000", "1235567.89", "3100.5", "-0.5%", "admin", "2"}));
    QCOMPARE(list.grid.rows[4], list.grid.emptyRow()); // Null cash
}

void TestNotebook::selection()
{
    TestEnv env;
    makeBook(env);
    Database db(g_DbPath, g_DbConnect);
    const TextGrid g = ListSnapshots(db, d("2026-11-10"), d("2026-12-10")).grid;

    const BookSelection listed = SelectBookRow(g, 1);
    QCOMPARE(listed.boxes, cells({"1234567.89", "1000", "1235567.89", "3100.5", "-0.5%", "admin"}));
    QCOMPARE(listed.date, std::optional<QDate>(d("2026-11-10")));
    QCOMPARE(listed.key, std::optional<qint64>(2));

    // The header, a row left empty for its Null cash and the empty last row select no snapshot.
    for (int row : {0, 4, 6}) {
        const BookSelection none = SelectBookRow(g, row);
        QCOMPARE(none.boxes, QStringList(6, QString()));
        QVERIFY(!none.date);
        QVERIFY(!none.key);
    }
}

void TestNotebook::checks_data()
{
    QTest::addColumn<bool>("insert");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("box");
    const QString ok;
    QTest::newRow("numbers with blanks, a sign, a point")
        << true << cells({" 12.5 ", "-3", ".5", "+1e3", "x", "'"}) << ok << ok << -1;
    QTest::newRow("update, empty boxes") << false << cells({"", "", "", "", "", ""}) << ok << ok << -1;
    QTest::newRow("insert, empty cash")
        << true << cells({"", "1", "1", "1", "", ""}) << "资金余额不能空，不能保存!"
        << "资金余额有错误" << 0;
    QTest::newRow("insert, blank cash")
        << true << cells({"   ", "12a", "", "", "", ""}) << "资金余额不能空，不能保存!"
        << "资金余额有错误" << 0;
    QTest::newRow("letters after a number")
        << false << cells({"12a", "", "", "", "", ""}) << "资金余额不是数字，不能保存!"
        << "资金余额有错误" << 0;
    QTest::newRow("thousands separator")
        << true << cells({"1", "1", "1,234", "", "", ""}) << "资产总值不是数字，不能保存!"
        << "资产总值有错误" << 2;
    QTest::newRow("first fault wins")
        << false << cells({"1", "abc", "", "1-", "", ""}) << "证券市值不是数字，不能保存!"
        << "证券市值有错误" << 1;
    QTest::newRow("inf is no number")
        << true << cells({"inf", "", "", "", "", ""}) << "资金余额不是数字，不能保存!"
        << "资金余额有错误" << 0;
    QTest::newRow("nan is no number, nor a number too large")
        << false << cells({"1", "1e999", "nan", "", "", ""}) << "证券市值不是数字，不能保存!"
        << "证券市值有错误" << 1;
    QTest::newRow("index") << false << cells({"1", "1", "1", "3000点", "", ""})
                           << "上证指数不是数字，不能保存!"
                           << "上证指数有错误" << 3;
}

void TestNotebook::checks()
{
    QFETCH(bool, insert);
    QFETCH(QStringList, boxes);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(int, box);
    const std::optional<BookRefusal> r = CheckSnapshot(boxes, insert);
    QCOMPARE(bool(r), box >= 0);
    if (r) {
        QCOMPARE(r->text, text);
        QCOMPARE(r->title, title);
        QCOMPARE(r->style, 64);
        QCOMPARE(r->box, box);
    }
}

void TestNotebook::update()
{
    TestEnv env;
    makeBook(env);
    Database db(g_DbPath, g_DbConnect);
    // Trimmed, numbers stored as numbers, empty ones as Null, moved to another day.
    QVERIFY(
        UpdateSnapshot(db, 10, cells({" 12.5 ", "-3", "", " 3000 ", "  +1% ", " 备注 "}), d("2026-10-01")));
    QCOMPARE(storedRow(10), (QVariantList{12.5, -3.0, QVariant(), 3000.0, "+1%", "备注", "2026-10-01"}));
    QCOMPARE(db.scalar(
                 QStringLiteral("SELECT typeof(资金余额) || typeof(资产总值) FROM qixst WHERE qixstid = 10")),
             QVariant(QStringLiteral("realnull")));
    QCOMPARE(storedRow(20).value(0), QVariant(200.0)); // only the row of the key
    QVERIFY(!UpdateSnapshot(db, 99, cells({"1", "1", "1", "1", "", ""}), d("2026-10-01")));
}

void TestNotebook::deleteAndInsert()
{
    TestEnv env;
    makeBook(env);
    Database db(g_DbPath, g_DbConnect);
    QVERIFY(DeleteSnapshot(db, 10));
    QVERIFY(storedRow(10).isEmpty());
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM qixst")).toInt(), 6);
    QVERIFY(!DeleteSnapshot(db, 10));

    // 涨跌幅 and 备注 as typed, blanks kept; the numbers read through their blanks.
    const qint64 key =
        InsertSnapshot(db, cells({" 1234567.89", "", "-3 ", "", " 0.5% ", " 留言 "}), d("2026-12-10"));
    QCOMPARE(storedRow(key),
             (QVariantList{1234567.89, QVariant(), -3.0, QVariant(), " 0.5% ", " 留言 ", "2026-12-10"}));
    QVERIFY(InsertSnapshot(db, cells({"1", "", "", "", "", ""}), d("2026-12-10")) > key);
}

void TestNotebook::failedWritesChangeNothing()
{
    TestEnv env;
    makeBook(env);
    refuseWrites("UPDATE");
    {
        Database db(g_DbPath, g_DbConnect);
        QVERIFY_THROWS_EXCEPTION(
            DbError, UpdateSnapshot(db, 10, cells({"1", "1", "1", "1", "", ""}), d("2026-10-01")));
    }
    QCOMPARE(storedRow(10).value(0), QVariant(100.0));
    test::DbExec(QStringLiteral("DROP TRIGGER refuse"));
    refuseWrites("INSERT");
    Database db(g_DbPath, g_DbConnect);
    QVERIFY_THROWS_EXCEPTION(DbError, InsertSnapshot(db, cells({"1", "", "", "", "", ""}), d("2026-12-10")));
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM qixst")).toInt(), 7);
}

void TestNotebook::dayGrid()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddDetail(db, "浦发银行", "600000", 10.5);
    AddRep(db, {"600000", "证券卖出", "2026-12-08", 10, 10, 90, 100, 5099.5, 1, 0.5, 0.1, 0, 99});
    AddRep(db, {QString(), "证券买入", "2026-12-08", 9, 5, 5, 45, 1, 0, 0, 0, 0, -45});
    AddRep(db, {"600000", "证券买入", "2026-12-08", 10, 10, 100, 100, 4993.25, 5, 0, 0.1, 0, -106});
    AddRep(db, {"600000", "证券买入", "2026-12-09", 10, 10, 110, 100, 4887, 5, 0, 0.1, 0, -106});
    // A Null quantity and contract show empty and read as 0.
    db.execute(QStringLiteral("UPDATE rep SET 合同号 = NULL, 成交数量 = NULL WHERE repid = 3"));

    const DayTrades day = TradesOfDay(db, d("2026-12-08"));
    const TextGrid &g = day.grid;
    QCOMPARE(g.rows[0], DayLayout().rows[0]);
    QCOMPARE(g.text(0, 8), QStringLiteral(" 资金余额"));
    QCOMPARE(g.widths, (QList<int>{900, 800, 1000, 1300, 800, 800, 800, 1000, 1000, 800, 800, 800, 900, 1000,
                                   1000, 1200}));
    QCOMPARE(g.rowCount(), 6);
    QCOMPARE(g.rows[2], g.emptyRow());
    QCOMPARE(g.rows[3], cells({"浦发银行", "600000", "证券买入", "2026-12-08", "10", "", "100", "100",
                               "4993.25", "5", "0", "0.1", "0", "-106", "", "10.5"}));
    QCOMPARE(g.rows[4], cells({" 合计", "2", "", "", "", "10", "", "200", "4993.25", "6", "0.5", "0.2", "0",
                               "-7", "", ""}));
    QCOMPARE(g.rows[5], g.emptyRow());
    // 99 − 105, then −106 + 0.
    QCOMPARE(DoubleText(day.result), QStringLiteral("-112"));
}

void TestNotebook::emptyDay()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    const DayTrades day = TradesOfDay(db, d("2026-12-08"));
    QCOMPARE(day.grid.rowCount(), 3);
    QCOMPARE(day.grid.rows[1],
             cells({" 合计", "0", "", "", "", "0", "", "0", "0", "0", "0", "0", "0", "0", "", ""}));
    QCOMPARE(day.grid.rows[2], day.grid.emptyRow());
    QCOMPARE(DoubleText(day.result), QStringLiteral("0"));
}

void TestNotebook::chartStart_data()
{
    QTest::addColumn<int>("bookRows");
    QTest::addColumn<bool>("chart");
    QTest::addColumn<bool>("bar");
    QTest::addColumn<int>("position");
    QTest::newRow("0") << 0 << false << false << 1;
    QTest::newRow("1") << 1 << true << false << 1;
    QTest::newRow("20") << 20 << true << false << 1;
    QTest::newRow("21") << 21 << true << true << 1;
    QTest::newRow("22") << 22 << true << true << 2;
    QTest::newRow("50") << 50 << true << true << 30;
}

void TestNotebook::chartStart()
{
    QFETCH(int, bookRows);
    QFETCH(bool, chart);
    QFETCH(bool, bar);
    QFETCH(int, position);
    const ChartStart s = ChartStartFor(bookRows);
    QCOMPARE(s.chart, chart);
    QCOMPARE(s.bar, bar);
    QCOMPARE(s.position, position);
}

void TestNotebook::chartSpan_data()
{
    QTest::addColumn<int>("bookRows");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("window");
    QTest::addColumn<bool>("toEnd");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("newWindow");
    QTest::newRow("a full window") << 50 << 30 << 21 << false << 21 << 21;
    QTest::newRow("near the end") << 50 << 40 << 21 << false << 11 << 21;
    QTest::newRow("at the end") << 50 << 50 << 21 << false << 1 << 21;
    QTest::newRow("21 rows from 1") << 21 << 1 << 21 << false << 21 << 21;
    QTest::newRow("to the end sets the window") << 50 << 40 << 21 << true << 11 << 11;
    QTest::newRow("the window it left") << 50 << 5 << 11 << false << 11 << 11;
    QTest::newRow("to the end from 1") << 50 << 1 << 21 << true << 50 << 50;
}

void TestNotebook::chartSpan()
{
    QFETCH(int, bookRows);
    QFETCH(int, position);
    QFETCH(int, window);
    QFETCH(bool, toEnd);
    QFETCH(int, count);
    QFETCH(int, newWindow);
    const ChartSpan s = ChartSpanAt(bookRows, position, window, toEnd);
    QCOMPARE(s.first, position);
    QCOMPARE(s.count, count);
    QCOMPARE(s.window, newWindow);
    QCOMPARE(ChartGridRow(1, position), position);
}

void TestNotebook::chartRow()
{
    TextGrid g = BookLayout();
    g.rows << cells({"2026-12-10", "1234567.89", "", "1235567.89", "3100.5", "-0.5%", "x", "3"});
    const ChartRow row = ChartRowOf(g, 1);
    QCOMPARE(row.label, QStringLiteral("12-10"));
    QCOMPARE(row.values, (std::array<double, 4>{1234567.89, 0, 1235567.89, 3100.5}));
}

// Rows 2 to 6 of a grid whose dates meet "12-10" three times: each repeat one more zero-width space,
// whatever other dates come between; the ranges from those rows only.
void TestNotebook::chartData()
{
    TextGrid g = BookLayout();
    g.rows << cells({"2023-01-01", "999999", "1", "1", "1"});
    for (const char *date : {"2024-12-10", "2025-01-01", "2025-12-10", "2026-01-01", "2026-12-10"})
        g.rows << cells({date, "100", "-50", "250", "3100.5"});
    g.rows[3][1] = QStringLiteral("300");
    g.rows[5][4] = QStringLiteral("2990");
    const QString z(QChar(0x200B));

    const ChartData c = ChartDataOf(g, 2, 5);
    QCOMPARE(c.labels, (QStringList{"12-10", "01-01", "12-10", "01-01", "12-10"}));
    QCOMPARE(c.categories, (QStringList{"12-10", "01-01", "12-10" + z, "01-01" + z, "12-10" + z + z}));
    QCOMPARE(c.columns[0], (QList<qreal>{100, 300, 100, 100, 100}));
    QCOMPARE(c.columns[3], (QList<qreal>{3100.5, 3100.5, 3100.5, 2990, 3100.5}));
    QCOMPARE(c.low, -50.0);
    QCOMPARE(c.high, 300.0);
    QCOMPARE(c.indexLow, 2990.0);
    QCOMPARE(c.indexHigh, 3100.5);

    // No rows: nothing to draw, every range 0; positive money still spans from 0.
    const ChartData none = ChartDataOf(g, 7, 0);
    QVERIFY(none.labels.isEmpty() && none.categories.isEmpty() && none.columns[3].isEmpty());
    QCOMPARE(none.indexLow, 0.0);
    QCOMPARE(none.indexHigh, 0.0);
    QCOMPARE(ChartDataOf(g, 1, 1).low, 0.0);
}

void TestNotebook::chartRowsNamed_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<double>("width");
    QTest::addColumn<bool>("named");
    QTest::newRow("21 rows") << 21 << 830.0 << true;
    QTest::newRow("2 pixels a row") << 415 << 830.0 << true;
    QTest::newRow("just under 2") << 416 << 830.0 << false;
    QTest::newRow("10,000 rows") << 10000 << 830.0 << false;
    QTest::newRow("no rows") << 0 << 830.0 << false;
    QTest::newRow("not laid out") << 1 << 0.0 << false;
}

void TestNotebook::chartRowsNamed()
{
    QFETCH(int, rows);
    QFETCH(double, width);
    QFETCH(bool, named);
    QCOMPARE(ChartRowsNamed(rows, width), named);
}

// The widest by the label's width and the spaces after it, each label measured once.
void TestNotebook::chartWidestCategory()
{
    ChartData c;
    const QString z(QChar(0x200B));
    c.labels = {"01-01", "11-11", "01-01", "11-11", "01-01"};
    c.categories = {"01-01", "11-11", "01-01" + z, "11-11" + z, "01-01" + z + z};
    QStringList measured;
    double space = 0;
    auto width = [&](const QString &s) {
        measured << s;
        return s == z ? space : s == QLatin1String("01-01") ? 30.0 : 31.0;
    };
    QCOMPARE(ChartWidestCategory(c, width), QStringLiteral("11-11"));
    QCOMPARE(measured, (QStringList{z, "01-01", "11-11"}));
    space = 2;
    QCOMPARE(ChartWidestCategory(c, width), "01-01" + z + z);
    QCOMPARE(ChartWidestCategory(ChartData(), width), QString());
}

// One bar a row while every row has 6 whole pixels; beyond, one for each step of rows, the value
// reaching furthest from 0 (a negative one too, the first of equal ones), the last bar however few rows
// it has left, and the bars' span the rows' span in bars.
void TestNotebook::chartBars()
{
    QCOMPARE(ChartBarStep(138, 833.9), 1);
    QCOMPARE(ChartBarStep(139, 833.9), 2);
    QCOMPARE(ChartBarStep(21, 126), 1);
    QCOMPARE(ChartBarStep(10000, 830), 73);
    QCOMPARE(ChartBarStep(5, 0), 5);
    QCOMPARE(ChartBarStep(0, 0), 1);

    ChartData d;
    d.labels = QStringList(7, QStringLiteral("01-01"));
    d.columns[0] = {1, 3, 2, -5, 4, 5, 6};
    d.columns[1] = {0, 0, 0, 7, 7, -7, 0};
    d.columns[2] = {9, 8, 7, 6, 5, 4, 3};
    const ChartBars three = ChartBarsOf(d, 3);
    QCOMPARE(three.values[0], (QList<qreal>{3, -5, 6}));
    QCOMPARE(three.rows[0], (QList<int>{1, 3, 6}));
    QCOMPARE(three.values[1], (QList<qreal>{0, 7, 0}));
    QCOMPARE(three.rows[1], (QList<int>{0, 3, 6}));
    QCOMPARE(three.values[2], (QList<qreal>{9, 6, 3}));
    QCOMPARE(three.spanEnd, 7.0 / 3 - 0.5);

    const ChartBars one = ChartBarsOf(d, 1);
    QCOMPARE(one.values[2], d.columns[2]);
    QCOMPARE(one.rows[2], (QList<int>{0, 1, 2, 3, 4, 5, 6}));
    QCOMPARE(one.spanEnd, 6.5);
    const ChartBars none = ChartBarsOf(ChartData(), 1);
    QVERIFY(none.values[0].isEmpty());
    QCOMPARE(none.spanEnd, 0.5);
}

// The notebook's export lets nothing run until the workbook is written; the query window's asks for
// events after each row.
void TestNotebook::exportHoldsEvents()
{
    TestEnv env;
    const QList<QStringList> rows = {cells({"a"}), cells({"b"}), cells({"c"})};
    for (ExportEvents events : {ExportEvents::Hold, ExportEvents::RunAfterEachRow}) {
        bool ran = false;
        QList<bool> seen;
        QTimer::singleShot(0, [&] { ran = true; });
        QVERIFY(ExportToSpreadsheet(
            rows, env.path(QStringLiteral("out.xlsx")), [&](int) { seen << ran; }, events));
        const bool hold = events == ExportEvents::Hold;
        QCOMPARE(seen, (QList<bool>{false, !hold, !hold}));
        QCoreApplication::processEvents();
        QVERIFY(ran);
    }
}

QTEST_MAIN(TestNotebook)
#include "tst_notebook.moc"
