// The query window's "更新" and "实时监控" over the holdings its analysis listed, against the local quote
// server: the code lists, the busy protocol, the deferred close and exit, and the watch list.

#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/frmManager.h"
#include "quotes/WatchRules.h"
#include "quotes/frmnow.h"
#include "reports/LiveWatch.h"
#include "reports/frmSearchForm.h"
#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuoteService.h"
#include "tests/common/TestSupport.h"
#include "tests/reports/ReportsFixture.h"

#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace tv;
using namespace tv::test;

namespace {

const QString kStarPath = QStringLiteral("/scripts/quoteISAPI.dll?MFCISAPICommand=dghq&code=");

void makeHoldings(TestEnv &env, int n)
{
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddIndexAndHoldings(db, n);
}

frmSearchForm *openQuery()
{
    frmManager *m = OpenManager();
    m->MnuSearchFile_Click();
    QCoreApplication::processEvents();
    return frmSearchForm::existing();
}

// The codes of each star request, as the server got them.
QList<QStringList> requestedCodes(const HttpServer &server)
{
    QList<QStringList> out;
    for (const HttpRequest &r : server.requests())
        out << QString::fromLatin1(r.target).mid(kStarPath.size()).split(u',', Qt::SkipEmptyParts);
    return out;
}

QStringList holdingCodes(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QStringLiteral("shag%1").arg(600000 + i);
    return out;
}

} // namespace

class TestLiveWatch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void codeListsAndWatchList();
    void updateFetchesTheListedPrices();
    void updateInListsOfThirty();
    void updateWhileAnotherFetchRuns();
    void updateWhoseSaveFails();
    void closeThenExitAfterTheFetch();
    void liveWatchOfTheListedHoldings();
    void liveWatchRefusesThirty();
};

void TestLiveWatch::codeListsAndWatchList()
{
    TestEnv env;
    TextGrid grid;
    grid.rows << QStringList(16, "header");
    for (int i = 1; i <= 31; ++i) {
        QStringList row(16);
        row[0] = QStringLiteral("证券%1").arg(i);
        row[1] = QString::number(600000 + i);
        row[6] = i == 1 ? "1500" : i == 2 ? "停牌" : "100";
        row[14] = "11.5";
        grid.rows << row;
    }
    const QStringList indexAlone{QString(), "shzs000001"};
    QCOMPARE(PriceUpdateLists(grid, 0), QList<QStringList>{indexAlone});
    const QList<QStringList> lists = PriceUpdateLists(grid, 31);
    QCOMPARE(lists.size(), 2);
    QCOMPARE(lists[0].size(), 31); // entries 1 to 30: the index and 29 holdings
    QCOMPARE(lists[0][1], QStringLiteral("shzs000001"));
    QCOMPARE(lists[0][30], QStringLiteral("600029"));
    QCOMPARE(lists[1], (QStringList{QString(), "600030", "600031"}));

    g_WatchName[30] = "unchanged";
    PublishWatchList(grid, 2);
    QCOMPARE(g_WatchName[1], QStringLiteral("上证指数"));
    QCOMPARE(g_WatchCode[1], QStringLiteral("shzs000001"));
    QCOMPARE(g_WatchQty[1], 0.0);
    QCOMPARE(g_WatchName[2], QStringLiteral("证券1"));
    QCOMPARE(g_WatchCode[2], QStringLiteral("600001"));
    QCOMPARE(g_WatchPrice[2], QStringLiteral("11.5"));
    QCOMPARE(g_WatchQty[2], 1500.0);
    QCOMPARE(g_WatchQty[3], 0.0); // a holding text that is no number
    QCOMPARE(g_WatchName[30], QStringLiteral("unchanged"));
    // A longer list fills the elements there are and no more.
    PublishWatchList(grid, 31);
    QCOMPARE(g_WatchName[30], QStringLiteral("证券29"));
}

void TestLiveWatch::updateFetchesTheListedPrices()
{
    TestEnv env;
    makeHoldings(env, 2);
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    QuoteBook book;
    book.stocks.insert("600001", {{}, "证券一", "12.50", {}, "1.00%"});
    book.stocks.insert("600002", {{}, "证券二", "10.00", {}, "-1.00%"});
    server.setHandler(QuoteHandler(book));
    frmSearchForm *w = openQuery();
    QCOMPARE(w->Text3->text(), QStringLiteral("67600")); // 50000 + 1500 × 11 + 100 × 11

    server.setHolding(true);
    QString captionDuring;
    bool idleDuring = true;
    connect(&server, &HttpServer::requestReceived, &server, [&] {
        QTimer::singleShot(0, &server, [&] {
            captionDuring = w->windowTitle();
            idleDuring = g_Idle;
            server.releaseHeld();
        });
    });
    w->Command5_Click();

    QCOMPARE(requestedCodes(server), (QList<QStringList>{{"shzs000001", "shag600001", "shag600002"}}));
    QCOMPARE(captionDuring, QStringLiteral("[股价更新]"));
    QVERIFY(!idleDuring);
    QVERIFY(g_Idle);
    QCOMPARE(w->windowTitle(), QStringLiteral("[查询记录]"));
    QCOMPARE(LastStatusText(), QStringLiteral("更新完毕！"));
    // The analysis ran again on the new prices.
    QCOMPARE(w->gridText(1, 14), QStringLiteral("12.5"));
    QCOMPARE(w->Text3->text(), QStringLiteral("69750")); // 50000 + 1500 × 12.5 + 100 × 10
    QCOMPARE(DbCount("SELECT COUNT(*) FROM Detail WHERE 更新日期 = '2026-12-10'"), 3);
}

void TestLiveWatch::updateInListsOfThirty()
{
    TestEnv env;
    makeHoldings(env, 31);
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setHandler(QuoteHandler({}));
    frmSearchForm *w = openQuery();
    QCOMPARE(g_ListRows, 31);
    w->Command5_Click();
    QCOMPARE(requestedCodes(server),
             (QList<QStringList>{QStringList{"shzs000001"} + holdingCodes(1, 29), holdingCodes(30, 31)}));
    QCOMPARE(DbCount("SELECT COUNT(*) FROM Detail WHERE 更新日期 = '2026-12-10'"), 32);
}

void TestLiveWatch::updateWhileAnotherFetchRuns()
{
    TestEnv env;
    makeHoldings(env, 2);
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setHandler(QuoteHandler({}));
    frmSearchForm *w = openQuery();
    {
        IdleGuard otherFetch;
        w->Command5_Click();
        QVERIFY(!g_Idle);
    }
    QCOMPARE(server.requestCount(), 0);
    QCOMPARE(LastStatusText(), QStringLiteral("没有更新！"));
    QCOMPARE(w->windowTitle(), QStringLiteral("[查询记录]"));
}

// Another workstation holds the file past the busy time-out: the prices of the first list cannot be
// saved, the notice every window shows for a held file says so, the second list is not fetched, and the
// update ends as one that did not run.
void TestLiveWatch::updateWhoseSaveFails()
{
    TestEnv env;
    makeHoldings(env, 30);
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    QuoteBook book;
    book.stocks.insert("600001", {{}, "证券1", "12.50", {}, "1.00%"});
    server.setHandler(QuoteHandler(book));
    frmSearchForm *w = openQuery();
    const QString totalBefore = w->Text3->text();

    test::WriteLockHeld other(g_DbPath);
    QVERIFY(other.held());
    env.clearBoxes();
    QTest::mouseClick(w->Command5, Qt::LeftButton);
    other.release();

    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], DbBusyText(), 48, "提示：");
    QCOMPARE(LastStatusText(), QStringLiteral("没有更新！"));
    QVERIFY(g_Idle);
    QCOMPARE(w->windowTitle(), QStringLiteral("[查询记录]"));
    QVERIFY(!frmMain::existing()->windowTitle().contains(QStringLiteral("[股价更新]")));
    QCOMPARE(DbCount("SELECT COUNT(*) FROM Detail WHERE 更新日期 = '2026-12-10'"), 0);
    QVERIFY(w->my1->isVisible()); // the analysis ran again, on the prices as they were
    QCOMPARE(w->gridText(1, 14), QStringLiteral("11"));
    QCOMPARE(w->Text3->text(), totalBefore);

    // Once the file is free the same click updates.
    QTest::mouseClick(w->Command5, Qt::LeftButton);
    QCOMPARE(LastStatusText(), QStringLiteral("更新完毕！"));
    QCOMPARE(w->gridText(1, 14), QStringLiteral("12.5"));
}

void TestLiveWatch::closeThenExitAfterTheFetch()
{
    TestEnv env;
    makeHoldings(env, 1);
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setHandler(QuoteHandler({}));
    frmSearchForm *w = openQuery();
    bool queryOpenDuring = false, queryOpenAtTheExitQuestion = true;
    seams::msgBox = [&](const QString &, int style, const QString &) {
        if (style == 36)
            queryOpenAtTheExitQuestion = frmSearchForm::isLoaded();
        return vbYes;
    };
    server.setHolding(true);
    connect(&server, &HttpServer::requestReceived, &server, [&] {
        QTimer::singleShot(0, &server, [&] {
            w->close();
            frmMain::existing()->close();
            queryOpenDuring = frmSearchForm::isLoaded() && frmMain::isLoaded();
            server.releaseHeld();
        });
    });
    w->Command5_Click();
    QVERIFY(queryOpenDuring);
    QVERIFY(!queryOpenAtTheExitQuestion);
    QVERIFY(!frmSearchForm::isLoaded());
    QVERIFY(!frmMain::isLoaded());
    QCOMPARE(DbCount("SELECT COUNT(*) FROM Detail WHERE 更新日期 = '2026-12-10'"), 2);
}

void TestLiveWatch::liveWatchOfTheListedHoldings()
{
    TestEnv env;
    makeHoldings(env, 2);
    frmSearchForm *w = openQuery();
    w->Command6_Click();
    QVERIFY(frmnow::isLoaded());
    QVERIFY(!frmMain::existing()->isVisible());
    QCOMPARE(g_WatchName[1], QStringLiteral("上证指数"));
    QCOMPARE(g_WatchCode[1], QStringLiteral("shzs000001"));
    QCOMPARE(g_WatchQty[1], 0.0);
    QCOMPARE((QStringList{g_WatchName[2], g_WatchCode[2], g_WatchPrice[2]}),
             (QStringList{"证券1", "600001", "11"}));
    QCOMPARE(g_WatchQty[2], 1500.0);
    QCOMPARE(g_WatchQty[3], 100.0);
    QCOMPARE(frmnow::existing()->gridText(4, 0), QStringLiteral("资产总额"));
}

void TestLiveWatch::liveWatchRefusesThirty()
{
    TestEnv env;
    makeHoldings(env, 30);
    frmSearchForm *w = openQuery();
    env.clearBoxes();
    w->Command6_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], WatchLimitText(30), 48, "提示：");
    QVERIFY(env.boxes[0].text.contains(QStringLiteral("29")));
    QVERIFY(!frmnow::isLoaded());
    QVERIFY(frmMain::existing()->isVisible());
}

QTEST_MAIN(TestLiveWatch)
#include "tst_livewatch.moc"
