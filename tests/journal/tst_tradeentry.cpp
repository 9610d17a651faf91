#include "app/Globals.h"
#include "data/Database.h"
#include "journal/TradeEntry.h"
#include "tests/common/TestSupport.h"

#include <QTest>

using namespace tv;
using tv::test::TestEnv;

Q_DECLARE_METATYPE(tv::FeeSchedule)

namespace {

// The fixture schedule: commission 0.3% with a 5 yuan minimum, stamp duty 0.1%, transfer fee 0.001 a
// unit with a 1 yuan minimum.
FeeSchedule shares()
{
    FeeSchedule f;
    f.commission = 0.003;
    f.commissionMin = 5;
    f.stamp = 0.001;
    f.transfer = 0.001;
    f.transferMin = 1;
    return f;
}

FeeSchedule fund(double rate, double minimum = 0)
{
    FeeSchedule f;
    f.commission = rate;
    f.commissionMin = minimum;
    return f;
}

FeeSchedule withOther(double rate)
{
    FeeSchedule f = shares();
    f.other = rate;
    return f;
}

TradeEntry entry(const QString &type, const QString &code, const QString &price, const QString &quantity,
                 double cash, double holding)
{
    TradeEntry e;
    e.code = code;
    e.category = QStringLiteral("测试");
    e.date = QDate(2026, 3, 2);
    e.tradeType = type;
    e.openingCash = cash;
    e.openingHolding = holding;
    e.box[kPriceBox] = price;
    e.box[kQuantityBox] = quantity;
    e.set(kHoldingBox, holding);
    e.set(kCashBox, cash);
    return e;
}

qint64 addRow(Database &db, const QString &code, const QString &date, double holding, double cash)
{
    db.execute(QStringLiteral("INSERT INTO rep (证券代码, 交易类别, 交收日期, 证券余额, 资金余额) VALUES (?, "
                              "'证券买入', ?, ?, ?)"),
               {code, date, holding, cash});
    return db.lastInsertId();
}

// A category "测试" of account T000000001 with the fixture schedule for purchases and sales, a fund
// subscription at 1.5%, and a dividend without fees.
void addFixtureCategory()
{
    Database db(g_DbPath, g_DbConnect);
    db.execute(QStringLiteral("INSERT INTO Catalog (证券类别, 股东账号) VALUES ('测试', 'T000000001')"));
    const QString mode =
        QStringLiteral("INSERT INTO machcom (证券类别, 交易方式, 手续费, 手续费下, 印花税, 印花税下, "
                       "过户费, 过户费下, 其它费用, 其它费用下) VALUES ('测试', ?, ?, ?, ?, 0, ?, ?, 0, 0)");
    db.execute(mode, {"证券买入", 0.003, 5, 0.001, 0.001, 1});
    db.execute(mode, {"证券卖出", 0.003, 5, 0.001, 0.001, 1});
    db.execute(mode, {"基金申购拨出", 0.015, 0, 0, 0, 0});
    db.execute(mode, {"红利入账", 0, 0, 0, 0, 0});
}

QStringList storedRow(qint64 repid)
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet rs = db.openQuery(QStringLiteral("SELECT * FROM rep WHERE repid = ?"), {repid});
    QStringList out;
    for (int c = 0; rs.recordCount() == 1 && c < rs.fieldCount() - 1; ++c)
        out << rs.text(0, c);
    return out;
}

int repRows()
{
    Database db(g_DbPath, g_DbConnect);
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM rep")).toInt();
}

} // namespace

class TestTradeEntry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void priceOrQuantity_data();
    void priceOrQuantity();
    void leavingTwiceTakesTheFeesOnce();
    void changedTypeStartsFromTheOpening();
    void amountBox_data();
    void amountBox();
    void balanceAsOf_data();
    void balanceAsOf();
    void openingFindsModesAndBalances();
    void leavingBoxesThroughTheDatabase();
    void sameCashOnTheDateOnlyWarns();
    void savedFlow_data();
    void savedFlow();
    void savedRowKeepsCentsAndNumbers();
    void recomputedAsTypedAfresh_data();
    void recomputedAsTypedAfresh();
    void saveFindsTheBalancesMoved();
    void failedWritesLeaveTheFileAsItWas();
};

// Leaving the price or the quantity box: the amount, the four fees by the code's market, the new
// balances and the flow. Columns: the trade, the fee schedule (none when the mode has no row), what the
// fee boxes held before, the flow left from an earlier trade; then the boxes and the flow afterwards.
void TestTradeEntry::priceOrQuantity_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<double>("cash");
    QTest::addColumn<double>("holding");
    QTest::addColumn<bool>("hasFees");
    QTest::addColumn<FeeSchedule>("fees");
    QTest::addColumn<QString>("feesBefore"); // boxes 6 to 9, separated by "|"
    QTest::addColumn<double>("flowBefore");
    QTest::addColumn<QStringList>("expected"); // boxes 3 to 9
    QTest::addColumn<double>("flow");
    QTest::addColumn<int>("warnings");

    const QString none = QStringLiteral("|||");
    // holding, amount, cash, commission, stamp, transfer, other
    QTest::newRow("buy 60") << "证券买入"
                            << "600036"
                            << "10.50"
                            << "1000" << 20000.0 << 0.0 << true << shares() << none << 0.0
                            << QStringList{"1000", "10500", "9457", "31.5", "10.5", "1", "0"} << -10543.0
                            << 0;
    QTest::newRow("buy 00") << "证券买入"
                            << "000001"
                            << "10.50"
                            << "1000" << 20000.0 << 0.0 << true << shares() << none << 0.0
                            << QStringList{"1000", "10500", "9458", "31.5", "10.5", "0", "0"} << -10542.0
                            << 0;
    QTest::newRow("buy 30") << "证券买入"
                            << "300001"
                            << "10.50"
                            << "1000" << 20000.0 << 0.0 << true << shares() << none << 0.0
                            << QStringList{"1000", "10500", "9468.5", "31.5", "0", "0", "0"} << -10531.5 << 0;
    QTest::newRow("sell 60") << "证券卖出"
                             << "600036"
                             << "11"
                             << "500" << 1000.0 << 1500.0 << true << shares() << none << 0.0
                             << QStringList{"1000", "5500", "6477", "16.5", "5.5", "1", "0"} << 5477.0 << 0;
    QTest::newRow("redeem") << "基金赎回拨入"
                            << "k161005"
                            << "1.25"
                            << "800" << 0.0 << 1000.0 << true << fund(0.005) << none << 0.0
                            << QStringList{"200", "1000", "995", "5", "0", "0", "0"} << 995.0 << 0;
    // The commission below, at and above its minimum; the transfer fee likewise.
    QTest::newRow("fees below minimum")
        << "证券买入"
        << "600036"
        << "10"
        << "100" << 20000.0 << 0.0 << true << shares() << none << 0.0
        << QStringList{"100", "1000", "18993", "5", "1", "1", "0"} << -1007.0 << 0;
    QTest::newRow("fees at minimum") << "证券买入"
                                     << "600036"
                                     << "5"
                                     << "1000" << 20000.0 << 0.0 << true << fund(0.001, 5) << none << 0.0
                                     << QStringList{"1000", "5000", "14995", "5", "0", "0", "0"} << -5005.0
                                     << 0;
    QTest::newRow("fees above minimum")
        << "证券买入"
        << "600036"
        << "2"
        << "2000" << 20000.0 << 0.0 << true << shares() << none << 0.0
        << QStringList{"2000", "4000", "15982", "12", "4", "2", "0"} << -4018.0 << 0;
    // Boxes 3 to 7 are rounded to the cent, boxes 8 and 9 are not; the flow keeps its fraction.
    QTest::newRow("other fee unrounded")
        << "证券买入"
        << "600036"
        << "10.50"
        << "1000" << 20000.0 << 0.0 << true << withOther(0.00123) << none << 0.0
        << QStringList{"1000", "10500", "9444.09", "31.5", "10.5", "1", "12.915"} << -10555.915 << 0;
    QTest::newRow("amount rounded") << "证券买入"
                                    << "600036"
                                    << "10.333"
                                    << "3" << 100.0 << 0.0 << true << fund(0.001) << none << 0.0
                                    << QStringList{"3", "31", "68.97", "0.03", "0", "0", "0"} << -31.029999
                                    << 0;
    // A fund subscription rounds the amount half to even and charges its commission on top.
    QTest::newRow("fund through price")
        << "基金申购拨出"
        << "k161005"
        << "1"
        << "10000" << 20000.0 << 0.0 << true << fund(0.015) << none << 0.0
        << QStringList{"10000", "10000", "19848", "152", "0", "0", "0"} << -152.0 << 0;
    QTest::newRow("fund half down to even")
        << "基金申购拨出"
        << "k161005"
        << "1"
        << "10000.5" << 20000.0 << 0.0 << true << fund(0) << none << 0.0
        << QStringList{"10000.5", "10000", "20000", "0", "0", "0", "0"} << 0.0 << 0;
    QTest::newRow("fund half up to even")
        << "基金申购拨出"
        << "k161005"
        << "1"
        << "10001.5" << 20000.0 << 0.0 << true << fund(0) << none << 0.0
        << QStringList{"10001.5", "10002", "20000", "0", "0", "0", "0"} << 0.0 << 0;
    // The price box holds the dividend per unit of the holding.
    QTest::newRow("dividend") << "红利入账"
                              << "600036"
                              << "0.25"
                              << "7" << 1000.0 << 2000.0 << true << FeeSchedule{} << none << 0.0
                              << QStringList{"2000", "500", "1500", "0", "0", "0", "0"} << 0.0 << 0;
    // A bonus-share row never stores the flow of the trade before it.
    QTest::newRow("bonus after purchase")
        << "红股入账"
        << "600036"
        << "0"
        << "300" << 9457.0 << 1000.0 << true << FeeSchedule{} << none << -10543.0
        << QStringList{"1300", "0", "9457", "0", "0", "0", "0"} << 0.0 << 0;
    // A name that is no trade mode: only the amount; the fee boxes as they stand still come off.
    QTest::newRow("unknown type") << "配股缴款"
                                  << "600036"
                                  << "4"
                                  << "100" << 1000.0 << 50.0 << false << FeeSchedule{} << "3|1||0.5" << -777.0
                                  << QStringList{"50", "400", "995.5", "3", "1", "", "0.5"} << -4.5 << 0;
    QTest::newRow("cash short") << "证券买入"
                                << "600036"
                                << "10"
                                << "1000" << 5000.0 << 0.0 << true << shares() << none << 0.0
                                << QStringList{"1000", "10000", "-5041", "30", "10", "1", "0"} << -10041.0
                                << 1;
    QTest::newRow("holding short") << "证券卖出"
                                   << "600036"
                                   << "10"
                                   << "1000" << 0.0 << 200.0 << true << shares() << none << 0.0
                                   << QStringList{"-800", "10000", "9959", "30", "10", "1", "0"} << 9959.0
                                   << 1;
}

void TestTradeEntry::priceOrQuantity()
{
    QFETCH(QString, type);
    QFETCH(QString, code);
    QFETCH(QString, price);
    QFETCH(QString, quantity);
    QFETCH(double, cash);
    QFETCH(double, holding);
    QFETCH(bool, hasFees);
    QFETCH(FeeSchedule, fees);
    QFETCH(QString, feesBefore);
    QFETCH(double, flowBefore);
    QFETCH(QStringList, expected);
    QFETCH(double, flow);
    QFETCH(int, warnings);

    TradeEntry e = entry(type, code, price, quantity, cash, holding);
    const QStringList before = feesBefore.split(u'|');
    for (int i = 0; i < 4; ++i)
        e.box[kCommissionBox + i] = before[i];
    e.flow = flowBefore;
    const QList<EntryNotice> notices = PriceOrQuantityPath(e, hasFees ? std::optional(fees) : std::nullopt);
    QStringList boxes;
    for (int i = kHoldingBox; i <= kOtherBox; ++i)
        boxes << e.box[i];
    QCOMPARE(boxes, expected);
    QVERIFY2(qAbs(e.flow - flow) < 1e-6, qPrintable(QString::number(e.flow, 'f', 9)));
    QCOMPARE(notices.size(), warnings);
    for (const EntryNotice &n : notices) {
        QVERIFY(n.text == QStringLiteral(" 资金余额不够,请重新输入！") ||
                n.text == QStringLiteral(" 股票余额不够,请重新输入！"));
        QCOMPARE(n.style, 48);
        QCOMPARE(n.title, QStringLiteral("警告!"));
    }
}

void TestTradeEntry::leavingTwiceTakesTheFeesOnce()
{
    for (const QString &type :
         {QStringLiteral("证券买入"), QStringLiteral("红股入账"), QStringLiteral("配股缴款")}) {
        TradeEntry e =
            entry(type, QStringLiteral("600036"), QStringLiteral("10.50"), QStringLiteral("1000"), 20000, 0);
        e.box[kCommissionBox] = QStringLiteral("6");
        PriceOrQuantityPath(e, type == QLatin1String("配股缴款") ? std::nullopt : std::optional(shares()));
        const TradeEntry once = e;
        PriceOrQuantityPath(e, type == QLatin1String("配股缴款") ? std::nullopt : std::optional(shares()));
        QCOMPARE(e.box, once.box);
        QCOMPARE(e.flow, once.flow);
    }
}

// A sale computed first, then the type changed: the holding, the cash and the flow start again from
// the opening, so the dividend is paid on the opening holding and no row keeps the sale's holding.
void TestTradeEntry::changedTypeStartsFromTheOpening()
{
    for (const QString &type : {QStringLiteral("红利入账"), QStringLiteral("配股缴款")}) {
        TradeEntry e = entry(trade::kSell, QStringLiteral("600036"), QStringLiteral("0.25"),
                             QStringLiteral("500"), 1000, 2000);
        PriceOrQuantityPath(e, FeeSchedule{});
        QCOMPARE(e.box[kHoldingBox], QStringLiteral("1500"));
        e.tradeType = type;
        PriceOrQuantityPath(e, type == trade::kDividend ? std::optional(FeeSchedule{}) : std::nullopt);
        QCOMPARE(e.box[kHoldingBox], QStringLiteral("2000"));
        QCOMPARE(e.box[kAmountBox], type == trade::kDividend ? QStringLiteral("500") : QStringLiteral("125"));
        QCOMPARE(e.box[kCashBox], type == trade::kDividend ? QStringLiteral("1500") : QStringLiteral("1000"));
        QCOMPARE(e.flow, 0.0);
    }
}

// Leaving the amount box: transfers, interest, dividends and the fund subscription set the cash and
// the flow from the opening cash; other types change nothing there.
void TestTradeEntry::amountBox_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<bool>("hasFees");
    QTest::addColumn<FeeSchedule>("fees");
    QTest::addColumn<QStringList>("expected"); // boxes 3, 5, 6
    QTest::addColumn<double>("flow");
    QTest::addColumn<int>("warnings");

    // Opening cash 1000, holding 50, quantity 200, a flow of -1 and a commission of 9 beforehand.
    QTest::newRow("bank to broker") << "银行转券商"
                                    << "5000" << false << FeeSchedule{} << QStringList{"50", "6000", "9"}
                                    << 5000.0 << 0;
    QTest::newRow("interest") << "利息归本"
                              << "12.345" << false << FeeSchedule{} << QStringList{"50", "1012.35", "9"}
                              << 12.345 << 0;
    QTest::newRow("dividend") << "红利入账"
                              << "500" << true << FeeSchedule{} << QStringList{"50", "1500", "9"} << 500.0
                              << 0;
    QTest::newRow("broker to bank") << "券商转银行"
                                    << "3000" << false << FeeSchedule{} << QStringList{"50", "-2000", "9"}
                                    << -3000.0 << 1;
    QTest::newRow("interest tax") << "利息税代扣"
                                  << "2.47" << false << FeeSchedule{} << QStringList{"50", "997.53", "9"}
                                  << -2.47 << 0;
    QTest::newRow("fund subscription")
        << "基金申购拨出"
        << "10000" << true << fund(0.015) << QStringList{"250", "-9152", "152"} << -10152.0 << 1;
    QTest::newRow("fund commission half down")
        << "基金申购拨出"
        << "10" << true << fund(0.2) << QStringList{"250", "988", "2"} << -12.0 << 0;
    QTest::newRow("fund commission half up")
        << "基金申购拨出"
        << "14" << true << fund(0.2) << QStringList{"250", "982", "4"} << -18.0 << 0;
    QTest::newRow("fund commission minimum")
        << "基金申购拨出"
        << "100" << true << fund(0.015, 20) << QStringList{"250", "880", "20"} << -120.0 << 0;
    QTest::newRow("fund without schedule")
        << "基金申购拨出"
        << "100" << false << FeeSchedule{} << QStringList{"50", "1000", "9"} << -1.0 << 0;
    QTest::newRow("purchase") << "证券买入"
                              << "100" << true << shares() << QStringList{"50", "1000", "9"} << -1.0 << 0;
}

void TestTradeEntry::amountBox()
{
    QFETCH(QString, type);
    QFETCH(QString, amount);
    QFETCH(bool, hasFees);
    QFETCH(FeeSchedule, fees);
    QFETCH(QStringList, expected);
    QFETCH(double, flow);
    QFETCH(int, warnings);

    TradeEntry e = entry(type, QStringLiteral("600036"), QString(), QStringLiteral("200"), 1000, 50);
    e.box[kAmountBox] = amount;
    e.box[kCommissionBox] = QStringLiteral("9");
    e.flow = -1;
    const QList<EntryNotice> notices = AmountPath(e, hasFees ? std::optional(fees) : std::nullopt);
    QCOMPARE((QStringList{e.box[kHoldingBox], e.box[kCashBox], e.box[kCommissionBox]}), expected);
    QVERIFY2(qAbs(e.flow - flow) < 1e-9, qPrintable(QString::number(e.flow, 'f', 9)));
    QCOMPARE(notices.size(), warnings);
}

// Cash over all securities, holding of the security's own rows; same-day rows by key.
void TestTradeEntry::balanceAsOf_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("code");
    QTest::addColumn<double>("cash");
    QTest::addColumn<double>("holding");
    QTest::newRow("before every row") << QDate(2026, 1, 3) << "600036" << 0.0 << 0.0;
    QTest::newRow("row entered later, dated earlier") << QDate(2026, 1, 4) << "600036" << 10000.0 << 10.0;
    QTest::newRow("same day, other security last") << QDate(2026, 1, 5) << "600036" << 7000.5 << 100.0;
    QTest::newRow("other security") << QDate(2026, 1, 5) << "000001" << 7000.5 << 70.0;
    QTest::newRow("code without rows") << QDate(2026, 1, 5) << "300001" << 7000.5 << 0.0;
    QTest::newRow("later day") << QDate(2026, 1, 6) << "600036" << 1234567.89 << 60.0;
    QTest::newRow("long after") << QDate(2027, 1, 1) << "000001" << 1234567.89 << 70.0;
}

void TestTradeEntry::balanceAsOf()
{
    QFETCH(QDate, date);
    QFETCH(QString, code);
    QFETCH(double, cash);
    QFETCH(double, holding);
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    addRow(db, "600036", "2026-01-05", 100, 9000);
    addRow(db, "000001", "2026-01-05", 50, 8000);
    addRow(db, "600036", "2026-01-06", 60, 1234567.89);
    addRow(db, "600036", "2026-01-04", 10, 10000);
    addRow(db, "000001", "2026-01-05", 70, 7000.5);
    const Balances b = BalanceAsOf(db, date, code);
    QCOMPARE(b.cash, cash);
    QCOMPARE(b.holding, holding);
}

void TestTradeEntry::openingFindsModesAndBalances()
{
    TestEnv env;
    env.makeDatabase();
    addFixtureCategory();
    {
        Database db(g_DbPath, g_DbConnect);
        addRow(db, "600036", "2026-03-01", 400, 15000);
        db.execute(QStringLiteral("INSERT INTO Catalog (证券类别, 股东账号) VALUES ('空类', 'E000000001')"));
    }
    Database db(g_DbPath, g_DbConnect);
    const EntryOpening o =
        OpenTradeEntry(db, QStringLiteral("T000000001"), QStringLiteral("600036"), QDate(2026, 3, 2));
    QCOMPARE(o.result, EntryOpening::Opened);
    QCOMPARE(o.category, QStringLiteral("测试"));
    QCOMPARE(o.tradeModes, (QStringList{"证券买入", "证券卖出", "基金申购拨出", "红利入账"}));
    QCOMPARE(o.balances.cash, 15000.0);
    QCOMPARE(o.balances.holding, 400.0);
    QCOMPARE(o.repWhere, QStringLiteral("证券代码 ='600036' and 交收日期  <= #2026-03-02#"));

    // The starter category offers its ten trade modes in entry order.
    const EntryOpening a =
        OpenTradeEntry(db, QStringLiteral("A000000001"), QStringLiteral("600036"), QDate(2026, 2, 1));
    QCOMPARE(a.tradeModes.size(), 10);
    QCOMPARE(a.tradeModes.first(), QStringLiteral("证券买入"));
    QCOMPARE(a.tradeModes.last(), QStringLiteral("利息税代扣"));
    QCOMPARE(a.balances.cash, 0.0);

    QCOMPARE(OpenTradeEntry(db, QStringLiteral("E000000001"), QString(), QDate(2026, 3, 2)).result,
             EntryOpening::NoTradeModes);
    QCOMPARE(OpenTradeEntry(db, QStringLiteral("X"), QString(), QDate(2026, 3, 2)).result,
             EntryOpening::NoCategory);

    TradeEntry e;
    e.box[kQuantityBox] = QStringLiteral("typed");
    StartTradeEntry(e, o, QStringLiteral("10.5"));
    QCOMPARE(e.tradeType, QStringLiteral("证券买入"));
    QCOMPARE(e.box[kPriceBox], QStringLiteral("10.5"));
    QCOMPARE(e.box[kHoldingBox], QStringLiteral("400"));
    QCOMPARE(e.box[kCashBox], QStringLiteral("15000"));
    QCOMPARE(e.box[kQuantityBox], QStringLiteral("typed"));
    QCOMPARE(e.flow, 0.0);
}

void TestTradeEntry::leavingBoxesThroughTheDatabase()
{
    TestEnv env;
    env.makeDatabase();
    addFixtureCategory();
    Database db(g_DbPath, g_DbConnect);

    // The schedule is found by category and trade type.
    TradeEntry e = entry(QStringLiteral("证券买入"), QStringLiteral("600036"), QStringLiteral("10.50"),
                         QStringLiteral("1000"), 20000, 0);
    e.box[kContractBox] = QStringLiteral("A123");
    QVERIFY(LeaveEntryBox(db, e, kQuantityBox).isEmpty());
    QCOMPARE(e.box[kCashBox], QStringLiteral("9457"));
    QCOMPARE(e.flow, -10543.0);
    QCOMPARE(e.box[kContractBox], QStringLiteral("0"));
    // Leaving the amount box of a purchase changes nothing more.
    LeaveEntryBox(db, e, kAmountBox);
    QCOMPARE(e.box[kCashBox], QStringLiteral("9457"));
    QCOMPARE(e.flow, -10543.0);

    // A fund subscription typed into the amount box.
    TradeEntry f = entry(QStringLiteral("基金申购拨出"), QStringLiteral("k161005"), QString(),
                         QStringLiteral("9800"), 20000, 0);
    f.box[kAmountBox] = QStringLiteral("10000");
    LeaveEntryBox(db, f, kAmountBox);
    QCOMPARE(f.box[kCommissionBox], QStringLiteral("152"));
    QCOMPARE(f.box[kCashBox], QStringLiteral("9848"));
    QCOMPARE(f.box[kHoldingBox], QStringLiteral("9800"));
    QCOMPARE(f.flow, -10152.0);

    // A dividend: the price path gives the amount, the amount box the flow.
    TradeEntry d = entry(QStringLiteral("红利入账"), QStringLiteral("600036"), QStringLiteral("0.25"),
                         QStringLiteral("1"), 1000, 2000);
    LeaveEntryBox(db, d, kPriceBox);
    QCOMPARE(d.box[kAmountBox], QStringLiteral("500"));
    QCOMPARE(d.box[kCashBox], QStringLiteral("1500"));
    QCOMPARE(d.flow, 0.0);
    LeaveEntryBox(db, d, kAmountBox);
    QCOMPARE(d.box[kCashBox], QStringLiteral("1500"));
    QCOMPARE(d.flow, 500.0);

    // A trade type of another category has no schedule here: the fee boxes keep their values.
    TradeEntry u = entry(QStringLiteral("银行转券商"), QStringLiteral("600036"), QStringLiteral("1"),
                         QStringLiteral("10"), 100, 0);
    u.box[kCommissionBox] = QStringLiteral("2");
    LeaveEntryBox(db, u, kPriceBox);
    QCOMPARE(u.box[kCommissionBox], QStringLiteral("2"));
    QCOMPARE(u.box[kCashBox], QStringLiteral("98"));

    // The price box left with the quantity box empty: nothing computed, every box normalised.
    TradeEntry n;
    n.code = QStringLiteral("600036");
    n.category = QStringLiteral("测试");
    n.tradeType = QStringLiteral("证券买入");
    n.box = {QString(), "10.50", "", " 12abc", "-0.0", "x", "", "", "", "", "00123"};
    QVERIFY(LeaveEntryBox(db, n, kPriceBox).isEmpty());
    QCOMPARE(n.box,
             (std::array<QString, 11>{QString(), "10.5", "0", "12", "0", "0", "0", "0", "0", "0", "123"}));
    QCOMPARE(n.flow, 0.0);
}

void TestTradeEntry::sameCashOnTheDateOnlyWarns()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    addRow(db, "000001", "2026-03-02", 10, 9457);
    addRow(db, "000001", "2026-03-03", 10, 8000);
    TradeEntry e = entry(QStringLiteral("证券买入"), QStringLiteral("600036"), QString(), QString(), 0, 0);
    e.box[kCashBox] = QStringLiteral("9457.00");
    const QList<EntryNotice> notices = LeaveEntryBox(db, e, kCashBox);
    QCOMPARE(notices.size(), 1);
    QCOMPARE(notices[0].text, QStringLiteral("2026-03-02 资金余额9457 元相同,录入下一个!"));
    QCOMPARE(notices[0].style, 48);
    QCOMPARE(notices[0].title, QStringLiteral("警告!"));
    QCOMPARE(e.box[kCashBox], QStringLiteral("9457"));
    e.box[kCashBox] = QStringLiteral("8000");
    QVERIFY(LeaveEntryBox(db, e, kCashBox).isEmpty()); // the same cash on another day
}

void TestTradeEntry::savedFlow_data()
{
    QTest::addColumn<double>("flow");
    QTest::addColumn<double>("saved");
    QTest::newRow("0.004") << 0.004 << 0.0;
    QTest::newRow("-0.009") << -0.009 << 0.0;
    QTest::newRow("0.01") << 0.01 << 0.01;
    QTest::newRow("-0.01") << -0.01 << -0.01;
    QTest::newRow("a hair below a cent") << 0.0099999999 << 0.01;
    QTest::newRow("0.1 - 0.09") << 0.1 - 0.09 << 0.01;
    QTest::newRow("half a cent up") << 0.015 << 0.02;
    QTest::newRow("large") << -123456.78 << -123456.78;
    QTest::newRow("fraction of large") << -10555.915 << -10555.92;
    QTest::newRow("zero") << 0.0 << 0.0;
}

void TestTradeEntry::savedFlow()
{
    QFETCH(double, flow);
    QFETCH(double, saved);
    QCOMPARE(SavedFlow(flow), saved);
}

void TestTradeEntry::savedRowKeepsCentsAndNumbers()
{
    TestEnv env;
    env.makeDatabase();
    TradeEntry e = entry(QStringLiteral("券商转银行"), QStringLiteral("600036"), QStringLiteral(" 1.50x"),
                         QString(), 1358024.67, 0);
    e.box = {QString(), " 1.50x", "", "0", "123456.78", "1234567.89", "", "", "", "", "A123"};
    e.flow = -123456.78;
    Database db(g_DbPath, g_DbConnect);
    test::AddSecurity(db, QStringLiteral("招商银行"), QStringLiteral("600036"), 10.5);
    addRow(db, "000001", "2026-03-01", 0, 1358024.67);
    const SaveOutcome first = SaveTradeEntry(db, e, QStringLiteral("admin"));
    QVERIFY(first.saved);
    QVERIFY(first.notices.isEmpty());
    const qint64 id = first.repid;
    QCOMPARE(storedRow(id), (QStringList{"600036", "券商转银行", "2026-03-02", "1.5", "0", "0", "123456.78",
                                         "1234567.89", "0", "0", "0", "0", "-123456.78", "0", "admin"}));
    e.box[kContractBox] = QStringLiteral("00123");
    // Any text reaches the file bound, quotes included.
    e.tradeType = QStringLiteral("x'); DELETE FROM rep; --");
    e.openingCash = 1234567.89; // as the panel reopened after the first save
    const SaveOutcome second = SaveTradeEntry(db, e, QStringLiteral("o'neil"));
    QVERIFY(second.saved);
    QCOMPARE(second.repid, id + 1);
    const QStringList row = storedRow(second.repid);
    QCOMPARE(row.value(1), QStringLiteral("x'); DELETE FROM rep; --"));
    QCOMPARE(row.value(13), QStringLiteral("123"));
    QCOMPARE(row.value(14), QStringLiteral("o'neil"));
    QCOMPARE(repRows(), 3);
    QCOMPARE(TradeRowCode(db, second.repid), QStringLiteral("600036"));
    QCOMPARE(TradeRowCode(db, 99), QString());
}

namespace {

// Typing an entry: the typed values go into their boxes, then the boxes are left in the given order,
// as LeaveEntryBox does without the database.
TradeEntry typed(const QString &type, const QString &price, const QString &quantity, const QString &amount,
                 const QString &commission, const QString &leave, const Balances &opening,
                 const std::optional<FeeSchedule> &fees)
{
    TradeEntry e = entry(type, QStringLiteral("600036"), price, quantity, opening.cash, opening.holding);
    e.box[kAmountBox] = amount;
    e.box[kCommissionBox] = commission;
    for (const QString &box : leave.split(u',', Qt::SkipEmptyParts)) {
        if ((box == QLatin1String("1") || box == QLatin1String("2")) && !e.box[kQuantityBox].isEmpty())
            PriceOrQuantityPath(e, fees);
        if (box == QLatin1String("4") && !e.box[kAmountBox].isEmpty())
            AmountPath(e, type == trade::kFundSubscribe ? fees : std::nullopt);
        NormaliseEntryBoxes(e);
    }
    return e;
}

} // namespace

// An entry typed from balances that another workstation moved before the save: recomputed from the new
// balances, it holds what typing it afresh from them gives.
void TestTradeEntry::recomputedAsTypedAfresh_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("commission");
    QTest::addColumn<QString>("leave");
    QTest::addColumn<double>("newHolding");
    QTest::newRow("transfer in") << "银行转券商" << "10.5" << "" << "5000" << "" << "4" << 700.0;
    QTest::newRow("transfer out") << "券商转银行" << "10.5" << "" << "3000.5" << "" << "4" << 700.0;
    QTest::newRow("interest tax") << "利息税代扣" << "10.5" << "" << "1.25" << "" << "4" << 700.0;
    QTest::newRow("purchase") << "证券买入" << "10.5" << "1000" << "" << "" << "2,4" << 700.0;
    QTest::newRow("sale") << "证券卖出" << "11" << "300" << "" << "" << "2" << 700.0;
    QTest::newRow("bonus shares") << "红股入账" << "0" << "100" << "" << "" << "1,2" << 700.0;
    QTest::newRow("fund subscription by amount") << "基金申购拨出" << "1" << "9800" << "10000" << "" << "4"
                                                 << 700.0;
    QTest::newRow("dividend typed as an amount") << "红利入账" << "10.5" << "" << "125" << "" << "4" << 700.0;
    QTest::newRow("another name, fee typed") << "配股缴款" << "5" << "100" << "" << "2" << "2" << 700.0;
    QTest::newRow("another name, only the price left") << "配股缴款" << "5" << "" << "" << "" << "1" << 500.0;
}

void TestTradeEntry::recomputedAsTypedAfresh()
{
    QFETCH(QString, type);
    QFETCH(QString, price);
    QFETCH(QString, quantity);
    QFETCH(QString, amount);
    QFETCH(QString, commission);
    QFETCH(QString, leave);
    QFETCH(double, newHolding);
    const Balances before{20000, 500};
    const Balances now{26000.5, newHolding};
    const std::optional<FeeSchedule> fees = type == QLatin1String("配股缴款") ? std::nullopt : std::optional(shares());

    TradeEntry moved = typed(type, price, quantity, amount, commission, leave, before, fees);
    const QList<EntryNotice> warnings = RecomputeEntry(moved, now, fees);
    const TradeEntry afresh = typed(type, price, quantity, amount, commission, leave, now, fees);
    QCOMPARE(moved.box, afresh.box);
    QCOMPARE(moved.flow, afresh.flow);
    QCOMPARE(moved.openingCash, now.cash);
    QCOMPARE(moved.openingHolding, now.holding);
    QVERIFY(warnings.isEmpty());
}

void TestTradeEntry::saveFindsTheBalancesMoved()
{
    TestEnv env;
    env.makeDatabase();
    addFixtureCategory();
    Database db(g_DbPath, g_DbConnect);
    test::AddSecurity(db, QStringLiteral("招商银行"), QStringLiteral("600036"), 10.5);
    addRow(db, "000001", "2026-03-01", 0, 20000);
    TradeEntry e = entry(QStringLiteral("证券买入"), QStringLiteral("600036"), QStringLiteral("10.50"),
                         QStringLiteral("1000"), 20000, 0);
    PriceOrQuantityPath(e, shares());
    QCOMPARE(e.box[kCashBox], QStringLiteral("9457"));

    // Another workstation saves a row of the same day first: nothing is inserted, and the entry now
    // computes from the cash that row left.
    addRow(db, "000001", "2026-03-02", 0, 26000);
    const SaveOutcome moved = SaveTradeEntry(db, e, QStringLiteral("admin"));
    QVERIFY(!moved.saved);
    QCOMPARE(moved.notices.size(), 1);
    const EntryNotice notice = BalancesMovedNotice();
    QCOMPARE(moved.notices[0].text, notice.text);
    QCOMPARE(notice.style, 48);
    QCOMPARE(notice.title, QStringLiteral("提示："));
    QCOMPARE(repRows(), 2);
    QCOMPARE(e.openingCash, 26000.0);
    QCOMPARE(e.box[kCashBox], QStringLiteral("15457"));
    QCOMPARE(e.box[kQuantityBox], QStringLiteral("1000"));
    QCOMPARE(e.flow, -10543.0);

    // A row dated after the settlement date moves nothing as of that date: the next save inserts, and
    // the new row continues the chain of its day.
    addRow(db, "000001", "2026-03-05", 0, 1);
    const SaveOutcome saved = SaveTradeEntry(db, e, QStringLiteral("admin"));
    QVERIFY(saved.saved);
    QVERIFY(saved.notices.isEmpty());
    QCOMPARE(storedRow(saved.repid).mid(5, 3), (QStringList{"1000", "10500", "15457"}));
    QCOMPARE(BalanceAsOf(db, e.date, e.code).cash, 15457.0);

    // A holding moved by a row of the security itself counts as well, and with no move at all the
    // recomputed entry saves.
    TradeEntry next = entry(QStringLiteral("证券卖出"), QStringLiteral("600036"), QStringLiteral("11"),
                            QStringLiteral("100"), 15457, 0);
    PriceOrQuantityPath(next, shares());
    const SaveOutcome holdingMoved = SaveTradeEntry(db, next, QStringLiteral("admin"));
    QVERIFY(!holdingMoved.saved);
    QCOMPARE(next.box[kHoldingBox], QStringLiteral("900"));
    QVERIFY(SaveTradeEntry(db, next, QStringLiteral("admin")).saved);
    QCOMPARE(repRows(), 5);
}

void TestTradeEntry::failedWritesLeaveTheFileAsItWas()
{
    TestEnv env;
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    test::AddSecurity(db, QStringLiteral("招商银行"), QStringLiteral("600036"), 10.5);
    const qint64 old = addRow(db, "600036", "2026-01-05", 100, 9000);
    db.execute(QStringLiteral(
        "CREATE TRIGGER no_insert BEFORE INSERT ON rep BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    TradeEntry e = entry(QStringLiteral("证券买入"), QStringLiteral("600036"), QStringLiteral("1"),
                         QStringLiteral("1"), 9000, 100);
    QVERIFY_THROWS_EXCEPTION(DbError, SaveTradeEntry(db, e, QStringLiteral("admin")));
    // The edit's delete is rolled back with the failed insert: the old row stays.
    QVERIFY_THROWS_EXCEPTION(DbError, ReplaceTradeRow(db, old, TradeRowOf(e, QStringLiteral("admin"))));
    QCOMPARE(repRows(), 1);
    QCOMPARE(storedRow(old).value(7), QStringLiteral("9000"));
    // And a later write works: no transaction was left open. The edit keeps the row's key, and stores
    // a row that another workstation deleted meanwhile under that key again.
    db.execute(QStringLiteral("DROP TRIGGER no_insert"));
    e.box[kContractBox] = QStringLiteral("55");
    ReplaceTradeRow(db, old, TradeRowOf(e, QStringLiteral("admin")));
    QCOMPARE(repRows(), 1);
    QCOMPARE(storedRow(old).value(13), QStringLiteral("55"));
    db.execute(QStringLiteral("DELETE FROM rep"));
    ReplaceTradeRow(db, old, TradeRowOf(e, QStringLiteral("admin")));
    QCOMPARE(storedRow(old).value(13), QStringLiteral("55"));
}

QTEST_MAIN(TestTradeEntry)
#include "tst_tradeentry.moc"
