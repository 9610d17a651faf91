// The main window's quote fetchers against the local server: the requests each source sends, the
// buffers each reply fills, and what a failure leaves behind.

#include "app/Globals.h"
#include "app/frmMain.h"
#include "data/Settings.h"
#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuotePages.h"
#include "tests/common/TestSupport.h"

#include <QTest>

using namespace tv;
using namespace tv::test;

namespace {

QStringList list(const QStringList &codes)
{
    return QStringList{QString()} + codes;
}

// "price|change|name|link" of positions 1 to n.
QStringList buffers(frmMain *m, int n)
{
    QStringList out;
    for (int i = 1; i <= n; ++i)
        out << QStringList{g_WatchPrice[i], g_WatchChange[i], m->quoteName[i], m->quoteLink[i]}.join(u'|');
    return out;
}

void fillBuffers(frmMain *m, const QString &text)
{
    for (int i = 1; i < kWatchSize; ++i)
        g_WatchPrice[i] = g_WatchChange[i] = m->quoteName[i] = m->quoteLink[i] = text;
}

const QString kStarPath = QStringLiteral("/scripts/quoteISAPI.dll?MFCISAPICommand=dghq&code=");

} // namespace

class TestFetchers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void requests_data();
    void requests();
    void replies_data();
    void replies();
    void missingRecord_data();
    void missingRecord();
    void failedFetch_data();
    void failedFetch();
    void funds_data();
    void funds();
    void fundPageFailsOnce_data();
    void fundPageFailsOnce();
    void fundFailureNamesTheFund();
    void timeoutSetting_data();
    void timeoutSetting();
};

void TestFetchers::requests_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("target");
    const QList<QPair<const char *, QStringList>> lists = {
        {"Shanghai", {"600000"}},  {"Shenzhen", {"000002"}},
        {"1", {"100213"}},         {"2", {"200002"}},
        {"5", {"510050"}},         {"9", {"900901"}},
        {"index", {"shzs000001"}}, {"fund code", {"k161005"}},
        {"ampersand", {"60&0 1"}}, {"three", {"shzs000001", "600000", "000002"}}};
    const QMap<QString, QStringList> targets = {
        {"star",
         {"shag600000,", "szag000002,", "szag100213,", "szag200002,", "shag510050,", "shag900901,",
          "shzs000001,", "k161005,", "shag60%260%201,", "shzs000001,shag600000,szag000002,"}},
        {"sina",
         {"sh600000,", "sz000002,", "sz100213,", "sz200002,", "sh510050,", "sh900901,", "sh000001,",
          "k161005,", "sh60%260%201,", "sh000001,sh600000,sz000002,"}},
        {"sohu",
         {"0600000;", "1000002;", "1100213;", "1200002;", "0510050;", "0900901;", "0000001;", "k161005;",
          "060%260%201;", "0000001;0600000;1000002;"}}};
    const QMap<QString, QString> paths = {{"star", kStarPath}, {"sina", "/list="}, {"sohu", "/?"}};
    for (const QString &source : {"star", "sina", "sohu"}) {
        for (int i = 0; i < lists.size(); ++i)
            QTest::addRow("%s %s", qPrintable(source), lists[i].first)
                << source << lists[i].second << paths[source] + targets[source][i];
    }
}

void TestFetchers::requests()
{
    QFETCH(QString, source);
    QFETCH(QStringList, codes);
    QFETCH(QString, target);
    TestEnv env;
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setReply("/", QByteArray()); // an empty page: nothing found
    g_QuoteSource = source;
    frmMain *m = frmMain::instance();
    QStringList entries = list(codes);
    const QStringList before = entries;
    m->FetchQuotes(entries, int(codes.size()));
    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(QString::fromLatin1(server.requests()[0].target), target);
    QCOMPARE(entries, before);
    for (int i = 1; i <= codes.size(); ++i)
        QCOMPARE(g_WatchPrice[i], QStringLiteral("0"));
}

void TestFetchers::replies_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QByteArray>("route");
    QTest::addColumn<QString>("page"); // "@" stands for the server's address
    QTest::addColumn<QStringList>("expected");
    const QStringList codes = {"shzs000001", "600000", "000002"};
    QTest::newRow("star") << "star" << kStarPath.toLatin1()
                          << StarPage("@", {{"000001", "上证指数", "3030.12", {}, "1.00%"},
                                            {"600000", "浦发银行", "10.50", {}, "5.00%"}})
                          << QStringList{"3030.12|1.00%|上证指数|@/ar/f10.asp?code=000001&mk=1",
                                         "10.50|5.00%|浦发银行|@/ar/f10.asp?code=600000&mk=1", "0|||"};
    QTest::newRow("sina") << "sina" << QByteArray("/list=")
                          << SinaPage({{"sh000001", "上证指数", "3030.00", "3000.00", {}},
                                       {"sh600000", "浦发银行", "10.50", "10.00", {}},
                                       {"sz000002", "", "", "", {}}})
                          << QStringList{"3030.00|1.00%|上证指数| @/cominfo/sshq_sh000001.htm",
                                         "10.50|5.00%|浦发银行| @/cominfo/sshq_600000.htm",
                                         "0||| @/cominfo/sshq_000002.htm"};
    QTest::newRow("sohu") << "sohu" << QByteArray("/?")
                          << SohuPage({{"0000001", "上证指数", "3030.00", "3000.00", {}},
                                       {"0600000", "浦发银行", "9.50", "10.00", {}}})
                          << QStringList{"3030.00|1.00%|上证指数| @/cominfo/sshq_0000001.htm",
                                         "9.50|-5.00%|浦发银行| @/cominfo/sshq_600000.htm", "0|||"};
}

void TestFetchers::replies()
{
    QFETCH(QString, source);
    QFETCH(QByteArray, route);
    QFETCH(QString, page);
    QFETCH(QStringList, expected);
    TestEnv env;
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setReply(route, Gbk(page.replace(u'@', server.address())));
    g_QuoteSource = source;
    frmMain *m = frmMain::instance();
    m->FetchQuotes(list({"shzs000001", "600000", "000002"}), 3);
    QCOMPARE(buffers(m, 3), expected.replaceInStrings("@", server.address()));
    QCOMPARE(server.requestCount(), 1);

    // A code without a quote where the index stood: nothing of the index's texts stays.
    m->FetchQuotes(list({"600036"}), 1);
    QCOMPARE(buffers(m, 1), QStringList{"0|||"});
}

void TestFetchers::missingRecord_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QByteArray>("route");
    QTest::addColumn<QString>("page");
    // 600001 has no record, and its digits stand in 600000's volume, before 600002's record.
    QTest::newRow("sina") << "sina" << QByteArray("/list=")
                          << SinaPage({{"sh600000", "浦发银行", "10.50", "10.00", {}},
                                       {"sh600002", "浦发二号", "9.50", "10.00", {}}})
                                 .replace(",100,1000,", ",26000017,1000,");
    QTest::newRow("sohu") << "sohu" << QByteArray("/?")
                          << SohuPage({{"0600000", "浦发银行", "10.50", "10.00", {}},
                                       {"0600002", "浦发二号", "9.50", "10.00", {}}})
                                 .replace(";100;1000;", ";106000012;1000;");
}

void TestFetchers::missingRecord()
{
    QFETCH(QString, source);
    QFETCH(QByteArray, route);
    QFETCH(QString, page);
    TestEnv env;
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setReply(route, Gbk(page));
    g_QuoteSource = source;
    frmMain *m = frmMain::instance();
    fillBuffers(m, QStringLiteral("旧"));
    m->FetchQuotes(list({"600000", "600001", "600002"}), 3);
    const QString links = server.address() + "/cominfo/sshq_";
    QCOMPARE(buffers(m, 3), (QStringList{"10.50|5.00%|浦发银行| " + links + "600000.htm", "0|||",
                                         "9.50|-5.00%|浦发二号| " + links + "600002.htm"}));
}

void TestFetchers::failedFetch_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("emptyKey"); // a service left unset
    QTest::addColumn<int>("requests");
    // clang-format off
    QTest::newRow("star page fails")   << "star" << ""           << 1;
    QTest::newRow("sina page fails")   << "sina" << ""           << 1;
    QTest::newRow("sohu page fails")   << "sohu" << ""           << 1;
    QTest::newRow("star unset")        << "star" << "star"       << 0;
    QTest::newRow("star detail unset") << "star" << "starDetail" << 0;
    QTest::newRow("sina unset")        << "sina" << "sina"       << 0;
    QTest::newRow("sohu unset")        << "sohu" << "sohu"       << 0;
    // clang-format on
}

void TestFetchers::failedFetch()
{
    QFETCH(QString, source);
    QFETCH(QString, emptyKey);
    QFETCH(int, requests);
    TestEnv env;
    HttpServer server;
    QVERIFY(ServeQuotes(server, {emptyKey}));
    server.setReply("/", "busy", 503);
    g_QuoteSource = source;
    frmMain *m = frmMain::instance();
    fillBuffers(m, QStringLiteral("旧"));
    m->FetchQuotes(list({"shzs000001", "600000"}), 2);
    QCOMPARE(buffers(m, 3), (QStringList{"0|||", "0|||", "旧|旧|旧|旧"}));
    QCOMPARE(server.requestCount(), requests);
    QVERIFY(env.boxes.isEmpty());
}

void TestFetchers::funds_data()
{
    QTest::addColumn<QString>("fetcher");
    QTest::addColumn<QByteArray>("route");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("expected");
    const PageEntry a{"161005", "富国天惠", "2.3456", {}, "1.25%"};
    const PageEntry b{"110022", "易方达消费", "3.1000", {}, "-0.50%"};
    QTest::newRow("kjprice") << "kjprice" << QByteArray("/fund.html") << FundPricePage("@", "@", {b, a})
                             << QStringList{"2.3456|1.25%|富国天惠|@/openfund/jbgk_161005.htm", "0|||",
                                            "3.1000|-0.50%|易方达消费|@/openfund/jbgk_110022.htm"};
    QTest::newRow("kjsina") << "kjsina" << QByteArray("/fund/fund_ranks/open/netvalue_ranks0_0.html")
                            << FundSinaPage("@", {b, a})
                            << QStringList{
                                   "2.3456|1.25%|富国天惠|@/suggest/lookup_n.php?q=161005&country=fund",
                                   "0|||",
                                   "3.1000|-0.50%|易方达消费|@/suggest/lookup_n.php?q=110022&country=fund"};
}

void TestFetchers::funds()
{
    QFETCH(QString, fetcher);
    QFETCH(QByteArray, route);
    QFETCH(QString, page);
    QFETCH(QStringList, expected);
    TestEnv env;
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    server.setReply(route, Gbk(page.replace(u'@', server.address())));
    frmMain *m = frmMain::instance();
    fillBuffers(m, QStringLiteral("旧"));
    const QStringList codes = list({"161005", "519001", "110022"});
    if (fetcher == u"kjprice")
        m->kjprice(codes, 3);
    else
        m->kjsina(codes, 3);
    QCOMPARE(buffers(m, 3), expected.replaceInStrings("@", server.address()));
    QCOMPARE(server.requestCount(), 1);
    QVERIFY(env.boxes.isEmpty());
}

void TestFetchers::fundPageFailsOnce_data()
{
    QTest::addColumn<QString>("fetcher");
    QTest::addColumn<QString>("emptyKey");
    QTest::addColumn<QString>("reason");
    // clang-format off
    QTest::newRow("kjprice page missing")    << "kjprice" << ""           << "服务器返回 404 Not Found";
    QTest::newRow("kjsina page missing")     << "kjsina"  << ""           << "服务器返回 404 Not Found";
    QTest::newRow("kjprice unset")           << "kjprice" << "fund"       << "没有设置服务器地址 fund";
    QTest::newRow("kjprice page base unset") << "kjprice" << "fundPage"   << "没有设置服务器地址 fundPage";
    QTest::newRow("kjsina unset")            << "kjsina"  << "fundSina"   << "没有设置服务器地址 fundSina";
    QTest::newRow("kjsina look-up unset")    << "kjsina"  << "fundLookup" << "没有设置服务器地址 fundLookup";
    // clang-format on
}

void TestFetchers::fundPageFailsOnce()
{
    QFETCH(QString, fetcher);
    QFETCH(QString, emptyKey);
    QFETCH(QString, reason);
    TestEnv env;
    HttpServer server;
    QVERIFY(ServeQuotes(server, {emptyKey}));
    frmMain *m = frmMain::instance();
    fillBuffers(m, QStringLiteral("旧"));
    const QStringList codes = list({"161005", "110022", "519001", "000001", "270002"});
    if (fetcher == u"kjprice")
        m->kjprice(codes, 5);
    else
        m->kjsina(codes, 5);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], "原因为" + reason, 0, QStringLiteral("查询打开URL时出错"));
    QCOMPARE(buffers(m, 5), QStringList(5, "0|||"));
    QCOMPARE(server.requestCount(), emptyKey.isEmpty() ? 1 : 0);
}

void TestFetchers::fundFailureNamesTheFund()
{
    TestEnv env;
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    const QString base = server.address();
    QString page = FundPricePage(
        base, base,
        {{"161005", "富国天惠", "2.3456", {}, "1.25%"}, {"110022", "易方达消费", "3.1000", {}, "-0.50%"}});
    page.replace(page.lastIndexOf(QStringLiteral("档案")), 2,
                 QStringLiteral("资料")); // the second fund's row breaks
    server.setReply("/fund.html", Gbk(page));
    frmMain *m = frmMain::instance();
    m->kjprice(list({"161005", "110022"}), 2);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("原因为网页内容无法识别"), 0,
                 QStringLiteral("查询110022打开URL时出错"));
    QCOMPARE(buffers(m, 2), (QStringList{"0|1.25%||" + base + "/openfund/jbgk_161005.htm",
                                         "0|||" + base + "/openfund/jbgk_110022.htm"}));
}

void TestFetchers::timeoutSetting_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("seconds");
    QTest::newRow("not set") << "" << 60;
    QTest::newRow("set") << " 5 " << 5;
    QTest::newRow("not a number") << "soon" << 60;
    QTest::newRow("zero") << "0" << 60;
}

void TestFetchers::timeoutSetting()
{
    QFETCH(QString, stored);
    QFETCH(int, seconds);
    TestEnv env;
    if (!stored.isEmpty())
        SaveSetting(kAppNameShared, QStringLiteral("Inet"), QStringLiteral("Timeout"), stored);
    QCOMPARE(StoredInetTimeout(), seconds);
}

QTEST_MAIN(TestFetchers)
#include "tst_fetchers.moc"
