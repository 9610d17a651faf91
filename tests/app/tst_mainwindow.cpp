#include "admin/ConfigForm.h"
#include "admin/NetData.h"
#include "admin/frmOperator.h"
#include "admin/qixda.h"
#include "admin/qixrsda.h"
#include "app/Forms.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "app/frmTip.h"
#include "data/Database.h"
#include "data/Settings.h"
#include "tests/common/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QTimer>
#include <QImage>
#include <QLabel>
#include <QStatusBar>
#include <QMdiArea>
#include <QTest>
#include <QToolBar>

using namespace tv;
using tv::test::TestEnv;

namespace {
QString setting(const QString &section, const QString &key) { return GetSetting(ExeAppName(), section, key); }

frmMain *showMain()
{
    frmMain *m = frmMain::instance();
    m->show();
    QCoreApplication::processEvents();
    return m;
}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void statusPanelsNeverOverlap();
    void rightsMatrix_data();
    void rightsMatrix();
    void firstStartWithEmptySettings();
    void tipSwitchedOffStaysAway();
    void exitAnsweredNo();
    void closeDuringFetchIsDeferred();
    void minimisedCloseKeepsGeometry();
    void movedWindowSavesGeometry();
    void indexRowInsertedOnce();
    void toolbarAndStatusBar();
    void proxySettings_data();
    void proxySettings();
    void desktopPicture();
    void statusLine();
    void systemMenuOpensItsWindows();
};

void TestMainWindow::rightsMatrix_data()
{
    QTest::addColumn<QString>("right");
    QTest::addColumn<QStringList>("disabled");
    const QStringList five = {"qixrs", "MnuCompany", "MnuEmploy", "seleup", "Proxy"};
    QTest::newRow("只能添加") << "只能添加" << five;
    QTest::newRow("不能修改") << "不能修改" << five;
    QTest::newRow("可以修改") << "可以修改" << QStringList{"qixrs", "MnuEmploy"};
    QTest::newRow("超级权限") << "超级权限" << QStringList{};
    QTest::newRow("unknown right") << "访客" << QStringList{};
}

void TestMainWindow::rightsMatrix()
{
    QFETCH(QString, right);
    QFETCH(QStringList, disabled);
    TestEnv env;
    env.makeDatabase();
    g_UserRight = right;
    frmMain *m = frmMain::instance();
    const QStringList all = {"qixrs", "MnuCompany", "MnuEmploy", "seleup", "Proxy", "MnuGuestType", "MnuNetData",
                             "qixdata", "MnuTip", "MnuVkr", "MnuSearchGuest", "MnuExi"};
    for (const QString &name : all) {
        QVERIFY2(m->menuItem(name), qPrintable(name));
        QCOMPARE(m->menuItem(name)->isEnabled(), !disabled.contains(name));
    }
}

void TestMainWindow::firstStartWithEmptySettings()
{
    TestEnv env;
    env.makeDatabase();
    frmMain *m = showMain();
    QCOMPARE(m->pos(), QPoint(66, 66));
    QCOMPARE(m->size(), QSize(433, 433));
    QTRY_VERIFY(frmTip::isLoaded());
    QVERIFY(frmTip::existing()->isVisible());
    QCOMPARE(setting("Options", "Show Tips at Startup"), QStringLiteral("1"));
    QVERIFY(m->batchStopFlag());

    env.answers = {vbYes};
    QVERIFY(m->close());
    QVERIFY(!frmMain::isLoaded());
    QVERIFY(!frmTip::isLoaded()); // the other windows go with it
    QVERIFY(!setting("Tip", "Left").isEmpty());
    QCOMPARE(setting("Settings", "MainLeft"), QStringLiteral("1000"));
    QCOMPARE(setting("Settings", "MainTop"), QStringLiteral("1000"));
    QCOMPARE(setting("Settings", "MainWidth"), QStringLiteral("6500"));
    QCOMPARE(setting("Settings", "MainHeight"), QStringLiteral("6500"));
    QTRY_VERIFY(forms::programEndCount() > 0);
}

void TestMainWindow::tipSwitchedOffStaysAway()
{
    TestEnv env;
    env.makeDatabase();
    SaveSetting(ExeAppName(), "Options", "Show Tips at Startup", "0");
    frmMain *m = showMain();
    QTest::qWait(20);
    QVERIFY(!frmTip::isLoaded());
    m->MnuTip_Click(); // from the menu it opens and switches the start-up tip on again
    QVERIFY(frmTip::isLoaded());
    QCOMPARE(setting("Options", "Show Tips at Startup"), QStringLiteral("1"));
    frmTip::existing()->chkLoadTipsAtStartup->setChecked(false);
    QCOMPARE(setting("Options", "Show Tips at Startup"), QStringLiteral("0"));
}

void TestMainWindow::exitAnsweredNo()
{
    TestEnv env;
    env.makeDatabase();
    frmMain *m = showMain();
    g_ExitPending = true;
    env.clearBoxes();
    env.answers = {vbNo};
    m->Toolbar1_ButtonClick(QStringLiteral("Exit"));
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("真的退出该系统吗(Y/N)？    "), 36, QStringLiteral("请确认..."));
    QVERIFY(frmMain::isLoaded());
    QVERIFY(!g_ExitPending);
    QCOMPARE(m->panelText(2), QStringLiteral("关闭系统"));
}

void TestMainWindow::closeDuringFetchIsDeferred()
{
    TestEnv env;
    env.makeDatabase();
    frmMain *m = showMain();
    env.clearBoxes();
    {
        // A stand-in for a fetch: busy while it waits in its event loop, during which the close arrives.
        IdleGuard fetch;
        m->setBatchStopFlag(false);
        QTimer::singleShot(0, m, [m] { m->close(); });
        QTest::qWait(30);
        QVERIFY(frmMain::isLoaded());
        QVERIFY(g_ExitPending);
        QVERIFY(m->batchStopFlag());
        QVERIFY(env.boxes.isEmpty());
        m->MnuExi_Click(); // the exit command is turned into the same request
        QVERIFY(frmMain::isLoaded());
    }
    env.answers = {vbYes};
    frmMain::UnloadIfExitPending();
    QVERIFY(!frmMain::isLoaded());
    QCOMPARE(env.boxes.size(), 1);
    QTRY_VERIFY(forms::programEndCount() > 0);
}

void TestMainWindow::minimisedCloseKeepsGeometry()
{
    TestEnv env;
    env.makeDatabase();
    SaveSetting(ExeAppName(), "Settings", "MainLeft", "1500");
    frmMain *m = showMain();
    QCOMPARE(m->x(), 100);
    m->move(300, 300);
    m->showMinimized();
    QVERIFY(m->isMinimized());
    env.answers = {vbYes};
    QVERIFY(m->close());
    QCOMPARE(setting("Settings", "MainLeft"), QStringLiteral("1500"));
    QVERIFY(setting("Settings", "MainWidth").isEmpty());
}

void TestMainWindow::movedWindowSavesGeometry()
{
    TestEnv env;
    env.makeDatabase();
    frmMain *m = showMain();
    m->move(100, 120);
    m->resize(500, 400);
    env.answers = {vbYes};
    QVERIFY(m->close());
    QCOMPARE(setting("Settings", "MainLeft"), QStringLiteral("1500"));
    QCOMPARE(setting("Settings", "MainTop"), QStringLiteral("1800"));
    QCOMPARE(setting("Settings", "MainWidth"), QStringLiteral("7500"));
    QCOMPARE(setting("Settings", "MainHeight"), QStringLiteral("6000"));
}

void TestMainWindow::indexRowInsertedOnce()
{
    TestEnv env;
    env.makeDatabase();
    frmMain::instance();
    forms::destroyAll();
    frmMain::instance();
    Database db(g_DbPath, g_DbConnect);
    const RowSet rows = db.openQuery(QStringLiteral("SELECT * FROM Detail WHERE 证券代码 = 'shzs000001'"));
    QCOMPARE(rows.recordCount(), 1);
    QCOMPARE(rows.text(0, QStringLiteral("股东账号")), QStringLiteral("上证指数"));
    QCOMPARE(rows.text(0, QStringLiteral("证券名称")), QStringLiteral("上证指数"));
    QCOMPARE(rows.number(0, QStringLiteral("目标价")), 10000.0);
    QCOMPARE(rows.number(0, QStringLiteral("止损位")), 5000.0);
    QCOMPARE(rows.number(0, QStringLiteral("买入点")), 3000.0);
    QCOMPARE(rows.text(0, QStringLiteral("更新日期")), QStringLiteral("0"));

    // A database that cannot be opened leaves the window to load without it.
    forms::destroyAll();
    g_DbPath = env.path(QStringLiteral("missing.zqd"));
    QVERIFY(frmMain::instance());
}

void TestMainWindow::toolbarAndStatusBar()
{
    TestEnv env;
    env.makeDatabase();
    g_CurUser = QStringLiteral("admin");
    g_CompanyInfo[0] = QStringLiteral("测试公司");
    frmMain *m = frmMain::instance();
    const QStringList keys = {"Manager", "", "Content", "", "Add", "Modify", "Delete", "", "Search", "down", "frmbook",
                              "", "Exit"};
    const QStringList captions = {"证券交易", "", "添加个股", "", "添加记录", "修改记录", "删除记录", "", "查询记录",
                                  "价格更新", "记事薄", "", "退出系统"};
    for (int i = 1; i <= 13; ++i) {
        QAction *b = m->toolbarButton(i);
        QVERIFY(b);
        QCOMPARE(b->isSeparator(), keys[i - 1].isEmpty());
        if (!b->isSeparator()) {
            QCOMPARE(b->objectName(), keys[i - 1]);
            QCOMPARE(b->text(), captions[i - 1]);
            QCOMPARE(m->toolbarButton(keys[i - 1]), b);
        }
    }
    QCOMPARE(m->toolbarButton(10)->toolTip(), QStringLiteral("更新当前价格，准确反应浮动盈亏"));
    QCOMPARE(m->panelText(1), QStringLiteral("提示："));
    QCOMPARE(m->panelText(2), QStringLiteral("准备就绪..."));
    QVERIFY(m->panelText(3).startsWith(QStringLiteral("日期:2026")));
    QCOMPARE(m->panelText(7), QStringLiteral("使用者：测试公司"));
    QCOMPARE(m->panelToolTip(7), QStringLiteral("欢迎使用本软件"));
    QCOMPARE(m->panelText(8), QStringLiteral("用户:admin"));
    QCOMPARE(m->menuItem("MnuDataPathDisplay")->text(), QStringLiteral("当前数据库路径：") + g_DbPath);
    QCOMPARE(m->menuItem("MnuSearchGuest")->shortcut(), QKeySequence(Qt::Key_F5));
    QCOMPARE(m->menuItem("MnuExi")->shortcut(), QKeySequence(Qt::Key_F9));
    QCOMPARE(m->menuItem("MnuGuestManager")->text(), QStringLiteral("证券分析^&M)"));

    // Every key and item runs; the dialogs they open modally are closed as they come up, and the
    // commands whose windows are not there yet do nothing harmful.
    QStringList modals;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&modals] {
        if (QWidget *w = QApplication::activeModalWidget()) {
            modals << QString::fromLatin1(w->metaObject()->className());
            w->close();
        }
    });
    closer.start(0);
    for (const QString &key : {"Manager", "Content", "Add", "Modify", "Delete", "Search", "down", "frmbook"})
        m->Toolbar1_ButtonClick(key);
    for (const QString &item : {"MnuSearchGuest", "seleup", "Proxy", "MnuGuestType", "MnuDataPathDisplay"})
        m->menuItem(item)->trigger();
    closer.stop();
    QCOMPARE(modals, (QStringList{"tv::frmNewForm", "tv::frmCatalog"}));
    QVERIFY(frmMain::isLoaded());
}

void TestMainWindow::systemMenuOpensItsWindows()
{
    TestEnv env;
    env.makeDatabase();
    frmMain *m = frmMain::instance();
    m->menuItem("MnuCompany")->trigger();
    QVERIFY(ConfigForm::isLoaded() && ConfigForm::existing()->isVisible());
    QCOMPARE(m->panelText(2), QStringLiteral("公司信息配置"));
    ConfigForm *config = ConfigForm::existing();
    m->menuItem("MnuCompany")->trigger(); // a second time it is brought forward, not made again
    QCOMPARE(ConfigForm::existing(), config);
    m->menuItem("MnuEmploy")->trigger();
    QVERIFY(frmOperator::isLoaded());
    QCOMPARE(m->panelText(2), QStringLiteral("操作员配置"));
    m->menuItem("qixdata")->trigger();
    QVERIFY(qixda::isLoaded());
    m->menuItem("qixrs")->trigger();
    QVERIFY(qixrsda::isLoaded());
    QCOMPARE(m->panelText(2), QStringLiteral("恢复数据"));
    bool shownModal = false;
    QTimer::singleShot(0, [&] {
        shownModal = NetData::isLoaded() && NetData::existing()->isModal();
        NetData::existing()->close();
    });
    m->menuItem("MnuNetData")->trigger();
    QVERIFY(shownModal);
    QVERIFY(!NetData::isLoaded());
}

void TestMainWindow::proxySettings_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("accessType");
    QTest::addColumn<QString>("proxy");
    QTest::addColumn<bool>("wake");
    QTest::newRow("direct") << "0" << int(Inet::Direct) << "" << false;
    QTest::newRow("named proxy") << "1" << int(Inet::NamedProxy) << "proxy.lan:8080" << false;
    QTest::newRow("browser") << "2" << int(Inet::SystemDefault) << "" << true;
    QTest::newRow("nothing stored") << "" << int(Inet::Direct) << "" << false;
}

void TestMainWindow::proxySettings()
{
    QFETCH(QString, mode);
    QFETCH(int, accessType);
    QFETCH(QString, proxy);
    QFETCH(bool, wake);
    TestEnv env;
    env.makeDatabase();
    SaveSetting(kAppNameShared, "Proxy", "proxyServer", "proxy.lan");
    SaveSetting(kAppNameShared, "Proxy", "ProxyPort", "8080");
    SaveSetting(kAppNameShared, "Proxy", "UserName", "u");
    SaveSetting(kAppNameShared, "Proxy", "Password", "p");
    SaveSetting(kAppNameShared, "Proxy", "model", mode);
    frmMain *m = frmMain::instance();
    QCOMPARE(g_ProxyServer, QStringLiteral("proxy.lan"));
    QCOMPARE(g_ProxyMode, mode);
    QCOMPARE(m->Inet1.accessType, accessType);
    QCOMPARE(m->Inet1.proxy, proxy);
    QCOMPARE(g_WakeBrowser, wake);
}

void TestMainWindow::desktopPicture()
{
    TestEnv env;
    env.makeDatabase();
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::red);
    const QString png = env.path(QStringLiteral("desk.PNG"));
    QVERIFY(img.save(png, "PNG"));
    g_CompanyInfo[5] = png;
    frmMain *m = frmMain::instance();
    QVERIFY(m->hasDesktopPicture());
    QVERIFY(!m->setDesktopPicture(env.path(QStringLiteral("missing.bmp"))));
    QVERIFY(!m->hasDesktopPicture());
}

void TestMainWindow::statusLine()
{
    TestEnv env;
    env.makeDatabase();
    SetStatusText(QStringLiteral("正在测试")); // loads the main window when needed
    QVERIFY(frmMain::isLoaded());
    QCOMPARE(frmMain::existing()->panelText(2), QStringLiteral("正在测试"));
    frmMain *m = showMain();
    QTest::mouseMove(m->mdiArea()->viewport(), QPoint(20, 20));
    QTRY_COMPARE(m->panelText(2), QStringLiteral("待命状态..."));
}

// The eight panels in their order at 1920, 1024 and 640 pixels, with long texts: none stands over
// another; where they do not all fit, the status line and the operator keep their texts longest.
void TestMainWindow::statusPanelsNeverOverlap()
{
    TestEnv env;
    env.makeDatabase();
    g_CompanyInfo[0] = QStringLiteral("深圳市示例投资管理有限公司");
    g_CurUser = QStringLiteral("张三丰管理员");
    frmMain *m = showMain();
    m->setPanelText(2, QStringLiteral("正在更新 样本六号稳健成长 600000 的价格与涨跌幅"));
    QList<QLabel *> panels;
    for (int i = 1; i <= 8; ++i)
        panels << m->statusBar()->findChild<QLabel *>(QStringLiteral("StatusBar_Panel_%1").arg(i));
    for (const int width : {1920, 1024, 640}) {
        m->resize(width, 600);
        QCoreApplication::processEvents();
        QCOMPARE(m->width(), width);
        const QRect bar = m->statusBar()->rect();
        int right = -1;
        for (QLabel *l : panels) {
            const QRect r(l->mapTo(m->statusBar(), QPoint(0, 0)), l->size());
            QVERIFY2(r.width() == 0 || (r.left() > right && bar.contains(r)), qPrintable(l->objectName()));
            if (r.width() > 0)
                right = r.right();
        }
        const auto whole = [](const QLabel *l) { return l->width() >= l->sizeHint().width(); };
        if (width == 1920)
            for (QLabel *l : panels)
                QVERIFY2(whole(l), qPrintable(l->objectName()));
        if (width == 1024)
            QVERIFY(whole(panels[1]) && whole(panels[7]));
        QCOMPARE(m->panelText(7), QStringLiteral("使用者：深圳市示例投资管理有限公司"));
    }
    QVERIFY(panels[1]->width() > panels[4]->width());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
