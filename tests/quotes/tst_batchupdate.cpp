// The batch update of every security behind the toolbar key "down", against the local server: passes of
// ten rows, the row classes, the stop click and the exit during a fetch, and the database meanwhile.

#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuotePages.h"
#include "tools/quoteserver/QuoteService.h"
#include "tests/common/TestSupport.h"

#include <QAction>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using namespace tv;
using namespace tv::test;

namespace {

const QString kConfirmExit = QStringLiteral("真的退出该系统吗(Y/N)？    ");

// The main window over a database of the index row and then one row per letter: "s" a share (600002
// on), "y" a row of the account "yh", "k" a fund. The server answers every code, and its fund pages
// list every fund of the table.
frmMain *openMain(TestEnv &env, HttpServer &server, const QString &pattern)
{
    env.makeDatabase();
    frmMain *m = frmMain::instance();
    QuoteBook book;
    Database db(g_DbPath, g_DbConnect);
    const QString insert =
        QStringLiteral("INSERT INTO Detail (股东账号, 证券名称, 证券代码, 市场价格, 涨跌幅, 更新日期) "
                       "VALUES (?, ?, ?, 1, '', '2026-12-09')");
    for (int i = 0; i < pattern.size(); ++i) {
        const QString n = QString::number(i + 2).rightJustified(2, u'0');
        if (pattern[i] == u'y') {
            db.execute(insert, {"yh", "存款" + n, "9000" + n});
        } else if (pattern[i] == u'k') {
            db.execute(insert, {"kj", "基金" + n, "k1610" + n});
            book.funds << GeneratedFund("1610" + n);
        } else {
            db.execute(insert, {"A000000001", "股票" + n, "6000" + n});
        }
    }
    if (ServeQuotes(server))
        server.setHandler(QuoteHandler(book));
    return m;
}

QStringList updatedCodes()
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet rs =
        db.openQuery("SELECT 证券代码 FROM Detail WHERE 更新日期 = '2026-12-10' ORDER BY rowid");
    QStringList out;
    for (int r = 0; r < rs.recordCount(); ++r)
        out << rs.text(r, 0);
    return out;
}

QStringList boxTexts(const TestEnv &env)
{
    QStringList out;
    for (const RecordedBox &b : env.boxes)
        out << b.text;
    return out;
}

// Runs `act` once the request numbered `index` is held by the server; the requests before it are
// answered at once.
void onHeldRequest(HttpServer &server, int index, const std::function<void()> &act)
{
    QObject::connect(&server, &HttpServer::requestReceived, &server, [&server, index, act](int i) {
        if (i == index - 1)
            server.setHolding(true);
        if (i == index)
            QTimer::singleShot(0, &server, act);
    });
    if (index == 0)
        server.setHolding(true);
}

void verifyIdleState(frmMain *m)
{
    QCOMPARE(m->windowTitle(), QStringLiteral("证券交易记录 [ Tallyvane ]"));
    QCOMPARE(m->toolbarButton(10)->text(), QStringLiteral("价格更新"));
    QVERIFY(m->batchStopFlag());
    QVERIFY(g_Idle);
}

} // namespace

class TestBatchUpdate : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void passes_data();
    void passes();
    void stopDuringSecondPass();
    void stopDuringFundFetch();
    void exitDuringFetch_data();
    void exitDuringFetch();
    void startedDuringAnotherFetch();
    void othersSaveWhileItWaits();
    void databaseFailures();
    void storesOnlyNumbers();
    void hostileReply();
};

void TestBatchUpdate::passes_data()
{
    QTest::addColumn<QString>("pattern"); // the rows after the index row; "-": no rows at all
    QTest::addColumn<int>("stockRequests");
    QTest::addColumn<int>("fundRequests");
    QTest::addColumn<int>("updated");
    QTest::addColumn<QString>("summary");
    // clang-format off
    QTest::newRow("23 rows")            << "sssssssyk" "sssssssssy" "ssk" << 3 << 1 << 21 << "扫描23，更新21，未更新2";
    QTest::newRow("no stock in pass 3") << "sssssssss" "ssssssssss" "kyk" << 2 << 1 << 22 << "扫描23，更新22，未更新1";
    QTest::newRow("12 funds")           << "kkkkkkkkkkkk"                 << 1 << 1 << 13 << "扫描13，更新13，未更新0";
    QTest::newRow("empty table")        << "-"                            << 0 << 0 << 0  << "扫描0，更新0，未更新0";
    // clang-format on
}

void TestBatchUpdate::passes()
{
    QFETCH(QString, pattern);
    QFETCH(int, stockRequests);
    QFETCH(int, fundRequests);
    QFETCH(int, updated);
    QFETCH(QString, summary);
    TestEnv env;
    HttpServer server;
    frmMain *m = openMain(env, server, pattern == u"-" ? QString() : pattern);
    if (pattern == u"-")
        DbExec("DELETE FROM Detail");
    for (int i = 1; i < kWatchSize; ++i)
        g_WatchCode[i] = g_WatchPrice[i] = QStringLiteral("watch");

    m->Toolbar1_ButtonClick(QStringLiteral("down"));

    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], summary, 0, "");
    QCOMPARE(LastStatusText(), QStringLiteral("更新完毕！"));
    verifyIdleState(m);
    int stocks = 0, funds = 0;
    for (const HttpRequest &r : server.requests()) {
        QVERIFY2(!r.target.contains("9000"), r.target.constData()); // "yh" rows are never asked for
        (r.target == "/fund.html" ? funds : stocks)++;
    }
    QCOMPARE(stocks, stockRequests);
    QCOMPARE(funds, fundRequests);
    QCOMPARE(updatedCodes().size(), updated);
    QVERIFY(updatedCodes().filter("9000").isEmpty());
    for (int i = 1; i < kWatchSize; ++i) // the batch keeps its results to itself
        QVERIFY(g_WatchCode[i] == u"watch" && g_WatchPrice[i] == u"watch");
}

void TestBatchUpdate::stopDuringSecondPass()
{
    TestEnv env;
    HttpServer server;
    frmMain *m = openMain(env, server, QString(24, u's'));
    QString caption, button;
    QStringList boxesAtStop;
    bool idleAfterStop = true;
    onHeldRequest(server, 1, [&] {
        caption = m->windowTitle();
        button = m->toolbarButton(10)->text();
        m->Toolbar1_ButtonClick(QStringLiteral("down"));
        boxesAtStop = boxTexts(env);
        idleAfterStop = g_Idle;
        server.releaseHeld();
    });
    m->Toolbar1_ButtonClick(QStringLiteral("down"));
    QCOMPARE(caption, QStringLiteral("证券交易记录 [ Tallyvane ][股价更新]"));
    QCOMPARE(button, QStringLiteral("取消"));
    QCOMPARE(boxesAtStop, QStringList{"扫描20，更新10，未更新0"});
    QVERIFY(!idleAfterStop); // the reply still waits
    QCOMPARE(boxTexts(env), boxesAtStop);
    QCOMPARE(server.requestCount(), 2);
    QCOMPARE(updatedCodes().size(), 10); // nothing of the second pass
    verifyIdleState(m);
}

void TestBatchUpdate::stopDuringFundFetch()
{
    TestEnv env;
    HttpServer server;
    frmMain *m = openMain(env, server, QStringLiteral("ssskk"));
    onHeldRequest(server, 1, [&] {
        m->Toolbar1_ButtonClick(QStringLiteral("down"));
        server.releaseHeld();
    });
    m->Toolbar1_ButtonClick(QStringLiteral("down"));
    QCOMPARE(server.requests().value(1).target, QByteArray("/fund.html"));
    QCOMPARE(boxTexts(env), (QStringList{"扫描6，更新4，未更新0", "扫描6，更新6，未更新0"}));
    QCOMPARE(updatedCodes().size(), 6);
    verifyIdleState(m);
}

void TestBatchUpdate::exitDuringFetch_data()
{
    QTest::addColumn<int>("heldRequest"); // 0 a stock pass, 1 the fund page
    QTest::addColumn<bool>("closeBox");   // the close box, or the exit command
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("updated");
    QTest::newRow("stock pass, close box") << 0 << true << int(vbYes) << QStringList{kConfirmExit} << 0;
    QTest::newRow("fund fetch, exit command")
        << 1 << false << int(vbYes) << QStringList{"扫描6，更新6，未更新0", kConfirmExit} << 6;
    QTest::newRow("stock pass, declined") << 0 << false << int(vbNo) << QStringList{kConfirmExit} << 0;
}

void TestBatchUpdate::exitDuringFetch()
{
    QFETCH(int, heldRequest);
    QFETCH(bool, closeBox);
    QFETCH(int, answer);
    QFETCH(QStringList, boxes);
    QFETCH(int, updated);
    TestEnv env;
    HttpServer server;
    frmMain *m = openMain(env, server, QStringLiteral("ssskk"));
    m->show();
    QCoreApplication::processEvents();
    env.answers = {answer};
    onHeldRequest(server, heldRequest, [&] {
        if (closeBox)
            m->close();
        else
            m->MnuExi_Click();
        QVERIFY(frmMain::isLoaded() && g_ExitPending);
        server.releaseHeld();
    });
    m->Toolbar1_ButtonClick(QStringLiteral("down"));
    QCOMPARE(boxTexts(env), boxes);
    QCOMPARE(updatedCodes().size(), updated);
    QCOMPARE(frmMain::isLoaded(), answer == vbNo);
    if (answer == vbNo) {
        verifyIdleState(m);
        QVERIFY(!g_ExitPending);
    }
}

void TestBatchUpdate::startedDuringAnotherFetch()
{
    TestEnv env;
    HttpServer server;
    frmMain *m = openMain(env, server, QStringLiteral("ss"));
    bool idleAfterBatch = true;
    onHeldRequest(server, 0, [&] {
        m->Toolbar1_ButtonClick(QStringLiteral("down"));
        idleAfterBatch = g_Idle;
        server.releaseHeld();
    });
    {
        IdleGuard fetch; // as the manager's price update holds it
        m->every(QStringList{QString(), "600002"}, 1);
        QVERIFY(!g_Idle);
    }
    QCOMPARE(boxTexts(env), QStringList{"扫描0，更新0，未更新0"});
    QVERIFY(!idleAfterBatch);
    QCOMPARE(server.requestCount(), 1); // every's own
    QCOMPARE(updatedCodes(), QStringList{"600002"});
    verifyIdleState(m);
}

void TestBatchUpdate::othersSaveWhileItWaits()
{
    TestEnv env;
    HttpServer server;
    frmMain *m = openMain(env, server, QStringLiteral("ss"));
    QString failure = QStringLiteral("not run");
    onHeldRequest(server, 0, [&] {
        try {
            DbExec("INSERT INTO rep (证券代码, 交易类别, 交收日期, 成交价格, 成交数量, 证券余额, "
                   "成交金额, 资金余额, 手续费, 印花税, 过户费, 其它费用, 收支金额, 合同号, 录入者) "
                   "VALUES ('600002', '证券买入', '2026-12-10', 10, 100, 100, 1000, 99000, 5, 0, 0, 0, "
                   "-1005, 'H1', 'admin')");
            failure.clear();
        } catch (const DbError &e) {
            failure = e.message();
        }
        server.releaseHeld();
    });
    m->Toolbar1_ButtonClick(QStringLiteral("down"));
    QCOMPARE(failure, QString());
    QCOMPARE(DbCount("SELECT COUNT(*) FROM rep"), 1);
    QCOMPARE(updatedCodes().size(), 3);
}

void TestBatchUpdate::databaseFailures()
{
    TestEnv env;
    HttpServer server;
    frmMain *m = openMain(env, server, QString(14, u's'));
    // A row of the second pass cannot be written: that pass rolls back, the first stays, no summary.
    DbExec("CREATE TRIGGER refuse BEFORE UPDATE ON Detail WHEN NEW.证券代码 = '600012' "
           "BEGIN SELECT RAISE(ABORT, 'row refused'); END");
    m->Toolbar1_ButtonClick(QStringLiteral("down"));
    QCOMPARE(env.boxes.size(), 1);
    QVERIFY(env.boxes[0].text.startsWith("row refused"));
    QCOMPARE(env.boxes[0].style, 16);
    QCOMPARE(env.boxes[0].title, QStringLiteral("错误"));
    QCOMPARE(server.requestCount(), 2);
    QCOMPARE(updatedCodes().size(), 10);
    verifyIdleState(m);

    // No database: one box before any request.
    env.clearBoxes();
    server.clearRequests();
    g_DbPath = env.path("missing.zqd");
    m->Toolbar1_ButtonClick(QStringLiteral("down"));
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE(env.boxes[0].title, QStringLiteral("错误"));
    QCOMPARE(server.requestCount(), 0);
    verifyIdleState(m);
}

void TestBatchUpdate::storesOnlyNumbers()
{
    TestEnv env;
    env.makeDatabase();
    AddQuoteTextSecurities();
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setHandler(QuoteHandler(QuoteTextBook()));

    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("down"));

    QCOMPARE(QuoteTextRows(false), QuoteTextRows(true));
    int quoted = 1; // the index row
    for (const QuoteText &t : QuoteTexts())
        quoted += !t.quote.isEmpty();
    const int rows = int(QuoteTexts().size()) + 1;
    QCOMPARE(
        boxTexts(env),
        QStringList{QStringLiteral("扫描%1，更新%2，未更新%3").arg(rows).arg(quoted).arg(rows - quoted)});
}

// A reply as large as a transfer may bring, a requested key over and over inside one open quote: the
// batch, started by a click on its key, reads it as a reply without those codes and ends.
void TestBatchUpdate::hostileReply()
{
    TestEnv env;
    HttpServer server;
    frmMain *m = openMain(env, server, QStringLiteral("sss"));
    g_QuoteSource = QStringLiteral("sina");
    server.setHandler([](const HttpRequest &) {
        HttpReply reply;
        reply.body = Gbk(RepeatedInQuotePage(QStringLiteral("sh600002="), 4'000'000));
        return reply;
    });
    QVERIFY(OpenManager()); // which enables the key

    QTest::mouseClick(m->toolbar()->widgetForAction(m->toolbarButton(10)), Qt::LeftButton);

    QCOMPARE(server.requestCount(), 1);
    QVERIFY(server.requests()[0].target.startsWith("/list=sh000001,sh600002,"));
    QCOMPARE(boxTexts(env), QStringList{"扫描4，更新0，未更新4"});
    QVERIFY(updatedCodes().isEmpty());
    QCOMPARE(m->toolbarButton(10)->text(), QStringLiteral("价格更新"));
    QVERIFY(m->batchStopFlag() && g_Idle);
}

QTEST_MAIN(TestBatchUpdate)
#include "tst_batchupdate.moc"
