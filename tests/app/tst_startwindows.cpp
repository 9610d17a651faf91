#include "admin/frmLogin.h"
#include "admin/qixin.h"
#include "app/Forms.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/Startup.h"
#include "app/Tips.h"
#include "app/frmAbout.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "app/frmTip.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/Settings.h"
#include "journal/frmManager.h"
#include "reports/Frmbook.h"
#include "reports/frmSearchForm.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tv;
using tv::test::TestEnv;

class TestStartWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void splashReadsConfigAndClosesOnItsTimer();
    void splashClosesAtKeyOrClick_data();
    void splashClosesAtKeyOrClick();
    void splashErrorStillShowsMain_data();
    void splashErrorStillShowsMain();
    void programGoesOnWhileNextWindowLoads_data();
    void programGoesOnWhileNextWindowLoads();
    void tipsWrapAround();
    void tipsEmptyAndMissing();
    void tipReadme();
    void aboutLinks();
    void aboutCloseButtonLook();
    void programIcon();
};

void TestStartWindows::splashReadsConfigAndClosesOnItsTimer()
{
    TestEnv env;
    env.makeDatabase();
    frmSplash *s = frmSplash::instance();
    QCOMPARE(g_CompanyInfo[0], QStringLiteral("Fernwick软件开发工作室"));
    QCOMPARE(g_CompanyName, g_CompanyInfo[0]);
    QCOMPARE(s->lblLicenseTo->text(), QStringLiteral("使用权属于：Fernwick软件开发工作室"));
    QCOMPARE(s->lblVersion->text(), QStringLiteral("版本 1.0.0"));
    QVERIFY(frmMain::isLoaded());
    QVERIFY(!frmMain::existing()->isVisible());
    QCOMPARE(frmMain::existing()->panelText(7), QStringLiteral("使用者：Fernwick软件开发工作室"));
    s->show();
    QCOMPARE(s->Timer2->interval(), 2000);
    QVERIFY(s->Timer2->isActive());
    QTest::mouseMove(s, QPoint(10, 10));
    QTRY_COMPARE(frmMain::existing()->panelText(2), QStringLiteral("按任意键继续..."));
    QTest::qWait(1500);
    QVERIFY(frmSplash::isLoaded());
    QTRY_VERIFY_WITH_TIMEOUT(!frmSplash::isLoaded(), 2000);
    QVERIFY(frmMain::existing()->isVisible());
    QVERIFY(env.boxes.isEmpty());
}

void TestStartWindows::splashClosesAtKeyOrClick_data()
{
    QTest::addColumn<bool>("key");
    QTest::newRow("key") << true;
    QTest::newRow("click") << false;
}

void TestStartWindows::splashClosesAtKeyOrClick()
{
    QFETCH(bool, key);
    TestEnv env;
    env.makeDatabase();
    frmSplash *s = frmSplash::instance();
    s->show();
    if (key)
        QTest::keyClick(s, Qt::Key_A);
    else
        QTest::mouseClick(s->lblVersion, Qt::LeftButton); // the labels let the click through
    QVERIFY(!frmSplash::isLoaded());
    QVERIFY(frmMain::existing()->isVisible());
}

void TestStartWindows::splashErrorStillShowsMain_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("empty Config") << "empty";
    QTest::newRow("wrong database password") << "password"; // named as every window names it
    QTest::newRow("missing file") << "missing";
}

void TestStartWindows::splashErrorStillShowsMain()
{
    QFETCH(QString, fault);
    TestEnv env;
    env.makeDatabase();
    if (fault == QLatin1String("empty")) {
        Database db(g_DbPath, g_DbConnect);
        db.execute(QStringLiteral("DELETE FROM Config"));
    } else if (fault == QLatin1String("password")) {
        g_DbConnect = ConnectString(QStringLiteral("wrong"));
    } else {
        g_DbPath = env.path(QStringLiteral("missing.zqd"));
    }
    frmSplash *s = frmSplash::instance();
    if (fault == QLatin1String("password")) {
        QVERIFY(!env.boxes.isEmpty());
        QCOMPARE_BOX(env.boxes[0], DbWrongPasswordText(g_DbPath), 16, QStringLiteral("错误"));
    } else {
        QCOMPARE(env.boxes.size(), 1);
        QCOMPARE_BOX(env.boxes[0], QStringLiteral("配置数据造破坏,不能配置完整的系统!"), 16,
                     QStringLiteral("警告!"));
    }
    QVERIFY(frmMain::isLoaded());
    QCOMPARE(s->lblLicenseTo->text(), QStringLiteral("使用权属于："));
    s->show();
    QTest::mouseClick(s, Qt::LeftButton);
    QVERIFY(frmMain::existing()->isVisible());
}

void TestStartWindows::programGoesOnWhileNextWindowLoads_data()
{
    QTest::addColumn<bool>("viaPasswordChange");
    QTest::newRow("splash with an empty Config") << false;
    QTest::newRow("new login with an unreachable data path") << true;
}

// A real message box runs its own event loop while the next window is still being made, after the one
// before it has gone: the program must not end in between.
void TestStartWindows::programGoesOnWhileNextWindowLoads()
{
    QFETCH(bool, viaPasswordChange);
    TestEnv env;
    env.makeDatabase();
    const auto recordBox = seams::msgBox;
    seams::msgBox = [recordBox](const QString &text, int style, const QString &title) {
        QTest::qWait(20);
        return recordBox(text, style, title);
    };
    const int ends = forms::programEndCount();
    frmLogin *login = frmLogin::instance();
    login->txtPassword->setText(QStringLiteral("123456"));
    if (viaPasswordChange) {
        login->Command1_Click();
        SaveSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path"), env.path(QStringLiteral("gone.zqd")));
        env.makeLocalDatabase(); // what the new login falls back to
        qixin::existing()->cmdCancel_Click();
        QVERIFY(frmLogin::isLoaded());
        QCOMPARE(frmLogin::existing()->UserTxt->count(), 1);
    } else {
        Database(g_DbPath, g_DbConnect).execute(QStringLiteral("DELETE FROM Config"));
        login->cmdOK_Click();
        QVERIFY(frmSplash::isLoaded());
        QTest::mouseClick(frmSplash::existing(), Qt::LeftButton);
        QVERIFY(frmMain::existing()->isVisible());
    }
    QCOMPARE(env.boxes.size(), 1);
    QTest::qWait(20);
    QCOMPARE(forms::programEndCount(), ends);
}

void TestStartWindows::tipsWrapAround()
{
    TestEnv env;
    const QString file = env.path(QStringLiteral("File.Vkr"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("第一条\n\n第三条\n");
    f.close();
    frmTip *t = frmTip::instance();
    QCOMPARE(t->lblTipText->text(), MissingTipsText()); // no File.Vkr beside the test
    QCOMPARE(GetSetting(ExeAppName(), "Options", "Show Tips at Startup"), QStringLiteral("1"));
    QVERIFY(t->LoadTips(file));
    QCOMPARE(t->tips().size(), 3);
    QStringList shown;
    for (int i = 0; i < 4; ++i) {
        shown << t->lblTipText->text();
        QTest::mouseClick(t->cmdNextTip, Qt::LeftButton);
    }
    QCOMPARE(shown, (QStringList{"第一条", "", "第三条", "第一条"}));
}

void TestStartWindows::tipsEmptyAndMissing()
{
    TestEnv env;
    QStringList tips;
    QVERIFY(!ReadTipsFile(env.path(QStringLiteral("none.Vkr")), tips));
    QVERIFY(!ReadTipsFile(QString(), tips));
    const QString empty = env.path(QStringLiteral("empty.Vkr"));
    QFile f(empty);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    frmTip *t = frmTip::instance();
    t->lblTipText->clear();
    QVERIFY(t->LoadTips(empty));
    QCOMPARE(t->currentTip(), 1);
    QVERIFY(t->lblTipText->text().isEmpty());
    t->DoNextTip();
    QCOMPARE(t->currentTip(), 1);
    QCOMPARE(NextTipNumber(3, 3), 1);
}

void TestStartWindows::tipReadme()
{
    TestEnv env;
    // The read-me beside the test program, made for the test where the build put none there.
    const QString readme = ProgramFolder() + QStringLiteral("/Readme.txt");
    const bool made = !QFile::exists(readme);
    if (made) {
        QFile f(readme);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    frmTip *t = frmTip::instance();
    t->show();
    QTest::mouseClick(t->Label2, Qt::LeftButton);
    QCOMPARE(env.openedUrls.size(), 1);
    QCOMPARE(env.openedUrls[0].toLocalFile(), readme);
    QVERIFY(env.boxes.isEmpty());
    // No program for text files: the message names none of another platform.
    env.openSucceeds = false;
    QTest::mouseClick(t->Label2, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("系统没有可以打开文本文件的程序!"), 16, QStringLiteral("错误"));
    // No read-me at all: the file is named, and nothing is handed to the opener.
    const QString away = readme + QStringLiteral(".away");
    QVERIFY(QFile::rename(readme, away));
    QTest::mouseClick(t->Label2, Qt::LeftButton);
    QVERIFY(QFile::rename(away, readme));
    if (made)
        QFile::remove(readme);
    QCOMPARE(env.openedUrls.size(), 2);
    QCOMPARE_BOX(env.boxes.value(1), QStringLiteral("下面文件没有找到：    \r\n\r\n") + readme + QStringLiteral("    "), 16,
                 QStringLiteral("错误"));
    t->close();
    QVERIFY(!frmTip::isLoaded());
    QVERIFY(!GetSetting(ExeAppName(), "Tip", "Left").isEmpty());
}

void TestStartWindows::aboutLinks()
{
    TestEnv env;
    frmAbout *a = frmAbout::instance();
    QCOMPARE(a->windowTitle(), QStringLiteral("关于系统"));
    QCOMPARE(a->Label1->text(), QStringLiteral("Tallyvane"));
    QCOMPARE(a->Label4->text(), QStringLiteral("版本 1.0.0")); // as the splash says
    a->show();
    QVERIFY(QTest::qWaitForWindowExposed(a));
    QTest::mouseMove(a->email, QPoint(2, 2));
    QTRY_COMPARE(LinkColour(a->email), QStringLiteral("#0000ff"));
    QVERIFY(LinkUnderlined(a->email));
    QCOMPARE(LinkColour(a->page), QStringLiteral("#000000"));
    QTest::mouseMove(a->page, QPoint(2, 2));
    QTRY_COMPARE(LinkColour(a->page), QStringLiteral("#0000ff"));
    QCOMPARE(LinkColour(a->email), QStringLiteral("#000000"));
    QVERIFY(!LinkUnderlined(a->email));

    QTest::mouseClick(a->email, Qt::LeftButton);
    QCOMPARE(env.openedUrls.value(0), QUrl(QStringLiteral("mailto:") + a->email->text()));
    QTest::mouseClick(a->page, Qt::LeftButton);
    QCOMPARE(env.openedUrls.value(1), QUrl(a->page->text()));
    QVERIFY(env.boxes.isEmpty());
    env.openSucceeds = false;
    a->email_Click(); // a failing mail link says nothing
    QVERIFY(env.boxes.isEmpty());
    a->page_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("浏览器没有正确安装或其它错误。"), 16, QStringLiteral("登录错误"));
}

void TestStartWindows::aboutCloseButtonLook()
{
    TestEnv env;
    frmAbout *a = frmAbout::instance();
    a->show();
    QVERIFY(QTest::qWaitForWindowExposed(a));
    QVERIFY(!a->lTop_1->isVisible());
    QTest::mouseMove(a->picScan, QPoint(5, 5));
    QTRY_VERIFY(a->hovering());
    QVERIFY(a->lTop_1->isVisible() && a->lBottom_1->isVisible());
    QTest::mouseMove(a, QPoint(1, 1));
    QTRY_VERIFY(!a->hovering());
    QVERIFY(!a->lTop_1->isVisible());
    QTest::mouseMove(a->picScan, QPoint(6, 6));
    QTRY_VERIFY(a->hovering());
    QTest::mousePress(a->picScan, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(a->lTop_1->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));
    QCOMPARE(a->lBottom_1->palette().color(QPalette::WindowText), QColor(Qt::white));
    QTest::mouseRelease(a->picScan, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!frmAbout::isLoaded());
    QVERIFY(!GetSetting(ExeAppName(), "About", "Top").isEmpty());
}

// Every window shows the program's own icon, the journal, the query window and the notebook included.
void TestStartWindows::programIcon()
{
    TestEnv env;
    env.makeDatabase();
    UseProgramIcon();
    const QIcon icon = QApplication::windowIcon();
    QCOMPARE(icon.availableSizes(), QList<QSize>{QSize(128, 128)});
    frmManager *journal = test::OpenManager();
    journal->MnuSearchFile_Click();
    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("frmbook"));
    QCoreApplication::processEvents();
    QList<QWidget *> windows{frmMain::instance()};
    for (QWidget *w : QList<QWidget *>{journal, frmSearchForm::existing(), Frmbook::existing()}) {
        QVERIFY(w && qobject_cast<QMdiSubWindow *>(w->parentWidget()));
        windows << w->parentWidget();
    }
    for (QWidget *w : windows)
        QVERIFY2(w->windowIcon().cacheKey() == icon.cacheKey(), qPrintable(w->objectName()));
}

QTEST_MAIN(TestStartWindows)
#include "tst_startwindows.moc"
