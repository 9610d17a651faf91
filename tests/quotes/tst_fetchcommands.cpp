// The commands that own a web fetch, seen from the rest of the program: the batch's wake-up is part of
// its fetch, a close or an exit asked for meanwhile is carried out when the command returns and never
// later, the open journal shows what an update wrote, and the main caption survives any number of
// updates with a maximised child window.

#include "app/Globals.h"
#include "app/Seams.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "data/Settings.h"
#include "journal/TradeEntry.h"
#include "journal/frmManager.h"
#include "reports/frmSearchForm.h"
#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuoteService.h"
#include "tests/common/TestSupport.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItem>

using namespace tv;
using namespace tv::test;

namespace {

const QString kConfirmExit = QStringLiteral("真的退出该系统吗(Y/N)？    ");
const QString kShare = QStringLiteral("股票02");

// The main window over a database with the index row and one share, 600002, held 100 bought at 10 for
// 1005 with fees, stored at price 1 on 2026-12-09. The server quotes it at 12.50.
frmMain *openMain(TestEnv &env, HttpServer &server)
{
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        AddSecurity(db, kShare, QStringLiteral("600002"), 1);
        db.execute(QStringLiteral(
            "INSERT INTO rep (证券代码, 交易类别, 交收日期, 成交价格, 成交数量, 证券余额, 成交金额, "
            "资金余额, "
            "手续费, 印花税, 过户费, 其它费用, 收支金额, 合同号, 录入者) VALUES ('600002', '证券买入', "
            "'2026-12-01', 10, 100, 100, 1000, 98995, 5, 0, 0, 0, -1005, 'H1', 'admin')"));
    }
    QuoteBook book;
    book.stocks.insert(QStringLiteral("600002"),
                       {{}, kShare, QStringLiteral("12.50"), QStringLiteral("12.00"), {}});
    if (ServeQuotes(server))
        server.setHandler(QuoteHandler(book));
    return frmMain::instance();
}

// Runs `act` while the request numbered `index` is held by the server, then lets the reply go.
void duringRequest(HttpServer &server, int index, const std::function<void()> &act)
{
    server.setHolding(index == 0);
    QObject::connect(&server, &HttpServer::requestReceived, &server, [&server, index, act](int i) {
        if (i == index - 1)
            server.setHolding(true);
        if (i == index)
            QTimer::singleShot(0, &server, [&server, act] {
                act();
                server.setHolding(false);
                server.releaseHeld();
            });
    });
}

QStringList boxTexts(const TestEnv &env)
{
    QStringList out;
    for (const RecordedBox &b : env.boxes)
        out << b.text;
    return out;
}

QString storedPrice()
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet rs =
        db.openQuery(QStringLiteral("SELECT 市场价格, 更新日期 FROM Detail WHERE 证券代码 = '600002'"));
    return rs.text(0, 0) + u'|' + rs.text(0, 1);
}

} // namespace

class TestFetchCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wakeUpIsPartOfTheBatch_data();
    void wakeUpIsPartOfTheBatch();
    void closesWaitForTheFetch_data();
    void closesWaitForTheFetch();
    void journalShowsWhatWasWritten();
    void captionWithMaximisedJournal();
};

void TestFetchCommands::wakeUpIsPartOfTheBatch_data()
{
    QTest::addColumn<QString>("during"); // what the operator does while the wake-up page is awaited
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("mainLeft");
    QTest::newRow("close box") << "close" << QStringList{kConfirmExit} << true;
    QTest::newRow("Exit key") << "Exit" << QStringList{kConfirmExit} << true;
    QTest::newRow("second click") << "down" << QStringList{"扫描0，更新0，未更新0"} << false;
}

void TestFetchCommands::wakeUpIsPartOfTheBatch()
{
    QFETCH(QString, during);
    QFETCH(QStringList, boxes);
    QFETCH(bool, mainLeft);
    const ProxyEnvironment noProxy;
    TestEnv env;
    HttpServer server;
    frmMain *m = openMain(env, server);
    m->show();
    g_WakeBrowser = true;
    env.answers = {vbYes};
    bool idleMeanwhile = true;
    QString button;
    duringRequest(server, 0, [&] {
        idleMeanwhile = g_Idle;
        button = m->toolbarButton(10)->text();
        if (during == u"close")
            m->close();
        else
            m->Toolbar1_ButtonClick(during);
        QVERIFY(frmMain::isLoaded());
    });
    m->Toolbar1_ButtonClick(QStringLiteral("down"));
    QVERIFY(!idleMeanwhile);
    QCOMPARE(button, QStringLiteral("取消"));
    QCOMPARE(boxTexts(env), boxes);
    QCOMPARE(server.requestCount(), 1); // the wake-up only: no batch ran after it
    QCOMPARE(server.requests()[0].path, QByteArray("/"));
    QCOMPARE(storedPrice(), QStringLiteral("1|2026-12-09"));
    QCOMPARE(frmMain::isLoaded(), !mainLeft);
    QVERIFY(g_Idle);
    if (!mainLeft) {
        QCOMPARE(m->toolbarButton(10)->text(), QStringLiteral("价格更新"));
        QVERIFY(m->batchStopFlag());
    }
}

void TestFetchCommands::closesWaitForTheFetch_data()
{
    QTest::addColumn<QString>("command"); // the fetch that runs
    QTest::addColumn<QString>("close");   // the close asked for meanwhile
    for (const char *command : {"down", "刷新"}) {
        for (const char *close : {"返回", "close box", "返回首页", "关闭"})
            QTest::addRow("%s, %s", command, close) << command << close;
    }
}

// Whatever window asked, whichever command owns the fetch: the close is carried out once the command
// has returned, and nothing of it is left for the next fetch.
void TestFetchCommands::closesWaitForTheFetch()
{
    QFETCH(QString, command);
    QFETCH(QString, close);
    TestEnv env;
    HttpServer server;
    frmMain *m = openMain(env, server);
    frmManager *w = OpenManager(kShare);
    QVERIFY(w);
    QPointer<frmSearchForm> query;
    if (close == u"关闭") {
        w->MnuSearchFile_Click();
        query = frmSearchForm::existing();
        QVERIFY(query);
    }
    const auto run = [&] {
        if (command == u"down")
            m->Toolbar1_ButtonClick(QStringLiteral("down"));
        else
            w->uprice_click();
    };
    env.answers = {vbOK, vbOK, vbOK};
    bool stillOpen = false;
    duringRequest(server, 0, [&] {
        if (close == u"返回")
            w->MnuReturn_Click();
        else if (close == u"close box")
            w->close();
        else if (close == u"返回首页")
            m->Toolbar1_ButtonClick(QStringLiteral("Manager"));
        else
            query->Command2_Click();
        QCoreApplication::processEvents();
        stillOpen = close == u"关闭" ? bool(query) : frmManager::isLoaded();
    });
    run();
    QVERIFY(stillOpen);
    QCOMPARE(storedPrice(), QStringLiteral("12.5|2026-12-10"));
    if (close == u"关闭") {
        QTRY_VERIFY(!query);
        QVERIFY(frmManager::isLoaded());
    } else {
        QTRY_VERIFY(!frmManager::isLoaded());
        QCOMPARE(m->toolbarButton(1)->text(), QStringLiteral("证券交易"));
    }
    QVERIFY(frmMain::isLoaded());

    // The next update closes nothing.
    w = frmManager::isLoaded() ? frmManager::existing() : OpenManager(kShare);
    server.setHolding(false);
    QObject::disconnect(&server, &HttpServer::requestReceived, nullptr, nullptr);
    run();
    QTest::qWait(50);
    QVERIFY(frmManager::isLoaded());
}

void TestFetchCommands::journalShowsWhatWasWritten()
{
    TestEnv env;
    HttpServer server;
    frmMain *m = openMain(env, server);
    frmManager *w = OpenManager(kShare);
    QVERIFY(w);
    QCOMPARE(w->txtFields[4]->text(), QStringLiteral("1"));
    QCOMPARE(w->txtFields[6]->text(), QStringLiteral("-905"));
    env.answers = {vbOK};
    m->Toolbar1_ButtonClick(QStringLiteral("down"));
    QCOMPARE(boxTexts(env), QStringList{"扫描2，更新2，未更新0"});
    // The loaded security shows the stored price, its date and the profit at that price, at once.
    QCOMPARE(w->txtFields[4]->text(), QStringLiteral("12.5"));
    QCOMPARE(w->txtFields[7]->text(), QStringLiteral("2026-12-10"));
    QCOMPARE(w->txtFields[6]->text(), QStringLiteral("245"));
    // A trade entered now starts from the new price.
    w->munaddqix_Click();
    QCOMPARE(w->Text1[kPriceBox]->text(), QStringLiteral("12.5"));
    w->Command3_Click();

    // A click on the loaded security reads it again.
    DbExec(
        QStringLiteral("UPDATE Detail SET 市场价格 = 13, 更新日期 = '2026-12-11' WHERE 证券代码 = '600002'"));
    w->TreeView_NodeClick(w->securityNode(kShare));
    QCOMPARE(w->txtFields[4]->text(), QStringLiteral("13"));
    QCOMPARE(w->txtFields[7]->text(), QStringLiteral("2026-12-11"));
    QCOMPARE(w->txtFields[6]->text(), QStringLiteral("295"));

    // An update while a trade is being typed keeps the typing and shows the new price in the detail.
    w->munaddqix_Click();
    w->Text1[kQuantityBox]->setText(QStringLiteral("300"));
    m->Toolbar1_ButtonClick(QStringLiteral("down"));
    QCOMPARE(w->txtFields[4]->text(), QStringLiteral("12.5"));
    QVERIFY(w->Frame2->isVisibleTo(w));
    QCOMPARE(w->Text1[kQuantityBox]->text(), QStringLiteral("300"));
}

// The main window's caption is built from its own text, so neither an update nor Qt's decoration of a
// maximised child's caption ever nests into the next.
void TestFetchCommands::captionWithMaximisedJournal()
{
    TestEnv env;
    HttpServer server;
    frmMain *m = openMain(env, server);
    frmManager *w = OpenManager(kShare);
    QVERIFY(w);
    QVERIFY(w->parentWidget()->isMaximized());
    const QString child = QStringLiteral(" - [证券目录]");
    const QString idle = QStringLiteral("证券交易记录 [ Tallyvane ]");
    const QString updating = QStringLiteral("证券交易记录 [ Tallyvane ][股价更新]");
    QCOMPARE(m->windowTitle(), idle + child);
    QStringList during;
    for (int round = 0; round < 10; ++round) {
        QObject::disconnect(&server, &HttpServer::requestReceived, nullptr, nullptr);
        server.clearRequests();
        duringRequest(server, 0, [&] { during << m->windowTitle(); });
        env.answers = {vbOK};
        if (round % 2 == 0)
            m->Toolbar1_ButtonClick(QStringLiteral("down"));
        else
            w->uprice_click(); // every
        QCOMPARE(m->windowTitle(), idle + child);
    }
    QCOMPARE(during, QStringList(10, updating + child));
    w->MnuReturn_Click();
    QTRY_COMPARE(m->windowTitle(), idle); // once the journal's frame has gone
}

QTEST_MAIN(TestFetchCommands)
#include "tst_fetchcommands.moc"
