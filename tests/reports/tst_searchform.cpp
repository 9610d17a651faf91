#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/TradeEntry.h"
#include "journal/frmManager.h"
#include "reports/AllocationChart.h"
#include "reports/frmSearchForm.h"
#include "tests/common/TestSupport.h"
#include "tests/reports/ReportsFixture.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLayout>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPieSeries>
#include <QPieSlice>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace tv;
using tv::test::AddDetail;
using tv::test::AddIndexRow;
using tv::test::AddRep;
using tv::test::TestEnv;

namespace {

// Today is 2026-12-10. Two holdings, 浦发银行 above and 万科A below its buy point; four records, two of
// them in the last week.
void makeJournal(TestEnv &env)
{
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddIndexRow(db);
    AddDetail(db, "浦发银行", "600000", 11, 12, 9, 9.5, "-1.2%");
    AddDetail(db, "万科A", "000002", 8, 10, 7, 9, "0.8%");
    AddRep(db, {"600000", "证券买入", "2026-11-20", 10, 500, 500, 5000, 95000});
    AddRep(db, {"600000", "证券买入", "2026-12-01", 10, 500, 1000, 5000, 90000});
    AddRep(db, {"000002", "证券买入", "2026-12-05", 8, 100, 100, 800, 89200});
    AddRep(db, {"600000", "证券卖出", "2026-12-08", 11, 200, 800, 2200, 91400});
}

frmSearchForm *openQuery()
{
    frmManager *m = frmManager::isLoaded() ? frmManager::existing() : test::OpenManager();
    m->MnuSearchFile_Click();
    QCoreApplication::processEvents();
    return frmSearchForm::existing();
}

// The cells of a spreadsheet row (1 up), column A on.
QStringList sheetRow(const QMap<QString, QString> &sheet, int row, int columns)
{
    QStringList out;
    for (int c = 0; c < columns; ++c)
        out << sheet.value(QChar(u'A' + c) + QString::number(row));
    return out;
}

QStringList gridRowCells(frmSearchForm *w, int row)
{
    QStringList out;
    for (int c = 0; c < w->gridModel()->columnCount(); ++c)
        out << w->gridText(row, c);
    return out;
}

// Rows 1 to `rows` of the sheet the last export opened hold the grid's rows 0 to rows - 1, and nothing
// follows them.
void verifySheet(const TestEnv &env, const TextGrid &grid, int rows)
{
    QVERIFY(!env.openedUrls.isEmpty());
    const QString path = env.openedUrls.last().toLocalFile();
    const QMap<QString, QString> sheet = test::XlsxCells(path);
    for (int r = 0; r < rows; ++r)
        QCOMPARE(sheetRow(sheet, r + 1, grid.columnCount()), grid.rows[r]);
    QVERIFY(!sheet.contains(QStringLiteral("A") + QString::number(rows + 1)));
    QFile::remove(path);
}

// What the export of the shown display writes: the header and the data rows, up to the row counter.
void verifySheetIsShownRows(const TestEnv &env, frmSearchForm *w)
{
    verifySheet(env, w->gridModel()->grid(), w->gridRow);
}

bool toolbarOn(int index) { return frmMain::instance()->toolbarButton(index)->isEnabled(); }

void clickTab(frmSearchForm *w, int index)
{
    QTest::mouseClick(w->TabStrip1, Qt::LeftButton, {}, w->TabStrip1->tabRect(index).center());
}

void chooseField(frmSearchForm *w, const QString &field)
{
    w->Combo4->setCurrentIndex(w->Combo4->findText(field));
    Q_EMIT w->Combo4->activated(w->Combo4->currentIndex());
}

QStringList gridColumn(frmSearchForm *w, int column)
{
    QStringList out;
    for (int r = 1; r < w->gridRowCount(); ++r)
        out << w->gridText(r, column);
    return out;
}

QStringList comboItems(QComboBox *c)
{
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

// Runs the actions while a stand-in web fetch waits in its own event loop.
void duringFetch(const std::function<void()> &actions)
{
    IdleGuard fetch;
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        actions();
        loop.quit();
    });
    loop.exec();
}

} // namespace

class TestSearchForm : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensOnTodaysHoldings();
    void busyChangesNothing();
    void closeButtonAndCloseBox();
    void managerToggleUnloads();
    void priceAlertTab();
    void nameThenNarrowByDate();
    void likePatternsOfCodes();
    void clickOnTheSelectedTab();
    void dateRangeAndPeriodReports();
    void failedDisplayPublishesNothing();
    void fieldRuleDatabaseFailure();
    void summaryOfTheRangeAtTheClick();
    void snapshotOfTheAnalysis();
    void snapshotFailures();
    void chartToggle();
    void chartOfSmallSlices();
    void exportShownRows();
    void exportKeepsDigits();
    void exportFailures();
    void exportWhileEventsRun();
    void panelsWhereTheyBelong_data();
    void panelsWhereTheyBelong();
};

void TestSearchForm::opensOnTodaysHoldings()
{
    TestEnv env;
    makeJournal(env);
    frmMain::instance()->show();
    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("Manager"));
    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("Search"));
    QCoreApplication::processEvents();
    frmSearchForm *w = frmSearchForm::existing();
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral("查询记录"));
    QCOMPARE(frmMain::instance()->mdiArea()->activeSubWindow()->widget(), w);
    QCOMPARE(w->TabStrip1->currentIndex(), 0);
    QCOMPARE(w->curTab, 1);
    QVERIFY(w->Frame1[2]->isVisible());
    QVERIFY(!w->Frame1[0]->isVisible());
    QCOMPARE(w->Combo2->currentText(), QStringLiteral("持仓分析"));
    QCOMPARE(comboItems(w->Combo2), (QStringList{"持仓分析", "日报表", "月报表", "年报表"}));
    QCOMPARE(w->DTPicker4->date(), QDate(2026, 12, 10));
    QCOMPARE(w->DTPicker2->date(), QDate(2026, 12, 3));
    QCOMPARE(w->DTPicker3->date(), QDate(2026, 12, 10));
    for (int b : {5, 6, 7, 10})
        QVERIFY2(!toolbarOn(b), qPrintable(QString::number(b)));

    QVERIFY(w->my1->isVisible());
    QVERIFY(w->Frame2->isVisible());
    QVERIFY(w->Frame3->isVisible());
    QVERIFY(w->Command6->isVisible());
    QVERIFY(w->Command7->isVisible());
    QVERIFY(w->Command4->isVisible());
    QVERIFY(!w->Command8->isVisible());
    QVERIFY(!w->Check1->isVisible());
    QCOMPARE(w->Check1->text(), QStringLiteral("在结果中查询 "));
    QCOMPARE(gridColumn(w, 0), (QStringList{"浦发银行", "万科A", " 合计", ""}));
    QCOMPARE(gridColumn(w, 15), (QStringList{"8800", "800", "9600", ""}));
    QCOMPARE(w->my1->model()->headerData(15, Qt::Horizontal).toString(), QStringLiteral("证券市值"));
    QCOMPARE(w->Text2->text(), QStringLiteral("2"));
    QCOMPARE(w->Text3->text(), QStringLiteral("101000"));
    QVERIFY(w->Text3->isReadOnly());
    QCOMPARE(w->gridRow, 3);
    QCOMPARE(g_TotalAssets, 101000.0);
    QCOMPARE(w->my1->currentIndex().row(), 0);
    QCOMPARE(w->my1->selectionModel()->selectedIndexes().size(), 16);
}

void TestSearchForm::busyChangesNothing()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();
    w->Combo2->setCurrentIndex(2); // 月报表
    duringFetch([&] {
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        clickTab(w, 1);
        w->close();
    });
    QCOMPARE(w->gridText(0, 15), QStringLiteral("证券市值")); // still the analysis
    QCOMPARE(w->TabStrip1->currentIndex(), 0);
    QCOMPARE(w->curTab, 1);
    QVERIFY(w->Frame1[2]->isVisible());
    QVERIFY(frmSearchForm::isLoaded());
    QVERIFY(toolbarOn(10));

    // Once the fetch has returned the close asked for meanwhile is carried out, and the same requests
    // go through.
    QTRY_VERIFY(!frmSearchForm::isLoaded());
    w = openQuery();
    clickTab(w, 1);
    QCOMPARE(w->curTab, 2);
    QVERIFY(w->Frame1[0]->isVisible());
    QVERIFY(!w->my1->isVisible());
    w->close();
    QCoreApplication::processEvents();
    QVERIFY(!frmSearchForm::isLoaded());
}

void TestSearchForm::closeButtonAndCloseBox()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();
    clickTab(w, 1);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    const QString range = QStringLiteral("交收日期  <= #2026-12-10# and 交收日期  >= #2026-12-03#");
    QCOMPARE(g_LastWhere, range);
    w->close(); // the close box keeps the query state
    QCoreApplication::processEvents();
    QVERIFY(!frmSearchForm::isLoaded());
    QCOMPARE(g_LastWhere, range);
    QCOMPARE(g_RepWhere, range);
    QCOMPARE(g_ListRows, 2);

    w = openQuery();
    SetStatusText(QStringLiteral("别的"));
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(!frmSearchForm::isLoaded());
    QVERIFY(g_LastWhere.isEmpty());
    QVERIFY(g_RepWhere.isEmpty());
    QCOMPARE(g_ListRows, 0);
    QCOMPARE(frmMain::instance()->panelText(2), QStringLiteral("待命状态..."));
    QVERIFY(toolbarOn(10));
}

void TestSearchForm::managerToggleUnloads()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();
    // Refused while a fetch runs: the toggle goes on without it, and the closes wait for the fetch.
    duringFetch([] { frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("Manager")); });
    QVERIFY(frmSearchForm::isLoaded());
    QVERIFY(frmManager::isLoaded()); // refused as well
    // Both are closed once the fetch has returned.
    QTRY_VERIFY(!frmSearchForm::isLoaded());
    QTRY_VERIFY(!frmManager::isLoaded());
}

void TestSearchForm::priceAlertTab()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();
    clickTab(w, 2);
    QCOMPARE(w->curTab, 3);
    QVERIFY(!w->my1->isVisible());
    QVERIFY(!w->Frame3->isVisible());
    QCOMPARE(w->Combo4->currentText(), QStringLiteral("市场价格"));
    QCOMPARE(comboItems(w->Combo5), (QStringList{"=", "<", ">", "<>", "Like"}));
    QCOMPARE(w->Combo5->currentText(), QStringLiteral("<"));
    QCOMPARE(comboItems(w->Combo1), (QStringList{"买入点", "止损位", "目标价"}));
    QCOMPARE(w->Combo1->currentText(), QStringLiteral("买入点"));
    QVERIFY(!w->Check1->isVisible());

    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(gridColumn(w, 0), QStringList{"万科A"});
    QCOMPARE(w->Text2->text(), QStringLiteral("1"));
    QCOMPARE(g_RepWhere, QStringLiteral("市场价格 < 买入点"));
    QCOMPARE(g_ListRows, 2); // the analysis's, untouched
    QVERIFY(g_LastWhere.isEmpty());
    QVERIFY(w->Command4->isVisible());
    QVERIFY(!w->Command6->isVisible() && !w->Command7->isVisible() && !w->Command8->isVisible());

    // A typed value that is neither a threshold nor a number runs nothing; "inf" is no number.
    for (const char *op : {"<", "<>"}) {
        for (const char *value : {"成交价格", "inf"}) {
            w->Combo5->setCurrentIndex(w->Combo5->findText(QString::fromLatin1(op)));
            w->Combo1->setEditText(QString::fromUtf8(value));
            env.clearBoxes();
            QTest::mouseClick(w->Command1, Qt::LeftButton);
            QCOMPARE(env.boxes.size(), 1);
            QCOMPARE_BOX(env.boxes[0], "数据类型不对，请修改！", 16, "不能进行查询");
            QVERIFY(!w->my1->isVisible());
            QCOMPARE(g_RepWhere, QStringLiteral("市场价格 < 买入点"));
        }
    }
}

void TestSearchForm::nameThenNarrowByDate()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();
    clickTab(w, 2);
    chooseField(w, QStringLiteral("证券名称"));
    QCOMPARE(w->Combo5->currentText(), QStringLiteral("="));
    QCOMPARE(comboItems(w->Combo1), (QStringList{"上证指数", "浦发银行", "万科A"}));
    w->Combo1->setCurrentIndex(1);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(g_RepWhere, QStringLiteral("证券代码 = '600000'"));
    QCOMPARE(w->Text1->text(), QStringLiteral("600000"));
    QCOMPARE(gridColumn(w, 3), (QStringList{"2026-11-20", "2026-12-01", "2026-12-08", "", ""}));
    QVERIFY(w->Check1->isVisible());

    // The entry panel rewrites g_RepWhere meanwhile; the narrowing joins the list on screen.
    g_RepWhere = EntryRepWhere(QStringLiteral("000002"), QDate(2026, 12, 10));
    chooseField(w, QStringLiteral("交收日期"));
    QVERIFY(w->DTPicker1->isVisible());
    QVERIFY(!w->Combo1->isVisible());
    QCOMPARE(w->DTPicker1->date(), QDate(2026, 12, 10));
    w->DTPicker1->setDate(QDate(2026, 12, 1));
    w->Combo5->setCurrentIndex(2); // ">"
    w->Check1->setChecked(true);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(g_RepWhere, QStringLiteral("交收日期 > #2026-12-01# and 证券代码 = '600000'"));
    QCOMPARE(g_LastWhere, g_RepWhere);
    QCOMPARE(gridColumn(w, 3), (QStringList{"2026-12-08", "", ""}));
    QVERIFY(w->Check1->isVisible());
    QVERIFY(!w->Check1->isChecked());

    // A name that no security has.
    chooseField(w, QStringLiteral("证券名称"));
    w->Combo1->setEditText(QStringLiteral("不存在"));
    env.clearBoxes();
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], "没有该股票的信息!", 0, "");
    QVERIFY(!w->my1->isVisible());
    QCOMPARE(g_RepWhere, QStringLiteral("交收日期 > #2026-12-01# and 证券代码 = '600000'"));

    // Typing copies into Text1; a single quote is an ordinary character.
    chooseField(w, QStringLiteral("证券代码"));
    QTest::keyClicks(w->Combo1->lineEdit(), QStringLiteral("'"));
    QVERIFY(w->Text1->text().endsWith(u'\''));
    w->Combo1->setEditText(QStringLiteral("60'0"));
    env.clearBoxes();
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 0);
    QCOMPARE(w->Text2->text(), QStringLiteral("0"));

    // A typed code or name that no text can be stored as is a wrong value, under this window's title; one
    // beyond the basic plane is looked for as typed.
    for (const QString &field : {QStringLiteral("证券代码"), QStringLiteral("证券名称")}) {
        for (const test::TypedText &t : test::TypedTexts()) {
            chooseField(w, field);
            w->Combo1->setEditText(t.text);
            env.clearBoxes();
            QTest::mouseClick(w->Command1, Qt::LeftButton);
            if (t.storable) {
                QVERIFY(env.boxes.isEmpty() || env.boxes[0].text == QStringLiteral("没有该股票的信息!"));
                continue;
            }
            QCOMPARE(env.boxes.size(), 1);
            QCOMPARE_BOX(env.boxes[0], "数据类型不对，请修改！", 16, "不能进行查询");
            QVERIFY(!w->my1->isVisible());
        }
    }
}

// The operator "Like" takes the engine's wildcards; the window runs one by the keyboard and one by the
// mouse, and refuses a pattern whose "[" is not closed as a wrong value.
void TestSearchForm::likePatternsOfCodes()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();
    clickTab(w, 2);
    chooseField(w, QStringLiteral("证券代码"));
    w->Combo5->setCurrentIndex(w->Combo5->findText(QStringLiteral("Like")));
    const auto typePattern = [&](const QString &pattern) {
        w->Combo1->lineEdit()->selectAll();
        QTest::keyClicks(w->Combo1->lineEdit(), pattern);
    };

    typePattern(QStringLiteral("[!6]*"));
    w->Command1->setFocus();
    QTest::keyClick(w->Command1, Qt::Key_Return);
    QCOMPARE(g_RepWhere, QStringLiteral("证券代码 Like '[!6]*'"));
    QCOMPARE(gridColumn(w, 1), (QStringList{"000002", "1", ""}));

    typePattern(QStringLiteral("6000[0-1]#"));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(gridColumn(w, 3), (QStringList{"2026-11-20", "2026-12-01", "2026-12-08", "", ""}));
    QVERIFY(w->my1->isVisible());

    typePattern(QStringLiteral("6000[01"));
    env.clearBoxes();
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], "数据类型不对，请修改！", 16, "不能进行查询");
    QVERIFY(!w->my1->isVisible());
    QCOMPARE(g_RepWhere, QStringLiteral("证券代码 Like '6000[0-1]#'"));
}

// A click on the tab already selected runs the tab switch as a click on another does: the pane starts
// afresh and the grid and both panels are hidden until the next "确定".
void TestSearchForm::clickOnTheSelectedTab()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();
    w->Combo2->setCurrentIndex(2); // 月报表
    w->DTPicker4->setDate(QDate(2026, 11, 30));
    clickTab(w, 0);
    QCOMPARE(w->curTab, 1);
    QCOMPARE(w->Combo2->currentText(), QStringLiteral("持仓分析"));
    QCOMPARE(w->DTPicker4->date(), QDate(2026, 12, 10));
    QVERIFY(!w->my1->isVisible() && !w->Frame2->isVisible() && !w->Frame3->isVisible());

    clickTab(w, 2);
    chooseField(w, QStringLiteral("证券代码"));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QVERIFY(w->my1->isVisible());
    QVERIFY(w->Check1->isVisible());
    // Not while a fetch runs, and not by another button.
    duringFetch([&] { clickTab(w, 2); });
    QTest::mouseClick(w->TabStrip1, Qt::RightButton, {}, w->TabStrip1->tabRect(2).center());
    QCOMPARE(w->Combo4->currentText(), QStringLiteral("证券代码"));
    QVERIFY(w->my1->isVisible());

    clickTab(w, 2);
    QCOMPARE(w->curTab, 3);
    QCOMPARE(w->Combo4->currentText(), QStringLiteral("市场价格"));
    QCOMPARE(w->Combo5->currentText(), QStringLiteral("<"));
    QCOMPARE(w->Combo1->currentText(), QStringLiteral("买入点"));
    QVERIFY(!w->Check1->isVisible());
    QVERIFY(!w->my1->isVisible() && !w->Frame2->isVisible());
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(g_RepWhere, QStringLiteral("市场价格 < 买入点"));
}

void TestSearchForm::dateRangeAndPeriodReports()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();
    clickTab(w, 1);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(gridColumn(w, 3), (QStringList{"2026-12-05", "2026-12-08", "", ""}));
    QCOMPARE(w->gridText(3, 0), QStringLiteral(" 合计"));
    QCOMPARE(w->gridText(3, 8), QStringLiteral("91400"));
    QCOMPARE(w->Text2->text(), QStringLiteral("2"));
    QVERIFY(w->Command8->isVisible());
    QVERIFY(!w->Frame3->isVisible());

    clickTab(w, 0);
    QVERIFY(!w->Frame2->isVisible());
    w->Combo2->setCurrentIndex(2); // 月报表
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(w->my1->model()->columnCount(), 9);
    QCOMPARE(gridColumn(w, 0), (QStringList{"2026-12-01", "2026-12-05", "2026-12-08", " 合计", ""}));
    QCOMPARE(w->Text2->text(), QStringLiteral("3"));
    QCOMPARE(w->gridRow, 4);
    QVERIFY(!w->Command8->isVisible());

    w->Combo2->setCurrentIndex(3); // 年报表
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(gridColumn(w, 0), (QStringList{"2026-11", "2026-12", " 合计", ""}));
    QCOMPARE(gridColumn(w, 1), (QStringList{"1", "3", "4", ""}));

    w->Combo2->setCurrentIndex(1); // 日报表
    w->DTPicker4->setDate(QDate(2026, 12, 8));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(w->my1->model()->columnCount(), 16);
    QCOMPARE(gridColumn(w, 2), (QStringList{"证券卖出", "", ""}));
}

void TestSearchForm::failedDisplayPublishesNothing()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();
    test::DbExec(QStringLiteral("DELETE FROM Detail WHERE 证券代码 = 'shzs000001'"));
    test::DbExec(QStringLiteral("UPDATE Detail SET 市场价格 = 20"));
    g_WatchChange[2] = QStringLiteral("kept");
    env.clearBoxes();
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], "系统未知错误，不能继续！", 16, "未知错误");
    QVERIFY(!w->my1->isVisible());
    QVERIFY(!w->Frame3->isVisible());
    QCOMPARE(w->Text3->text(), QStringLiteral("101000"));
    QCOMPARE(g_TotalAssets, 101000.0);
    QCOMPARE(g_WatchChange[2], QStringLiteral("kept"));
    QCOMPARE(w->Text2->text(), QStringLiteral("2"));
}

void TestSearchForm::fieldRuleDatabaseFailure()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();
    clickTab(w, 2);
    g_DbPath = env.path(QStringLiteral("missing.zqd"));
    env.clearBoxes();
    chooseField(w, QStringLiteral("证券代码"));
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], "系统未知错误，不能继续！", 16, "未知错误");
    QCOMPARE(w->Combo1->count(), 0);
    QVERIFY(frmSearchForm::isLoaded());
}

void TestSearchForm::summaryOfTheRangeAtTheClick()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();
    clickTab(w, 1);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    const QString listed = g_LastWhere;
    QCOMPARE(g_ListRows, 2);

    // The pickers as they stand at the click, not the range listed.
    w->DTPicker2->setDate(QDate(2026, 11, 1));
    QTest::mouseClick(w->Command8, Qt::LeftButton);
    QVERIFY(env.boxes.isEmpty());
    QVERIFY(w->my1->isVisible());
    QCOMPARE(w->gridModel()->columnCount(), 14);
    QCOMPARE(w->my1->model()->headerData(13, Qt::Horizontal).toString(), QStringLiteral("浮动盈亏"));
    QCOMPARE(gridColumn(w, 1), (QStringList{"000002", "600000", "2", ""}));
    QCOMPARE(gridRowCells(w, 2), (QStringList{"浦发银行", "600000", "3", "0", "800", "1200", "12200", "0",
                                              "0", "0", "0", "0", "11", "8800"}));
    QCOMPARE(w->gridText(3, 13), QStringLiteral("9600"));
    QCOMPARE(w->Text2->text(), QStringLiteral("2"));
    QCOMPARE(w->gridRow, 3);
    QCOMPARE(g_RepWhere, QStringLiteral("交收日期  <= #2026-12-10# and 交收日期  >= #2026-11-01#"));
    QCOMPARE(g_LastWhere, listed);
    QCOMPARE(g_ListRows, 2);
    QCOMPARE(g_TotalAssets, 101000.0);
    QCOMPARE(w->my1->currentIndex().row(), 0);

    // A database that cannot be opened: the message, and the grid stays hidden.
    g_DbPath = env.path(QStringLiteral("missing.zqd"));
    QTest::mouseClick(w->Command8, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], "系统未知错误，不能继续！", 16, "未知错误");
    QVERIFY(!w->my1->isVisible());
    QCOMPARE(w->Text2->text(), QStringLiteral("2"));
    QCOMPARE(g_RepWhere, QStringLiteral("交收日期  <= #2026-12-10# and 交收日期  >= #2026-11-01#"));
}

void TestSearchForm::snapshotOfTheAnalysis()
{
    TestEnv env;
    makeJournal(env);
    g_CurUser = QStringLiteral("admin");
    frmSearchForm *w = openQuery();
    QVERIFY(w->Command3->isVisible());
    // The picker moved after the analysis: the figures stay the analysis's, and so does the day.
    w->DTPicker4->setDate(QDate(2026, 12, 1));
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    // The live watch writes its total back; the cash stays the analysis's.
    g_MarketValue = 1143167.89;
    w->Text3->setText(QStringLiteral("1234567.89"));
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QVERIFY(env.boxes.isEmpty());

    Database db(g_DbPath, g_DbConnect);
    const RowSet rows = db.openQuery(
        QStringLiteral("SELECT 资金余额, 证券市值, 资产总值, 上证指数, 涨跌幅, 日期, 备注 FROM qixst "
                       "ORDER BY qixstid"));
    QCOMPARE(rows.recordCount(), 3);
    const QVariantList first = rows.rows()[0];
    QCOMPARE(first, (QVariantList{91400.0, 9600.0, 101000.0, 3100.5, "-0.5%", "2026-12-10", "admin"}));
    QCOMPARE(rows.rows()[1], first);
    QCOMPARE(rows.number(2, 1), 1143167.89);
    QCOMPARE(rows.number(2, 2), 1234567.89);
    QCOMPARE(rows.number(2, 0), 91400.0);
    QCOMPARE(rows.text(2, 5), QStringLiteral("2026-12-10"));
}

void TestSearchForm::snapshotFailures()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();

    // Another workstation holds the file past the busy time-out.
    test::WriteLockHeld other(g_DbPath);
    QVERIFY(other.held());
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    other.release();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], DbBusyText(), 48, QStringLiteral("提示："));

    // No index row to take the index level from.
    test::DbExec(QStringLiteral("DELETE FROM Detail WHERE 证券代码 = 'shzs000001'"));
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE_BOX(env.boxes[1], "系统未知错误，不能继续！", 16, "未知错误");
    QCOMPARE(test::DbCount(QStringLiteral("SELECT COUNT(*) FROM qixst")), 0);
}

void TestSearchForm::chartToggle()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();
    QCOMPARE(w->Command7->text(), QStringLiteral("图形"));
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    QCOMPARE(w->Command7->text(), QStringLiteral("表格"));
    QVERIFY(w->MSChart1->isVisible());
    QVERIFY(!w->my1->isVisible());
    QCOMPARE(w->MSChart1->geometry(), w->my1->geometry());

    // 8800 and 800 held, 91400 in cash.
    QCOMPARE(w->MSChart1->chart()->series().size(), 1);
    auto *pie = qobject_cast<QPieSeries *>(w->MSChart1->chart()->series()[0]);
    QVERIFY(pie);
    QCOMPARE(pie->name(), QStringLiteral("资金配比"));
    QStringList labels, names;
    for (QPieSlice *slice : pie->slices()) {
        labels << slice->label();
        QCOMPARE(slice->labelPosition(), QPieSlice::LabelOutside);
        QCOMPARE(slice->labelFont().pointSize(), 12);
    }
    QVERIFY(pie->slices().last()->isLabelVisible());
    for (QLegendMarker *m : w->MSChart1->chart()->legend()->markers(pie))
        names << m->label();
    QCOMPARE(labels, (QStringList{"8.7%", "0.8%", "90.5%"}));
    QCOMPARE(names, (QStringList{"浦发银行 8.7%", "万科A 0.8%", "资金余额 90.5%"}));
    QCOMPARE(pie->slices()[0]->value(), 8800.0);

    QTest::mouseClick(w->Command7, Qt::LeftButton);
    QCOMPARE(w->Command7->text(), QStringLiteral("图形"));
    QVERIFY(w->my1->isVisible());
    QVERIFY(!w->MSChart1->isVisible());

    // "确定" while the chart shows returns to the grid as well.
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(w->Command7->text(), QStringLiteral("图形"));
    QVERIFY(w->my1->isVisible());
    QVERIFY(!w->MSChart1->isVisible());
    QVERIFY(env.boxes.isEmpty());
}

// Twelve holdings, eleven of them slivers side by side: each slice has a colour of its own, the legend
// gives every share, and only labels that stand clear of the others are drawn, fewer on a smaller pie.
void TestSearchForm::chartOfSmallSlices()
{
    TestEnv env;
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        test::AddIndexAndHoldings(db, 12);
    }
    frmSearchForm *w = openQuery();
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    QCoreApplication::processEvents();
    auto *pie = qobject_cast<QPieSeries *>(w->MSChart1->chart()->series().value(0));
    QVERIFY(pie);
    const QList<QPieSlice *> slices = pie->slices();
    QCOMPARE(slices.size(), 13);
    QList<QColor> colours;
    for (QPieSlice *slice : slices)
        colours << slice->color();
    QCOMPARE(colours, SliceColours(13));
    const QList<QLegendMarker *> markers = w->MSChart1->chart()->legend()->markers(pie);
    QCOMPARE(markers.size(), 13);
    QCOMPARE(markers[1]->label(), QStringLiteral("证券2 ") + slices[1]->label());
    QCOMPARE(markers[12]->label(), QStringLiteral("资金余额 ") + slices[12]->label());

    const auto labelled = [&] {
        int n = 0;
        for (QPieSlice *slice : slices)
            n += slice->isLabelVisible();
        return n;
    };
    const int shown = labelled();
    QVERIFY2(shown > 1 && shown < 13, qPrintable(QString::number(shown)));
    QVERIFY(slices[0]->isLabelVisible() && slices[12]->isLabelVisible()); // the two largest
    w->MSChart1->resize(w->MSChart1->width() / 2, w->MSChart1->height() / 2);
    QCoreApplication::processEvents();
    QVERIFY2(labelled() < shown, qPrintable(QString::number(labelled())));
    QVERIFY(slices[12]->isLabelVisible());
    QVERIFY(env.boxes.isEmpty());
}

void TestSearchForm::exportShownRows()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();

    // A monthly report of three days: the header and the three days, no totals.
    w->Combo2->setCurrentIndex(2);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(w->gridRow, 4);
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    QCOMPARE(w->windowTitle(), QStringLiteral("添加3记录"));
    verifySheetIsShownRows(env, w);

    // A trade list of twelve rows.
    {
        Database db(g_DbPath, g_DbConnect);
        for (int i = 0; i < 10; ++i)
            AddRep(db, {"000002", "证券买入", "2026-12-09", 8, 10, 110.0 + 10 * i, 80, 91320.0 - 80 * i});
    }
    clickTab(w, 1);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(w->Text2->text(), QStringLiteral("12"));
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    QCOMPARE(w->windowTitle(), QStringLiteral("添加12记录"));
    QCOMPARE(env.openedUrls.size(), 2);
    verifySheetIsShownRows(env, w);
    QVERIFY(w->Command4->isEnabled());

    // Nothing listed: the header alone.
    w->DTPicker2->setDate(QDate(2025, 1, 1));
    w->DTPicker3->setDate(QDate(2025, 1, 31));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    QCOMPARE(w->windowTitle(), QStringLiteral("添加0记录"));
    verifySheetIsShownRows(env, w);
    QVERIFY(env.boxes.isEmpty());
}

// A trade list exported as typed values: codes, dates and contract numbers stay text with every digit,
// and each other cell is a number where its text is exactly one.
void TestSearchForm::exportKeepsDigits()
{
    TestEnv env;
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        AddDetail(db, "甲", "600001", 10.5);
        AddDetail(db, "乙", "000003", 8.25);
        for (int i = 1; i <= 12; ++i) {
            const QString day = QStringLiteral("2026-12-%1").arg(3 + (i + 1) / 2, 2, 10, QChar(u'0'));
            test::Rep r{i % 2 ? "600001" : "000003", "证券买入", day,  10.5, 100, 100.0 * i, 1050,
                        100000 - 1050.0 * i,         5,          1.05, 0.1,  0,   -1056.15};
            r.contract = QStringLiteral("2024030412345678%1").arg(i, 2, 10, QChar(u'0'));
            AddRep(db, r);
        }
    }
    frmSearchForm *w = openQuery();
    clickTab(w, 1);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(w->gridRow, 13);
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    QCOMPARE(w->windowTitle(), QStringLiteral("添加12记录"));
    const QString path = env.openedUrls.value(0).toLocalFile();
    const QMap<QString, QString> kinds = test::XlsxCellKinds(path);
    verifySheetIsShownRows(env, w);

    const TextGrid &g = w->gridModel()->grid();
    QCOMPARE(g.text(1, 14), QStringLiteral("202403041234567801"));
    QCOMPARE(g.text(2, 1), QStringLiteral("000003"));
    const QString textColumns = QStringLiteral("ABCDO"); // name, code, type, date, contract
    for (int r = 1; r <= 13; ++r) {
        for (int c = 0; c < g.columnCount(); ++c) {
            const QString ref = QChar(u'A' + c) + QString::number(r);
            const bool text = r == 1 || textColumns.contains(ref[0]);
            QVERIFY2(kinds.value(ref) == (text ? QStringLiteral("s") : QStringLiteral("n")), qPrintable(ref));
        }
    }
    QVERIFY(env.boxes.isEmpty());
}

void TestSearchForm::exportFailures()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();

    // The desktop cannot open the workbook: it is kept beside the database and the message names it.
    clickTab(w, 1);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    env.openSucceeds = false;
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    const QString kept = test::KeptExportFile(env.boxes[0]);
    QCOMPARE(QFileInfo(kept).absolutePath(), env.path(QStringLiteral("导出")));
    QCOMPARE(test::XlsxCells(kept).value(QStringLiteral("B3")), QStringLiteral("600000"));
    QCOMPARE(w->windowTitle(), QStringLiteral("[查询记录]"));
    QVERIFY(w->Command4->isEnabled());
    QVERIFY(!QFile::exists(env.openedUrls.value(0).toLocalFile()));

    // The workbook cannot be written: the temporary folder is a plain file.
    env.openSucceeds = true;
    env.openedUrls.clear();
    w->setWindowTitle(QStringLiteral("查询记录"));
    QFile plain(env.path(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QByteArray tmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", plain.fileName().toLocal8Bit());
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    if (tmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", tmp);
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE_BOX(env.boxes[1], "系统错误Excel未安装或版本不符，不能继续！", 16, "不能导出");
    QCOMPARE(w->windowTitle(), QStringLiteral("[查询记录]"));
    QVERIFY(env.openedUrls.isEmpty());
}

// The export lets events run after every row: a query run meanwhile does not reach the sheet, a second
// export cannot start, and a close does not leave the export writing to a destroyed window.
void TestSearchForm::exportWhileEventsRun()
{
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();
    clickTab(w, 1);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    const TextGrid list = w->gridModel()->grid();
    const int listRow = w->gridRow;

    bool exportOffered = true;
    QTimer::singleShot(0, w, [&] {
        exportOffered = w->Command4->isEnabled();
        w->DTPicker2->setDate(QDate(2026, 11, 1));
        QTest::mouseClick(w->Command1, Qt::LeftButton);
    });
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    QVERIFY(!exportOffered);
    QCOMPARE(w->gridText(1, 3), QStringLiteral("2026-11-20")); // the query ran
    verifySheet(env, list, listRow);
    QCOMPARE(w->windowTitle(), QStringLiteral("添加2记录"));

    // Closed meanwhile: the export still finishes what it copied.
    const TextGrid shown = w->gridModel()->grid();
    const int shownRow = w->gridRow;
    QPointer<frmSearchForm> alive(w);
    QTimer::singleShot(0, w, [w] { w->close(); });
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    QVERIFY(!alive);
    QCOMPARE(env.openedUrls.size(), 2);
    verifySheet(env, shown, shownRow);
    QVERIFY(env.boxes.isEmpty());
}

void TestSearchForm::panelsWhereTheyBelong_data()
{
    QTest::addColumn<int>("mainWidth"); // 0: the window at its first size
    QTest::addColumn<bool>("narrowing"); // "在结果中查询 " shown
    QTest::newRow("first size") << 0 << false;
    QTest::newRow("first size, narrowing") << 0 << true;
    QTest::newRow("1024 px") << 1024 << false;
    QTest::newRow("1024 px, narrowing") << 1024 << true;
}

// The top panels stand where the window's plan puts them, none over another, inside a main window 1024
// pixels wide; every control keeps its natural height and its caption, and the total assets of over a
// million read whole.
void TestSearchForm::panelsWhereTheyBelong()
{
    QFETCH(int, mainWidth);
    QFETCH(bool, narrowing);
    TestEnv env;
    makeJournal(env);
    frmSearchForm *w = openQuery();
    if (mainWidth > 0)
        frmMain::instance()->resize(mainWidth, 700);
    if (narrowing) {
        clickTab(w, 2);
        chooseField(w, QStringLiteral("证券名称"));
        w->Combo1->setCurrentIndex(1);
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QVERIFY(w->Check1->isVisible());
    } else {
        QVERIFY(w->Frame3->isVisible());
    }
    w->Text3->setText(QStringLiteral("1234567.89"));
    QCoreApplication::processEvents();
    QVERIFY(w->Frame2->isVisible());

    QCOMPARE(w->Frame2->pos(), QPoint(TwipsToPx(7560), TwipsToPx(240)));
    QCOMPARE(w->Frame3->pos(), QPoint(TwipsToPx(11880), TwipsToPx(240)));
    QVERIFY(w->Frame2->geometry().right() < w->Frame3->x());
    QVERIFY(w->Command1->geometry().right() < w->Frame2->x());
    // As wide as planned, or as its total of 13 digits with cents needs.
    QVERIFY(w->Frame3->geometry().right() + 1 >= TwipsToPx(11880 + 2415));
    QVERIFY(w->Frame3->geometry().right() < w->width());
    QCOMPARE(w->Frame2->height(), narrowing ? w->Frame2->layout()->totalMinimumSize().height() : TwipsToPx(1215));
    QVERIFY(w->my1->y() > w->Frame2->geometry().bottom());
    for (QFrame *frame : {w->Frame2, w->Frame3}) {
        for (QWidget *c : frame->findChildren<QWidget *>()) {
            if (!c->isVisibleTo(frame))
                continue;
            QVERIFY2(c->height() >= c->sizeHint().height(), qPrintable(c->objectName()));
            QVERIFY2(frame->rect().contains(c->geometry()), qPrintable(c->objectName()));
            if (auto *b = qobject_cast<QPushButton *>(c))
                QVERIFY2(b->width() >= b->fontMetrics().horizontalAdvance(b->text()) + 8, qPrintable(b->text()));
        }
    }
    const QFontMetrics fm(w->Text3->font());
    QVERIFY(w->Text3->width() >= fm.horizontalAdvance(w->Text3->text()) + 8);
}

QTEST_MAIN(TestSearchForm)
#include "tst_searchform.moc"
