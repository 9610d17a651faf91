#include "admin/DataPath.h"
#include "admin/NetData.h"
#include "admin/frmLogin.h"
#include "app/Forms.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "data/Settings.h"
#include "tests/common/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tv;
using tv::test::TestEnv;

namespace {
QString storedPath()
{
    return GetSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path"));
}
QString caption()
{
    return frmMain::instance()->menuItem(QStringLiteral("MnuDataPathDisplay"))->text();
}
} // namespace

class TestNetData : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void typedPathBecomesFilePath_data();
    void typedPathBecomesFilePath();
    void confirmTakesTheFile_data();
    void confirmTakesTheFile();
    void fallbackShowsTheLocalPath();
    void loadAndEmptyPath();
    void folderChooser();
    void browseButtonLook();
    void cancelKeepsThePath();
    void onlyOurDatabaseIsTaken_data();
    void onlyOurDatabaseIsTaken();
};

void TestNetData::typedPathBecomesFilePath_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("file");
    QTest::newRow("folder") << "/srv/share"
                            << "/srv/share/File.zqd";
    QTest::newRow("folder with closing slash") << "/srv/share/"
                                               << "/srv/share/File.zqd";
    QTest::newRow("file name in other case") << "/srv/share/FILE.zqd"
                                             << "/srv/share/FILE.zqd";
    QTest::newRow("file name followed by more") << "/srv/share/File.zqd.old"
                                                << "/srv/share/File.zqd.old";
    QTest::newRow("file name inside a folder name") << "/srv/file.ZQD/x"
                                                    << "/srv/file.ZQD/x";
    QTest::newRow("blanks around") << "  /srv/share  "
                                   << "/srv/share/File.zqd";
    QTest::newRow("root") << "/"
                          << "/File.zqd";
}

void TestNetData::typedPathBecomesFilePath()
{
    QFETCH(QString, typed);
    QFETCH(QString, file);
    QCOMPARE(DatabaseFileOfPath(typed), file);
}

void TestNetData::confirmTakesTheFile_data()
{
    QTest::addColumn<QString>("typed"); // under the test folder
    QTest::addColumn<QString>("file");
    QTest::newRow("folder") << "share"
                            << "share/File.zqd";
    QTest::newRow("folder with closing slash") << "share/"
                                               << "share/File.zqd";
    QTest::newRow("file name in other case") << "share/file.ZQD"
                                             << "share/file.ZQD";
    QTest::newRow("file name followed by more") << "share/File.zqd.old"
                                                << "share/File.zqd.old";
}

void TestNetData::confirmTakesTheFile()
{
    QFETCH(QString, typed);
    QFETCH(QString, file);
    TestEnv env;
    env.makeDatabase();
    QVERIFY(QDir(env.dir()).mkpath(QStringLiteral("share")));
    const QString expected = env.path(file);
    QVERIFY(QFile::copy(g_DbPath, expected));

    NetData *w = NetData::instance();
    QCOMPARE(w->NetDataPath->text(), g_DbPath);
    QTimer::singleShot(0, w, [w, &env, typed] {
        w->NetDataPath->setText(env.path(typed));
        QTest::mouseClick(w->OK, Qt::LeftButton);
    });
    w->exec();
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(g_DbPath, expected);
    QCOMPARE(storedPath(), expected);
    QCOMPARE(caption(), QStringLiteral("当前数据库路径：") + expected);
    QVERIFY(!NetData::isLoaded());
    QVERIFY(!GetSetting(ExeAppName(), "NetData", "Top").isEmpty());
}

void TestNetData::fallbackShowsTheLocalPath()
{
    TestEnv env;
    env.makeDatabase();
    NetData *w = NetData::instance();
    w->NetDataPath->setText(env.path(QStringLiteral("nowhere")));
    w->OK_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], NetworkPathMessage(), 48, QStringLiteral("网络路径错误"));
    QCOMPARE(g_DbPath, LocalDatabasePath());
    QCOMPARE(storedPath(), LocalDatabasePath());
    QCOMPARE(caption(), QStringLiteral("当前数据库路径：") + LocalDatabasePath());
    QVERIFY(!NetData::isLoaded());
}

void TestNetData::loadAndEmptyPath()
{
    TestEnv env;
    NetData *w = NetData::instance();
    QCOMPARE(w->windowTitle(), QStringLiteral("请输入或选择网络数据库"));
    QCOMPARE(w->NetDataPath->maxLength(), 250);
    QVERIFY(w->NetDataPath->text().isEmpty());
    QVERIFY(!w->OK->isEnabled()); // g_DbPath is empty
    w->NetDataPath->setText(QStringLiteral("/x"));
    QVERIFY(w->OK->isEnabled());
    w->NetDataPath->setText(QStringLiteral("   "));
    QVERIFY(!w->OK->isEnabled());
    w->OK_Click();
    QVERIFY(env.boxes.isEmpty());
    QVERIFY(g_DbPath.isEmpty());
    QVERIFY(NetData::isLoaded());

    // Entering the box selects the path over its trimmed length; Enter moves on.
    w->NetDataPath->setText(QStringLiteral("/srv/a  "));
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
    w->OK->setFocus();
    w->NetDataPath->setFocus();
    QTRY_COMPARE(w->NetDataPath->selectedText(), QStringLiteral("/srv/a"));
    QTest::keyClick(w->NetDataPath, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w->OK);
    QVERIFY(NetData::isLoaded());
}

void TestNetData::folderChooser()
{
    TestEnv env;
    env.makeDatabase();
    NetData *w = NetData::instance();
    QString askedCaption;
    QWidget *askedParent = nullptr;
    QString answer = QStringLiteral("/mnt/office");
    seams::chooseFolder = [&](QWidget *parent, const QString &caption, const QString &) {
        askedParent = parent;
        askedCaption = caption;
        return answer;
    };
    w->cmdBrowse_Click();
    QCOMPARE(askedParent, w);
    QCOMPARE(askedCaption, QStringLiteral("请选择数据库的路径 => Ledgermoor，网络数据设置"));
    QCOMPARE(w->NetDataPath->text(), QStringLiteral("/mnt/office"));
    answer.clear(); // cancelled
    w->cmdBrowse_Click();
    QCOMPARE(w->NetDataPath->text(), QStringLiteral("/mnt/office"));

    // A chosen folder gets the file name like a typed one.
    QVERIFY(QDir(env.dir()).mkpath(QStringLiteral("office")));
    QVERIFY(QFile::copy(g_DbPath, env.path(QStringLiteral("office/File.zqd"))));
    answer = env.path(QStringLiteral("office"));
    w->cmdBrowse_Click();
    w->OK_Click();
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(g_DbPath, env.path(QStringLiteral("office/File.zqd")));
}

void TestNetData::browseButtonLook()
{
    TestEnv env;
    int chosen = 0;
    seams::chooseFolder = [&](QWidget *, const QString &, const QString &) {
        ++chosen;
        return QString();
    };
    NetData *w = NetData::instance();
    QCOMPARE(w->cmdBrowse->toolTip(), QStringLiteral("请选择网络路径"));
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QVERIFY(!w->lTop->isVisible());
    QTest::mouseMove(w->cmdBrowse, QPoint(5, 5));
    QTRY_VERIFY(w->hovering());
    QVERIFY(w->lTop->isVisible() && w->lBottom->isVisible() && w->lLeft->isVisible() &&
            w->lRight->isVisible());
    QTest::mouseMove(w->NetDataPath, QPoint(5, 5));
    QTRY_VERIFY(!w->hovering());
    QVERIFY(!w->lTop->isVisible());
    QTest::mouseMove(w->cmdBrowse, QPoint(6, 6));
    QTRY_VERIFY(w->hovering());
    QTest::mouseMove(w, QPoint(1, 1));
    QTRY_VERIFY(!w->hovering());
    QTest::mouseMove(w->cmdBrowse, QPoint(5, 5));
    QTRY_VERIFY(w->hovering());
    QTest::mousePress(w->cmdBrowse, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(w->lTop->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));
    QCOMPARE(w->lBottom->palette().color(QPalette::WindowText), QColor(Qt::white));
    QCOMPARE(chosen, 0);
    QTest::mouseRelease(w->cmdBrowse, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(w->lTop->palette().color(QPalette::WindowText), QColor(Qt::white));
    QCOMPARE(w->lBottom->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));
    QCOMPARE(chosen, 1);
}

void TestNetData::cancelKeepsThePath()
{
    TestEnv env;
    const QString path = env.makeDatabase();
    NetData *w = NetData::instance();
    w->NetDataPath->setText(QStringLiteral("/elsewhere"));
    QTest::mouseClick(w->NetCancel, Qt::LeftButton);
    QCOMPARE(LastStatusText(), kIdleText);
    QVERIFY(!NetData::isLoaded());
    QCOMPARE(g_DbPath, path);
    QCOMPARE(storedPath(), path);
    QVERIFY(env.boxes.isEmpty());
    QVERIFY(!GetSetting(ExeAppName(), "NetData", "Left").isEmpty());
}

void TestNetData::onlyOurDatabaseIsTaken_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("typed"); // typed and confirmed by mouse, or chosen and confirmed by keyboard
    QTest::newRow("good database, typed") << "good" << true;
    QTest::newRow("good database, chosen") << "good" << false;
    QTest::newRow("another program's file in WAL mode") << "wal" << true;
    QTest::newRow("another program's file with a hot journal") << "hot" << false;
    QTest::newRow("a text file") << "text" << false;
    QTest::newRow("a database of another password") << "password" << true;
    QTest::newRow("a damaged database") << "damaged" << false;
}

// The data path takes a database file only when it opens as every action opens it. A refused file is
// named, changes nothing of its own or of the path in force, and the next start still logs in.
void TestNetData::onlyOurDatabaseIsTaken()
{
    QFETCH(QString, kind);
    QFETCH(bool, typed);
    TestEnv env;
    const QString old = env.makeDatabase();
    QVERIFY(QDir(env.dir()).mkpath(QStringLiteral("share")));
    const QString chosen = env.path(QStringLiteral("share/File.zqd"));
    if (kind == u"good")
        QVERIFY(QFile::copy(old, chosen));
    else
        test::MakeRefusedFile(kind, chosen);
    const QMap<QString, QByteArray> before = test::FileWithSides(chosen);
    const QString oldCaption = caption();

    NetData *w = NetData::instance();
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
    if (typed) {
        w->NetDataPath->setFocus();
        QTest::keyClick(w->NetDataPath, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w->NetDataPath, env.path(QStringLiteral("share")));
        QTest::mouseClick(w->OK, Qt::LeftButton);
    } else {
        seams::chooseFolder = [&](QWidget *, const QString &, const QString &) {
            return env.path(QStringLiteral("share"));
        };
        QTest::mouseMove(w->cmdBrowse, QPoint(5, 5));
        QTest::mousePress(w->cmdBrowse, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(w->cmdBrowse, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(w->NetDataPath->text(), env.path(QStringLiteral("share")));
        w->NetDataPath->setFocus();
        QTest::keyClick(w->NetDataPath, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w->OK);
        QTest::keyClick(w->OK, Qt::Key_Return);
    }
    QCOMPARE(test::FileWithSides(chosen), before);

    if (kind == u"good") {
        QVERIFY(env.boxes.isEmpty());
        QVERIFY(!NetData::isLoaded());
        QCOMPARE(g_DbPath, chosen);
        QCOMPARE(storedPath(), chosen);
        QCOMPARE(caption(), QStringLiteral("当前数据库路径：") + chosen);
    } else {
        const QString trouble = test::RefusedFileText(kind, chosen, false);
        QCOMPARE(env.boxes.size(), 1);
        QCOMPARE_BOX(env.boxes[0], trouble + QStringLiteral("\r\n\r\n数据库的路径没有改变，仍是：\r\n") + old,
                     48, QStringLiteral("提示："));
        QVERIFY(NetData::isLoaded() && w->isVisible());
        QCOMPARE(w->NetDataPath->text(), env.path(QStringLiteral("share")));
        QCOMPARE(g_DbPath, old);
        QCOMPARE(storedPath(), old);
        QCOMPARE(caption(), oldCaption);
    }

    // The next start lists the operators of the path in force and lets one in.
    forms::destroyAll();
    env.clearBoxes();
    g_DbPath.clear();
    frmLogin *login = frmLogin::instance();
    QCOMPARE(login->UserTxt->count(), 1);
    login->txtPassword->setText(QStringLiteral("123456"));
    login->cmdOK_Click();
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(g_CurUser, QStringLiteral("admin"));
    QCOMPARE(g_DbPath, kind == u"good" ? chosen : old);
    if (kind != u"good") // a good one has had its index row written by the main window since
        QCOMPARE(test::FileWithSides(chosen), before);
}

QTEST_MAIN(TestNetData)
#include "tst_netdata.moc"
