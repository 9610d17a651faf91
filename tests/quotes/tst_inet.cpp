// The HTTP client against real servers on 127.0.0.1: GBK decoding, failures, the three access types
// (with a proxy fixture that asks for credentials), the time-out and the event loop it waits in.

#include "data/Settings.h"
#include "quotes/Inet.h"
#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuotePages.h"
#include "tests/common/TestSupport.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace tv;
using namespace tv::test;

namespace {

QString openUrl(Inet &inet, const QString &address, QString *error = nullptr)
{
    try {
        return inet.OpenURL(address);
    } catch (const InetError &e) {
        if (error)
            *error = e.description();
        return QStringLiteral("<failed>");
    }
}

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort(); // nothing listens there once probe is gone
}

const QString kPage = QStringLiteral("证券之星行情 600000 浦发银行");

} // namespace

class TestInet : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decodesGbkWhateverTheReplyDeclares();
    void failures_data();
    void failures();
    void directIgnoresTheEnvironment();
    void namedProxyAnswersTheChallenge();
    void namedProxyWithWrongPasswordFails();
    void systemSettingsFollowHttpProxy();
    void silentServerTimesOut_data();
    void silentServerTimesOut();
    void timersRunWhileWaiting();
    void serverInAThreadOfItsOwn();
    void endlessRepliesTimeOut_data();
    void endlessRepliesTimeOut();
    void timeoutSettingReadAtEachRequest();
};

void TestInet::decodesGbkWhateverTheReplyDeclares()
{
    HttpServer server;
    QVERIFY(server.listen());
    HttpReply reply;
    reply.body = Gbk(kPage);
    reply.addHeader("Content-Type", "text/html; charset=utf-8");
    server.setReply("/page", reply);
    Inet inet;
    inet.accessType = Inet::Direct;
    QCOMPARE(openUrl(inet, server.address() + "/page?code=1"), kPage);
    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(server.requests()[0].method, QByteArray("GET"));
    QCOMPARE(server.requests()[0].target, QByteArray("/page?code=1"));
    QCOMPARE(server.requests()[0].header("host"), ("127.0.0.1:" + QByteArray::number(server.port())));
}

void TestInet::failures_data()
{
    QTest::addColumn<QString>("address"); // "@" stands for the server's address
    QTest::addColumn<int>("accessType");
    QTest::addColumn<QString>("proxy");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("requests");
    const int direct = Inet::Direct, proxy = Inet::NamedProxy;
    // clang-format off
    QTest::newRow("empty address")        << ""                << direct << ""           << "网址为空" << 0;
    QTest::newRow("no host")              << "/list=sh600000," << direct << ""           << "网址无效：/list=sh600000," << 0;
    QTest::newRow("not found")            << "@/missing"       << direct << ""           << "服务器返回 404 Not Found" << 1;
    QTest::newRow("server error")         << "@/broken"        << direct << ""           << "服务器返回 500 Internal Server Error" << 1;
    QTest::newRow("proxy without server") << "@/page"          << proxy  << ":8080"      << "代理服务器设置无效：:8080" << 0;
    QTest::newRow("proxy without port")   << "@/page"          << proxy  << "127.0.0.1:" << "代理服务器设置无效：127.0.0.1:" << 0;
    QTest::newRow("no access type 3")     << "@/page"          << 3      << ""           << "访问方式无效：3" << 0;
    // clang-format on
}

void TestInet::failures()
{
    QFETCH(QString, address);
    QFETCH(int, accessType);
    QFETCH(QString, proxy);
    QFETCH(QString, error);
    QFETCH(int, requests);
    HttpServer server;
    QVERIFY(server.listen());
    server.setReply("/page", Gbk(kPage));
    server.setReply("/broken", "oops", 500);
    Inet inet;
    inet.accessType = accessType;
    inet.proxy = proxy;
    QString got;
    QCOMPARE(openUrl(inet, address.replace(u'@', server.address()), &got), QStringLiteral("<failed>"));
    QCOMPARE(got, error);
    QCOMPARE(server.requestCount(), requests);
}

void TestInet::directIgnoresTheEnvironment()
{
    HttpServer server, proxy;
    QVERIFY(server.listen() && proxy.listen());
    server.setReply("/page", Gbk(kPage));
    const ProxyEnvironment env(proxy.address().toUtf8());
    Inet inet;
    inet.accessType = Inet::Direct;
    QCOMPARE(openUrl(inet, server.address() + "/page"), kPage);
    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(proxy.requestCount(), 0);

    // Nothing listening: the failure comes back as one, with a description.
    QString error;
    QCOMPARE(openUrl(inet, QStringLiteral("http://127.0.0.1:%1/page").arg(closedPort()), &error),
             QStringLiteral("<failed>"));
    QVERIFY(!error.isEmpty());
}

void TestInet::namedProxyAnswersTheChallenge()
{
    HttpServer proxy;
    QVERIFY(proxy.listen());
    proxy.setProxyCredentials("trader", "s3cret");
    proxy.setReply("/list=", Gbk(kPage));
    const ProxyEnvironment env;
    Inet inet;
    inet.accessType = Inet::NamedProxy;
    inet.proxy = QStringLiteral("127.0.0.1: %1 ").arg(proxy.port()); // blanks around the port
    inet.userName = "trader";
    inet.password = "s3cret";
    const QString target = QStringLiteral("http://quotes.invalid:8080/list=sh600000,");
    QCOMPARE(openUrl(inet, target), kPage);
    const QList<HttpRequest> seen = proxy.requests();
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[0].target, target.toUtf8());
    QVERIFY(seen[0].header("Proxy-Authorization").isEmpty());
    QCOMPARE(seen[1].target, target.toUtf8());
    QCOMPARE(seen[1].header("Proxy-Authorization"), "Basic " + QByteArray("trader:s3cret").toBase64());
}

void TestInet::namedProxyWithWrongPasswordFails()
{
    HttpServer proxy;
    QVERIFY(proxy.listen());
    proxy.setProxyCredentials("trader", "s3cret");
    proxy.setReply("/", Gbk(kPage));
    Inet inet;
    inet.accessType = Inet::NamedProxy;
    inet.proxy = QStringLiteral("127.0.0.1:%1").arg(proxy.port());
    inet.userName = "trader";
    inet.password = "wrong";
    QString error;
    QCOMPARE(openUrl(inet, "http://quotes.invalid/", &error), QStringLiteral("<failed>"));
    QVERIFY(!error.isEmpty());
    QCOMPARE(proxy.requestCount(), 2); // asked once, answered once, then given up
}

void TestInet::systemSettingsFollowHttpProxy()
{
    HttpServer server, proxy;
    QVERIFY(server.listen() && proxy.listen());
    server.setReply("/page", Gbk(QStringLiteral("直接")));
    proxy.setReply("/page", Gbk(QStringLiteral("经代理")));
    Inet inet; // access type 0 until told otherwise
    QCOMPARE(inet.accessType, int(Inet::SystemDefault));
    {
        const ProxyEnvironment env(proxy.address().toUtf8());
        QCOMPARE(openUrl(inet, server.address() + "/page"), QStringLiteral("经代理"));
        QCOMPARE(proxy.requestCount(), 1);
        QCOMPARE(proxy.requests()[0].target, (server.address() + "/page").toUtf8());
    }
    const ProxyEnvironment none;
    QCOMPARE(openUrl(inet, server.address() + "/page"), QStringLiteral("直接"));
    QCOMPARE(server.requestCount(), 1);
}

void TestInet::silentServerTimesOut_data()
{
    QTest::addColumn<bool>("holding");
    QTest::newRow("reply held past the time-out") << true;
    QTest::newRow("never answers") << false;
}

void TestInet::silentServerTimesOut()
{
    QFETCH(bool, holding);
    HttpServer server;
    QVERIFY(server.listen());
    server.setReply("/page", Gbk(kPage));
    server.setHolding(holding);
    server.setSilent(!holding);
    Inet inet;
    inet.accessType = Inet::Direct;
    inet.timeoutSeconds = 1;
    QString error;
    QCOMPARE(openUrl(inet, server.address() + "/page", &error), QStringLiteral("<failed>"));
    QCOMPARE(error, QStringLiteral("连接超时"));
    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(server.heldCount(), holding ? 1 : 0);
    server.releaseHeld(); // too late: the client has gone
}

void TestInet::timersRunWhileWaiting()
{
    HttpServer server;
    QVERIFY(server.listen());
    server.setReply("/page", Gbk(kPage));
    server.setHolding(true);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
        // The server runs in this thread, so a reply can only be held, and released, while OpenURL waits.
        ++ticks;
        if (server.heldCount() > 0)
            server.releaseHeld();
    });
    timer.start(20);
    Inet inet;
    inet.accessType = Inet::Direct;
    inet.timeoutSeconds = 30;
    QCOMPARE(openUrl(inet, server.address() + "/page"), kPage);
    QVERIFY(ticks > 0);
}

void TestInet::serverInAThreadOfItsOwn()
{
    QThread thread;
    auto *server = new HttpServer;
    server->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, server, &QObject::deleteLater);
    thread.start();
    bool listening = false;
    QMetaObject::invokeMethod(
        server, [&] { listening = server->listen(); }, Qt::BlockingQueuedConnection);
    QVERIFY(listening);
    server->setReply("/page", Gbk(kPage));
    Inet inet;
    inet.accessType = Inet::Direct;
    QCOMPARE(openUrl(inet, server->address() + "/page"), kPage);
    QCOMPARE(server->requestCount(), 1);
    QVERIFY(server->requests()[0].answeredNs >= server->requests()[0].receivedNs);
    thread.quit();
    thread.wait();
}

namespace {

// A server that never finishes its reply: after the headers it either trickles one byte every 100 ms,
// streams bytes as fast as the client takes them, or announces a body larger than any quote page.
class EndlessServer : public QTcpServer
{
public:
    enum Mode { Trickle, Flood, Huge };
    explicit EndlessServer(Mode mode) : m_mode(mode)
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, s, [this, s] { answer(s); });
        });
        m_tick.setInterval(100);
        connect(&m_tick, &QTimer::timeout, this, [this] {
            for (QTcpSocket *s : std::as_const(m_clients))
                if (s->state() == QAbstractSocket::ConnectedState)
                    s->write("x");
        });
    }
    QString address() const { return QStringLiteral("http://127.0.0.1:%1/page").arg(serverPort()); }

private:
    void answer(QTcpSocket *s)
    {
        if (!s->readAll().contains("\r\n\r\n") || m_clients.contains(s))
            return;
        m_clients << s;
        const QByteArray length = m_mode == Huge ? "Content-Length: 104857600\r\n" : "";
        s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n" + length + "Connection: close\r\n\r\n");
        if (m_mode == Trickle) {
            m_tick.start();
        } else {
            const QByteArray block(64 * 1024, 'x');
            connect(s, &QTcpSocket::bytesWritten, s, [s, block] {
                if (s->bytesToWrite() < block.size())
                    s->write(block);
            });
            s->write(block);
        }
    }

    Mode m_mode;
    QTimer m_tick;
    QList<QTcpSocket *> m_clients;
};

} // namespace

// A reply that keeps coming ends as a time-out: bytes trickling in never restart the whole request's
// limit, and a reply past any quote page's size is given up at once.
void TestInet::endlessRepliesTimeOut_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("atMostMs");
    QTest::newRow("one byte every 100 ms")
        << int(EndlessServer::Trickle) << (kWholeRequestTimeouts + 2) * 1000;
    QTest::newRow("bytes without end") << int(EndlessServer::Flood) << 3000;
    QTest::newRow("a body of 100 MB announced") << int(EndlessServer::Huge) << 3000;
}

void TestInet::endlessRepliesTimeOut()
{
    QFETCH(int, mode);
    QFETCH(int, atMostMs);
    EndlessServer server{EndlessServer::Mode(mode)};
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    Inet inet;
    inet.accessType = Inet::Direct;
    inet.timeoutSeconds = 1;
    QString error;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(openUrl(inet, server.address(), &error), QStringLiteral("<failed>"));
    QCOMPARE(error, QStringLiteral("连接超时"));
    QVERIFY2(clock.elapsed() < atMostMs, qPrintable(QString::number(clock.elapsed())));
    if (mode == EndlessServer::Trickle) // the bytes kept it going well past the 1 s of silence allowed
        QVERIFY2(clock.elapsed() > 2000, qPrintable(QString::number(clock.elapsed())));
}

// The time-out is the stored setting at the moment of each request, not at the control's making.
void TestInet::timeoutSettingReadAtEachRequest()
{
    TestEnv env;
    HttpServer server;
    QVERIFY(server.listen());
    server.setReply("/page", Gbk(kPage));
    server.setSilent(true);
    Inet inet;
    inet.accessType = Inet::Direct;
    SaveSetting(kAppNameShared, QStringLiteral("Inet"), QStringLiteral("Timeout"), QStringLiteral("1"));
    QElapsedTimer clock;
    clock.start();
    QString error;
    QCOMPARE(openUrl(inet, server.address() + "/page", &error), QStringLiteral("<failed>"));
    QCOMPARE(error, QStringLiteral("连接超时"));
    QVERIFY(clock.elapsed() < 3000);
}

QTEST_GUILESS_MAIN(TestInet)
#include "tst_inet.moc"
