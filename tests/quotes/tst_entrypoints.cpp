// The main window's quote entry points against the local server: every writes Detail, severy fills the
// buffers only, newone fills the add-security dialog, and each wakes the connection first when asked.

#include "app/Globals.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "data/Settings.h"
#include "journal/frmNewForm.h"
#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuotePages.h"
#include "tools/quoteserver/QuoteService.h"
#include "tests/common/TestSupport.h"

#include <QLineEdit>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

using namespace tv;
using namespace tv::test;

namespace {

const QString kStarPath = QStringLiteral("/scripts/quoteISAPI.dll?MFCISAPICommand=dghq&code=");
const QString kRankPath = QStringLiteral("/fund/fund_ranks/open/netvalue_ranks0_0.html");

QStringList list(const QStringList &codes)
{
    return QStringList{QString()} + codes;
}

// The main window over a database with the index row, two shares and a fund.
frmMain *openMain(TestEnv &env)
{
    env.makeDatabase();
    frmMain *m = frmMain::instance();
    Database db(g_DbPath, g_DbConnect);
    AddSecurity(db, "浦发银行", "600000", 9);
    AddSecurity(db, "万科A", "000002", 8);
    db.execute("INSERT INTO Detail (股东账号, 证券名称, 证券代码, 市场价格, 涨跌幅, 更新日期) "
               "VALUES ('kj', '富国天惠', 'k161005', 1, '', '2026-12-09')");
    return m;
}

// "date|price|change" of a Detail row.
QString stored(const QString &code)
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet rs =
        db.openQuery("SELECT 更新日期, 市场价格, 涨跌幅 FROM Detail WHERE 证券代码 = ?", {code});
    return rs.isEmpty() ? QStringLiteral("<none>")
                        : QStringList{rs.text(0, 0), rs.text(0, 1), rs.text(0, 2)}.join(u'|');
}

QStringList targets(const HttpServer &server)
{
    QStringList out;
    for (const HttpRequest &r : server.requests())
        out << QString::fromLatin1(r.target);
    return out;
}

QuoteBook bookWithFunds()
{
    QuoteBook book;
    book.funds = {{"161005", "富国天惠", "2.3456", {}, "1.25%"},
                  {"110022", "易方达消费", "3.1000", {}, "-0.50%"}};
    return book;
}

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TestEntryPoints : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyWritesTheQuotes();
    void everyRequests_data();
    void everyRequests();
    void everyWithoutQuotes();
    void everyCaptionWhileWaiting();
    void everyDatabaseFailures();
    void longListsAreRefused();
    void severyFillsBuffersOnly();
    void newoneFillsTheAddDialog();
    void wakeConnection_data();
    void wakeConnection();
    void everyAndNewoneTakeOnlyNumbers();
};

void TestEntryPoints::everyWritesTheQuotes()
{
    TestEnv env;
    frmMain *m = openMain(env);
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    const QString base = server.address();
    server.setReply(kStarPath.toLatin1(),
                    Gbk(StarPage(base, {{"000001", "上证指数", "3030.12", {}, " 1.00%' "},
                                        {"600000", "浦发银行", " 12.30 ", {}, "-0.50%"}})));
    server.setReply("/fund.html",
                    Gbk(FundPricePage(base, base, {{"161005", "富国天惠", "2.3456", {}, "1.25%"}})));
    g_WatchPrice[2] = QStringLiteral("旧");
    const QStringList codes = list({"shzs000001", "k161005", "600000"});
    m->every(codes, 3);

    QCOMPARE(targets(server), (QStringList{kStarPath + "shzs000001,shag600000,", "/fund.html"}));
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(stored("shzs000001"), QStringLiteral("2026-12-10|3030.12|")); // " 1.00%' " is no change
    QCOMPARE(stored("600000"), QStringLiteral("2026-12-10|12.3|-0.50%"));
    QCOMPARE(stored("k161005"), QStringLiteral("2026-12-10|2.3456|1.25%"));
    QCOMPARE(stored("000002"), QStringLiteral("2026-12-09|8|")); // not in the list
    // Stock results at their own positions, then fund 1 at position 1; position 2 was never written.
    QCOMPARE(g_WatchPrice[1], QStringLiteral("2.3456"));
    QCOMPARE(m->quoteName[1], QStringLiteral("富国天惠"));
    QCOMPARE(g_WatchPrice[2], QStringLiteral("旧"));
    QCOMPARE(g_WatchPrice[3], QStringLiteral(" 12.30 "));
    QCOMPARE(LastStatusText(), QStringLiteral("正在更新富国天惠"));
    QCOMPARE(m->windowTitle(), QStringLiteral("证券交易记录 [ Tallyvane ]"));
    QVERIFY(g_Idle); // the caller's to change, not every's
}

void TestEntryPoints::everyRequests_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("stocks only") << "star" << QStringList{"600000", "000002"}
                                 << QStringList{kStarPath + "shag600000,szag000002,"};
    QTest::newRow("funds only") << "star" << QStringList{"k161005", "k110022"} << QStringList{"/fund.html"};
    QTest::newRow("funds only, sina") << "sina" << QStringList{"k161005"} << QStringList{kRankPath};
    QTest::newRow("funds between stocks, sohu")
        << "sohu" << QStringList{"k110022", "600000", "k161005", "000002"}
        << QStringList{"/?0600000;1000002;", "/fund.html"};
}

void TestEntryPoints::everyRequests()
{
    QFETCH(QString, source);
    QFETCH(QStringList, codes);
    QFETCH(QStringList, expected);
    TestEnv env;
    frmMain *m = openMain(env);
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setHandler(QuoteHandler(bookWithFunds()));
    g_QuoteSource = source;
    m->every(list(codes), int(codes.size()));
    QCOMPARE(targets(server), expected);
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(DbCount("SELECT COUNT(*) FROM Detail WHERE 更新日期 = '2026-12-10'"),
             int(codes.filter(QRegularExpression("^(600000|000002|k161005)$")).size()));
}

void TestEntryPoints::everyWithoutQuotes()
{
    TestEnv env;
    frmMain *m = openMain(env);
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setReply("/", QByteArray()); // pages without any security
    m->every(list({"600000", "k161005"}), 2);
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE_BOX(env.boxes[0], "没找到！600000", 0, "");
    QCOMPARE_BOX(env.boxes[1], "没找到！k161005", 0, "");
    QCOMPARE(LastStatusText(), QStringLiteral("没有更新！"));
    QCOMPARE(DbCount("SELECT COUNT(*) FROM Detail WHERE 更新日期 = '2026-12-10'"), 0);

    // A page that fails is the failure of every entry: a box each, the fund page's own box first.
    env.clearBoxes();
    server.setReply("/", "busy", 503);
    m->every(list({"600000", "000002", "k161005"}), 3);
    QStringList texts;
    for (const RecordedBox &b : env.boxes)
        texts << b.text;
    QCOMPARE(texts, (QStringList{"没找到！600000", "没找到！000002",
                                 "原因为服务器返回 503 Service Unavailable", "没找到！k161005"}));
    QCOMPARE(DbCount("SELECT COUNT(*) FROM Detail WHERE 更新日期 = '2026-12-10'"), 0);
}

void TestEntryPoints::everyCaptionWhileWaiting()
{
    TestEnv env;
    frmMain *m = openMain(env);
    m->setWindowTitle(QStringLiteral("证券交易记录 [ 我的账本 ] - [别的窗口]")); // never read back
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setHandler(QuoteHandler({}));
    server.setHolding(true);
    QString during;
    bool idleDuring = false;
    connect(&server, &HttpServer::requestReceived, &server, [&] {
        QTimer::singleShot(0, &server, [&] {
            during = m->windowTitle();
            idleDuring = g_Idle;
            server.releaseHeld();
        });
    });
    m->every(list({"600000"}), 1);
    QCOMPARE(during, QStringLiteral("证券交易记录 [ Tallyvane ][股价更新]"));
    QVERIFY(idleDuring);
    QCOMPARE(m->windowTitle(), QStringLiteral("证券交易记录 [ Tallyvane ]"));
    QCOMPARE(stored("600000").left(10), QStringLiteral("2026-12-10"));
}

void TestEntryPoints::everyDatabaseFailures()
{
    TestEnv env;
    frmMain *m = openMain(env);
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setHandler(QuoteHandler(bookWithFunds()));

    // The fund rows cannot be written: the stock rows stay, one box, the caption is back.
    DbExec("CREATE TRIGGER refuse BEFORE UPDATE ON Detail WHEN NEW.证券代码 LIKE 'k%' "
           "BEGIN SELECT RAISE(ABORT, 'fund rows refused'); END");
    m->every(list({"600000", "k161005", "000002"}), 3);
    QCOMPARE(env.boxes.size(), 1);
    QVERIFY(env.boxes[0].text.startsWith("fund rows refused"));
    QCOMPARE(env.boxes[0].style, 16);
    QCOMPARE(env.boxes[0].title, QStringLiteral("错误"));
    QCOMPARE(stored("600000").left(10), QStringLiteral("2026-12-10"));
    QCOMPARE(stored("000002").left(10), QStringLiteral("2026-12-10"));
    QCOMPARE(stored("k161005").left(10), QStringLiteral("2026-12-09"));
    QCOMPARE(m->windowTitle(), QStringLiteral("证券交易记录 [ Tallyvane ]"));

    // No database at all: one box, and nothing is fetched.
    env.clearBoxes();
    server.clearRequests();
    g_DbPath = env.path("missing.zqd");
    m->every(list({"600000"}), 1);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE(env.boxes[0].style, 16);
    QCOMPARE(env.boxes[0].title, QStringLiteral("错误"));
    QVERIFY(env.boxes[0].text.contains("missing.zqd"));
    QCOMPARE(server.requestCount(), 0);
    QCOMPARE(m->windowTitle(), QStringLiteral("证券交易记录 [ Tallyvane ]"));
}

void TestEntryPoints::longListsAreRefused()
{
    TestEnv env;
    frmMain *m = openMain(env);
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setHandler(QuoteHandler({}));
    const QStringList codes = list(QStringList(31, QStringLiteral("600000")));
    m->every(codes, 31);
    m->severy(codes, 31);
    QCOMPARE(server.requestCount(), 0);
    QVERIFY(env.boxes.isEmpty());
    m->severy(codes, 30); // 30 is the most a list holds
    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(g_WatchPrice[30], GeneratedStock("600000").price);
}

void TestEntryPoints::severyFillsBuffersOnly()
{
    TestEnv env;
    frmMain *m = openMain(env);
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setHandler(QuoteHandler(bookWithFunds()));
    g_DbPath = env.path("missing.zqd"); // it never opens the database
    g_WatchPrice[2] = QStringLiteral("1.11");
    g_WatchChange[2] = QStringLiteral("0.10%");
    g_Idle = false; // as its caller holds it
    m->severy(list({"shzs000001", "k161005", "600000"}), 3);
    QVERIFY(!g_Idle);
    QCOMPARE(targets(server), QStringList{kStarPath + "shzs000001,shag600000,"});
    QCOMPARE(g_WatchPrice[1], GeneratedStock("shzs000001").price);
    QCOMPARE(m->quoteName[1], QStringLiteral("上证指数"));
    QCOMPARE(g_WatchPrice[2], QStringLiteral("1.11"));
    QCOMPARE(g_WatchChange[2], QStringLiteral("0.10%"));
    QCOMPARE(g_WatchPrice[3], GeneratedStock("600000").price);
    QVERIFY(env.boxes.isEmpty());
}

void TestEntryPoints::newoneFillsTheAddDialog()
{
    TestEnv env;
    frmMain *m = openMain(env);
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    QuoteBook book = bookWithFunds();
    book.stocks.insert("600036", {"600036", "招商银行", "10.50", {}, "5.00%"});
    server.setHandler(QuoteHandler(book));
    server.setReply("/list=sh600999,", Gbk(SinaPage({}))); // a code the service does not know
    g_QuoteSource = QStringLiteral("sina");
    const auto boxes = [] {
        QStringList out;
        for (int i : {1, 2, 4, 5, 6, 8, 9})
            out << frmNewForm::existing()->txtFields[i]->text();
        return out;
    };

    m->newone(list({"600036"}), 99);
    QCOMPARE(boxes(), (QStringList{"招商银行", server.address() + "/cominfo/sshq_600036.htm", "15.75", "10.5",
                                   "5.00%", "9.45", "7.35"}));
    QCOMPARE(g_WatchCode[1], QStringLiteral("600036"));

    // Not found right after a found one: nothing of it stays.
    m->newone(list({"600999"}), 1);
    QCOMPARE(boxes(), (QStringList{"", "", "0", "0", "", "0", "0"}));

    // A fund code with a leading blank: the fund by its six digits, from the ranking page for sina.
    server.clearRequests();
    m->newone(list({" k161005"}), 1);
    QCOMPARE(targets(server), QStringList{kRankPath});
    QCOMPARE(g_WatchCode[1], QStringLiteral("161005"));
    QCOMPARE(boxes(),
             (QStringList{"富国天惠", server.address() + "/suggest/lookup_n.php?q=161005&country=fund",
                          "3.5184", "2.3456", "1.25%", "2.11104", "1.64192"}));
    QVERIFY(env.boxes.isEmpty());
}

void TestEntryPoints::wakeConnection_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("wake"); // "@" the server, "" unset, "closed" a port nobody listens on
    QTest::addColumn<bool>("wakeAfter");
    QTest::newRow("severy, page comes") << "severy"
                                        << "@" << false;
    QTest::newRow("every, page comes") << "every"
                                       << "@" << false;
    QTest::newRow("newone, page comes") << "newone"
                                        << "@" << false;
    QTest::newRow("down key, page comes") << "down"
                                          << "@" << false;
    QTest::newRow("severy, not set") << "severy"
                                     << "" << true;
    QTest::newRow("severy, refused") << "severy"
                                     << "closed" << true;
}

void TestEntryPoints::wakeConnection()
{
    QFETCH(QString, entry);
    QFETCH(QString, wake);
    QFETCH(bool, wakeAfter);
    const ProxyEnvironment noProxy;
    TestEnv env;
    frmMain *m = openMain(env);
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setHandler(QuoteHandler({}));
    const QString address = wake == u"@"        ? server.address()
                            : wake == u"closed" ? QStringLiteral("http://127.0.0.1:%1").arg(closedPort())
                                                : QString();
    SaveSetting(kAppNameShared, "Services", "wake", address);
    // The wake goes through the system's settings, whatever the quote requests use.
    m->Inet1.accessType = Inet::NamedProxy;
    m->Inet1.proxy = QStringLiteral("127.0.0.1:%1").arg(closedPort());
    g_WakeBrowser = true;
    const QStringList codes = list({"600000"});
    if (entry == u"every")
        m->every(codes, 1);
    else if (entry == u"newone")
        m->newone(codes, 1);
    else if (entry == u"down")
        m->Toolbar1_ButtonClick(QStringLiteral("down"));
    else
        m->severy(codes, 1);
    QCOMPARE(g_WakeBrowser, wakeAfter);
    const QStringList seen = targets(server);
    QCOMPARE(seen.value(0), wake == u"@" ? QStringLiteral("/") : QString());
    QCOMPARE(seen.size(), wake == u"@" ? 1 : 0); // the quote requests went to the dead proxy
}

void TestEntryPoints::everyAndNewoneTakeOnlyNumbers()
{
    TestEnv env;
    env.makeDatabase();
    AddQuoteTextSecurities();
    frmMain *m = frmMain::instance();
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setHandler(QuoteHandler(QuoteTextBook()));
    const QList<QuoteText> &texts = QuoteTexts();
    QStringList codes{QString()}, notFound;
    for (int i = 0; i < texts.size(); ++i) {
        codes << QuoteTextCode(i);
        if (texts[i].quote.isEmpty())
            notFound << "没找到！" + QuoteTextCode(i);
    }

    m->every(codes, int(texts.size()));
    QCOMPARE(QuoteTextRows(false), QuoteTextRows(true));
    QStringList boxes;
    for (const RecordedBox &b : env.boxes)
        boxes << b.text;
    QCOMPARE(boxes, notFound);

    // The add dialog's price and change boxes: the stored number and change, or 0 and nothing.
    QStringList shown, expected;
    for (int i = 0; i < texts.size(); ++i) {
        m->newone(list({QuoteTextCode(i)}), 1);
        const frmNewForm *dialog = frmNewForm::existing();
        shown << QString::fromUtf8(texts[i].tag) + ": " + dialog->txtFields[5]->text() + u'|' +
                     dialog->txtFields[6]->text() + u'|' + dialog->txtFields[4]->text();
        const QString &price = texts[i].quote;
        expected << QString::fromUtf8(texts[i].tag) + ": " +
                        (price.isEmpty() ? QStringLiteral("0||0")
                                         : price + u'|' + texts[i].quotedChange + u'|' +
                                               DoubleText(price.toDouble() * 1.5));
    }
    QCOMPARE(shown, expected);
}

QTEST_MAIN(TestEntryPoints)
#include "tst_entrypoints.moc"
