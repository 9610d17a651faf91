#include "app/Globals.h"
#include "data/Database.h"
#include "journal/TradeEntry.h"
#include "tests/common/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <memory>

using namespace tv;
using tv::test::TestEnv;

namespace {

// One workstation: a process of its own running the manager window's entry panel on the shared file.
class Workstation
{
public:
    Workstation(const QString &db, const QString &user, const QString &security)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(ENTRY_SAVER), {db, user, security});
        m_started = m_process.waitForStarted() && reply().value("ready").toBool();
    }
    ~Workstation()
    {
        if (m_process.state() != QProcess::NotRunning) {
            send(QStringLiteral("quit"));
            if (!m_process.waitForFinished(10000))
                m_process.kill();
        }
    }
    bool started() const { return m_started; }

    void send(const QString &command) { m_process.write(command.toUtf8() + '\n'); }
    bool hasReply() const { return m_process.canReadLine(); }
    void wait(int ms) { m_process.waitForReadyRead(ms); }

    // The next answer; an empty object when the process ends or goes silent for minutes.
    QJsonObject reply()
    {
        for (int waited = 0; !m_process.canReadLine() && waited < 240; ++waited)
            if (!m_process.waitForReadyRead(1000) && m_process.state() == QProcess::NotRunning)
                return {};
        return QJsonDocument::fromJson(m_process.readLine()).object();
    }
    QJsonObject ask(const QString &command)
    {
        send(command);
        return reply();
    }

private:
    QProcess m_process;
    bool m_started = false;
};

// Two securities of the starter category, and nothing in the journal yet.
void makeSharedFile(TestEnv &env)
{
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    test::AddSecurity(db, QStringLiteral("招商银行"), QStringLiteral("600036"), 10.5);
    test::AddSecurity(db, QStringLiteral("平安银行"), QStringLiteral("000001"), 12.0);
}

struct Chain
{
    int rows = 0;
    int brokenLinks = 0;
    double lastCash = 0;
};

// Every row's 资金余额 against the previous row's plus its own 收支金额, in the journal's order.
Chain cashChain()
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet rs =
        db.openQuery(QStringLiteral("SELECT 资金余额, 收支金额 FROM rep ORDER BY 交收日期 ASC, repid ASC"));
    Chain c;
    c.rows = rs.recordCount();
    double previous = 0;
    for (int r = 0; r < rs.recordCount(); ++r) {
        if (qAbs(previous + rs.number(r, 1) - rs.number(r, 0)) > 0.005)
            ++c.brokenLinks;
        previous = rs.number(r, 0);
    }
    c.lastCash = previous;
    return c;
}

} // namespace

class TestSharedSave : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void secondSaveFindsTheFirst();
    void parallelSavesKeepTheChain();
};

// A opens the panel, B opens it, A saves a transfer of 5000, B one of 3000: B's save finds the cash
// moved, inserts nothing, says so, and saves 8000 the second time.
void TestSharedSave::secondSaveFindsTheFirst()
{
    TestEnv env;
    makeSharedFile(env);
    Workstation a(g_DbPath, QStringLiteral("admin"), QStringLiteral("平安银行"));
    Workstation b(g_DbPath, QStringLiteral("admin"), QStringLiteral("平安银行"));
    QVERIFY(a.started() && b.started());

    QCOMPARE(a.ask(QStringLiteral("open")).value("openingCash").toDouble(), 0.0);
    QCOMPARE(b.ask(QStringLiteral("open")).value("openingCash").toDouble(), 0.0);
    const QJsonObject typedA = a.ask(QStringLiteral("type 银行转券商 4 5000"));
    QCOMPARE(typedA.value("boxes").toArray().at(4).toString(), QStringLiteral("5000"));
    const QJsonObject savedA = a.ask(QStringLiteral("save"));
    QVERIFY(savedA.value("saved").toBool());
    QVERIFY(savedA.value("messages").toArray().isEmpty());

    const QJsonObject typedB = b.ask(QStringLiteral("type 银行转券商 4 3000"));
    QCOMPARE(typedB.value("boxes").toArray().at(4).toString(), QStringLiteral("3000"));
    const QJsonObject refused = b.ask(QStringLiteral("save"));
    QVERIFY(!refused.value("saved").toBool());
    const QJsonArray said = refused.value("panel").toObject().value("messages").toArray();
    QCOMPARE(said.size(), 1);
    const EntryNotice moved = BalancesMovedNotice();
    QCOMPARE(said[0].toObject().value("text").toString(), moved.text);
    QCOMPARE(said[0].toObject().value("style").toInt(), 48);
    QCOMPARE(said[0].toObject().value("title").toString(), QStringLiteral("提示："));
    QCOMPARE(test::DbCount(QStringLiteral("SELECT COUNT(*) FROM rep")), 1);
    // The panel stays open on what was typed, computing from the cash A left.
    const QJsonObject panel = refused.value("panel").toObject();
    QVERIFY(panel.value("open").toBool());
    QCOMPARE(panel.value("openingCash").toDouble(), 5000.0);
    const QJsonArray boxes = panel.value("boxes").toArray();
    QCOMPARE(boxes.at(3).toString(), QStringLiteral("3000")); // the amount as typed
    QCOMPARE(boxes.at(4).toString(), QStringLiteral("8000")); // the cash

    const QJsonObject savedB = b.ask(QStringLiteral("save"));
    QVERIFY(savedB.value("saved").toBool());
    QVERIFY(savedB.value("panel").toObject().value("messages").toArray().isEmpty());
    Database db(g_DbPath, g_DbConnect);
    const RowSet rows = db.openQuery(QStringLiteral("SELECT 资金余额, 收支金额 FROM rep ORDER BY repid"));
    QCOMPARE(rows.recordCount(), 2);
    QCOMPARE(rows.text(0, 0), QStringLiteral("5000"));
    QCOMPARE(rows.text(1, 0), QStringLiteral("8000"));
    QCOMPARE(rows.text(1, 1), QStringLiteral("3000"));
}

// Two workstations save 300 entries each at the same time: transfers into the account on one security
// and purchases on another. No link of the cash chain breaks, every entry is saved once, and each save
// that found the balances moved said so.
void TestSharedSave::parallelSavesKeepTheChain()
{
    TestEnv env;
    makeSharedFile(env);
    Workstation a(g_DbPath, QStringLiteral("admin"), QStringLiteral("平安银行"));
    Workstation b(g_DbPath, QStringLiteral("admin"), QStringLiteral("招商银行"));
    QVERIFY(a.started() && b.started());
    QVERIFY(a.ask(QStringLiteral("run 1 银行转券商 4 400000")).value("saved").toInt() == 1);

    const int perStation = 300;
    a.send(QStringLiteral("run %1 银行转券商 4 100.5").arg(perStation));
    b.send(QStringLiteral("run %1 证券买入 2 100").arg(perStation));
    while (!(a.hasReply() && b.hasReply())) {
        a.wait(50);
        b.wait(50);
    }
    const QJsonObject ra = a.reply(), rb = b.reply();
    QCOMPARE(ra.value("saved").toInt(), perStation);
    QCOMPARE(rb.value("saved").toInt(), perStation);
    QVERIFY2(ra.value("odd").toArray().isEmpty(), QJsonDocument(ra).toJson().constData());
    QVERIFY2(rb.value("odd").toArray().isEmpty(), QJsonDocument(rb).toJson().constData());
    const int moved = ra.value("moved").toInt() + rb.value("moved").toInt();
    const QStringList said =
        ra.value("movedTexts").toVariant().toStringList() + rb.value("movedTexts").toVariant().toStringList();
    for (const QString &t : said)
        QCOMPARE(t, BalancesMovedNotice().text);
    QCOMPARE(said.isEmpty(), moved == 0);

    const Chain chain = cashChain();
    qInfo("rows saved: %d, saves that found the balances moved: %d, broken links in the chain: %d",
          chain.rows, moved, chain.brokenLinks);
    QCOMPARE(chain.rows, 2 * perStation + 1);
    QCOMPARE(chain.brokenLinks, 0);
    // 400000 in, 300 transfers of 100.5 in, 300 purchases of 100 at 10.5 with 5 commission and 0.01
    // transfer fee out.
    QVERIFY(qAbs(chain.lastCash - (400000 + perStation * 100.5 - perStation * 1055.01)) < 0.005);
    Database db(g_DbPath, g_DbConnect);
    QCOMPARE(BalanceAsOf(db, QDate(2026, 12, 10), QStringLiteral("600036")).holding, perStation * 100.0);
}

QTEST_MAIN(TestSharedSave)
#include "tst_sharedsave.moc"
