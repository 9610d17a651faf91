// Column widths of the program's grids: no figure or name is cut short, whatever the font, and a
// column of no width stays hidden.

#include "admin/frmOperator.h"
#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/GridViews.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/frmManager.h"
#include "quotes/frmnow.h"
#include "reports/Frmbook.h"
#include "reports/frmSearchForm.h"
#include "tests/common/TestSupport.h"
#include "tests/quotes/WatchFixture.h"
#include "tests/reports/ReportsFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <cmath>

using namespace tv;
using tv::test::AddDetail;
using tv::test::AddIndexRow;
using tv::test::AddRep;
using tv::test::TestEnv;

namespace {

const QString kLongName = QStringLiteral("样本六号稳健成长"); // eight characters

// What the view needs to paint a text whole: its advance in the view's font, the focus margin on either
// side, and the grid line.
int neededWidth(const QTableView *view, const QString &text)
{
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    return int(std::ceil(QFontMetricsF(view->font()).horizontalAdvance(text))) + 2 * margin +
           (view->showGrid() ? 1 : 0);
}

// Every shown column is as wide as its widest cell, as the view's own size hint for it and as its
// header; the columns in `hidden` are hidden. `mustShow` are texts the grid is expected to hold, so
// the check is not passed by a grid of narrow texts.
void verifyFitted(const QTableView *view, const QList<int> &hidden, const QStringList &mustShow)
{
    const QAbstractItemModel *m = view->model();
    QStringList seen;
    for (int c = 0; c < m->columnCount(); ++c) {
        QCOMPARE(view->isColumnHidden(c), hidden.contains(c));
        if (view->isColumnHidden(c))
            continue;
        const int width = view->columnWidth(c);
        for (int r = 0; r < m->rowCount(); ++r) {
            const QString text = m->index(r, c).data().toString();
            seen << text;
            QVERIFY2(width >= neededWidth(view, text),
                     qPrintable(QStringLiteral("%1 column %2: %3 px for \"%4\"")
                                    .arg(view->objectName())
                                    .arg(c)
                                    .arg(width)
                                    .arg(text)));
        }
        QVERIFY(width >= static_cast<const QAbstractItemView *>(view)->sizeHintForColumn(c));
        QVERIFY(width >= view->horizontalHeader()->sectionSizeHint(c));
    }
    for (const QString &text : mustShow)
        QVERIFY2(seen.contains(text), qPrintable(view->objectName() + QStringLiteral(" lacks ") + text));
}

// Today is 2026-12-10. A cash balance over a million and a flow of -641696.71, a security of an
// eight-character name, a long contract number and a fund purchase's long trade type.
void makeWideJournal(TestEnv &env)
{
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddIndexRow(db);
    AddDetail(db, kLongName, "600000", 12341.2435, 20000, 9);
    AddDetail(db, "万科A", "000002", 8, 10, 7);
    AddRep(db, {"600000", "证券买入", "2026-12-08", 6416.97, 100, 100, 641697.00, 1234591.89, 0.29, 0, 0, 0,
                -641696.71, "HT2026120800012345"});
    AddRep(db, {"000002", "基金申购拨出", "2026-12-09", 8, 100, 100, 800, 1233791.89, 0, 0, 0, 0, -800});
}

} // namespace

class TestGridWidths : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void widestTextsFoundAmongMany();
    void textsTheEstimateDoesNotModel();
    void queryGrids();
    void unmodelledCellsInTheTradeList();
    void notebookGrids();
    void managerGrid();
    void watchGridAndWindow();
    void watchWidensOnRefresh();
    void operatorGrid();
};

// Texts that are longer in characters are not always wider: thousands of digit strings and a short
// Chinese name, narrow letters and a few wide ones. Columns of narrow texts keep their width exactly.
void TestGridWidths::widestTextsFoundAmongMany()
{
    QStandardItemModel model(3000, 5);
    model.setHorizontalHeaderLabels({"a", "b", "hidden", "narrow", "default"});
    for (int r = 0; r < model.rowCount(); ++r) {
        model.setItem(r, 0, new QStandardItem(QString::number(100000000000LL + r)));
        model.setItem(r, 1, new QStandardItem(QString(14 + r % 3, u'i')));
        model.setItem(r, 2, new QStandardItem(QStringLiteral("1234591.89")));
        model.setItem(r, 3, new QStandardItem(QStringLiteral("1")));
    }
    model.item(1717, 0)->setText(kLongName);
    model.item(2222, 1)->setText(QStringLiteral("WWWWWWW"));
    QTableView view;
    view.setModel(&model);
    view.setColumnHidden(3, true);
    FitColumns(&view, {1000, 600, 0, 1500, -1});
    verifyFitted(&view, {2}, {kLongName, QStringLiteral("WWWWWWW")});
    QCOMPARE(view.columnWidth(3), TwipsToPx(1500)); // shown again, at exactly its width
    QCOMPARE(view.columnWidth(4), view.horizontalHeader()->defaultSectionSize());
}

// Cells whose width is not the sum of their characters' advances: a tab, controls, bytes that are no
// UTF-8, combining marks, a joined emoji, an unpaired surrogate. Each stands among texts that are longer
// but narrower, in a grid of rows of their own and in one of packed rows.
void TestGridWidths::textsTheEstimateDoesNotModel()
{
    const QList<QByteArray> cells = {QByteArray("12\t34"),
                                     QByteArray("\x01\x02\x1B[1m"),
                                     QByteArray("\xC0\x80\xC0\xAFx"),        // overlong
                                     QByteArray("\xED\xA0\x80\xED\xB0\x80"), // a surrogate pair, encoded
                                     QByteArray("\xF4\x90\x80\x80"),         // past U+10FFFF
                                     QByteArray("ab\xE4\xB8"),               // cut short
                                     QByteArray("\x80\x80\x80"),             // continuations only
                                     QByteArray("e\xCC\x81\xCC\x81\xCC\x81"),
                                     QByteArray("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9")};
    QTableView view;
    const QFontMetricsF fm(view.font());
    auto check = [&](const QString &shown, const GridRows &rows, const char *kind) {
        TextGridModel model;
        model.setGrid({rows, {Qt::AlignLeft}, {300}});
        view.setModel(&model);
        FitColumns(&view, {300}, rows);
        const int width = view.columnWidth(0);
        QVERIFY2(width >= neededWidth(&view, shown),
                 qPrintable(QStringLiteral("%1 \"%2\": %3 px").arg(kind, shown).arg(width)));
        verifyFitted(&view, {}, {shown});
    };
    auto narrower = [&](const QString &shown) {
        // The widest runs of narrow letters that are still narrower than the text.
        QStringList fillers;
        for (QString i = QStringLiteral("i"); fm.horizontalAdvance(i) < fm.horizontalAdvance(shown) - 1;
             i += u'i')
            fillers << i;
        return fillers.mid(std::max(0, int(fillers.size()) - 8));
    };
    QList<std::pair<QString, QByteArray>> shownAndPacked;
    for (const QByteArray &cell : cells)
        shownAndPacked << std::pair{QString::fromUtf8(cell), cell};
    // An unpaired surrogate has no UTF-8: rows of their own only.
    shownAndPacked << std::pair{QStringLiteral("ab") + QChar(0xD800) + QStringLiteral("cd"), QByteArray()};
    for (const auto &[shown, cell] : shownAndPacked) {
        GridRows own{{QStringLiteral("h")}};
        PackedRows packed(1);
        for (const QString &filler : narrower(shown)) {
            own << QStringList{filler};
            packed.add(filler.toUtf8());
        }
        own << QStringList{shown};
        packed.add(cell);
        check(shown, own, "own");
        if (cell.isEmpty())
            continue;
        GridRows packedRows{{QStringLiteral("h")}};
        packedRows.append(std::move(packed));
        check(shown, packedRows, "packed");
    }
}

void TestGridWidths::queryGrids()
{
    TestEnv env;
    makeWideJournal(env);
    frmSearchForm *w = test::openQuery();
    // The holdings analysis of the opening: the holding's market value and the totals.
    verifyFitted(w->my1, {},
                 {kLongName, QStringLiteral("1234591.89"), QStringLiteral("-641696.71"),
                  QStringLiteral("基金申购拨出")});

    // The trade list of the date range, then a monthly report.
    QTest::mouseClick(w->TabStrip1, Qt::LeftButton, {}, w->TabStrip1->tabRect(1).center());
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(w->my1->model()->columnCount(), 16);
    verifyFitted(w->my1, {},
                 {kLongName, QStringLiteral("1234591.89"), QStringLiteral("-641696.71"),
                  QStringLiteral("HT2026120800012345")});
    QTest::mouseClick(w->TabStrip1, Qt::LeftButton, {}, w->TabStrip1->tabRect(0).center());
    w->Combo2->setCurrentIndex(2); // 月报表
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(w->my1->model()->columnCount(), 9);
    verifyFitted(w->my1, {}, {QStringLiteral("-642496.71")});
}

// Contract numbers with a tab and with bytes that are no UTF-8, among longer but narrower ones, in the
// trade list the date range shows.
void TestGridWidths::unmodelledCellsInTheTradeList()
{
    TestEnv env;
    makeWideJournal(env);
    {
        Database db(g_DbPath, g_DbConnect);
        for (int i = 0; i < 8; ++i)
            AddRep(db, {"000002", "证券买入", "2026-12-09", 8, 1, 1, 8, 1000, 0, 0, 0, 0, -8,
                        QString(10 + i, u'i')});
        db.execute(QStringLiteral("UPDATE rep SET 合同号 = 'A\t12' WHERE repid = 1"));
        db.execute(QStringLiteral("UPDATE rep SET 合同号 = CAST(X'C080C080C080' AS TEXT) WHERE repid = 2"));
    }
    frmSearchForm *w = test::openQuery();
    QTest::mouseClick(w->TabStrip1, Qt::LeftButton, {}, w->TabStrip1->tabRect(1).center());
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    verifyFitted(w->my1, {},
                 {QStringLiteral("A\t12"), QString::fromUtf8("\xC0\x80\xC0\x80\xC0\x80"), QString(17, u'i')});
}

void TestGridWidths::notebookGrids()
{
    TestEnv env;
    makeWideJournal(env);
    {
        Database db(g_DbPath, g_DbConnect);
        db.execute(
            QStringLiteral("INSERT INTO qixst (资金余额, 证券市值, 资产总值, 日期, 上证指数, 涨跌幅, 备注) "
                           "VALUES (1234591.89, 642234.56, 1876826.45, '2026-12-08', 3100.5, '-0.5%', ?)"),
            {kLongName});
    }
    frmMain *m = frmMain::instance();
    m->resize(1400, 900);
    m->show();
    m->Toolbar1_ButtonClick(QStringLiteral("frmbook"));
    QCoreApplication::processEvents();
    Frmbook *w = Frmbook::existing();
    verifyFitted(w->my1, {7}, {QStringLiteral("1234591.89"), QStringLiteral("1876826.45"), kLongName});

    w->DTPicker4->setDate(QDate(2026, 12, 8));
    w->Command8_Click();
    verifyFitted(w->myday, {}, {kLongName, QStringLiteral("1234591.89"), QStringLiteral("-641696.71")});
}

// The record grid fits its columns by the one rule: also the date and the trade type, which it used
// to widen on its own.
void TestGridWidths::managerGrid()
{
    TestEnv env;
    makeWideJournal(env);
    frmManager *w = test::OpenManager(kLongName);
    verifyFitted(w->my1, {12, 13, 14},
                 {QStringLiteral("1234591.89"), QStringLiteral("-641696.71"), QStringLiteral("2026-12-08")});
    w->TreeView_NodeClick(w->securityNode(QStringLiteral("万科A")));
    verifyFitted(w->my1, {12, 13, 14}, {QStringLiteral("基金申购拨出")});
}

// The watch window is as wide as its fitted grid and keeps the height of its rows.
void TestGridWidths::watchGridAndWindow()
{
    TestEnv env;
    makeWideJournal(env);
    frmnow *w = test::openWatch();
    QVERIFY(w);
    verifyFitted(w->MS1, {}, {kLongName, QStringLiteral("1234924.35"), QStringLiteral("2468716.24")});
    int columns = 2 * w->MS1->frameWidth();
    for (int c = 0; c < 3; ++c)
        columns += w->MS1->columnWidth(c);
    QVERIFY(w->MS1->columnWidth(0) > TwipsToPx(1000));
    QCOMPARE(w->MS1->width(), columns);
    QCOMPARE(w->width(), columns);
    QCOMPARE(w->fullHeight, 5 * (300 + 10) + 600); // the index, two holdings, the totals
    QCOMPARE(w->height(), TwipsToPx(w->fullHeight));
}

// A window of narrow texts is as wide as the columns' own widths; a refresh that brings wider figures
// widens it.
void TestGridWidths::watchWidensOnRefresh()
{
    test::OneHolding t({{"600000", "15432.1234", "1.00%"}});
    QVERIFY(t.w);
    const int frame = 2 * t.w->MS1->frameWidth();
    QCOMPARE(t.w->width(), 2 * TwipsToPx(1000) + TwipsToPx(1300) + frame);
    t.w->Timer2_Timer();
    verifyFitted(t.w->MS1, {}, {QStringLiteral("15432.1234"), QStringLiteral("12345698.72")});
    QCOMPARE(t.w->width(),
             t.w->MS1->columnWidth(0) + t.w->MS1->columnWidth(1) + t.w->MS1->columnWidth(2) + frame);
    QVERIFY(t.w->width() > 2 * TwipsToPx(1000) + TwipsToPx(1300) + frame);
    QCOMPARE(t.w->height(), TwipsToPx(t.w->fullHeight));
}

void TestGridWidths::operatorGrid()
{
    TestEnv env;
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        db.execute(QStringLiteral("INSERT INTO User (UID, PWD, 权限) VALUES (?, '', '可以修改')"),
                   {kLongName});
    }
    frmOperator *w = frmOperator::instance();
    w->show();
    verifyFitted(w->Grid1, {}, {kLongName});
}

QTEST_MAIN(TestGridWidths)
#include "tst_gridwidths.moc"
