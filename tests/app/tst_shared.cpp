#include "app/BoxHelpers.h"
#include "app/Globals.h"
#include "app/NumericKey.h"
#include "app/Shared.h"
#include "data/Database.h"
#include "data/Settings.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QLockFile>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <sqlite3.h>
#include <unistd.h>

using namespace tv;
using tv::test::TestEnv;

class TestShared : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void numericKeyRule_data();
    void numericKeyRule();
    void numericKeyFilterOnABox();
    void numericEdit_data();
    void numericEdit();
    void numericBoxRefusesTextHoweverItComes();
    void resolveFirstStart();
    void resolveStoredPathGone();
    void resolveStoredPathKept();
    void resolveBusyPathNotTaken();
    void databaseTroubleNamesTheFile_data();
    void databaseTroubleNamesTheFile();
    void specialCharRefused();
    void settingsUnderTwoApplications();
    void idleGuard();
    void deferredClosesWaitForTheCommand_data();
    void deferredClosesWaitForTheCommand();
    void instanceLock();
};

void TestShared::numericKeyRule_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("beep");
    QTest::newRow("minus into empty box") << int('-') << "" << 0 << 0 << int('-') << false;
    QTest::newRow("minus again at start") << int('-') << "-5" << 0 << 0 << 0 << true;
    QTest::newRow("minus after a digit") << int('-') << "5" << 1 << 0 << 0 << true;
    QTest::newRow("minus over whole selection") << int('-') << "-5" << 0 << 2 << 0 << true;
    QTest::newRow("minus at start before digits") << int('-') << "5" << 0 << 0 << int('-') << false;
    QTest::newRow("backspace") << 8 << "12" << 2 << 0 << 8 << false;
    QTest::newRow("blank without selection") << int(' ') << "12" << 2 << 0 << 0 << false;
    QTest::newRow("blank over selection") << int(' ') << "12" << 0 << 2 << int(' ') << false;
    QTest::newRow("first point") << int('.') << "12" << 2 << 0 << int('.') << false;
    QTest::newRow("second point") << int('.') << "1.2" << 3 << 0 << 0 << false;
    QTest::newRow("point over the selected point") << int('.') << "1.2" << 1 << 1 << 0 << false;
    QTest::newRow("digit 0") << int('0') << "" << 0 << 0 << int('0') << false;
    QTest::newRow("digit 9") << int('9') << "" << 0 << 0 << int('9') << false;
    QTest::newRow("letter") << int('a') << "" << 0 << 0 << 0 << false;
    QTest::newRow("enter") << 13 << "1" << 1 << 0 << 0 << false;
    QTest::newRow("tab") << 9 << "1" << 1 << 0 << 0 << false;
    QTest::newRow("comma") << int(',') << "1" << 1 << 0 << 0 << false;
}

void TestShared::numericKeyRule()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(int, expected);
    QFETCH(bool, beep);
    bool beeped = !beep;
    QCOMPARE(NumericKeyRule(key, text, selStart, selLength, &beeped), expected);
    QCOMPARE(beeped, beep);
}

void TestShared::numericKeyFilterOnABox()
{
    TestEnv env;
    QLineEdit box;
    box.setText(QStringLiteral("12"));
    box.setCursorPosition(2);
    int key = '-';
    NumericKeyFilter(key, &box);
    QCOMPARE(key, 0);
    QCOMPARE(env.beeps, 1);

    box.selectAll(); // selection starts at 0: a minus may replace it
    key = '-';
    NumericKeyFilter(key, &box);
    QCOMPARE(key, int('-'));
    key = ' ';
    NumericKeyFilter(key, &box);
    QCOMPARE(key, int(' '));
    QCOMPARE(env.beeps, 1);
}

void TestShared::numericEdit_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("digits pasted at the end") << "12" << "1234" << true;
    QTest::newRow("a number pasted into an empty box") << "" << "-12.5" << true;
    QTest::newRow("input method text") << "1" << "1十元" << false;
    QTest::newRow("letters replacing all") << "12" << "ab" << false;
    QTest::newRow("a second point") << "1.5" << "1.5.2" << false;
    QTest::newRow("a minus inside") << "12" << "1-2" << false;
    QTest::newRow("a minus before a minus") << "-5" << "--5" << false;
    QTest::newRow("a blank over a selection") << "12" << " 2" << true;
    QTest::newRow("a blank with nothing replaced") << "12" << "1 2" << false;
    QTest::newRow("a control character") << "1" << "1\t" << false;
    QTest::newRow("text taken away") << "1a2" << "12" << true;
    QTest::newRow("unchanged") << "abc" << "abc" << true;
}

void TestShared::numericEdit()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(bool, allowed);
    QCOMPARE(NumericEditAllowed(before, after), allowed);
}

void TestShared::numericBoxRefusesTextHoweverItComes()
{
    TestEnv env;
    QLineEdit box;
    SetUpNumericBox(&box);
    box.show();
    QApplication::clipboard()->setText(QStringLiteral("abc"));
    QTest::keyClicks(&box, QStringLiteral("12x"));
    QCOMPARE(box.text(), QStringLiteral("12"));
    // Ctrl with a letter is a control key: paste and cut do not get past the filter from the keyboard.
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(box.text(), QStringLiteral("12"));
    box.selectAll();
    QTest::keyClick(&box, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(box.text(), QStringLiteral("12"));
    QTest::keyClick(&box, Qt::Key_End);
    QTest::keyClick(&box, Qt::Key_Minus);
    QCOMPARE(env.beeps, 1);

    // A paste from the box's own menu, and an input method's commit, are judged as typing would be.
    box.paste();
    QCOMPARE(box.text(), QStringLiteral("12"));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("十元"));
    QCoreApplication::sendEvent(&box, &commit);
    QCOMPARE(box.text(), QStringLiteral("12"));
    QApplication::clipboard()->setText(QStringLiteral(".5"));
    box.paste();
    QCOMPARE(box.text(), QStringLiteral("12.5"));
    QInputMethodEvent digits;
    digits.setCommitString(QStringLiteral("0"));
    QCoreApplication::sendEvent(&box, &digits);
    QCOMPARE(box.text(), QStringLiteral("12.50"));

    // What the program writes stands, and the operator may still edit it.
    box.setText(QStringLiteral("-1.2%"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.text(), QStringLiteral("-1.2"));
    QTest::keyClick(&box, Qt::Key_3);
    QCOMPARE(box.text(), QStringLiteral("-1.23"));
}

void TestShared::resolveFirstStart()
{
    TestEnv env;
    // With no stored path a first start warns and stores the local path.
    ResolveDatabasePath(QString());
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE(env.boxes[0].style, 48);
    QCOMPARE(env.boxes[0].title, QStringLiteral("网络路径错误"));
    QCOMPARE(env.boxes[0].text,
             QStringLiteral("\r\n网 络 路 径 错 误 , 现 在 启 用 本 地 数 据 库 。        \r\n\r\n"
                            "如 果 需 要 , 请 重 新 定 义 网 络 数 据 库 的 路 径  ！    "));
    QCOMPARE(g_DbPath, LocalDatabasePath());
    QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path")), LocalDatabasePath());
}

void TestShared::resolveStoredPathGone()
{
    TestEnv env;
    SaveSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path"), env.path(QStringLiteral("gone.zqd")));
    QString path;
    ResolveDatabasePath(path);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE(g_DbPath, LocalDatabasePath());
    QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path")), LocalDatabasePath());
}

void TestShared::resolveStoredPathKept()
{
    TestEnv env;
    const QString shared = env.makeDatabase(QStringLiteral("shared.zqd"));
    SaveSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path"), shared);
    g_DbPath.clear();
    ResolveDatabasePath(QString());
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(g_DbPath, shared);

    // A new path handed over is tested and stored the same way.
    const QString other = env.makeDatabase(QStringLiteral("other.zqd"));
    QString given = other;
    ResolveDatabasePath(given);
    QCOMPARE(g_DbPath, other);
    QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path")), other);
}

// A chosen file that another workstation holds past the busy time-out cannot be checked: it is not
// taken, and the path in force stays, so that the choice can be made again.
void TestShared::resolveBusyPathNotTaken()
{
    TestEnv env;
    const QString old = env.makeDatabase();
    const QString held = env.makeDatabase(QStringLiteral("held.zqd"));
    g_DbPath = old;
    SaveSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path"), old);
    sqlite3 *other = nullptr;
    QCOMPARE(sqlite3_open(held.toUtf8().constData(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const bool taken = ResolveDatabasePath(held);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    QVERIFY(!taken);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], DbBusyText(), 48, QStringLiteral("提示："));
    QCOMPARE(g_DbPath, old);
    QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path")), old);
}

void TestShared::databaseTroubleNamesTheFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("shown"); // by the one message of every window; else the window's own
    QTest::newRow("another program's file in WAL mode") << "wal" << true;
    QTest::newRow("a text file") << "text" << true;
    QTest::newRow("a database of another password") << "password" << true;
    QTest::newRow("a damaged database") << "damaged" << true;
    QTest::newRow("no file") << "missing" << false;
}

void TestShared::databaseTroubleNamesTheFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, shown);
    TestEnv env;
    env.makeDatabase();
    const QString path = env.path(QStringLiteral("trouble.zqd"));
    if (kind != u"missing")
        test::MakeRefusedFile(kind, path);
    const QMap<QString, QByteArray> before = test::FileWithSides(path);
    try {
        Database db(path, g_DbConnect);
        QFAIL("the file was opened");
    } catch (const DbError &e) {
        QCOMPARE(ShowDatabaseTrouble(e), shown);
    }
    QCOMPARE(test::FileWithSides(path), before);
    if (!shown) {
        QVERIFY(env.boxes.isEmpty());
        return;
    }
    const QString text = test::RefusedFileText(kind, path);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], text, 16, QStringLiteral("错误"));
    QVERIFY(text.contains(path));
}

void TestShared::specialCharRefused()
{
    TestEnv env;
    QVERIFY(!RefuseSpecialChar(QStringList{QStringLiteral("平安银行"), QStringLiteral("000001")}));
    QVERIFY(env.boxes.isEmpty());
    QVERIFY(RefuseSpecialChar(QStringList{QStringLiteral("ok"), QStringLiteral("O'Neil")}));
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("该项目之中有特殊字符<'>,请删除。"), 48, QStringLiteral("提示："));

    // A text that cannot be stored is refused by the same check with the wrong-value message; the first
    // refused text of a list is named, and only its message shown.
    for (const test::TypedText &t : test::TypedTexts()) {
        env.clearBoxes();
        const QStringList texts = {QStringLiteral("𠀀"), t.text, QStringLiteral("O'Neil")};
        QCOMPARE(RefuseSpecialCharAt(texts), t.storable ? 2 : 1);
        QCOMPARE(env.boxes.size(), 1);
        if (t.storable)
            QCOMPARE(env.boxes[0].text, kSpecialCharText);
        else
            QCOMPARE_BOX(env.boxes[0], QStringLiteral("数据类型不对，请修改！"), 16,
                         QStringLiteral("不能进行运算"));
        // Where a quote is taken as typed, only the text that cannot be stored is refused.
        env.clearBoxes();
        QCOMPARE(RefuseUnstorableAt(texts), t.storable ? -1 : 1);
        QCOMPARE(env.boxes.size(), t.storable ? 0 : 1);
    }
    env.clearBoxes();
    QVERIFY(RefuseSpecialChar(QStringLiteral("O'Neil"), QStringLiteral("姓名之中有特殊字符")));
    QCOMPARE(env.boxes.value(0).text, QStringLiteral("姓名之中有特殊字符"));
}

void TestShared::settingsUnderTwoApplications()
{
    TestEnv env;
    SaveSetting(ExeAppName(), QStringLiteral("Options"), QStringLiteral("Show Tips at Startup"), QStringLiteral("0"));
    SaveSetting(kAppNameShared, QStringLiteral("frmup"), QStringLiteral("Code"), QStringLiteral("sina"));
    QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("Options"), QStringLiteral("Show Tips at Startup")),
             QStringLiteral("0"));
    QCOMPARE(GetSetting(kAppNameShared, QStringLiteral("frmup"), QStringLiteral("Code")), QStringLiteral("sina"));
    // The two names are two stores: nothing leaks from one into the other.
    QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("frmup"), QStringLiteral("Code")), QString());
    QCOMPARE(GetSetting(kAppNameShared, QStringLiteral("Login"), QStringLiteral("Left"), QStringLiteral("x")),
             QStringLiteral("x"));
    QVERIFY(QFile::exists(SettingsFile(kAppNameShared)));
    QVERIFY(SettingsFile(kAppNameShared).startsWith(env.dir()));
    QSettings raw(SettingsFile(ExeAppName()), QSettings::IniFormat);
    QCOMPARE(raw.value(QStringLiteral("Options/Show Tips at Startup")).toString(), QStringLiteral("0"));
}

void TestShared::idleGuard()
{
    TestEnv env;
    QVERIFY(g_Idle);
    {
        IdleGuard outer;
        QVERIFY(!g_Idle);
        {
            IdleGuard inner; // a fetch started while one runs does not own the busy state
            QVERIFY(!inner.owns());
        }
        QVERIFY(!g_Idle);
    }
    QVERIFY(g_Idle);
    try {
        IdleGuard g;
        throw 1;
    } catch (int) {
    }
    QVERIFY(g_Idle);
}

void TestShared::deferredClosesWaitForTheCommand_data()
{
    QTest::addColumn<bool>("fromLoop");   // run from an event loop, as the program runs every command
    QTest::addColumn<bool>("carriesOut"); // the command carries the closes out at its own end
    QTest::newRow("from the loop, carried out at its end") << true << true;
    QTest::newRow("from the loop, left to its return") << true << false;
    // Outside any loop (only a test calls a command so) Qt hands a deferred delete to the first loop that
    // runs, the box's: there only the command's own end carries the closes out.
    QTest::newRow("called directly, carried out at its end") << false << true;
}

// A close asked for during a fetch waits for the whole command that held the fetch. A box the command
// shows afterwards runs a loop of its own, where timers fire and other commands end; none of that runs
// the close. The command's own end does, or else its return.
void TestShared::deferredClosesWaitForTheCommand()
{
    QFETCH(bool, fromLoop);
    QFETCH(bool, carriesOut);
    TestEnv env;
    QObject window;
    QEventLoop loop;
    int closes = 0, inBox = -1, atEnd = -1;
    const auto command = [&] {
        {
            IdleGuard fetch;
            CloseWhenIdle(&window, [&] {
                ++closes;
                loop.quit();
            });
        }
        QTimer::singleShot(0, [] { CarryOutDeferredCloses(); }); // another command ending meanwhile
        test::RunNestedLoop();
        inBox = closes;
        if (carriesOut)
            CarryOutDeferredCloses();
        atEnd = closes;
    };
    if (fromLoop) {
        QTimer::singleShot(0, &loop, command);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit); // only if the close never comes
        loop.exec();
    } else {
        command();
    }
    QCOMPARE(inBox, 0);
    QCOMPARE(atEnd, carriesOut ? 1 : 0);
    QTRY_COMPARE(closes, 1);
    QVERIFY(!IsCloseDeferred(&window));
}

void TestShared::instanceLock()
{
    const QString name = QStringLiteral("tallyvane-test-%1").arg(QCoreApplication::applicationPid());
    QVERIFY(AcquireInstanceLock(name));
    QLockFile second(QDir::temp().filePath(QStringLiteral("%1-%2.lock").arg(name).arg(quint64(::getuid()))));
    QVERIFY(!second.tryLock(0));
    ReleaseInstanceLock();
    QVERIFY(second.tryLock(0));
    second.unlock();
}

QTEST_MAIN(TestShared)
#include "tst_shared.moc"
