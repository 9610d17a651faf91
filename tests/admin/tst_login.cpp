#include "admin/frmLogin.h"
#include "admin/qixin.h"
#include "app/Forms.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/Startup.h"
#include "app/frmSplash.h"
#include "data/Database.h"
#include "data/Password.h"
#include "data/Schema.h"
#include "data/Settings.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace tv;
using tv::test::TestEnv;

namespace {
void addOperator(const QString &name, const QString &password, const QString &right)
{
    Database db(g_DbPath, g_DbConnect);
    db.execute(QStringLiteral("INSERT INTO User (UID, PWD, 权限) VALUES (?, ?, ?)"),
               {name, EncodePassword(password), right});
}

frmLogin *openLogin(const QString &password)
{
    frmLogin *w = frmLogin::instance();
    w->txtPassword->setText(password);
    return w;
}

QStringList boxTexts(const TestEnv &env)
{
    QStringList out;
    for (const auto &b : env.boxes)
        out << b.text;
    return out;
}
} // namespace

class TestLogin : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void mainPreparesStateAndShowsLogin();
    void twoWrongThenRight();
    void thirdWrongEndsProgramOverBothButtons();
    void trailingBlanksAndEdgeCharacters();
    void passwordChange();
    void passwordChangeMismatch();
    void noOperatorToCheck_data();
    void noOperatorToCheck();
    void everyOperatorListed();
    void firstStartTakesTheLocalFile();
    void storedFileRefused_data();
    void storedFileRefused();
};

void TestLogin::mainPreparesStateAndShowsLogin()
{
    TestEnv env;
    env.makeDatabase();
    QVERIFY(Main());
    QCOMPARE(g_QuoteSource, QStringLiteral("star"));
    QCOMPARE(g_DbConnect, QStringLiteral(";UID=;PWD=plovermint"));
    QVERIFY(g_Idle);
    QVERIFY(frmLogin::isLoaded());
    QVERIFY(frmLogin::existing()->isVisible());
    QCOMPARE(frmLogin::existing()->windowTitle(), QStringLiteral("登陆窗口"));
    frmLogin *w = frmLogin::existing();
    QApplication::setActiveWindow(w);
    w->UserTxt->setFocus();
    QTest::keyClick(w->UserTxt, Qt::Key_Backtab); // leaving the list, even backwards, goes to the password
    QTRY_VERIFY(w->txtPassword->hasFocus());
    forms::destroyAll();
    SaveSetting(kAppNameShared, QStringLiteral("frmup"), QStringLiteral("Code"), QStringLiteral("sina"));
    QVERIFY(Main());
    QCOMPARE(g_QuoteSource, QStringLiteral("sina"));
}

void TestLogin::twoWrongThenRight()
{
    TestEnv env;
    env.makeDatabase();
    frmLogin *w = openLogin(QStringLiteral("wrong"));
    QCOMPARE(w->UserTxt->currentText(), QStringLiteral("admin"));
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    QCOMPARE(w->failureCount(), 3);
    QCOMPARE(w->txtPassword->selectedText(), QStringLiteral("wrong"));
    QCOMPARE(w->txtPassword->displayText(), QStringLiteral("*****"));
    w->txtPassword->setText(QStringLiteral("123456"));
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    QCOMPARE(boxTexts(env), QStringList(2, QStringLiteral("无效的密码，再试一次！")));
    QCOMPARE(env.boxes[0].style, 32);
    QCOMPARE(env.boxes[0].title, QStringLiteral("登录"));
    QVERIFY(!frmLogin::isLoaded());
    QVERIFY(frmSplash::isLoaded());
    QCOMPARE(g_CurUser, QStringLiteral("admin"));
    QCOMPARE(g_UserRight, QStringLiteral("超级权限"));
    QTest::qWait(10);
    QCOMPARE(forms::programEndCount(), 0); // the splash took over before the program could end
}

void TestLogin::thirdWrongEndsProgramOverBothButtons()
{
    TestEnv env;
    env.makeDatabase();
    const int ends = forms::programEndCount();
    frmLogin *w = openLogin(QStringLiteral("bad"));
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QVERIFY(frmLogin::isLoaded());
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    QCOMPARE(boxTexts(env), (QStringList{"无效的密码，再试一次！", "无效的密码，再试一次！", "无效的密码，再试一次！",
                                         "对不起，您不能使用该系统！"}));
    QCOMPARE(env.boxes[3].style, 64);
    QCOMPARE(env.boxes[3].title, QStringLiteral("登录失败"));
    QVERIFY(!frmLogin::isLoaded());
    QVERIFY(!qixin::isLoaded());
    QVERIFY(!frmSplash::isLoaded());
    QTRY_COMPARE(forms::programEndCount(), ends + 1);
}

void TestLogin::trailingBlanksAndEdgeCharacters()
{
    TestEnv env;
    env.makeDatabase();
    frmLogin *w = openLogin(QStringLiteral("  123456   "));
    w->cmdOK_Click();
    QVERIFY(env.boxes.isEmpty());
    forms::destroyAll();

    // "#" encodes to a blank and "*" to a single quote: both are stored and matched as they are.
    addOperator(QStringLiteral("edge"), QStringLiteral("#a*b#"), QStringLiteral("可以修改"));
    w = openLogin(QStringLiteral("#a*b#"));
    w->UserTxt->setCurrentIndex(1);
    w->cmdOK_Click();
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(g_CurUser, QStringLiteral("edge"));
    QCOMPARE(g_UserRight, QStringLiteral("可以修改"));
}

void TestLogin::passwordChange()
{
    TestEnv env;
    env.makeDatabase();
    addOperator(QStringLiteral("second"), QStringLiteral("abc"), QStringLiteral("只能添加"));
    frmLogin *w = openLogin(QStringLiteral("wrong"));
    w->cmdOK_Click(); // one failure before the change
    w->UserTxt->setCurrentIndex(1);
    w->txtPassword->setText(QStringLiteral("abc"));
    w->Command1_Click();
    QVERIFY(!frmLogin::isLoaded());
    QVERIFY(qixin::isLoaded());
    qixin *q = qixin::existing();
    q->Text1->setText(QStringLiteral("xyz9 "));
    q->Text2->setText(QStringLiteral("xyz9"));
    QCOMPARE(q->Text2->displayText(), QStringLiteral("****"));
    QTest::mouseClick(q->cmdOK, Qt::LeftButton);
    QVERIFY(!qixin::isLoaded());
    QVERIFY(frmLogin::isLoaded());
    w = frmLogin::existing();
    QCOMPARE(w->failureCount(), 1);
    {
        Database db(g_DbPath, g_DbConnect);
        const RowSet users = db.openTable(QStringLiteral("User"));
        QCOMPARE(users.recordCount(), 2);
        QCOMPARE(users.text(1, 0), QStringLiteral("second")); // same place in the list
        QCOMPARE(users.text(1, 1), EncodePassword(QStringLiteral("xyz9")));
        QCOMPARE(users.text(1, 2), QStringLiteral("只能添加"));
        QCOMPARE(users.text(0, 1), EncodePassword(QStringLiteral("123456")));
    }
    w->UserTxt->setCurrentIndex(1);
    w->txtPassword->setText(QStringLiteral("abc"));
    w->cmdOK_Click();
    QCOMPARE(env.boxes.size(), 2); // the old password no longer matches
    w->txtPassword->setText(QStringLiteral("xyz9"));
    w->cmdOK_Click();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE(g_UserRight, QStringLiteral("只能添加"));
    QVERIFY(frmSplash::isLoaded());
}

void TestLogin::passwordChangeMismatch()
{
    TestEnv env;
    const QString path = env.makeDatabase();
    g_CurUser = QStringLiteral("admin");
    qixin *q = qixin::instance();
    q->Text1->setText(QStringLiteral("one"));
    q->Text2->setText(QStringLiteral("two"));
    const QByteArray before = test::FileBytes(path);
    q->cmdOK_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("两次口令不符，请重新再来    "), 64, QStringLiteral("口令不符"));
    QVERIFY(q->Text1->text().isEmpty() && q->Text2->text().isEmpty());
    QVERIFY(qixin::isLoaded());
    QCOMPARE(test::FileBytes(path), before);

    // A database that cannot be written: a message, nothing changed, the window stays for another try.
    g_DbPath = env.path(QStringLiteral("gone.zqd"));
    q->Text1->setText(QStringLiteral("new"));
    q->Text2->setText(QStringLiteral("new"));
    q->cmdOK_Click();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE(env.boxes[1].style, 16);
    QVERIFY(qixin::isLoaded());
    QVERIFY(!frmLogin::isLoaded());
    q->cmdCancel_Click();
    QVERIFY(frmLogin::isLoaded());
}

void TestLogin::noOperatorToCheck_data()
{
    QTest::addColumn<bool>("emptyTable");
    QTest::newRow("empty User table") << true;
    QTest::newRow("typed name matching no operator") << false;
}

void TestLogin::noOperatorToCheck()
{
    QFETCH(bool, emptyTable);
    TestEnv env;
    env.makeDatabase();
    if (emptyTable) {
        Database db(g_DbPath, g_DbConnect);
        db.execute(QStringLiteral("DELETE FROM User"));
    }
    frmLogin *w = openLogin(emptyTable ? QString() : QStringLiteral("123456"));
    if (emptyTable) {
        QCOMPARE(w->UserTxt->count(), 0);
        QCOMPARE(w->UserTxt->currentIndex(), -1);
    } else {
        w->UserTxt->setEditText(QStringLiteral("Admin"));
    }
    w->cmdOK_Click();
    QCOMPARE(boxTexts(env), QStringList{QStringLiteral("无效的密码，再试一次！")});
    QCOMPARE(w->failureCount(), 2);
    QVERIFY(g_CurUser.isEmpty());
    QVERIFY(frmLogin::isLoaded());
}

void TestLogin::everyOperatorListed()
{
    TestEnv env;
    env.makeDatabase();
    for (int i = 2; i <= 25; ++i)
        addOperator(QStringLiteral("op%1").arg(i), QStringLiteral("p%1").arg(i), QStringLiteral("可以修改"));
    frmLogin *w = openLogin(QStringLiteral("p25"));
    QCOMPARE(w->UserTxt->count(), 25);
    QCOMPARE(w->UserTxt->itemText(24), QStringLiteral("op25"));
    w->UserTxt->setCurrentIndex(24);
    w->cmdOK_Click();
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(g_CurUser, QStringLiteral("op25"));
}

void TestLogin::firstStartTakesTheLocalFile()
{
    TestEnv env;
    env.makeDatabase(); // the connect string
    SaveSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path"), QString());
    const QString local = env.makeLocalDatabase();
    frmLogin *w = frmLogin::instance();
    QCOMPARE(boxTexts(env), QStringList{NetworkPathMessage()});
    QCOMPARE(w->UserTxt->count(), 1);
    QCOMPARE(g_DbPath, local);

    // Without a local file either, the login says which file it did not find.
    forms::destroyAll();
    env.clearBoxes();
    QVERIFY(QFile::remove(local));
    SaveSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path"), QString());
    w = frmLogin::instance();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE_BOX(env.boxes[1], QStringLiteral("不能读取操作员名单：找不到数据库文件：") + local, 16,
                 QStringLiteral("错误"));
    QCOMPARE(w->UserTxt->count(), 0);
}

void TestLogin::storedFileRefused_data()
{
    QTest::addColumn<QString>("kind");  // of the stored file
    QTest::addColumn<QString>("local"); // the local file: "good", "refused", "none", or "stored" itself
    QTest::addColumn<int>("answer");
    QTest::newRow("another program's file, the local one taken") << "wal"
                                                                 << "good" << int(vbYes);
    QTest::newRow("a text file, the local one declined") << "text"
                                                         << "good" << int(vbNo);
    QTest::newRow("another password, the local one not ours either") << "password"
                                                                     << "refused" << 0;
    QTest::newRow("a damaged database, no local one") << "damaged"
                                                      << "none" << 0;
    QTest::newRow("the local file itself not ours") << "hot"
                                                    << "stored" << 0;
}

// A stored data path that every open refuses is named at the login, left as it is, and the local
// database is offered in its place when that one is good; a refused local file is never offered.
void TestLogin::storedFileRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, local);
    QFETCH(int, answer);
    TestEnv env;
    env.makeDatabase(); // the connect string
    const QString localPath = env.makeLocalDatabase();
    QString stored = env.path(QStringLiteral("share/File.zqd"));
    QVERIFY(QDir().mkpath(env.path(QStringLiteral("share"))));
    if (local == u"refused")
        test::MakeRefusedFile(QStringLiteral("text"), localPath);
    else if (local == u"none")
        QVERIFY(QFile::remove(localPath));
    if (local == u"stored") {
        stored = localPath;
        QVERIFY(QFile::remove(localPath));
    }
    test::MakeRefusedFile(kind, stored);
    SaveSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path"), stored);
    g_DbPath.clear();
    const QMap<QString, QByteArray> before = test::FileWithSides(stored);
    if (answer)
        env.answers << answer;

    frmLogin *w = frmLogin::instance();
    const QString trouble = test::RefusedFileText(kind, stored, false);
    QCOMPARE(env.boxes.size(), 1);
    if (local == u"good")
        QCOMPARE_BOX(env.boxes[0], UseLocalDatabaseQuestion(trouble), 36, QStringLiteral("数据库错误"));
    else
        QCOMPARE_BOX(env.boxes[0], trouble, 16, QStringLiteral("错误"));
    QCOMPARE(test::FileWithSides(stored), before);

    env.clearBoxes();
    w->show();
    w->txtPassword->setText(QStringLiteral("123456"));
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    if (answer == vbYes) {
        QVERIFY(env.boxes.isEmpty());
        QVERIFY(frmSplash::isLoaded());
        QCOMPARE(g_DbPath, localPath);
        QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path")), localPath);
    } else {
        // Nothing listed from a refused file, and the stored path stays for the next start.
        QCOMPARE(boxTexts(env), QStringList{QStringLiteral("无效的密码，再试一次！")});
        QCOMPARE(w->UserTxt->count(), 0);
        QCOMPARE(g_DbPath, stored);
        QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path")), stored);
    }
    QCOMPARE(test::FileWithSides(stored), before);
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
