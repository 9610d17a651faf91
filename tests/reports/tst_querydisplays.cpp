#include "app/Globals.h"
#include "app/VbCompat.h"
#include "data/Database.h"
#include "journal/TradeEntry.h"
#include "reports/HoldingsAnalysis.h"
#include "reports/PeriodReports.h"
#include "reports/QueryCondition.h"
#include "reports/SecuritySummary.h"
#include "reports/TradeList.h"
#include "tests/common/TestSupport.h"
#include "tests/reports/ReportsFixture.h"

#include <QTest>

using namespace tv;
using tv::test::AddDetail;
using tv::test::AddIndexRow;
using tv::test::AddRep;
using tv::test::cells;
using tv::test::column;
using tv::test::d;
using tv::test::Rep;
using tv::test::TestEnv;

Q_DECLARE_METATYPE(tv::QueryCondition)

namespace {

// Four records: two of 600000, one of 600016, one of 000001.
void addCodes(Database &db)
{
    AddRep(db, {"600000", "证券买入", "2024-03-04", 10, 100, 100, 1000, 9000});
    AddRep(db, {"600000", "证券买入", "2024-03-05", 10, 100, 200, 1000, 8000});
    AddRep(db, {"600016", "证券买入", "2024-03-05", 5, 100, 100, 500, 7500});
    AddRep(db, {"000001", "证券买入", "2024-03-06", 8, 100, 100, 800, 6700});
}

int listed(const QueryCondition &c)
{
    Database db(g_DbPath, g_DbConnect);
    return *TradeList(db, c).listRows;
}

} // namespace

class TestQueryDisplays : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void conditionTexts_data();
    void conditionTexts();
    void conditionsRun_data();
    void conditionsRun();
    void likePatterns_data();
    void likePatterns();
    void likeSpecialCharacters_data();
    void likeSpecialCharacters();
    void malformedLikePatterns();
    void tradeList();
    void emptyTradeListAndCodelessRow();
    void totalsDoNotDrift();
    void priceAlert_data();
    void priceAlert();
    void priceAlertRefusesOtherValues();
    void periodReports();
    void emptyPeriodAndDailyReport();
    void holdings();
    void holdingsWithoutHoldingOrJournal();
    void thirtyHoldings();
    void missingIndexRow();
    void codeInEitherCase();
};

void TestQueryDisplays::conditionTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QueryTerm code = TextTerm(kCodeColumn, "=", "600000");
    QTest::newRow("date range") << DateRangeCondition(d("2024-03-05"), d("2024-03-12")).text()
                                << "交收日期  <= #2024-03-12# and 交收日期  >= #2024-03-05#";
    QTest::newRow("settlement date alone") << QueryCondition{SettlementDateTerm("=", d("2024-03-05"), false)}.text()
                                           << "交收日期 =#2024-03-05#";
    QTest::newRow("settlement date joined")
        << QueryCondition{code}.joinedInFront(SettlementDateTerm(">", d("2024-03-05"), true)).text()
        << "交收日期 > #2024-03-05# and 证券代码 = '600000'";
    QTest::newRow("newest first") << QueryCondition{code}
                                         .joinedInFront(TextTerm(kCodeColumn, "<>", "600016"))
                                         .joinedInFront(SettlementDateTerm("<", d("2024-04-01"), true))
                                         .text()
                                  << "交收日期 < #2024-04-01# and 证券代码 <> '600016' and 证券代码 = '600000'";
    for (const char *op : {"=", "<", ">", "<>", "Like"})
        QTest::newRow(op) << QueryCondition{TextTerm(kCodeColumn, op, "60*")}.text()
                          << QStringLiteral("证券代码 %1 '60*'").arg(QString::fromLatin1(op));
    QTest::newRow("daily") << DailyCondition(d("2024-02-29")).text()
                           << "交收日期  < #2024-03-01# and 交收日期  >= #2024-02-29#";
    QTest::newRow("november") << MonthlyCondition(d("2024-11-30")).text()
                              << "交收日期  < #2024-12-01# and 交收日期  >= #2024-11-01#";
    QTest::newRow("december") << MonthlyCondition(d("2024-12-15")).text()
                              << "交收日期  < #2025-01-01# and 交收日期  >= #2024-12-01#";
    QTest::newRow("yearly") << YearlyCondition(d("2024-03-15")).text()
                            << "交收日期  < #2025-01-01# and 交收日期  >= #2024-01-01#";
    QTest::newRow("analysis per code") << HoldingCondition("600000", d("2024-03-05")).text()
                                       << "证券代码 ='600000' and 交收日期  <= #2024-03-05#";
    // The entry panel writes the same text for its security.
    QTest::newRow("entry panel") << HoldingCondition("600000", d("2024-03-05")).text()
                                 << EntryRepWhere("600000", d("2024-03-05"));
    QTest::newRow("analysis cash") << CashCondition(d("2024-03-05")).text() << "交收日期  <= #2024-03-05#";
    QTest::newRow("price alert") << QueryCondition{*ThresholdTerm("<", "买入点")}.text() << "市场价格 < 买入点";
}

void TestQueryDisplays::conditionTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

void TestQueryDisplays::conditionsRun_data()
{
    QTest::addColumn<QueryCondition>("condition");
    QTest::addColumn<int>("rows");
    auto code = [](const char *op, const char *value) { return QueryCondition{TextTerm(kCodeColumn, op, value)}; };
    QTest::newRow("Like 60*") << code("Like", "60*") << 3;
    QTest::newRow("Like 6000?6") << code("Like", "6000?6") << 1;
    QTest::newRow("typed % is literal") << code("Like", "60%") << 0;
    QTest::newRow("typed _ is literal") << code("Like", "6000_6") << 0;
    QTest::newRow("single quote") << code("=", "60'0") << 0;
    QTest::newRow("trailing blanks") << code("=", "600000  ") << 2;
    QTest::newRow("differs") << code("<>", "600000") << 2;
    QTest::newRow("below") << code("<", "600000") << 1;
    QTest::newRow("date") << QueryCondition{SettlementDateTerm("=", d("2024-03-05"), false)} << 2;
    QTest::newRow("date and code")
        << code("=", "600000").joinedInFront(SettlementDateTerm(">=", d("2024-03-05"), true)) << 1;
    QTest::newRow("range, both ends") << DateRangeCondition(d("2024-03-04"), d("2024-03-05")) << 3;
    QTest::newRow("range reversed") << DateRangeCondition(d("2024-03-06"), d("2024-03-04")) << 0;
    QTest::newRow("per code") << HoldingCondition("600000", d("2024-03-04")) << 1;
}

void TestQueryDisplays::conditionsRun()
{
    QFETCH(QueryCondition, condition);
    QFETCH(int, rows);
    TestEnv env;
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        addCodes(db);
    }
    QCOMPARE(listed(condition), rows);
}

// Codes and names as Detail holds them, in table order.
const QList<QPair<const char *, const char *>> kLikeRows = {
    {"600000", "浦发银行"},  {"600016", "民生银行"}, {"600010", "包钢股份"}, {"600006", "东风汽车"},
    {"600290", "*ST海润"},   {"000001", "平安银行"}, {"000002", "万科A"},    {"shzs000001", "上证指数"},
    {"k161005", "嘉实基金"}, {"900901", "A股[1]"}};

void TestQueryDisplays::likePatterns_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("codes");
    const QString code = kCodeColumn, name = kNameColumn;
    QTest::newRow("one digit") << code << "60001#" << QStringList{"600016", "600010"};
    QTest::newRow("digits only") << code << "k######" << QStringList{"k161005"};
    QTest::newRow("a letter is no digit") << code << "#######" << QStringList{};
    QTest::newRow("not in the list") << code << "[!6]*"
                                     << QStringList{"000001", "000002", "shzs000001", "k161005", "900901"};
    QTest::newRow("range") << code << "6000[0-1]6" << QStringList{"600016", "600006"};
    QTest::newRow("list") << code << "*0[12]" << QStringList{"000001", "000002", "shzs000001", "900901"};
    QTest::newRow("not in the range") << code << "60000[!0-5]" << QStringList{"600006"};
    QTest::newRow("letters either case") << code << "SHZS*" << QStringList{"shzs000001"};
    QTest::newRow("range of the other case") << code << "[R-T]?[x-z]*" << QStringList{"shzs000001"};
    QTest::newRow("range of letters") << code << "[a-z]*" << QStringList{"shzs000001", "k161005"};
    QTest::newRow("a dash first or last") << code << "60001[-6]" << QStringList{"600016"};
    QTest::newRow("[] is no character") << code << "[]600000[]" << QStringList{"600000"};
    QTest::newRow("% and _ literal") << code << "60%" << QStringList{};
    QTest::newRow("whole text only") << code << "6000" << QStringList{};
    QTest::newRow("any run") << name << "*银行" << QStringList{"600000", "600016", "000001"};
    QTest::newRow("Chinese list") << name << "[浦民]*" << QStringList{"600000", "600016"};
    QTest::newRow("Chinese not in list") << name << "[!浦民]?银行" << QStringList{"000001"};
    QTest::newRow("Chinese range") << name << "[一-龥][一-龥]银行"
                                   << QStringList{"600000", "600016", "000001"};
    QTest::newRow("bracketed star") << name << "[*]ST*" << QStringList{"600290"};
    QTest::newRow("star stands for a run") << name << "?ST??" << QStringList{"600290"};
    QTest::newRow("name in other case") << name << "万科a" << QStringList{"000002"};
    QTest::newRow("bracketed bracket") << name << "A股[[]#]" << QStringList{"900901"};
}

void TestQueryDisplays::likePatterns()
{
    QFETCH(QString, column);
    QFETCH(QString, pattern);
    QFETCH(QStringList, codes);
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    db.execute(QStringLiteral("DELETE FROM Detail"));
    for (const auto &[code, name] : kLikeRows)
        AddDetail(db, QString::fromUtf8(name), QString::fromUtf8(code), 10);
    const QueryCondition c{TextTerm(column, QStringLiteral("Like"), pattern)};
    QCOMPARE(c.text(), column + QStringLiteral(" Like '") + pattern + u'\'');
    const RowSet rs = db.openQuery(QStringLiteral("SELECT 证券代码 FROM Detail WHERE ") + c.sql() +
                                       QStringLiteral(" ORDER BY rowid"),
                                   c.args());
    QStringList found;
    for (int r = 0; r < rs.recordCount(); ++r)
        found << rs.text(r, 0);
    QCOMPARE(found, codes);
}

// The characters that GLOB reads in a pattern of its own ("[", "]", "^", "-", "*", "?") each stand for
// themselves where the Like pattern says so.
void TestQueryDisplays::likeSpecialCharacters_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");
    const QList<std::tuple<const char *, const char *, bool>> cases = {
        {"[^]", "^", true},    {"[^]", "a", false},    {"[!^]", "^", false}, {"[!^]", "a", true},
        {"[^a]", "^", true},   {"[^a]", "A", true},    {"[^a]", "b", false}, {"[a-]", "-", true},
        {"[-a]", "-", true},   {"[a-]", "b", false},   {"[!-]", "-", false}, {"[-^]", "^", true},
        {"[Z-a]", "]", true},  {"[Z-a]", "^", true},   {"[Z-a]", "z", true}, {"[Z-a]", "A", true},
        {"[Z-a]", "b", false}, {"[!Z-a]", "]", false}, {"a]", "a]", true},   {"[]]", "]", true},
        {"[*]", "*", true},    {"[*]", "x", false},    {"[?]", "?", true},   {"[?]", "x", false},
        {"[#]", "#", true},    {"[#]", "1", false},    {"#", "1", true},     {"#", "a", false},
        {"[[]", "[", true},    {"!", "!", true},       {"_", "x", false},    {"*", "", true},
        {"?", "", false},      {"[a-c]", "B", true},
    };
    for (const auto &[pattern, text, matches] : cases)
        QTest::addRow("%s %s", pattern, text)
            << QString::fromUtf8(pattern) << QString::fromUtf8(text) << matches;
}

void TestQueryDisplays::likeSpecialCharacters()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    const std::optional<QString> glob = LikeGlob(pattern);
    QVERIFY(glob);
    QCOMPARE(db.scalar(QStringLiteral("SELECT ? GLOB ?"), {text, *glob}).toInt() == 1, matches);
}

// A "[" without its "]" and a range that runs backwards are no pattern: the condition refuses them as a
// value it cannot compare, before anything runs.
void TestQueryDisplays::malformedLikePatterns()
{
    for (const char *pattern : {"[", "6000[01", "60[!", "[b-a]*"})
        QVERIFY2(!LikeGlob(QString::fromUtf8(pattern)), pattern);
    const QueryCondition c{TextTerm(kCodeColumn, QStringLiteral("Like"), QStringLiteral("6000[01"))};
    QCOMPARE(c.text(), QStringLiteral("证券代码 Like '6000[01'"));
    QVERIFY_THROWS_EXCEPTION(UncomparableValue, c.sql());
    QVERIFY_THROWS_EXCEPTION(UncomparableValue, c.args());
}

void TestQueryDisplays::tradeList()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddDetail(db, "浦发银行", "600000", 11);
    AddDetail(db, "万科A", "000002", 8);
    AddRep(db, {"600000", "证券买入", "2024-03-05", 10, 1000, 1000, 10000, 90000, 5, 0, 1, 0, -10006, "C1"});
    AddRep(db, {"999999", "证券买入", "2024-03-05", 5, 100, 100, 500, 89495, 5, 0, 0, 0, -505, "C2"});
    // Entered last, dated first.
    AddRep(db, {"600000", "证券卖出", "2024-03-04", 9.5, 200, 800, 1900, 91894, 5, 1, 0.2, 0, 1893.8, "C3"});
    AddRep(db, {"000002", "红利入账", "2024-03-05", 0, 0, 0, 100, 89595, 0, 0, 0, 0.5, 99.5, "C4"});

    const QueryCondition c = DateRangeCondition(d("2024-03-01"), d("2024-03-31"));
    const QueryDisplay list = TradeList(db, c);
    const TextGrid &g = list.grid;
    QCOMPARE(g.rowCount(), 7);
    QCOMPARE(g.text(0, 0), QStringLiteral(" 证券名称"));
    QCOMPARE(g.text(0, 8), QStringLiteral(" 资金余额"));
    QCOMPARE(g.text(0, 14), QStringLiteral("合同号"));
    QCOMPARE(g.text(0, 15), QStringLiteral("最新行情"));
    QCOMPARE(g.rows[1], cells({"浦发银行", "600000", "证券卖出", "2024-03-04", "9.5", "200", "800", "1900", "91894", "5",
                               "1", "0.2", "0", "1893.8", "C3", "11"}));
    QCOMPARE(column(g, 14).mid(0, 4), cells({"C3", "C1", "C2", "C4"})); // same-date rows in key order
    // A code without a Detail row: listed and totalled, without name or price.
    QCOMPARE(g.text(3, 0), QString());
    QCOMPARE(g.text(3, 1), QStringLiteral("999999"));
    QCOMPARE(g.text(3, 15), QString());
    QCOMPARE(g.rows[5], cells({" 合计", "4", "", "", "", "1300", "", "12500", "89595", "15", "1", "1.2", "0.5",
                               "-8517.7", "", ""}));
    QCOMPARE(g.rows[6], g.emptyRow());
    QCOMPARE(list.gridRow, 5);
    QCOMPARE(list.count, QStringLiteral("4"));
    QCOMPARE(*list.listRows, 4);
    QCOMPARE(list.repWhere, c.text());
    QCOMPARE(*list.lastWhere, c.text());
}

void TestQueryDisplays::emptyTradeListAndCodelessRow()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddRep(db, {QString(), "证券买入", "2024-03-06", 10, 100, 100, 1000, 500});

    const QueryDisplay none = TradeList(db, QueryCondition{TextTerm(kCodeColumn, "=", "600000")});
    QCOMPARE(none.grid.rowCount(), 3);
    QCOMPARE(none.grid.rows[1], cells({" 合计", "0", "", "", "", "0", "", "0", "0", "0", "0", "0", "0", "0", "", ""}));
    QCOMPARE(none.grid.rows[2], none.grid.emptyRow());
    QCOMPARE(none.count, QStringLiteral("0"));
    QCOMPARE(*none.listRows, 0);
    QCOMPARE(none.gridRow, 1);

    // A row without a code is an empty row: counted, not totalled; as the last row it leaves 资金余额 empty.
    const QueryDisplay codeless = TradeList(db, DailyCondition(d("2024-03-06")));
    QCOMPARE(codeless.grid.rows[1], codeless.grid.emptyRow());
    QCOMPARE(codeless.count, QStringLiteral("1"));
    QCOMPARE(codeless.grid.text(2, 1), QStringLiteral("0"));
    QCOMPARE(codeless.grid.text(2, 5), QStringLiteral("0"));
    QCOMPARE(codeless.grid.text(2, 8), QString());
}

void TestQueryDisplays::totalsDoNotDrift()
{
    Sum s;
    for (int i = 0; i < 100000; ++i)
        s.add(1234.56);
    QCOMPARE(NumText(s.value()), QStringLiteral("123456000"));

    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    {
        Transaction tx(db);
        for (int i = 0; i < 300; ++i)
            AddRep(db, {"600000", "证券买入", "2024-03-05", 1, 1, 1, 1234.56, 1});
        tx.commit();
    }
    QCOMPARE(TradeList(db, DailyCondition(d("2024-03-05"))).grid.text(301, 7), QStringLiteral("370368"));
    QCOMPARE(MonthlyReport(db, d("2024-03-01")).grid.text(1, 3), QStringLiteral("370368"));
}

void TestQueryDisplays::priceAlert_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("below buy point") << "<" << "买入点" << QStringList{"000002", "000001"};
    QTest::newRow("above stop") << ">" << "止损位" << QStringList{"600000", "000002"};
    QTest::newRow("below a number") << "<" << "10" << QStringList{"000002", "000001"};
    QTest::newRow("Like is equality") << "Like" << "11" << QStringList{"600000"};
    QTest::newRow("at target, trailing blank") << "=" << "目标价 " << QStringList{};
}

void TestQueryDisplays::priceAlert()
{
    QFETCH(QString, op);
    QFETCH(QString, value);
    QFETCH(QStringList, codes);
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddIndexRow(db);
    AddDetail(db, "浦发银行", "600000", 11, 12, 9, 9.5);
    AddDetail(db, "万科A", "000002", 8, 10, 7, 9);
    AddDetail(db, "平安银行", "000001", 0, 12, 8, 9.5);

    const QueryDisplay list = PriceAlertList(db, *ThresholdTerm(op, value));
    QCOMPARE(column(list.grid, 1), codes);
    QCOMPARE(list.grid.rowCount(), codes.size() + 1); // no totals row
    QCOMPARE(list.gridRow, codes.size() + 1);
    QCOMPARE(list.count, QString::number(codes.size()));
    QCOMPARE(list.repWhere, QStringLiteral("市场价格 ") + op + u' ' + value);
    QVERIFY(!list.lastWhere);
    QVERIFY(!list.listRows);
    if (codes.value(0) == QLatin1String("000002"))
        QCOMPARE(list.grid.rows[1], cells({"万科A", "000002", "8", "10", "7", "9"}));
    QCOMPARE(list.grid.text(0, 3), QStringLiteral("  目标价 "));
}

void TestQueryDisplays::priceAlertRefusesOtherValues()
{
    for (const char *value : {"abc", "成交价格", "10元", "", "inf", "-inf", "nan", "Infinity", "1e3", "0x10"})
        QVERIFY2(!ThresholdTerm("<", value), value);
    for (const char *value : {" 9.5 ", "-3", ".5", "257."})
        QVERIFY2(ThresholdTerm("<", value), value);
}

void TestQueryDisplays::periodReports()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddRep(db, {"600000", "证券买入", "2024-10-31", 10, 100, 100, 1000, 9000, 5, 0, 1, 0, -1006});
    AddRep(db, {"600000", "证券买入", "2024-11-04", 10, 100, 200, 1000, 8000, 5, 0, 1, 0, -1006});
    AddRep(db, {"600000", "红利入账", "2024-11-04", 0, 0, 200, 50, 8050, 0, 0, 0, 0, 50});
    AddRep(db, {"", "银行转券商", "2024-11-12", 0, 0, 0, 2000, 10050, 0, 0, 0, 0, 2000});
    for (int i = 0; i < 3; ++i)
        AddRep(db, {"600016", "证券卖出", "2024-11-20", 5, 100, double(200 - 100 * i), 500, 10500, 5, 0.5, 0.1, 0, 494.4});
    AddRep(db, {"600000", "证券买入", "2024-12-01", 10, 100, 300, 1000, 9500, 5, 0, 1, 0, -1006});
    AddRep(db, {"600000", "证券买入", "2024-12-31", 10, 100, 400, 1000, 8500, 5, 0, 1, 0, -1006});
    AddRep(db, {"600000", "证券买入", "2025-01-01", 10, 100, 500, 1000, 7500, 5, 0, 1, 0, -1006});
    AddRep(db, {"600000", "证券买入", "2024-03-15", 10, 100, 100, 1000, 9900, 5, 0, 1, 0, -1006});

    const QueryDisplay month = MonthlyReport(db, d("2024-11-15"));
    QCOMPARE(month.grid.rowCount(), 6);
    QCOMPARE(month.grid.text(0, 0), QStringLiteral("  交收日期"));
    QCOMPARE(month.grid.rows[1], cells({"2024-11-04", "2", "100", "1050", "5", "0", "1", "0", "-956"}));
    QCOMPARE(month.grid.rows[2], cells({"2024-11-12", "1", "0", "2000", "0", "0", "0", "0", "2000"}));
    QCOMPARE(month.grid.rows[3], cells({"2024-11-20", "3", "300", "1500", "15", "1.5", "0.3", "0", "1483.2"}));
    QCOMPARE(month.grid.rows[4], cells({" 合计", "6", "400", "4550", "20", "1.5", "1.3", "0", "2527.2"}));
    QCOMPARE(month.grid.rows[5], month.grid.emptyRow());
    QCOMPARE(month.count, QStringLiteral("3"));
    QCOMPARE(*month.listRows, 3);
    QCOMPARE(month.gridRow, 4);
    QCOMPARE(*month.lastWhere, MonthlyCondition(d("2024-11-15")).text());

    const QueryDisplay december = MonthlyReport(db, d("2024-12-15"));
    QCOMPARE(column(december.grid, 0), cells({"2024-12-01", "2024-12-31", " 合计", ""}));

    const QueryDisplay year = YearlyReport(db, d("2024-06-01"));
    QCOMPARE(column(year.grid, 0), cells({"2024-03", "2024-10", "2024-11", "2024-12", " 合计", ""}));
    QCOMPARE(year.grid.rows[3], cells({"2024-11", "6", "400", "4550", "20", "1.5", "1.3", "0", "2527.2"}));
    QCOMPARE(year.grid.text(5, 1), QStringLiteral("10"));
    QCOMPARE(year.count, QStringLiteral("4"));
    QCOMPARE(year.gridRow, 5);
    QCOMPARE(year.repWhere, YearlyCondition(d("2024-06-01")).text());
}

void TestQueryDisplays::emptyPeriodAndDailyReport()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddDetail(db, "浦发银行", "600000", 11);
    AddRep(db, {"600000", "证券买入", "2024-11-04", 10, 100, 100, 1000, 9000});
    AddRep(db, {"600000", "证券买入", "2024-11-05", 10, 100, 200, 1000, 8000});

    const QueryDisplay empty = MonthlyReport(db, d("2024-02-10"));
    QCOMPARE(empty.grid.rowCount(), 3);
    QCOMPARE(empty.grid.rows[1], cells({" 合计", "0", "0", "0", "0", "0", "0", "0", "0"}));
    QCOMPARE(empty.count, QStringLiteral("0"));
    QCOMPARE(*empty.listRows, 0);
    QCOMPARE(empty.gridRow, 1);

    const QueryDisplay day = DailyReport(db, d("2024-11-04"));
    QCOMPARE(day.grid.columnCount(), kTradeListColumns);
    QCOMPARE(column(day.grid, 3), cells({"2024-11-04", "", ""}));
    QCOMPARE(day.grid.text(1, 0), QStringLiteral("浦发银行"));
    QCOMPARE(day.repWhere, QStringLiteral("交收日期  < #2024-11-05# and 交收日期  >= #2024-11-04#"));
}

void TestQueryDisplays::holdings()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddIndexRow(db);
    AddDetail(db, "浦发银行", "600000", 10.02, 12, 9, 9.5, "-1.2%");
    AddDetail(db, "民生银行", "600016", 0, 6, 4);
    AddDetail(db, "平安银行", "000001", 12.5, 15, 10);
    AddDetail(db, "万科A", "000002", 8);
    AddDetail(db, "招商银行", "600036", 1.5);
    AddDetail(db, "工商银行", "601398", 5);
    AddRep(db, {"600000", "证券买入", "2024-06-01", 10, 100, 100, 1000, 9000, 5, 0, 1, 0, -1006});
    AddRep(db, {"600016", "证券买入", "2024-05-01", 5, 300, 300, 1500, 7500, 5, 0, 1, 0, -1506});
    AddRep(db, {"000001", "证券买入", "2024-05-02", 12, 24, 24, 288, 7200, 5, 0, 0, 0, -293});
    AddRep(db, {"000002", "证券买入", "2024-05-10", 8, 100, 100, 800, 6400});
    AddRep(db, {"000002", "证券卖出", "2024-06-15", 8, 100, 0, 800, 7200}); // sold out before the date
    AddRep(db, {"600036", "证券买入", "2024-06-10", 1.5, 200, 200, 300, 6900, 5, 0, 0, 0, -305});
    AddRep(db, {"600036", "证券卖出", "2024-07-05", 1.6, 200, 0, 320, 7220}); // sold after it
    AddRep(db, {"600000", "证券买入", "2024-06-30", 10, 150, 250, 1500, 5400, 5, 0, 1, 0, -1506});
    AddRep(db, {"600000", "证券卖出", "2024-06-30", 10, 225, 25, 2250, 7650, 5, 2, 1, 0, 2242}); // same day, later
    AddRep(db, {"600000", "证券买入", "2024-07-01", 10, 974, 999, 9740, 100}); // after the date

    const HoldingsAnalysis a = AnalyseHoldings(db, d("2024-06-30"));
    const TextGrid &g = a.display.grid;
    QCOMPARE(g.text(0, 7), QStringLiteral(" 成交金额"));
    QCOMPARE(g.text(0, 14), QStringLiteral("最新行情"));
    QCOMPARE(g.text(0, 15), QStringLiteral("证券市值"));
    QCOMPARE(column(g, 1), cells({"600000", "600016", "000001", "600036", "4", ""}));
    QCOMPARE(g.rows[1], cells({"浦发银行", "600000", "证券卖出", "2024-06-30", "10", "225", "25", "2250", "7650", "5", "2",
                               "1", "0", "2242", "10.02", "250.5"}));
    QCOMPARE(column(g, 15), cells({"250.5", "0", "300", "300", "850.5", ""}));
    QCOMPARE(g.text(4, 3), QStringLiteral("2024-06-10"));
    QCOMPARE(g.rows[5], cells({" 合计", "4", "", "", "", "", "549", "4338", "7650", "20", "2", "2", "0", "138", "",
                               "850.5"}));
    QCOMPARE(a.display.gridRow, 5);
    QCOMPARE(a.display.count, QStringLiteral("4"));
    QCOMPARE(*a.display.listRows, 4);
    QVERIFY(!a.display.lastWhere);
    QCOMPARE(a.display.repWhere, QStringLiteral("交收日期  <= #2024-06-30#"));
    QCOMPARE(a.totalText, QStringLiteral("8500.5"));

    // The holding row is the last row of the per-code condition.
    const QueryDisplay own = TradeList(db, HoldingCondition("600000", d("2024-06-30")));
    QCOMPARE(own.grid.rows[3].mid(1, 13), g.rows[1].mid(1, 13));

    g_Cash = g_MarketValue = g_TotalAssets = -1;
    g_WatchCode[6] = QStringLiteral("kept");
    PublishAnalysis(a);
    QCOMPARE(g_Cash, 7650.0);
    QCOMPARE(g_MarketValue, 850.5);
    QCOMPARE(g_TotalAssets, 8500.5);
    QCOMPARE(g_ListRows, 4);
    QCOMPARE(g_RepWhere, a.display.repWhere);
    QCOMPARE(g_WatchPrice[1], QStringLiteral("3100.5"));
    QCOMPARE(g_WatchChange[1], QStringLiteral("-0.5%"));
    QCOMPARE(g_WatchTarget[1], 10000.0);
    QCOMPARE(g_WatchStop[1], 5000.0);
    QCOMPARE(g_WatchCode[2], QStringLiteral("600000"));
    QCOMPARE(g_WatchChange[2], QStringLiteral("-1.2%"));
    QCOMPARE(g_WatchTarget[3], 6.0);
    QCOMPARE(g_WatchStop[3], 4.0);
    QCOMPARE(g_WatchCode[5], QStringLiteral("600036"));
    QCOMPARE(g_WatchCode[6], QStringLiteral("kept"));
    QVERIFY(g_WatchCode[1].isEmpty()); // left to the live-watch start
}

void TestQueryDisplays::holdingsWithoutHoldingOrJournal()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddIndexRow(db);
    AddDetail(db, "浦发银行", "600000", 11);
    AddRep(db, {"600000", "证券买入", "2024-06-01", 10, 100, 100, 1000, 9000});
    AddRep(db, {"600000", "证券卖出", "2024-06-02", 10, 100, 0, 1000, 10000});

    const HoldingsAnalysis none = AnalyseHoldings(db, d("2024-06-30"));
    QCOMPARE(none.display.grid.rowCount(), 3);
    QCOMPARE(none.display.grid.rows[1],
             cells({" 合计", "0", "", "", "", "", "0", "0", "10000", "0", "0", "0", "0", "0", "", "0"}));
    QCOMPARE(none.totalText, QStringLiteral("10000"));
    QCOMPARE(none.display.count, QStringLiteral("0"));

    // Before the first record: no cash, and the previous run's figures do not stay.
    const HoldingsAnalysis early = AnalyseHoldings(db, d("2024-05-31"));
    QCOMPARE(early.display.grid.text(1, 8), QStringLiteral("0"));
    QCOMPARE(early.totalText, QStringLiteral("0"));
    g_Cash = g_MarketValue = g_TotalAssets = 5;
    PublishAnalysis(early);
    QCOMPARE(g_Cash, 0.0);
    QCOMPARE(g_MarketValue, 0.0);
    QCOMPARE(g_TotalAssets, 0.0);
}

void TestQueryDisplays::thirtyHoldings()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddIndexRow(db);
    for (int i = 1; i <= 30; ++i) {
        const QString code = QStringLiteral("6%1").arg(i, 5, 10, QLatin1Char('0'));
        AddDetail(db, QStringLiteral("证券%1").arg(i), code, 2);
        AddRep(db, {code, "证券买入", "2024-06-01", 2, 10, 10, 20, 1000.0 - i});
    }
    const HoldingsAnalysis a = AnalyseHoldings(db, d("2024-06-30"));
    QCOMPARE(a.holdings, 30);
    QCOMPARE(a.display.grid.text(30, 1), QStringLiteral("600030"));
    QCOMPARE(a.display.grid.text(31, 15), QStringLiteral("600"));
    QCOMPARE(a.watch.size(), kMaxWatchHoldings);
    PublishAnalysis(a);
    QCOMPARE(g_ListRows, 30);
    QCOMPARE(g_WatchCode[30], QStringLiteral("600029"));
}

void TestQueryDisplays::missingIndexRow()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddDetail(db, "浦发银行", "600000", 11);
    QVERIFY_THROWS_EXCEPTION(DbError, AnalyseHoldings(db, d("2024-06-30")));
}

// One fund written "k00001" and "K00001", its rows among another security's and entered out of date
// order: one security in both displays, named and priced by its Detail row.
void TestQueryDisplays::codeInEitherCase()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddDetail(db, "开放基金", "k00001", 3);
    AddDetail(db, "浦发银行", "600000", 10);
    AddRep(db, {"K00001", "基金申购", "2024-02-20", 1, 40, 40, 40, 9960, 0, 0, 0, 0, -40});
    AddRep(db, {"K00001", "基金申购", "2024-03-02", 2, 100, 140, 200, 9760, 0, 0, 0, 0, -200});
    AddRep(db, {"600000", "证券买入", "2024-03-03", 10, 10, 10, 100, 9660, 0, 0, 0, 0, -100});
    AddRep(db, {"k00001", "基金申购", "2024-03-04", 2, 50, 190, 100, 9560, 0, 0, 0, 0, -100});
    AddRep(db, {"k00001", "红利入账", "2024-03-01", 0, 0, 40, 0, 9960});

    const TextGrid list = TradeList(db, DateRangeCondition(d("2024-03-01"), d("2024-03-31"))).grid;
    QCOMPARE(column(list, 1), cells({"k00001", "K00001", "600000", "k00001", "4", ""}));
    QCOMPARE(column(list, 0), cells({"开放基金", "开放基金", "浦发银行", "开放基金", " 合计", ""}));
    QCOMPARE(column(list, 15), cells({"3", "3", "10", "3", "", ""}));

    // The fund's code as its first row of the range writes it, its holding before from February's row
    // and at the end from its last row by date, not the last entered.
    const QueryDisplay s = SecuritySummary(db, d("2024-03-01"), d("2024-03-31"));
    QCOMPARE(s.grid.rowCount(), 5);
    QCOMPARE(s.grid.rows[1], cells({"浦发银行", "600000", "1", "0", "10", "10", "100", "-100", "0", "0", "0",
                                    "0", "10", "0"}));
    QCOMPARE(s.grid.rows[2], cells({"开放基金", "k00001", "3", "40", "190", "150", "300", "-300", "0", "0",
                                    "0", "0", "3", "150"}));
    QCOMPARE(s.grid.rows[3],
             cells({" 合计", "2", "4", "", "", "160", "400", "-400", "0", "0", "0", "", "", "150"}));
}

QTEST_MAIN(TestQueryDisplays)
#include "tst_querydisplays.moc"
