#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "data/Settings.h"
#include "journal/SplitLayout.h"
#include "journal/TradeGrid.h"
#include "journal/frmManager.h"
#include "journal/frmModifyForm.h"
#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuotePages.h"
#include "tests/common/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QWindow>

using namespace tv;
using tv::test::TestEnv;

namespace {

// Three categories entered out of their Chinese order; two shares entered in the
// order 浦发银行, 平安银行; a fund with no records.
struct Journal
{
    qint64 dividend = 0, firstBuy = 0, secondBuy = 0, otherCode = 0;
};

qint64 addRecord(Database &db, const QString &code, const QString &type, const QString &date, double price,
                 double qty, double holding, double amount, double cash, double fee, double stamp,
                 double transfer, double flow)
{
    db.execute(QStringLiteral("INSERT INTO rep (证券代码, 交易类别, 交收日期, 成交价格, 成交数量, 证券余额, 成交金额, "
                              "资金余额, 手续费, 印花税, 过户费, 其它费用, 收支金额, 合同号, 录入者) "
                              "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, ?, 'H1', 'admin')"),
               {code, type, date, price, qty, holding, amount, cash, fee, stamp, transfer, flow});
    return db.lastInsertId();
}

Journal makeJournal(TestEnv &env)
{
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    // Pinyin order is 股票, 基金, 债券; code-point order would be the reverse.
    db.execute(QStringLiteral("UPDATE Catalog SET 证券类别 = '股票'"));
    db.execute(QStringLiteral("UPDATE machcom SET 证券类别 = '股票'"));
    db.execute(QStringLiteral("INSERT INTO Catalog (证券类别, 股东账号) VALUES ('债券', 'Z000000001')"));
    db.execute(QStringLiteral("INSERT INTO Catalog (证券类别, 股东账号) VALUES ('基金', 'J000000001')"));
    const QString detail = QStringLiteral("INSERT INTO Detail (股东账号, 证券名称, 证券代码, 基本面, 分析评论, 目标价, "
                                          "市场价格, 涨跌幅, 更新日期, 止损位, 买入点) VALUES (?, ?, ?, ?, '', 12, ?, ?, "
                                          "'2026-12-09', 9, 9.5)");
    db.execute(detail, {"A000000001", "浦发银行", "600000", "", 11.0, "-1.2%"});
    db.execute(detail, {"A000000001", "平安银行", "000001", "", 10.005, "0.5%"});
    db.execute(detail, {"J000000001", "华夏成长", "k000001", "", 1.2, ""});
    Journal j;
    // Two purchases on one day, and a dividend on an earlier day entered after them.
    j.firstBuy = addRecord(db, "600000", "证券买入", "2026-03-02", 10, 1000, 1000, 10000, 89995, 5, 0, 1, -10006);
    j.otherCode = addRecord(db, "000001", "证券买入", "2026-03-02", 10, 100, 100, 1000, 88995, 0, 0, 0, -1000);
    j.secondBuy = addRecord(db, "600000", "证券买入", "2026-03-02", 10.5, 500, 1500, 5250, 83745, 5, 0, 0.5, -5255.5);
    j.dividend = addRecord(db, "600000", "红利入账", "2026-02-01", 0, 0, 0, 100, 100100, 0, 0, 0, 100);
    return j;
}

QStringList gridRow(frmManager *w, int row)
{
    QStringList cells;
    for (int c = 0; c < kGridColumns; ++c)
        cells << w->gridText(row, c);
    return cells;
}

QStringList childNames(QTreeWidgetItem *node)
{
    QStringList names;
    for (int i = 0; node && i < node->childCount(); ++i)
        names << node->child(i)->text(0);
    return names;
}

QColor textColour(QLineEdit *box) { return box->palette().color(QPalette::Text); }

bool toolbarOn(int index) { return frmMain::instance()->toolbarButton(index)->isEnabled(); }

QList<int> enabledToolbarButtons()
{
    QList<int> on;
    for (int i = 1; i <= 13; ++i)
        if (!frmMain::instance()->toolbarButton(i)->isSeparator() && toolbarOn(i))
            on << i;
    return on;
}


// Every Detail row as text, for telling that nothing but the expected row changed.
QStringList detailRows()
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet rs = db.openQuery(QStringLiteral("SELECT * FROM Detail ORDER BY 证券代码"));
    QStringList rows;
    for (int r = 0; r < rs.recordCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < rs.fieldCount(); ++c)
            cells << rs.text(r, c);
        rows << cells.join(u'|');
    }
    return rows;
}

// A code typed into the manager's code box the way the operator types it, without leaving the box.
void typeCode(frmManager *w, const QString &code)
{
    QApplication::setActiveWindow(frmMain::instance());
    w->txtFields[0]->setFocus();
    w->txtFields[0]->selectAll();
    QTest::keyClicks(w->txtFields[0], code);
    QCOMPARE(QApplication::focusWidget(), w->txtFields[0]);
}
} // namespace

class TestManager : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void treeInChineseOrder();
    void gridTotalsAndProfit();
    void securityWithoutRecords();
    void profitFormatsAndColours();
    void recordRowRule();
    void secondClickReloads();
    void deleteSecurity();
    void deleteRecord();
    void deleteAnsweredNo();
    void rights_data();
    void rights();
    void splitLimits_data();
    void splitLimits();
    void splitterStoredAndDragged();
    void storedSplitterAtTheShownWidth_data();
    void storedSplitterAtTheShownWidth();
    void closeRefusedWhileFetching();
    void closeAskedDuringRefresh_data();
    void closeAskedDuringRefresh();
    void refreshWhoseSaveFails();
    void managerKeyToggles();
    void exportReadBack();
    void exportFailureShowsMessage();
    void documentOpening();
    void codeLookup();
    void typedCodeConfirmedFirst_data();
    void typedCodeConfirmedFirst();
    void lookupTakesTheSecuritysCategory();
    void rightPressPicksTheNode();
    void keysPickTheNode();
    void lookupThenTreeShowsTreeSecurity();
    void vanishedSecurityOffersNoCommands();
};

void TestManager::treeInChineseOrder()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager();
    QTreeWidgetItem *root = w->rootNode();
    QCOMPARE(root->text(0), QStringLiteral("证券总帐"));
    QCOMPARE(childNames(root), (QStringList{"股票", "基金", "债券"}));
    QCOMPARE(frmManager::nodeKey(root->child(1)), QStringLiteral("qixJ000000001"));
    QCOMPARE(childNames(w->categoryNode("A000000001")), (QStringList{"浦发银行", "平安银行"}));
    QCOMPARE(childNames(w->categoryNode("Z000000001")), QStringList{});

    // A real click on a security selects it and fills the detail boxes.
    QTreeWidgetItem *leaf = w->securityNode("浦发银行");
    w->categoryNode("A000000001")->setExpanded(true);
    QCoreApplication::processEvents();
    QTest::mouseClick(w->TreeView->viewport(), Qt::LeftButton, {}, w->TreeView->visualItemRect(leaf).center());
    QCOMPARE(g_CurCategory, QStringLiteral("股票"));
    QCOMPARE(g_CurAccount, QStringLiteral("A000000001"));
    QCOMPARE(g_CurSecurity, QStringLiteral("浦发银行"));
    QCOMPARE(g_CurCode, QStringLiteral("600000"));
    QCOMPARE(w->lblFileCaption->text(), QStringLiteral("浦发银行"));
    QCOMPARE(w->txtFields[5]->text(), QStringLiteral("-1.2%"));
    QCOMPARE(textColour(w->txtFields[5]), VbColor(0xC000));
    QVERIFY(w->my1->isVisible());
    QVERIFY(toolbarOn(5));

    // A category clears the detail and hides the grid.
    w->TreeView_NodeClick(w->categoryNode("J000000001"));
    QCOMPARE(g_CurCategory, QStringLiteral("基金"));
    QCOMPARE(g_CurSecurity, QString());
    QVERIFY(w->txtFields[0]->text().isEmpty());
    QVERIFY(!w->my1->isVisible());
    QVERIFY(!toolbarOn(5));
}

void TestManager::gridTotalsAndProfit()
{
    TestEnv env;
    const Journal j = makeJournal(env);
    frmManager *w = test::OpenManager("浦发银行");
    QCOMPARE(w->gridRowCount(), 6); // header, three records, totals, empty
    QCOMPARE(gridRow(w, 0), GridHeaders());
    // The earlier date first, then the same-day rows by key; another code's row never shows.
    QCOMPARE(w->gridText(1, 1), QStringLiteral("红利入账"));
    QCOMPARE(w->gridText(2, kGridKeyColumn), QString::number(j.firstBuy));
    QCOMPARE(w->gridText(3, kGridKeyColumn), QString::number(j.secondBuy));
    QCOMPARE(gridRow(w, 3).mid(0, 13),
             (QStringList{"2026-03-02", "证券买入", "10.5", "500", "1500", "5250", "83745", "5", "0", "0.5", "0",
                          "-5255.5", "H1"}));
    QCOMPARE(gridRow(w, 4).mid(0, 12),
             (QStringList{" 合计", "3", "", "1500", "1500", "15350", "83745", "10", "0", "1.5", "0", "-15161.5"}));
    QCOMPARE(gridRow(w, 5), QStringList(kGridColumns, QString()));
    QCOMPARE(w->m_Holding, 1500.0);
    QCOMPARE(w->m_FlowTotal, -15161.5);
    // 1500 at 11 less the net outflow.
    QCOMPARE(w->txtFields[6]->text(), QStringLiteral("1338.5"));
    QCOMPARE(textColour(w->txtFields[6]), VbColor(0x8080FF));
    QCOMPARE(w->txtFields[4]->text(), QStringLiteral("11"));

    // The key and the two columns after it are hidden; the grid starts on its first record.
    for (int c : {12, 13, 14})
        QVERIFY(w->my1->isColumnHidden(c));
    QVERIFY(!w->my1->isColumnHidden(11));
    QCOMPARE(w->currentGridRow(), 1);
    QVERIFY(w->Command1->isVisible());
    QVERIFY(w->Command4->isVisible());
}

void TestManager::securityWithoutRecords()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager("华夏成长");
    QCOMPARE(w->gridRowCount(), 3);
    QCOMPARE(gridRow(w, 1),
             (QStringList{" 合计", "0", "", "0", "0", "0", "0", "0", "0", "0", "0", "0", "", "", "", ""}));
    QCOMPARE(w->m_Holding, 0.0);
    QCOMPARE(w->m_FlowTotal, 0.0);
    QCOMPARE(w->txtFields[6]->text(), QStringLiteral("0"));
    QCOMPARE(textColour(w->txtFields[6]), VbColor(0xC000));
    // The totals row is no record: nothing to modify or delete.
    QVERIFY(!w->menuItem("Mnumodqix")->isEnabled());
    QVERIFY(!w->menuItem("Mnudelqix")->isEnabled());
    QVERIFY(!toolbarOn(6));
}

void TestManager::profitFormatsAndColours()
{
    TestEnv env;
    makeJournal(env);
    test::HttpServer server;
    QVERIFY(test::ServeQuotes(server));
    g_QuoteSource = QStringLiteral("sina");
    const auto quote = [&server](const QString &price) {
        server.setReply("/list=", test::Gbk(test::SinaPage({{"sz000001", "平安银行", price, "10.00", {}}})));
    };
    g_UserRight = QStringLiteral("超级权限"); // the right that may refresh a price
    // 100 at 10.005 less 1000 paid: a half above zero.
    frmManager *w = test::OpenManager("平安银行");
    QCOMPARE(w->txtFields[6]->text(), QStringLiteral("0.5"));
    QCOMPARE(textColour(w->txtFields[6]), VbColor(0x8080FF));
    // After a price update (the "刷新" button) the other format stands: no leading zero.
    quote(QStringLiteral("10.005"));
    w->Command4->click();
    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(w->txtFields[6]->text(), QStringLiteral(".5"));
    QCOMPARE(textColour(w->txtFields[6]), VbColor(0x8080FF));
    QCOMPARE(env.boxes.size(), 0);

    quote(QStringLiteral("10"));
    w->uprice_click();
    QCOMPARE(w->txtFields[4]->text(), QStringLiteral("10"));
    QCOMPARE(w->txtFields[6]->text(), QStringLiteral("0"));
    QCOMPARE(textColour(w->txtFields[6]), VbColor(0xC000));

    // The format functions on their own.
    QCOMPARE(ProfitTextAfterLoad(-0.5), QStringLiteral("-0.5"));
    QCOMPARE(ProfitTextAfterUpdate(-0.5), QStringLiteral("-.5"));
    QCOMPARE(ProfitTextAfterLoad(1234.567), QStringLiteral("1234.57"));
    QCOMPARE(ProfitTextAfterUpdate(1234.567), QStringLiteral("1234.57"));
    QCOMPARE(ProfitColour(QStringLiteral("-.5")), 0xC000u);
}

void TestManager::recordRowRule()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager("浦发银行");
    QVERIFY(w->menuItem("Mnumodqix")->isEnabled());
    struct Case { int row; bool record; };
    for (const Case c : {Case{4, false}, Case{5, false}, Case{2, true}, Case{0, false}}) {
        w->my1_RowPicked(c.row, false);
        QCOMPARE(w->menuItem("Mnumodqix")->isEnabled(), c.record);
        QCOMPARE(w->menuItem("Mnudelqix")->isEnabled(), c.record);
        QCOMPARE(toolbarOn(6), c.record);
        QCOMPARE(toolbarOn(7), c.record);
    }
    QVERIFY(IsRecordRow(QStringLiteral("2026-1")));
    QVERIFY(!IsRecordRow(QStringLiteral(" 合计")));

    // Deleting on the totals row asks nothing and deletes nothing.
    w->setCurrentGridRow(4);
    w->Mnudelqix_Click();
    QCOMPARE(env.boxes.size(), 0);
    QCOMPARE(test::DbCount("SELECT COUNT(*) FROM rep"), 4);
}

void TestManager::secondClickReloads()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager("浦发银行");
    {
        Database db(g_DbPath, g_DbConnect);
        addRecord(db, "600000", "证券卖出", "2026-04-01", 12, -100, 1400, 1200, 84900, 5, 1.2, 0.1, 1193.7);
    }
    QCOMPARE(w->gridRowCount(), 6);
    // A click on the loaded security reads it again, records and all.
    w->TreeView_NodeClick(w->securityNode("浦发银行"));
    QCOMPARE(w->gridRowCount(), 7);
    QCOMPARE(w->m_Holding, 1400.0);

    // While a fetch runs a click does nothing at all.
    g_Idle = false;
    w->TreeView_NodeClick(w->securityNode("平安银行"));
    QCOMPARE(g_CurSecurity, QStringLiteral("浦发银行"));
    g_Idle = true;
}

void TestManager::deleteSecurity()
{
    TestEnv env;
    const Journal j = makeJournal(env);
    frmManager *w = test::OpenManager("浦发银行");
    const int details = test::DbCount("SELECT COUNT(*) FROM Detail");
    env.answers << vbYes;
    w->MnuDeleteFile_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], "真的要删除该证券及其记录吗？     \r\n\r\n浦发银行 [是/否]？     ", 276,
                 "证券删除后将不能恢复!");
    QCOMPARE(test::DbCount("SELECT COUNT(*) FROM Detail WHERE 证券代码 = '600000'"), 0);
    QCOMPARE(test::DbCount("SELECT COUNT(*) FROM rep WHERE 证券代码 = '600000'"), 0);
    QCOMPARE(test::DbCount("SELECT COUNT(*) FROM Detail"), details - 1);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT COUNT(*) FROM rep WHERE repid = %1").arg(j.otherCode)), 1);
    QCOMPARE(childNames(w->categoryNode("A000000001")), QStringList{"平安银行"});
    QVERIFY(!toolbarOn(6));
    QVERIFY(!w->menuItem("MnuDeleteFile")->isEnabled());
}

void TestManager::deleteRecord()
{
    TestEnv env;
    const Journal j = makeJournal(env);
    frmManager *w = test::OpenManager("浦发银行");
    w->setCurrentGridRow(2);
    env.answers << vbYes;
    w->Mnudelqix_Click();
    QCOMPARE_BOX(env.boxes.value(0), "真的要删除该证券交易记录吗？     \r\n交易方式为证券买入 [是/否]？     ", 276,
                 "买卖记录删除后将不能恢复!");
    QCOMPARE(test::DbCount(QStringLiteral("SELECT COUNT(*) FROM rep WHERE repid = %1").arg(j.firstBuy)), 0);
    QCOMPARE(test::DbCount("SELECT COUNT(*) FROM rep"), 3);
    // The later row keeps the balances it was stored with.
    Database db(g_DbPath, g_DbConnect);
    const RowSet later = db.openQuery(QStringLiteral("SELECT 证券余额, 资金余额 FROM rep WHERE repid = ?"), {j.secondBuy});
    QCOMPARE(later.number(0, 0), 1500.0);
    QCOMPARE(later.number(0, 1), 83745.0);
    // The grid is read again.
    QCOMPARE(w->gridRowCount(), 5);
    QCOMPARE(w->gridText(3, 0), QStringLiteral(" 合计"));
}

void TestManager::deleteAnsweredNo()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager("浦发银行");
    const QByteArray before = test::FileBytes(g_DbPath);
    env.answers << vbNo << vbNo;
    w->setCurrentGridRow(1);
    w->Mnudelqix_Click();
    w->MnuDeleteFile_Click();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE(test::FileBytes(g_DbPath), before);
    QCOMPARE(w->gridRowCount(), 6);
}

void TestManager::rights_data()
{
    QTest::addColumn<QString>("right");
    QTest::addColumn<bool>("buttonsShown");   // export and refresh
    QTest::addColumn<bool>("refreshEnabled");
    QTest::addColumn<bool>("frame1Shown");    // the update-date frame
    QTest::addColumn<QStringList>("disabled"); // menu items
    QTest::addColumn<QList<int>>("toolbarOff");
    const QStringList modify = {"uprice", "MnuModifyFile", "MnuDeleteFile", "Mnumodqix", "Mnudelqix"};
    QTest::newRow("只能添加") << "只能添加" << false << false << false << (modify + QStringList{"MnuSearchFile"})
                          << QList<int>{6, 7, 9, 10};
    QTest::newRow("不能修改") << "不能修改" << true << false << false << modify << QList<int>{6, 7};
    QTest::newRow("可以修改") << "可以修改" << true << true << true << QStringList{} << QList<int>{};
    QTest::newRow("超级权限") << "超级权限" << true << true << true << QStringList{} << QList<int>{};
}

void TestManager::rights()
{
    QFETCH(QString, right);
    QFETCH(bool, buttonsShown);
    QFETCH(bool, refreshEnabled);
    QFETCH(bool, frame1Shown);
    QFETCH(QStringList, disabled);
    QFETCH(QList<int>, toolbarOff);
    TestEnv env;
    makeJournal(env);
    g_UserRight = right;
    frmManager *w = test::OpenManager("浦发银行");
    QCOMPARE(w->Command1->isVisible(), buttonsShown);
    QCOMPARE(w->Command4->isVisible(), buttonsShown);
    QCOMPARE(w->Command4->isEnabled(), refreshEnabled);
    QCOMPARE(w->Frame1->isVisible(), frame1Shown);
    for (const QString &item : {"uprice", "MnuModifyFile", "MnuDeleteFile", "Mnumodqix", "Mnudelqix", "MnuSearchFile"})
        QVERIFY2(w->menuItem(item)->isEnabled() == !disabled.contains(item), qPrintable(item));
    for (int b : {6, 7, 9, 10})
        QVERIFY2(toolbarOn(b) == !toolbarOff.contains(b), qPrintable(QString::number(b)));
    // The document menu item needs a document and a right beyond adding.
    QVERIFY(!w->menuItem("MnuOpenFile")->isEnabled());
}

void TestManager::splitLimits_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("expected");
    QTest::newRow("left of the limit") << 800.0 << 9000.0 << 1500.0;
    QTest::newRow("inside") << 4000.0 << 9000.0 << 4000.0;
    QTest::newRow("right of the limit") << 8000.0 << 9000.0 << 7500.0;
    QTest::newRow("exactly 3000 wide") << 2500.0 << 3000.0 << 1500.0;
    QTest::newRow("narrow: right-hand limit wins") << 1500.0 << 2500.0 << 1000.0;
}

void TestManager::splitLimits()
{
    QFETCH(double, x);
    QFETCH(double, width);
    QFETCH(double, expected);
    QCOMPARE(ClampSplitPosition(x, width), expected);
    // While dragging the bar stays 500 inside either edge.
    QCOMPARE(ClampDragBar(100, 6000), 500.0);
    QCOMPARE(ClampDragBar(5800, 6000), 5500.0);
    QCOMPARE(ClampDragBar(3000, 6000), 3000.0);
}

void TestManager::splitterStoredAndDragged()
{
    TestEnv env;
    makeJournal(env);
    SaveSetting(ExeAppName(), "Config", "Split", "800");
    QPointer<frmManager> w = test::OpenManager();
    QCOMPARE(w->splitPosition(), 1500.0);
    w->close();
    QVERIFY(!frmManager::isLoaded());

    // Stored positions that fit the window as it is shown come back as they were; one that does not is
    // cut to the shown width less 1500, and the stored value stays until the next release.
    for (const double stored : {11000.0, 13000.0, 30000.0, 2400.0}) {
        if (w)
            w->close();
        QCoreApplication::processEvents();
        SaveSetting(ExeAppName(), "Config", "Split", NumText(stored));
        w = test::OpenManager();
        const double shownWidth = PxToTwips(w->width());
        QVERIFY(shownWidth > 14500 && shownWidth < 31500);
        const double expected = std::min(stored, shownWidth - 1500);
        QCOMPARE(w->splitPosition(), expected);
        QCOMPARE(w->TreeView->width(), TwipsToPx(expected));
        QCOMPARE(Val(GetSetting(ExeAppName(), "Config", "Split")), stored);
    }

    // A drag far to the left stops the bar at 500 and lays out at 1500, which is stored.
    QTest::mousePress(w->imgSplit, Qt::LeftButton, {}, QPoint(1, 5));
    QVERIFY(w->SliptBar->isVisible());
    QMouseEvent move(QEvent::MouseMove, QPointF(-w->imgSplit->x() + 2, 5), w->imgSplit->mapToGlobal(QPointF(0, 5)),
                     Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(w->imgSplit, &move);
    QCOMPARE(w->SliptBar->x(), TwipsToPx(500));
    QTest::mouseRelease(w->imgSplit, Qt::LeftButton, {}, QPoint(1, 5));
    QVERIFY(!w->SliptBar->isVisible());
    QCOMPARE(w->splitPosition(), 1500.0);
    QCOMPARE(GetSetting(ExeAppName(), "Config", "Split"), QStringLiteral("1500"));
}

void TestManager::storedSplitterAtTheShownWidth_data()
{
    QTest::addColumn<int>("mainWidth");
    QTest::addColumn<double>("stored");
    for (int width : {1400, 700})
        for (double stored : {11000.0, 13000.0})
            QTest::addRow("%d px, %g", width, stored) << width << stored;
}

// The journal opens from the toolbar as an operator opens it, first at its own size and then maximised:
// the stored position is cut only against the width the window appears at, never one it passes through.
void TestManager::storedSplitterAtTheShownWidth()
{
    QFETCH(int, mainWidth);
    QFETCH(double, stored);
    TestEnv env;
    makeJournal(env);
    SaveSetting(ExeAppName(), "Config", "Split", NumText(stored));
    frmMain *m = frmMain::instance();
    m->resize(mainWidth, 700);
    m->show();
    QApplication::setActiveWindow(m);
    m->Toolbar1_ButtonClick(QStringLiteral("Manager"));
    QCoreApplication::processEvents();
    frmManager *w = frmManager::existing();
    QVERIFY(w && w->parentWidget()->isMaximized());
    const double shown = PxToTwips(w->width());
    const double expected = std::min(stored, shown - 1500);
    QCOMPARE(w->splitPosition(), expected);
    QCOMPARE(w->TreeView->width(), TwipsToPx(expected));
    QCOMPARE(Val(GetSetting(ExeAppName(), "Config", "Split")), stored);
}

void TestManager::closeRefusedWhileFetching()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager("浦发银行");
    {
        // A fetch started elsewhere: every close request waits for it.
        IdleGuard fetch;
        w->close();
        w->MnuReturn_Click();
        QCoreApplication::processEvents();
        QVERIFY(frmManager::isLoaded());
        QVERIFY(IsCloseDeferred(w));
    }
    // The command that owned the fetch has returned: the close is carried out, and nothing is left
    // waiting for a later one.
    QTRY_VERIFY(!frmManager::isLoaded());
    QVERIFY(!g_ManagerOpen);
    QCOMPARE(frmMain::instance()->toolbarButton(1)->text(), QStringLiteral("证券交易"));
    w = test::OpenManager("浦发银行");
    QVERIFY(!IsCloseDeferred(w));
    {
        IdleGuard fetch;
    }
    QCoreApplication::processEvents();
    QVERIFY(frmManager::isLoaded());
    w->close();
    QCoreApplication::processEvents();
    QVERIFY(!frmManager::isLoaded());

    // An exit asked for during the fetch is carried out after it.
    w = test::OpenManager("浦发银行");
    g_Idle = false;
    w->MnuExit_Click();
    QVERIFY(g_ExitPending);
    g_Idle = true;
    w->uprice_click();
    QCoreApplication::processEvents();
    QVERIFY(!frmMain::isLoaded());
}

void TestManager::closeAskedDuringRefresh_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("quoted"); // the reply holds a price for the security
    QTest::newRow("返回首页 on the toolbar, quoted") << QStringLiteral("toolbar") << true;
    QTest::newRow("Ctrl+R, quoted") << QStringLiteral("keys") << true;
    QTest::newRow("返回首页 on the toolbar, no quote") << QStringLiteral("toolbar") << false;
    QTest::newRow("Ctrl+R, no quote") << QStringLiteral("keys") << false;
}

// "刷新" waits for its quote; meanwhile the operator asks the journal to close and another workstation
// removes the security. With a price, the writer's reload during the fetch says once that it is gone;
// without one, the fetch says so of the quote, and the command's own reload after the fetch shows its
// message. Those boxes' loops run the program's events, yet the journal stays until the command is over,
// and closes then.
void TestManager::closeAskedDuringRefresh()
{
    QFETCH(QString, way);
    QFETCH(bool, quoted);
    TestEnv env;
    makeJournal(env);
    test::HttpServer server;
    QVERIFY(test::ServeQuotes(server));
    g_QuoteSource = QStringLiteral("sina");
    server.setReply("/list=", test::Gbk(test::SinaPage({{quoted ? "sh600000" : "sh600001", "浦发银行", "11.50", "11.00", {}}})));
    g_UserRight = QStringLiteral("超级权限");
    frmMain *m = frmMain::instance();
    QPointer<frmManager> w = test::OpenManager("浦发银行");
    QVERIFY(w->Command4->isEnabled());

    server.setHolding(true);
    bool closeRefused = false;
    connect(&server, &test::HttpServer::requestReceived, &server, [&] {
        QTimer::singleShot(0, &server, [&] {
            if (way == QLatin1String("toolbar")) {
                QWidget *button = m->toolbar()->widgetForAction(m->toolbarButton(1));
                QTest::mouseClick(button, Qt::LeftButton);
            } else {
                QTest::keyClick(w->TreeView, Qt::Key_R, Qt::ControlModifier);
            }
            closeRefused = frmManager::isLoaded() && IsCloseDeferred(w);
            test::DbExec(QStringLiteral("DELETE FROM Detail WHERE 证券名称 = ?"),
                         {QStringLiteral("浦发银行")});
            server.releaseHeld();
        });
    });
    QList<bool> loadedInBox;
    env.whileBoxShown = [&](const test::RecordedBox &) {
        test::RunNestedLoop();
        loadedInBox << (frmManager::isLoaded() && g_ManagerOpen);
    };
    QApplication::setActiveWindow(m);
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    QCOMPARE(server.requestCount(), 1);
    QVERIFY(closeRefused);
    if (quoted) {
        QCOMPARE(env.boxes.size(), 1);
    } else {
        QCOMPARE(env.boxes.size(), 2);
        QCOMPARE_BOX(env.boxes[0], "没找到！600000", 0, "");
        env.boxes.removeFirst();
    }
    QCOMPARE_BOX(env.boxes[0], "没有找到证券：浦发银行", 48, "提示：");
    QCOMPARE(loadedInBox, QList<bool>(quoted ? 1 : 2, true));
    QTRY_VERIFY(!w);
    QVERIFY(!g_ManagerOpen);
    QCOMPARE(m->toolbarButton(1)->text(), QStringLiteral("证券交易"));
}

// "刷新" whose price cannot be saved, another workstation holding the file past the busy time-out: the
// notice every window gives, the price as it was, and no "更新完毕！".
void TestManager::refreshWhoseSaveFails()
{
    TestEnv env;
    makeJournal(env);
    test::HttpServer server;
    QVERIFY(test::ServeQuotes(server));
    g_QuoteSource = QStringLiteral("sina");
    server.setReply("/list=", test::Gbk(test::SinaPage({{"sh600000", "浦发银行", "11.50", "11.00", {}}})));
    g_UserRight = QStringLiteral("超级权限");
    frmManager *w = test::OpenManager("浦发银行");
    const QString price = w->txtFields[4]->text();

    test::WriteLockHeld other(g_DbPath);
    QVERIFY(other.held());
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    other.release();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], DbBusyText(), 48, "提示：");
    QCOMPARE(LastStatusText(), QStringLiteral("没有更新！"));
    QCOMPARE(w->txtFields[4]->text(), price);
    QVERIFY(g_Idle);

    // The file free again: the price is written and the update says so.
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE(LastStatusText(), QStringLiteral("更新完毕！"));
    QCOMPARE(w->txtFields[4]->text(), QStringLiteral("11.5"));
}

void TestManager::managerKeyToggles()
{
    TestEnv env;
    makeJournal(env);
    frmMain *m = frmMain::instance();
    m->show();
    // At the first start the keys that act on the manager window are off, as its close leaves them.
    const QList<int> closed = {1, 11, 13};
    QCOMPARE(enabledToolbarButtons(), closed);
    m->Toolbar1_ButtonClick(QStringLiteral("Manager"));
    QVERIFY(frmManager::isLoaded());
    QVERIFY(g_ManagerOpen);
    QCOMPARE(m->toolbarButton(1)->text(), QStringLiteral("返回首页"));
    QCOMPARE(enabledToolbarButtons(), (QList<int>{1, 3, 9, 10, 13}));
    QCOMPARE(m->findChild<QMdiArea *>()->subWindowList().size(), 1);
    frmManager::existing()->TreeView_NodeClick(frmManager::existing()->securityNode("浦发银行"));
    QCOMPARE(enabledToolbarButtons(), (QList<int>{1, 3, 5, 6, 7, 9, 10, 13}));
    m->Toolbar1_ButtonClick(QStringLiteral("Manager"));
    QCoreApplication::processEvents();
    QVERIFY(!frmManager::isLoaded());
    QVERIFY(!g_ManagerOpen);
    QCOMPARE(enabledToolbarButtons(), closed);
    QCOMPARE(m->toolbarButton(1)->text(), QStringLiteral("证券交易"));
    QTRY_COMPARE(m->findChild<QMdiArea *>()->subWindowList().size(), 0);
    // And open once more.
    m->Toolbar1_ButtonClick(QStringLiteral("Manager"));
    QVERIFY(frmManager::isLoaded());
}

void TestManager::exportReadBack()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager("浦发银行");
    const QList<QStringList> shown = [w] {
        QList<QStringList> rows;
        for (int r = 0; r <= 4; ++r)
            rows << gridRow(w, r);
        return rows;
    }();
    // Another security loaded while the export lets events run changes nothing of what goes out.
    QTimer::singleShot(0, w, [w] { w->TreeView_NodeClick(w->securityNode(QStringLiteral("平安银行"))); });
    w->Command1_Click();
    QCOMPARE(w->gridText(2, 0), QStringLiteral(" 合计")); // the other security, one record, is shown now
    QCOMPARE(w->windowTitle(), QStringLiteral("添加4记录"));
    QCOMPARE(env.boxes.size(), 0);
    QCOMPARE(env.openedUrls.size(), 1);
    const QString path = env.openedUrls[0].toLocalFile();
    const QMap<QString, QString> cells = test::XlsxCells(path);
    QCOMPARE(cells.value("A1"), QStringLiteral("证券名称"));
    QCOMPARE(cells.value("B1"), QStringLiteral("浦发银行"));
    QCOMPARE(cells.value("C1"), QStringLiteral("证券编号"));
    QCOMPARE(cells.value("D1"), QStringLiteral("600000"));
    // The head row is text, the code included; the records' figures are numbers.
    const QMap<QString, QString> kinds = test::XlsxCellKinds(path);
    QCOMPARE(kinds.value("D1"), QStringLiteral("s"));
    QCOMPARE(kinds.value("A3"), QStringLiteral("s"));
    QCOMPARE(kinds.value("C3"), QStringLiteral("n"));
    // Row 2 the header, rows 3 to 5 the records, row 6 the totals; nothing after.
    const QString columns = QStringLiteral("ABCDEFGHIJKLMNOP");
    for (int r = 0; r <= 4; ++r)
        for (int c = 0; c < kGridColumns; ++c)
            QCOMPARE(cells.value(columns[c] + QString::number(r + 2)), shown[r][c]);
    QVERIFY(!cells.contains("A7"));
    QCOMPARE(cells.value("A6"), QStringLiteral(" 合计"));
    QFile::remove(path);
}

void TestManager::exportFailureShowsMessage()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager("浦发银行");
    const QString caption = w->windowTitle();
    env.openSucceeds = false;
    w->Command1_Click();
    QCOMPARE(env.boxes.size(), 1);
    const QString kept = test::KeptExportFile(env.boxes[0]);
    QCOMPARE(test::XlsxCells(kept).value("D1"), QStringLiteral("600000"));
    QCOMPARE(w->windowTitle(), caption);
    QCOMPARE(frmMain::instance()->panelText(2), QStringLiteral("不能导出"));
}

void TestManager::documentOpening()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager("浦发银行");
    QVERIFY(!w->picEditFile->isVisible());
    // A document named but missing from the program's File folder.
    w->txtFields[1]->setText(QStringLiteral("tallyvane-no-such-report.doc"));
    QVERIFY(w->picEditFile->isVisible());
    w->picEditFile_Click();
    QCOMPARE_BOX(env.boxes.value(0), "下面文件没有找到：    \r\n\r\ntallyvane-no-such-report.doc    ", 64, "买卖记录系统");
    QCOMPARE(env.openedUrls.size(), 0);

    // A document present but with no program to open it: the offer to try the folder instead.
    const QString doc = env.path("report.doc");
    QFile f(doc);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    w->txtFields[1]->setText(doc);
    env.openSucceeds = false;
    env.answers << vbYes;
    w->picEditFile_Click();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE(env.boxes[1].style, 36);
    QCOMPARE(env.openedUrls.size(), 2);
    QCOMPARE(env.openedUrls[1].toLocalFile(), env.dir());
}

void TestManager::codeLookup()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager("华夏成长");
    // A known code loads its security.
    w->txtFields[0]->setText(QStringLiteral("600000"));
    w->txtFields_LostFocus(0);
    QCOMPARE(g_CurSecurity, QStringLiteral("浦发银行"));
    QCOMPARE(w->lblFileCaption->text(), QStringLiteral("浦发银行"));
    QCOMPARE(w->gridRowCount(), 6);
    // An unknown one asks whether to add it; No clears the view.
    w->txtFields[0]->setText(QStringLiteral("601398"));
    env.answers << vbNo;
    w->txtFields_LostFocus(0);
    QCOMPARE_BOX(env.boxes.value(0), "没找到！    \r\n\r\n [是/否]？     ", 20, "是否添加？");
    QVERIFY(w->txtFields[0]->text().isEmpty());
    QVERIFY(!w->my1->isVisible());
    // Short codes and a running fetch are left alone.
    env.clearBoxes();
    w->txtFields[0]->setText(QStringLiteral("6013"));
    w->txtFields_LostFocus(0);
    g_Idle = false;
    w->txtFields[0]->setText(QStringLiteral("601398"));
    w->txtFields_LostFocus(0);
    g_Idle = true;
    QCOMPARE(env.boxes.size(), 0);
    // A code that cannot be stored as typed is a wrong value: it is not looked for.
    w->txtFields[0]->setText(test::Units({u'6', u'0', 0xD800, u'0', u'0', u'1'}));
    w->txtFields_LostFocus(0);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], "数据类型不对，请修改！", 16, "不能进行运算");
}

void TestManager::typedCodeConfirmedFirst_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("command"); // menu:<item>, key:<sequence> or toolbar:<key>
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QString>("actedOn"); // the security the command acted on; "" for none
    const QList<int> no = {vbNo};
    QTest::newRow("modify by menu") << "000001" << "menu:MnuModifyFile" << QList<int>{} << "平安银行";
    QTest::newRow("modify by accelerator") << "000001" << "key:Ctrl+L" << QList<int>{} << "平安银行";
    QTest::newRow("entry by toolbar") << "000001" << "toolbar:Add" << QList<int>{} << "平安银行";
    QTest::newRow("entry by accelerator") << "000001" << "key:Ctrl+H" << QList<int>{} << "平安银行";
    QTest::newRow("delete by menu") << "000001" << "menu:MnuDeleteFile" << no << "平安银行";
    QTest::newRow("price by accelerator") << "000001" << "key:Ctrl+U" << QList<int>{} << "平安银行";
    QTest::newRow("document by menu") << "000001" << "menu:MnuOpenFile" << QList<int>{} << "平安银行";
    QTest::newRow("unknown code, not added") << "601398" << "menu:MnuModifyFile" << no << "";
    QTest::newRow("unknown code, entry") << "601398" << "toolbar:Add" << no << "";
    QTest::newRow("short code") << "6000" << "key:Ctrl+D" << QList<int>{} << "";
}

void TestManager::typedCodeConfirmedFirst()
{
    QFETCH(QString, typed);
    QFETCH(QString, command);
    QFETCH(QList<int>, answers);
    QFETCH(QString, actedOn);
    TestEnv env;
    makeJournal(env);
    test::DbExec("UPDATE Detail SET 基本面 = 证券代码 || '.doc'");
    frmManager *w = test::OpenManager("浦发银行");
    const QStringList before = detailRows();
    typeCode(w, typed);
    env.answers = answers;

    // A dialog the command opens modally tells whose values it shows, and is closed unsaved.
    QString modifyShown;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&modifyShown] {
        if (frmModifyForm *d = frmModifyForm::existing(); d && d->isVisible()) {
            modifyShown = d->txtFields[1]->text() + u' ' + d->txtFields[0]->text() + u' ' + d->txtFields[5]->text();
            d->ExitB_Click();
        }
    });
    closer.start(0);
    const QString how = command.section(u':', 0, 0), what = command.section(u':', 1);
    if (how == QLatin1String("menu"))
        w->menuItem(what)->trigger();
    else if (how == QLatin1String("key"))
        QTest::keySequence(w->txtFields[0], QKeySequence(what));
    else
        frmMain::instance()->toolbarButton(what)->trigger();
    QCoreApplication::processEvents();
    closer.stop();

    // What the command acted on, as the operator sees it.
    QString acted;
    if (what == QLatin1String("MnuModifyFile") || what == QLatin1String("Ctrl+L")) {
        acted = modifyShown.section(u' ', 0, 0);
        if (!actedOn.isEmpty())
            QCOMPARE(modifyShown, QStringLiteral("平安银行 000001 10.005"));
    } else if (what == QLatin1String("Add") || what == QLatin1String("Ctrl+H")) {
        if (w->Frame2->isVisible())
            acted = g_CurSecurity;
        QCOMPARE(w->m_EntryCode, actedOn.isEmpty() ? QString() : g_CurCode);
    } else {
        // The delete names the security, the document is the security's own.
        for (const test::RecordedBox &b : env.boxes) {
            if (b.title == QStringLiteral("证券删除后将不能恢复!") || b.title == QStringLiteral("买卖记录系统"))
                acted = b.text.contains(QStringLiteral("平安银行")) || b.text.contains(QStringLiteral("000001.doc"))
                            ? QStringLiteral("平安银行")
                            : b.text;
        }
        if (what == QLatin1String("Ctrl+U") && LastStatusText() == QStringLiteral("更新完毕！"))
            acted = g_CurSecurity;
    }
    QCOMPARE(acted, actedOn);
    if (!actedOn.isEmpty()) {
        QCOMPARE(g_CurCode, QStringLiteral("000001"));
        QCOMPARE(w->txtFields[0]->text(), QStringLiteral("000001"));
        QCOMPARE(w->lblFileCaption->text(), actedOn);
    }
    QCOMPARE(detailRows(), before);
    QCOMPARE(test::DbCount("SELECT COUNT(*) FROM rep"), 4);
}

void TestManager::lookupTakesTheSecuritysCategory()
{
    TestEnv env;
    makeJournal(env);
    test::DbExec("UPDATE Detail SET 基本面 = 'fund.doc' WHERE 证券代码 = 'k000001'");
    frmManager *w = test::OpenManager("浦发银行");
    QVERIFY(!w->menuItem("MnuOpenFile")->isEnabled());
    typeCode(w, "k000001");
    w->txtFields_LostFocus(0);
    QCOMPARE(g_CurSecurity, QStringLiteral("华夏成长"));
    QCOMPARE(g_CurCategory, QStringLiteral("基金"));
    QCOMPARE(g_CurAccount, QStringLiteral("J000000001"));
    QVERIFY(w->menuItem("MnuOpenFile")->isEnabled()); // its document

    // Saved without an edit, the fund stays in its own category.
    QString category;
    QTimer::singleShot(0, [&category] {
        frmModifyForm *d = frmModifyForm::existing();
        category = d->Combo1->currentText();
        d->SaveAdd_Click();
    });
    w->MnuModifyFile_Click();
    QCOMPARE(category, QStringLiteral("基金"));
    QCOMPARE(test::DbCount("SELECT COUNT(*) FROM Detail WHERE 证券代码 = 'k000001' AND 股东账号 = 'J000000001'"), 1);
    QCOMPARE(w->m_LoadedName, QStringLiteral("华夏成长"));

    // Moved to another category after a lookup: the tree is rebuilt and shows it there.
    typeCode(w, "000001");
    w->txtFields_LostFocus(0);
    QVERIFY(!w->menuItem("MnuOpenFile")->isEnabled());
    QTimer::singleShot(0, [] {
        frmModifyForm *d = frmModifyForm::existing();
        d->Combo1->setEditText(QStringLiteral("基金"));
        d->SaveAdd_Click();
    });
    w->MnuModifyFile_Click();
    QCOMPARE(w->securityNode("平安银行")->parent(), w->categoryNode("J000000001"));
    QCOMPARE(childNames(w->categoryNode("A000000001")), QStringList{"浦发银行"});
    QVERIFY(w->m_LoadedName.isEmpty());
}

void TestManager::rightPressPicksTheNode()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager("浦发银行");
    w->categoryNode("A000000001")->setExpanded(true);
    w->TreeView_NodeClick(w->securityNode("浦发银行"));
    QCoreApplication::processEvents();
    // A right press as the window system delivers it: the press, then the request for the menu.
    QWindow *window = frmMain::instance()->windowHandle();
    const QPoint at = w->TreeView->viewport()->mapTo(frmMain::instance(),
                                                     w->TreeView->visualItemRect(w->securityNode("平安银行")).center());
    QTest::mousePress(window, Qt::RightButton, {}, at);
    QTRY_VERIFY(w->MnuControl->isVisible());
    QCOMPARE(g_CurSecurity, QStringLiteral("平安银行"));
    QCOMPARE(w->txtFields[0]->text(), QStringLiteral("000001"));
    env.answers << vbNo;
    w->menuItem("MnuDeleteFile")->trigger();
    w->MnuControl->close();
    QCOMPARE_BOX(env.boxes.value(0), "真的要删除该证券及其记录吗？     \r\n\r\n平安银行 [是/否]？     ", 276,
                 "证券删除后将不能恢复!");
}

void TestManager::keysPickTheNode()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager("浦发银行");
    w->categoryNode("A000000001")->setExpanded(true);
    w->TreeView->setCurrentItem(w->securityNode("浦发银行"));
    w->TreeView->setFocus();
    // The arrow moves to the next security, which loads as a click would load it.
    QTest::keyClick(w->TreeView, Qt::Key_Down);
    QCOMPARE(w->TreeView->currentItem(), w->securityNode("平安银行"));
    QCOMPARE(g_CurSecurity, QStringLiteral("平安银行"));
    QCOMPARE(g_CurCode, QStringLiteral("000001"));
    QCOMPARE(w->gridRowCount(), 4);
    QCOMPARE(QApplication::focusWidget(), w->TreeView);
    // On to a category: the detail is emptied, as a click on it empties it.
    QTest::keyClick(w->TreeView, Qt::Key_Down);
    QCOMPARE(g_CurCategory, w->TreeView->currentItem()->text(0));
    QVERIFY(w->txtFields[0]->text().isEmpty());
    QVERIFY(!w->menuItem("MnuDeleteFile")->isEnabled());
}

void TestManager::lookupThenTreeShowsTreeSecurity()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager("浦发银行");
    // Another security looked up by its code, then the tree's earlier one clicked again: that one is
    // shown, and a delete confirmed for it removes it and nothing else.
    w->txtFields[0]->setText(QStringLiteral("000001"));
    w->txtFields_LostFocus(0);
    QCOMPARE(g_CurCode, QStringLiteral("000001"));
    w->TreeView_NodeClick(w->securityNode("浦发银行"));
    QCOMPARE(g_CurCode, QStringLiteral("600000"));
    QCOMPARE(w->txtFields[0]->text(), QStringLiteral("600000"));
    QCOMPARE(w->gridRowCount(), 6);
    env.answers << vbYes;
    w->MnuDeleteFile_Click();
    QCOMPARE(test::DbCount("SELECT COUNT(*) FROM Detail WHERE 证券代码 = '600000'"), 0);
    QCOMPARE(test::DbCount("SELECT COUNT(*) FROM Detail WHERE 证券代码 = '000001'"), 1);
    QCOMPARE(test::DbCount("SELECT COUNT(*) FROM rep WHERE 证券代码 = '000001'"), 1);
}

void TestManager::vanishedSecurityOffersNoCommands()
{
    TestEnv env;
    makeJournal(env);
    // The last loaded code stays 600000: no delete of it may be offered under another security's name.
    frmManager *w = test::OpenManager("浦发银行");
    w->TreeView_NodeClick(w->categoryNode("A000000001"));
    // Another workstation removes a security after the tree was built.
    {
        Database db(g_DbPath, g_DbConnect);
        db.execute(QStringLiteral("DELETE FROM Detail WHERE 证券代码 = '000001'"));
    }
    w->TreeView_NodeClick(w->securityNode("平安银行"));
    QCOMPARE(env.boxes.size(), 1);
    QVERIFY(frmManager::isLoaded());
    for (const char *item : {"MnuModifyFile", "MnuDeleteFile", "uprice", "munaddqix", "Mnumodqix", "Mnudelqix"})
        QVERIFY2(!w->menuItem(item)->isEnabled(), item);
    for (int b : {5, 6, 7})
        QVERIFY(!toolbarOn(b));
    QVERIFY(!w->my1->isVisible());
}

QTEST_MAIN(TestManager)
#include "tst_manager.moc"
