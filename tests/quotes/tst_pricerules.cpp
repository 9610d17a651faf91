// The price-update rules on their own: list splitting, the caption, the batch's passes and counts, and
// the writes into a real database file.

#include "app/Globals.h"
#include "app/Shared.h"
#include "data/Database.h"
#include "quotes/PriceUpdate.h"
#include "tests/common/TestSupport.h"

#include <QTest>

using namespace tv;
using namespace tv::test;

class TestPriceRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void splitsLists_data();
    void splitsLists();
    void listLengths();
    void captions_data();
    void captions();
    void batchPasses_data();
    void batchPasses();
    void batchCounts();
    void storesNumbers();
    void storeFailureWritesNothing();
};

void TestPriceRules::splitsLists_data()
{
    QTest::addColumn<QStringList>("codes"); // entries 1 to n
    QTest::addColumn<QStringList>("stocks");
    QTest::addColumn<QList<int>>("positions");
    QTest::addColumn<QStringList>("funds");
    QTest::newRow("index, fund, stock")
        << QStringList{"shzs000001", "k161005", "600000"} << QStringList{"shzs000001", "600000"}
        << QList<int>{1, 3} << QStringList{"161005"};
    QTest::newRow("funds only") << QStringList{"k161005", "k110022"} << QStringList{} << QList<int>{}
                                << QStringList{"161005", "110022"};
    QTest::newRow("upper-case K is a stock")
        << QStringList{"K161005"} << QStringList{"K161005"} << QList<int>{1} << QStringList{};
    QTest::newRow("blank before k is a stock")
        << QStringList{" k161005"} << QStringList{" k161005"} << QList<int>{1} << QStringList{};
    QTest::newRow("empty") << QStringList{} << QStringList{} << QList<int>{} << QStringList{};
}

void TestPriceRules::splitsLists()
{
    QFETCH(QStringList, codes);
    QFETCH(QStringList, stocks);
    QFETCH(QList<int>, positions);
    QFETCH(QStringList, funds);
    QStringList list = QStringList{QStringLiteral("entry 0 is not used")} + codes;
    const QStringList before = list;
    const QuoteListSplit split = SplitQuoteList(list, int(codes.size()));
    QCOMPARE(split.stockCodes, QStringList{QString()} + stocks);
    QCOMPARE(split.stockPositions, positions);
    QCOMPARE(split.fundCodes, QStringList{QString()} + funds);
    QCOMPARE(split.stockCount(), int(stocks.size()));
    QCOMPARE(split.fundCount(), int(funds.size()));
    QCOMPARE(list, before);
}

void TestPriceRules::listLengths()
{
    QVERIFY(QuoteListFits(0));
    QVERIFY(QuoteListFits(30));
    QVERIFY(!QuoteListFits(31));
    QVERIFY(!QuoteListFits(-1));
}

void TestPriceRules::captions_data()
{
    QTest::addColumn<QString>("bracket");
    QTest::newRow("the program's") << "Tallyvane";
    QTest::newRow("with a blank") << "我的 账本";
    QTest::newRow("empty") << "";
}

void TestPriceRules::captions()
{
    QFETCH(QString, bracket);
    QCOMPARE(MainCaption(bracket), "证券交易记录 [ " + bracket + " ]");
    QCOMPARE(UpdatingCaption(bracket), "证券交易记录 [ " + bracket + " ][股价更新]");
}

namespace {
// A row per letter: "s" a stock, "y" an account "yh" row, "k" a fund, "i" the index row.
QList<DetailRow> rowsOf(const QString &pattern)
{
    QList<DetailRow> rows;
    for (int i = 0; i < pattern.size(); ++i) {
        const QString n = QString::number(i).rightJustified(2, u'0');
        switch (pattern[i].unicode()) {
        case 'i':
            rows.append({"上证指数", "上证指数", "shzs000001"});
            break;
        case 'y':
            rows.append({"yh", "银行" + n, "9000" + n});
            break;
        case 'k':
            rows.append({"kj", "基金" + n, "k1610" + n});
            break;
        default:
            rows.append({"A000000001", "股票" + n, "6000" + n});
        }
    }
    return rows;
}
} // namespace

void TestPriceRules::batchPasses_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QList<int>>("stocksPerPass");
    QTest::addColumn<int>("funds");
    QTest::addColumn<int>("skipped");
    QTest::newRow("23 rows") << "isssssysskssssssssssssk" << QList<int>{8, 10, 2} << 2 << 1;
    QTest::newRow("last pass without stocks") << "isssssssss"
                                                 "ssssssssss"
                                                 "kyk"
                                              << QList<int>{10, 10, 0} << 2 << 1;
    QTest::newRow("12 funds") << "ikkkkkkkkkkkk" << QList<int>{1, 0} << 12 << 0;
    QTest::newRow("empty") << "" << QList<int>{} << 0 << 0;
}

void TestPriceRules::batchPasses()
{
    QFETCH(QString, pattern);
    QFETCH(QList<int>, stocksPerPass);
    QFETCH(int, funds);
    QFETCH(int, skipped);
    const QList<DetailRow> rows = rowsOf(pattern);
    PriceBatch batch(rows);
    QList<int> perPass;
    QStringList fetched;
    while (!batch.atEnd()) {
        const QList<DetailRow> stocks = batch.nextPass();
        perPass << int(stocks.size());
        const QStringList codes = PriceBatch::CodesOf(stocks);
        QCOMPARE(codes.value(0), QString());
        fetched += codes.mid(1);
    }
    QCOMPARE(perPass, stocksPerPass);
    QCOMPARE(batch.counts().scanned, int(pattern.size()));
    QCOMPARE(batch.counts().notUpdated, skipped);
    QCOMPARE(batch.counts().updated, 0);
    QCOMPARE(int(batch.funds().size()), funds);
    // Stocks in table order, never a "yh" or fund row; funds by their six digits.
    QStringList expected;
    for (const DetailRow &r : rows)
        if (ClassOfRow(r.account) == RowClass::Stock)
            expected << r.code;
    QCOMPARE(fetched, expected);
    for (int j = 1; j <= funds; ++j)
        QCOMPARE(batch.fundCodes()[j], batch.funds()[j - 1].code.mid(1));
}

void TestPriceRules::batchCounts()
{
    PriceBatch batch(rowsOf("isyk"));
    const QList<DetailRow> stocks = batch.nextPass();
    QuoteReading reading(2);
    reading[1] = {" 3030.12 ", " 1.00% ", "上证指数", {}};
    reading[2] = {"0", {}, {}, {}};
    const QList<PriceWrite> writes = batch.takeStockResults(stocks, reading);
    QCOMPARE(writes.size(), 1);
    QCOMPARE(writes[0].code, QStringLiteral("shzs000001"));
    QCOMPARE(writes[0].price, 3030.12);
    QCOMPARE(writes[0].change, QStringLiteral("1.00%"));
    QCOMPARE(LastStatusText(), QStringLiteral("正在更新上证指数shzs000001")); // the row's own name
    QuoteReading fund(1);
    fund[1] = {"1.2345", "0.50%", "富国天惠", {}};
    const QList<PriceWrite> fundWrites = batch.takeFundResults(fund);
    QCOMPARE(fundWrites.size(), 1);
    QCOMPARE(fundWrites[0].code, QStringLiteral("k161003"));        // the stored code, "k" included
    QCOMPARE(LastStatusText(), QStringLiteral("正在更新富国天惠")); // the page's name
    QCOMPARE(BatchSummary(batch.counts()), QStringLiteral("扫描4，更新2，未更新2"));
}

namespace {
void twoShares(TestEnv &env)
{
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddSecurity(db, "浦发银行", "600000", 9);
    AddSecurity(db, "平安银行", "000001", 8);
}
} // namespace

void TestPriceRules::storesNumbers()
{
    TestEnv env;
    twoShares(env);
    QuoteEntry quote{" 12.30 ", " -1.25% ", "ignored", "ignored"};
    const QuoteEntry noQuote{"1d5", "1.00%", "ignored", "ignored"};
    StorePrices(g_DbPath, g_DbConnect, {PriceWriteOf("600000", quote), PriceWriteOf("000001", noQuote)},
                QDate(2026, 12, 10));
    QCOMPARE(StoredQuote("600000"), QStringLiteral("2026-12-10|real 12.3|text -1.25%"));
    QCOMPARE(StoredQuote("000001"), QStringLiteral("2026-12-09|real 8|text ")); // left alone
}

void TestPriceRules::storeFailureWritesNothing()
{
    TestEnv env;
    twoShares(env);
    DbExec("CREATE TRIGGER refuse BEFORE UPDATE ON Detail WHEN NEW.证券代码 = '000001' "
           "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    const QuoteEntry quote{"12", "1%", {}, {}};
    bool failed = false;
    try {
        StorePrices(g_DbPath, g_DbConnect, {PriceWriteOf("600000", quote), PriceWriteOf("000001", quote)},
                    QDate(2026, 12, 10));
    } catch (const DbError &e) {
        failed = e.message().contains("refused");
    }
    QVERIFY(failed);
    QCOMPARE(DbCount("SELECT COUNT(*) FROM Detail WHERE 更新日期 = '2026-12-10'"), 0);
}

QTEST_MAIN(TestPriceRules)
#include "tst_pricerules.moc"
