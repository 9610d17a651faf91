// The live watch's rules without a window: trends, alerts and colours, what a refresh shows, the rows
// written back, the mailbox and arming, the alert mail and the transport.

#include "app/Globals.h"
#include "app/VbCompat.h"
#include "data/Settings.h"
#include "quotes/AlertMail.h"
#include "quotes/WatchRules.h"
#include "tools/quoteserver/QuotePages.h"
#include "tests/common/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace tv;
using namespace tv::test;

namespace {

struct Mail
{
    QStringList headerNames;
    QMap<QString, QString> headers; // unfolded
    QString subject;                // decoded
    QString body;                   // decoded
};

// Reads a message as a mail reader would: headers up to the first empty line, continuation lines
// joined, encoded words of the subject decoded, the base64 body decoded.
Mail readMail(const QByteArray &message)
{
    Mail m;
    const qsizetype split = message.indexOf("\n\n");
    const QList<QByteArray> lines = message.left(split).split('\n');
    QString name;
    for (const QByteArray &line : lines) {
        if (line.startsWith(' ') || line.startsWith('\t')) {
            m.headers[name] += QString::fromLatin1(line);
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        name = QString::fromLatin1(line.left(colon));
        m.headerNames << name;
        m.headers[name] = QString::fromLatin1(line.mid(colon + 1)).trimmed();
    }
    static const QRegularExpression word(QStringLiteral("=\\?UTF-8\\?B\\?([A-Za-z0-9+/=]*)\\?="));
    QByteArray subject;
    for (const QRegularExpressionMatch &w : word.globalMatch(m.headers.value(QStringLiteral("Subject"))))
        subject += QByteArray::fromBase64(w.captured(1).toLatin1());
    m.subject = QString::fromUtf8(subject);
    m.body = QString::fromUtf8(QByteArray::fromBase64(message.mid(split + 2)));
    return m;
}

WatchRow row(const char *code, const char *price, const char *change, double qty = 0, double target = 12,
             double stop = 9, double open = 11)
{
    return {QString::fromUtf8(code),
            QString(),
            QString::fromUtf8(price),
            QString::fromUtf8(change),
            qty,
            target,
            stop,
            open};
}

} // namespace

class TestWatchRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void alertAndColours_data();
    void alertAndColours();
    void refreshShowsQuotesOrOpeningPrices();
    void onlyFetchedRowsAreWritten();
    void takesOnlyNumbers();
    void arming();
    void mailText();
    void plainAddresses_data();
    void plainAddresses();
    void messageCannotBeSteered();
    void transport();
};

void TestWatchRules::alertAndColours_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<double>("price");
    QTest::addColumn<bool>("alert");
    QTest::addColumn<uint>("text");
    QTest::addColumn<uint>("back");
    // Target 12, stop 9.
    QTest::newRow("rising at its target") << "1.00%" << 12.0 << false << 0x8080FFu << 0x0000FFu;
    QTest::newRow("rising a cent above") << "1.00%" << 12.01 << true << 0x8080FFu << 0x0000FFu;
    QTest::newRow("flat counts as rising") << "0" << 12.01 << true << 0x8080FFu << 0x0000FFu;
    QTest::newRow("no change text is rising") << "" << 12.01 << true << 0x8080FFu << 0x0000FFu;
    QTest::newRow("falling at its stop") << "-1.00%" << 9.0 << false << 0x00C000u << 0x80FF80u;
    QTest::newRow("falling a cent below") << "-1.00%" << 8.99 << true << 0x00C000u << 0x80FF80u;
    QTest::newRow("falling far above the target") << "-2.00%" << 50.0 << false << 0x00C000u << 0x80FF80u;
    QTest::newRow("rising far below the stop") << "2.00%" << 1.0 << false << 0x8080FFu << 0x0000FFu;
}

void TestWatchRules::alertAndColours()
{
    QFETCH(QString, change);
    QFETCH(double, price);
    QFETCH(bool, alert);
    QFETCH(uint, text);
    QFETCH(uint, back);
    const Trend trend = TrendOf(change);
    QCOMPARE(IsAlert(trend, price, 12, 9), alert);
    QCOMPARE(TrendTextColour(trend), text);
    QCOMPARE(AlertBackColour(trend), back);
}

void TestWatchRules::refreshShowsQuotesOrOpeningPrices()
{
    const QList<WatchRow> rows = {
        row("shzs000001", "3100.5", "0.5%", 0, 10000, 5000, 3000),
        row("600000", " 12.30 ", "1.00%", 800, 12, 9, 11),     // blanks around a quote
        row("000002", "0", "3.00%", 100, 10, 7, 8.5),          // no quote: opening price, change "0"
        row("000003", "--", "-1.00%", 100, 10, 7, 8),          // not a number
        row("000004", "12abc", "-1.00%", 100, 10, 7, 8),       // only partly a number
        row("000005", "-5", "-1.00%", 100, 7, 5, 8),           // below 0 is no quote
        row("k161005", "2.3456", "1.25%", 1000, 3, 1, 2.3456), // a fund: the stock fetch never quotes it
        row("600001", "1234567.89", "-0.01%", 1, 2e6, 1e6, 1), // cents of a large price stay
    };
    const WatchRefresh r = RefreshWatch(rows, 90000.05);
    QStringList prices, changes, fetched, alerts;
    for (const ShownRow &s : r.rows) {
        prices << s.price;
        changes << s.change;
        fetched << (s.fetched ? "y" : "n");
        alerts << (s.alert ? "y" : "n");
    }
    QCOMPARE(prices, (QStringList{"3100.5", "12.3", "8.5", "8", "8", "8", "2.3456", "1234567.89"}));
    QCOMPARE(changes, (QStringList{"0.5%", "1.00%", "0", "0", "0", "0", "1.25%", "-0.01%"}));
    QCOMPARE(fetched, (QStringList{"y", "y", "n", "n", "n", "n", "n", "y"}));
    // 600000 is above its target; a row without a quote is flat at its opening price, which is tested
    // against its target too; the large price falls while above its stop.
    QCOMPARE(alerts, (QStringList{"n", "y", "n", "n", "n", "y", "n", "n"}));
    // 800 × 12.3 + 100 × 8.5 + 3 × 100 × 8 + 1000 × 2.3456 + 1234567.89; the index has quantity 0.
    QCOMPARE(DoubleText(r.marketValue), QStringLiteral("1250003.49"));
    QCOMPARE(DoubleText(r.totalAssets), QStringLiteral("1340003.54"));
}

void TestWatchRules::onlyFetchedRowsAreWritten()
{
    const QList<WatchRow> rows = {row("shzs000001", "3100.5", " 0.5% "), row("600000", "11", "0"),
                                  row("k161005", "2.3", "1%"), row("000002", "8.1", "-1%")};
    FlagArray fetched{};
    fetched[1] = true;
    fetched[4] = true;
    const QList<PriceWrite> writes = FetchedPriceWrites(rows, fetched);
    QCOMPARE(writes.size(), 2);
    QCOMPARE(writes[0].code, QStringLiteral("shzs000001"));
    QCOMPARE(writes[0].price, 3100.5);
    QCOMPARE(writes[0].change, QStringLiteral("0.5%"));
    QCOMPARE(writes[1].code, QStringLiteral("000002"));
}

// The refresh and the save take a quote as every other path does.
void TestWatchRules::takesOnlyNumbers()
{
    QList<WatchRow> rows;
    for (const QuoteText &t : QuoteTexts())
        rows << WatchRow{"600000", {}, t.price, t.change, 1, 1e9, 0, 7};
    const WatchRefresh refresh = RefreshWatch(rows, 0);
    FlagArray fetched{};
    QStringList shown, expectedShown, expectedWrites;
    for (int k = 0; k < rows.size(); ++k) {
        const QuoteText &t = QuoteTexts()[k];
        fetched[k + 1] = refresh.rows[k].fetched;
        shown << QString::fromUtf8(t.tag) + ": " + refresh.rows[k].price;
        expectedShown << QString::fromUtf8(t.tag) + ": " +
                             (t.quote.isEmpty() ? QStringLiteral("7") : t.quote);
        if (!t.quote.isEmpty())
            expectedWrites << t.quote + u'|' + t.quotedChange;
    }
    QCOMPARE(shown, expectedShown);
    QStringList writes;
    for (const PriceWrite &w : FetchedPriceWrites(rows, fetched))
        writes << DoubleText(w.price) + u'|' + w.change;
    QCOMPARE(writes, expectedWrites);
}

void TestWatchRules::arming()
{
    TestEnv env;
    const auto armed = [] {
        QString flags;
        for (bool f : g_AlertArmed)
            flags += f ? u'1' : u'0';
        return flags;
    };
    const QString all(kWatchSize, u'1'), none(kWatchSize, u'0');

    // Opening the watch: 6 characters never arm, 7 do, and only with the switch on and one plain address.
    QVERIFY(!ArmsRows("a@b.cn", true));
    QVERIFY(ArmsRows("ab@c.cn", true));
    QVERIFY(!ArmsRows("ab@c.cn", false));
    QVERIFY(!ArmsRows("Boss <ab@c.cn>", true));
    QVERIFY(!ArmsRows("ab@c.cn, x@y.cn", true));
    SaveSetting(kAppNameShared, "frmemail", "qixmail", "a@b.cn");
    SaveSetting(kAppNameShared, "frmemail", "use", "1");
    ArmAtWatchOpening();
    QCOMPARE(g_AlertEmail, QStringLiteral("a@b.cn"));
    QVERIFY(g_AlertsOn);
    QCOMPARE(armed(), none);
    SaveSetting(kAppNameShared, "frmemail", "qixmail", "ab@c.cn");
    ArmAtWatchOpening();
    QCOMPARE(armed(), all); // row 30 has a flag of its own, like every other row

    // A stored "0" leaves the switch as this run set it, so the rows are armed again.
    g_AlertArmed[3] = false;
    SaveSetting(kAppNameShared, "frmemail", "use", "0");
    ArmAtWatchOpening();
    QVERIFY(g_AlertsOn);
    QCOMPARE(armed(), all);

    // The dialog's OK stores both and arms or disarms every row at once.
    ConfirmMailbox("ab@c.cn", false);
    QCOMPARE(GetSetting(kAppNameShared, "frmemail", "use"), QStringLiteral("0"));
    QVERIFY(!g_AlertsOn);
    QCOMPARE(armed(), none);
    ConfirmMailbox("alerts@example.com", true);
    QCOMPARE(GetSetting(kAppNameShared, "frmemail", "qixmail"), QStringLiteral("alerts@example.com"));
    QCOMPARE(GetSetting(kAppNameShared, "frmemail", "use"), QStringLiteral("1"));
    QCOMPARE(g_AlertEmail, QStringLiteral("alerts@example.com"));
    QCOMPARE(armed(), all);
    ConfirmMailbox("a@b.cn", true);
    QCOMPARE(armed(), none);
}

void TestWatchRules::mailText()
{
    QCOMPARE(AlertMailText("浦发银行", "12.01", "1.00%"), QStringLiteral("浦发银行；股价12.01；涨跌幅1.00%"));
}

void TestWatchRules::plainAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("plain");
    QTest::newRow("plain") << "alerts@example.com" << true;
    QTest::newRow("short") << "a@b.cn" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("no at") << "alerts.example.com" << false;
    QTest::newRow("two ats") << "a@b@example.com" << false;
    QTest::newRow("nothing before the at") << "@example.com" << false;
    QTest::newRow("nothing after the at") << "alerts@" << false;
    QTest::newRow("blank") << "alerts @example.com" << false;
    QTest::newRow("trailing blank") << "alerts@example.com " << false;
    QTest::newRow("CR LF header") << "alerts@example.com\r\nBcc: x@y.com" << false;
    QTest::newRow("LF") << "alerts@example.com\nx" << false;
    QTest::newRow("tab") << "alerts@exam\tple.com" << false;
    QTest::newRow("comma") << "a@b.com,c@d.com" << false;
    QTest::newRow("semicolon") << "a@b.com;c@d.com" << false;
    QTest::newRow("brackets") << "A <a@b.com>" << false;
    QTest::newRow("angle") << "a@b.com>" << false;
    QTest::newRow("not ASCII") << "警报@example.com" << false;
}

void TestWatchRules::plainAddresses()
{
    QFETCH(QString, address);
    QFETCH(bool, plain);
    QCOMPARE(IsPlainAddress(address), plain);
}

void TestWatchRules::messageCannotBeSteered()
{
    // A change text that carries a line break and a header, with a name long enough for several encoded
    // words and one far longer than a header line may be, a character outside the basic plane on a
    // word's edge.
    const QString change = QStringLiteral("1.00%\r\nBcc: evil@example.com\r\n\r\nbody");
    const QString name = QStringLiteral("上海浦东发展银行股份有限公司𠀋");
    for (const QString &text :
         {AlertMailText(name, "12.01", change), AlertMailText(name.repeated(80), "12.01", change)}) {
        const QByteArray message = AlertMailMessage("alerts@example.com", text);
        const Mail m = readMail(message);
        QCOMPARE(m.headerNames,
                 (QStringList{"To", "Subject", "MIME-Version", "Content-Type", "Content-Transfer-Encoding"}));
        QCOMPARE(m.headers["To"], QStringLiteral("alerts@example.com"));
        QCOMPARE(m.headers["Content-Type"], QStringLiteral("text/plain; charset=UTF-8"));
        QCOMPARE(m.subject, text);
        QCOMPARE(m.body, text);
        QVERIFY(!message.contains('\r'));
        // Every line is short enough for any transport, the subject folded into encoded words of at most
        // 75 characters, none cut in a character.
        for (const QByteArray &line : message.split('\n'))
            QVERIFY2(line.size() <= 78, line.constData());
        static const QRegularExpression word(QStringLiteral("=\\?UTF-8\\?B\\?([^?]*)\\?="));
        for (const QRegularExpressionMatch &w : word.globalMatch(m.headers["Subject"])) {
            QVERIFY(w.capturedLength() <= 75);
            const QByteArray bytes = QByteArray::fromBase64(w.captured(1).toLatin1());
            QCOMPARE(QString::fromUtf8(bytes).toUtf8(), bytes);
        }
    }
}

void TestWatchRules::transport()
{
    TestEnv env;
    // The transport gets "-t" and the message on its standard input, nothing of the data on its
    // command line.
    const QByteArray message = AlertMailMessage("alerts@example.com", "浦发银行；股价12.01；涨跌幅1.00%");
    QVERIFY(SendAlertMail("alerts@example.com", "浦发银行；股价12.01；涨跌幅1.00%"));
    QCOMPARE(env.mails(), QList<QByteArray>{message});
    QCOMPARE(env.mailArguments(0), QStringList{"-t"});

    // An address that is not one plain address sends nothing.
    QVERIFY(!SendAlertMail("a@b.com, c@d.com", "x"));
    QCOMPARE(env.mails().size(), 1);

    // Failures are handed over all the same and leave nothing behind: a non-zero exit, no such program.
    env.setMailFails(true);
    QVERIFY(SendAlertMail("alerts@example.com", "x"));
    QCOMPARE(env.mails().size(), 2);
    StartMailTransport(env.path("no-such-sendmail"), message);
    QTRY_COMPARE(RunningMailTransports(), 0);

    // A transport that does not finish is ended once its time is up, without anyone waiting for it.
    const QString pidFile = env.path("slow.pid");
    const QString slow =
        env.script("slow-sendmail", "echo $$ > '" + pidFile.toUtf8() + "'\ncat > /dev/null\nexec sleep 60\n");
    const auto pid = [&] { return FileBytes(pidFile); };
    QElapsedTimer clock;
    clock.start();
    StartMailTransport(slow, message, 500);
    QVERIFY(clock.elapsed() < 200);
    QTRY_VERIFY(pid().endsWith('\n'));
    QCOMPARE(RunningMailTransports(), 1);
    QTRY_COMPARE(RunningMailTransports(), 0);
    QTRY_VERIFY(!ProcessAlive(pid()));
    QVERIFY(clock.elapsed() >= 450); // asked to end a tenth before its time

    // At the program's end one that holds its whole message is let go at once and runs on to its limit.
    QFile::remove(pidFile);
    StartMailTransport(slow, message, 3000);
    QTRY_VERIFY(pid().endsWith('\n'));
    clock.restart();
    FinishMailTransports(kMailExitMomentMs);
    QVERIFY(clock.elapsed() < kMailExitMomentMs);
    QCOMPARE(RunningMailTransports(), 0);
    QVERIFY(ProcessAlive(pid()));
    QTRY_VERIFY_WITH_TIMEOUT(!ProcessAlive(pid()), 5000);

    // One that has not taken its message (larger than a pipe holds, and never read) gets the moment,
    // then is ended rather than left to send it cut short.
    QFile::remove(pidFile);
    const QString deaf = env.script("deaf-sendmail", "echo $$ > '" + pidFile.toUtf8() + "'\nexec sleep 60\n");
    StartMailTransport(deaf, QByteArray(4 << 20, 'x'));
    QTRY_VERIFY(pid().endsWith('\n'));
    QCOMPARE(RunningMailTransports(), 1);
    clock.restart();
    FinishMailTransports(300);
    QVERIFY(clock.elapsed() >= 300);
    QCOMPARE(RunningMailTransports(), 0);
    QTRY_VERIFY(!ProcessAlive(pid()));

    // The setting names the transport; without it the system's.
    SaveSetting(kAppNameShared, "frmemail", "sendmail", "");
    QCOMPARE(SendmailProgram(), QStringLiteral("/usr/sbin/sendmail"));
}

QTEST_MAIN(TestWatchRules)
#include "tst_watchrules.moc"
