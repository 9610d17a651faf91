// Alert mail at the program's end, with a real program that mails three alerts and exits at once
// (alert_sender): a transport that holds its message is not ended by the exit, and none outlives its
// time limit.

#include "quotes/AlertMail.h"
#include "tests/common/TestSupport.h"
#include "tests/quotes/WatchFixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <algorithm>

using namespace tv;
using namespace tv::test;

namespace {

// The sender, started over a transport.
class Sender
{
public:
    explicit Sender(const QString &transport)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(ALERT_SENDER), {transport});
    }
    ~Sender()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    // Its output once it has ended by itself with status 0; "failed" otherwise.
    QByteArray finish()
    {
        if (m_process.state() != QProcess::NotRunning)
            m_process.waitForFinished(60000);
        if (m_process.state() != QProcess::NotRunning || m_process.exitStatus() != QProcess::NormalExit ||
            m_process.exitCode() != 0)
            return "failed";
        return m_process.readAllStandardOutput();
    }

private:
    QProcess m_process;
};

QList<QByteArray> sorted(QList<QByteArray> list)
{
    std::sort(list.begin(), list.end());
    return list;
}

const QStringList kAlerts = {"证券1；股价12.5；涨跌幅2.00%", "证券2；股价12.6；涨跌幅2.00%",
                             "证券3；股价8；涨跌幅-3.00%"};

} // namespace

class TestAlertExit : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lateReaderStillMails();
    void endlessTransportEndsAtItsLimit();
};

// Each transport reads its message only once the program has gone; every alert arrives whole.
void TestAlertExit::lateReaderStillMails()
{
    TestEnv env;
    const QString gate = env.path("gate");
    const QString late = env.script("late-sendmail", "while [ ! -e '" + gate.toUtf8() +
                                                         "' ]; do sleep 0.05; done\n"
                                                         "exec '" +
                                                         env.mailTransport().toUtf8() + "' \"$@\"\n");
    QCOMPARE(Sender(late).finish(), QByteArray("alerts 3\n"));
    QVERIFY(env.mailsNow().isEmpty());
    QFile(gate).open(QIODevice::WriteOnly);
    QList<QByteArray> expected;
    for (const QString &text : kAlerts)
        expected << AlertMailMessage(kAddress, text);
    QTRY_COMPARE_WITH_TIMEOUT(sorted(env.mailsNow()), sorted(expected), 20000);
}

// Transports that take their message, ignore SIGTERM and never end: the exit leaves them running, and
// each is gone 30 s after its start.
void TestAlertExit::endlessTransportEndsAtItsLimit()
{
    TestEnv env;
    const QString pids = env.path("pids");
    const QString endless = env.script("endless-sendmail", "trap '' TERM\n"
                                                           "echo $$ >> '" +
                                                               pids.toUtf8() +
                                                               "'\n"
                                                               "cat > /dev/null\n"
                                                               "exec sleep 1000\n");
    Sender sender(endless);
    QTRY_COMPARE_WITH_TIMEOUT(FileBytes(pids).count('\n'), 3, 20000);
    QElapsedTimer sinceStart; // a little after the transports' start
    sinceStart.start();
    QCOMPARE(sender.finish(), QByteArray("alerts 3\n"));
    const QList<QByteArray> running = FileBytes(pids).trimmed().split('\n');
    for (const QByteArray &pid : running)
        QVERIFY(ProcessAlive(pid));

    QTest::qWait(int(std::max<qint64>(27000 - sinceStart.elapsed(), 0)));
    for (const QByteArray &pid : running)
        QVERIFY2(ProcessAlive(pid), pid.constData());
    QTRY_VERIFY_WITH_TIMEOUT(std::none_of(running.begin(), running.end(), ProcessAlive), 10000);
    QVERIFY2(sinceStart.elapsed() < 32000, qPrintable(QString::number(sinceStart.elapsed())));
}

QTEST_MAIN(TestAlertExit)
#include "tst_alertexit.moc"
