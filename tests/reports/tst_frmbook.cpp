#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/frmManager.h"
#include "reports/Frmbook.h"
#include "reports/frmSearchForm.h"
#include "tests/common/TestSupport.h"
#include "tests/reports/ReportsFixture.h"

#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QValueAxis>

using namespace tv;
using tv::test::AddDetail;
using tv::test::AddIndexRow;
using tv::test::AddRep;
using tv::test::cells;
using tv::test::d;
using tv::test::TestEnv;

namespace {

// Today is 2026-12-10, so the opening range is 2026-11-10 to 2026-12-10.
qint64 addSnapshot(const QString &date, const QVariant &cash, const QString &note = QStringLiteral("admin"))
{
    Database db(g_DbPath, g_DbConnect);
    db.execute(
        QStringLiteral("INSERT INTO qixst (资金余额, 证券市值, 资产总值, 日期, 上证指数, 涨跌幅, 备注) "
                       "VALUES (?, 1000, ?, ?, 3100.5, '-0.5%', ?)"),
        {cash, cash.isNull() ? QVariant() : QVariant(cash.toDouble() + 1000), date, note});
    return db.lastInsertId();
}

// Three snapshots in the opening range and one before it; trades on the first listed day.
void makeBook(TestEnv &env)
{
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        AddIndexRow(db);
        AddDetail(db, "浦发银行", "600000", 10.5);
        AddRep(db, {"600000", "证券买入", "2026-11-20", 10, 10, 10, 100, 94894, 5, 0, 0.1, 0, -106});
        AddRep(db, {"600000", "证券卖出", "2026-11-20", 11, 10, 0, 110, 95002.9, 1, 0, 0.1, 0, 99});
    }
    addSnapshot(QStringLiteral("2026-11-01"), 50);
    addSnapshot(QStringLiteral("2026-11-20"), 100);
    addSnapshot(QStringLiteral("2026-12-01"), 200);
    addSnapshot(QStringLiteral("2026-12-10"), 1234567.89);
}

Frmbook *openBook()
{
    frmMain *m = frmMain::instance();
    m->resize(1400, 900);
    m->show();
    QApplication::setActiveWindow(m);
    m->Toolbar1_ButtonClick(QStringLiteral("frmbook"));
    QCoreApplication::processEvents();
    return Frmbook::existing();
}

QString text(const QWidget *box)
{
    return Frmbook::boxText(box);
}

QStringList texts(const std::array<QWidget *, 6> &boxes)
{
    QStringList out;
    for (const QWidget *b : boxes)
        out << text(b);
    return out;
}

void setTexts(const std::array<QWidget *, 6> &boxes, const QStringList &values)
{
    for (int i = 0; i < 6; ++i)
        Frmbook::setBoxText(boxes[i], values.value(i));
}

QString cell(Frmbook *w, int row, int column)
{
    return w->gridModel()->grid().text(row, column);
}

QPoint rowPoint(QTableView *view, int gridRow)
{
    return view->visualRect(view->model()->index(gridRow - 1, 0)).center();
}

void clickRow(Frmbook *w, int gridRow, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(w->my1->viewport(), button, {}, rowPoint(w->my1, gridRow));
}

void clickTab(Frmbook *w, int index)
{
    QTest::mouseClick(w->TabStrip1, Qt::LeftButton, {}, w->TabStrip1->tabRect(index).center());
}

// Every snapshot as stored, in key order: date, cash, market value, total, index, change, note.
QList<QVariantList> stored()
{
    Database db(g_DbPath, g_DbConnect);
    return db
        .openQuery(QStringLiteral(
            "SELECT qixstid, 日期, 资金余额, 证券市值, 资产总值, 上证指数, 涨跌幅, 备注 FROM qixst "
            "ORDER BY qixstid"))
        .rows();
}

QVariantList storedRow(qint64 key)
{
    for (const QVariantList &r : stored())
        if (r.value(0).toLongLong() == key)
            return r.mid(1);
    return {};
}

QBarSeries *bars(Frmbook *w)
{
    for (QAbstractSeries *s : w->MSChart1->chart()->series())
        if (auto *b = qobject_cast<QBarSeries *>(s))
            return b;
    return nullptr;
}

QLineSeries *indexLine(Frmbook *w)
{
    for (QAbstractSeries *s : w->MSChart1->chart()->series())
        if (auto *l = qobject_cast<QLineSeries *>(s))
            return l;
    return nullptr;
}

// "MM-dd" of the days from `first` on, `count` of them.
QStringList labelsFrom(const QDate &first, int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << first.addDays(i).toString(QStringLiteral("MM-dd"));
    return out;
}

void pressKey(QWidget *w, Qt::Key key)
{
    QTest::keyClick(w, key);
}

} // namespace

class TestFrmbook : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensFromToolbarAndUnloads();
    void noWriteWithoutListedSnapshot();
    void selectionByClickRightAndDoubleClick();
    void editModeAndUpdate();
    void numberChecks();
    void insertAndQuoteRefusal();
    void deleteQuestion();
    void failedWritesAndRowsGone();
    void failedQueriesLeaveEmptyGrids();
    void refusedFileIsNamed();
    void dayPage();
    void dayResultByType_data();
    void dayResultByType();
    void chartRows_data();
    void chartRows();
    void chartScrollingAndKeys();
    void chartPointsAndReload();
    void chartTooDenseToName();
    void exportEveryRowWithoutEvents();
    void snapshotSaveReloads();
    void labelsBesideTheirBoxes();
    void lastSnapshotWhollyInView();
};

void TestFrmbook::opensFromToolbarAndUnloads()
{
    TestEnv env;
    makeBook(env);
    Frmbook *w = openBook();
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral("记事簿"));
    QCOMPARE(frmMain::instance()->panelText(2), QStringLiteral("记事薄操作"));
    QCOMPARE(frmMain::instance()->toolbarButton(QStringLiteral("frmbook"))->text(), QStringLiteral("记事薄"));
    QCOMPARE(frmMain::instance()->mdiArea()->activeSubWindow()->widget(), w);
    QCOMPARE(w->DTPicker1->date(), d("2026-11-10"));
    QCOMPARE(w->DTPicker2->date(), d("2026-12-10"));
    QCOMPARE(w->DTPicker4->date(), d("2026-12-10"));
    QVERIFY(w->Frame1->isVisible());
    QVERIFY(!w->Frame5->isVisible() && !w->Frame6->isVisible());
    QCOMPARE(w->TabStrip1->count(), 3);
    QCOMPARE(w->TabStrip1->tabText(0), QStringLiteral("记事簿"));
    QCOMPARE(w->TabStrip1->tabData(1).toString(), QStringLiteral("count"));
    QCOMPARE(w->TabStrip1->tabToolTip(2), QStringLiteral("查询当日的交易情况"));
    QCOMPARE(w->my1->toolTip(), QStringLiteral("双击显示菜单!"));
    for (const auto &[name, caption] : QList<QPair<QString, QString>>{{"Command7", "确定"},
                                                                      {"Command4", "确定"},
                                                                      {"Command1", "修改"},
                                                                      {"Command2", "取消"},
                                                                      {"Command5", "取消"},
                                                                      {"Command3", "删除"},
                                                                      {"Command6", "导出数据"},
                                                                      {"Command8", "确定"}})
        QCOMPARE(w->findChild<QPushButton *>(name)->text(), caption);

    // The list: the header with its blanks, the key column hidden, n + 2 rows, the last selected.
    QCOMPARE(w->my1->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral(" 日期 "));
    QCOMPARE(w->my1->model()->headerData(7, Qt::Horizontal).toString(), QStringLiteral("qixstID"));
    QVERIFY(w->my1->isColumnHidden(7));
    QCOMPARE(w->gridModel()->grid().rowCount(), 5);
    QCOMPARE(w->Text3->text(), QStringLiteral("3"));
    QCOMPARE(w->BookRows, 3);
    QCOMPARE(w->my1->currentIndex().row(), 2);
    QCOMPARE(w->my1->selectionModel()->selectedIndexes().size(), 7);
    QCOMPARE(texts(w->Text1), cells({"1234567.89", "1000", "1235567.89", "3100.5", "-0.5%", "admin"}));
    QCOMPARE(w->DTPicker3->date(), d("2026-12-10"));
    QCOMPARE(w->BookKey, std::optional<qint64>(4));
    QCOMPARE(text(w->Text5[0]), QStringLiteral("2026-12-10"));
    QCOMPARE(text(w->Text5[6]), QStringLiteral("admin"));
    QVERIFY(w->Command1->isEnabled());
    QVERIFY(!w->Command2->isVisible());
    QVERIFY(!w->BookEditing);
    QCOMPARE(w->ChartWindow, 21);

    // The manager/home toggle and "Search" unload it; "取消" writes the idle text, the close box does not.
    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("Manager"));
    QCoreApplication::processEvents();
    QVERIFY(!Frmbook::isLoaded());
    QVERIFY(openBook());
    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("Search"));
    QCoreApplication::processEvents();
    QVERIFY(!Frmbook::isLoaded());
    QVERIFY(frmSearchForm::isLoaded());
    w = openBook();
    QTest::mouseClick(w->Command5, Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(!Frmbook::isLoaded());
    QCOMPARE(frmMain::instance()->panelText(2), QStringLiteral("待命状态..."));
    w = openBook();
    SetStatusText(QStringLiteral("别的"));
    w->close();
    QCoreApplication::processEvents();
    QVERIFY(!Frmbook::isLoaded());
    QCOMPARE(frmMain::instance()->panelText(2), QStringLiteral("别的"));
    QVERIFY(env.boxes.isEmpty());
}

// After an empty result, or a click on the empty last row, no snapshot is selected: "删除" and the
// update ask nothing and write nothing, whatever the boxes hold.
void TestFrmbook::noWriteWithoutListedSnapshot()
{
    TestEnv env;
    makeBook(env);
    Frmbook *w = openBook();
    const QList<QVariantList> before = stored();
    auto tryWrites = [&] {
        setTexts(w->Text1, cells({"100", "200", "300", "3000", "", "x"}));
        QVERIFY(w->Command1->isEnabled());
        env.answers = {vbYes};
        QTest::mouseClick(w->Command3, Qt::LeftButton);
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QVERIFY(env.boxes.isEmpty());
        QCOMPARE(stored(), before);
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        env.answers.clear();
    };

    w->DTPicker1->setDate(d("2025-01-01"));
    w->DTPicker2->setDate(d("2025-01-31"));
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    QCOMPARE(w->Text3->text(), QStringLiteral("0"));
    QCOMPARE(w->BookRows, 0);
    QCOMPARE(w->gridModel()->grid().rowCount(), 2);
    QCOMPARE(texts(w->Text1), QStringList(6, QString()));
    QVERIFY(!w->BookKey);
    QCOMPARE(w->DTPicker3->date(), d("2026-12-10")); // kept
    QVERIFY(!w->Command1->isEnabled());
    tryWrites();

    w->DTPicker1->setDate(d("2026-11-10"));
    w->DTPicker2->setDate(d("2026-12-10"));
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    clickRow(w, 4); // the empty last row
    QCOMPARE(texts(w->Text1), QStringList(6, QString()));
    QVERIFY(!w->BookKey);
    QCOMPARE(w->DTPicker3->date(), d("2026-12-10"));
    tryWrites();
}

void TestFrmbook::selectionByClickRightAndDoubleClick()
{
    TestEnv env;
    makeBook(env);
    addSnapshot(QStringLiteral("2026-11-25"), QVariant()); // cash Null: an empty row
    Frmbook *w = openBook();
    QCOMPARE(w->Text3->text(), QStringLiteral("4"));
    QCOMPARE(w->gridModel()->grid().rows[2], w->gridModel()->grid().emptyRow());

    clickRow(w, 1);
    QCOMPARE(texts(w->Text1), cells({"100", "1000", "1100", "3100.5", "-0.5%", "admin"}));
    QCOMPARE(w->DTPicker3->date(), d("2026-11-20"));
    QCOMPARE(w->DTPicker4->date(), d("2026-11-20"));
    QCOMPARE(w->BookKey, std::optional<qint64>(2));
    QCOMPARE(text(w->Text5[1]), QStringLiteral("100"));

    // The right button opens the day of the snapshot selected before it and moves nothing.
    clickRow(w, 3, Qt::RightButton);
    QCOMPARE(w->my1->currentIndex().row(), 0);
    QCOMPARE(w->BookKey, std::optional<qint64>(2));
    QVERIFY(w->Frame6->isVisible());
    QVERIFY(!w->Frame1->isVisible());
    QCOMPARE(w->TabStrip1->currentIndex(), 0);
    QCOMPARE(w->DTPicker4->date(), d("2026-11-20"));
    QCOMPARE(w->dayModel()->grid().text(1, 2), QStringLiteral("证券买入"));
    QCOMPARE(w->Text4->text(), QStringLiteral("-7")); // −106 + 105, 99 − 105

    // "记事簿" selected already: a click on it brings the list back.
    clickTab(w, 0);
    QVERIFY(w->Frame1->isVisible());
    QVERIFY(!w->Frame6->isVisible());

    // A row left empty selects no snapshot; a double click selects its row, then opens its day.
    clickRow(w, 2);
    QVERIFY(!w->BookKey);
    QCOMPARE(w->DTPicker3->date(), d("2026-11-20"));
    // As the desktop delivers a double click: a click, then the second press as a double click.
    QTest::mouseClick(w->my1->viewport(), Qt::LeftButton, {}, rowPoint(w->my1, 3));
    QTest::mouseDClick(w->my1->viewport(), Qt::LeftButton, {}, rowPoint(w->my1, 3));
    QTest::mouseRelease(w->my1->viewport(), Qt::LeftButton, {}, rowPoint(w->my1, 3));
    QCOMPARE(w->BookKey, std::optional<qint64>(3));
    QVERIFY(w->Frame6->isVisible());
    QCOMPARE(w->DTPicker4->date(), d("2026-12-01"));
    QCOMPARE(w->TabStrip1->currentIndex(), 0);
    QCOMPARE(w->Text4->text(), QStringLiteral("0"));

    // A key that moves through the list selects as a click does.
    clickTab(w, 0);
    w->my1->setFocus();
    QTest::keyClick(w->my1, Qt::Key_Down);
    QCOMPARE(w->BookKey, std::optional<qint64>(4));
    QVERIFY(env.boxes.isEmpty());
}

void TestFrmbook::editModeAndUpdate()
{
    TestEnv env;
    makeBook(env);
    Frmbook *w = openBook();

    // "修改" follows the first two boxes in both modes, also when the program fills them.
    for (bool editing : {false, true}) {
        if (editing)
            QTest::mouseClick(w->Command1, Qt::LeftButton);
        QCOMPARE(w->BookEditing, editing);
        for (const auto &[t0, t1, on] : QList<std::tuple<const char *, const char *, bool>>{
                 {"1", "12", false}, {"12", "1", false}, {"", "", false}, {"12", "12", true}}) {
            Frmbook::setBoxText(w->Text1[0], QString::fromUtf8(t0));
            Frmbook::setBoxText(w->Text1[1], QString::fromUtf8(t1));
            QCOMPARE(w->Command1->isEnabled(), on);
        }
    }
    QCOMPARE(w->Command1->text(), QStringLiteral("确定"));
    QVERIFY(w->Command2->isVisible());

    // "取消" writes nothing and keeps what was typed.
    const QList<QVariantList> before = stored();
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QVERIFY(!w->BookEditing);
    QCOMPARE(w->Command1->text(), QStringLiteral("修改"));
    QVERIFY(!w->Command2->isVisible());
    QCOMPARE(text(w->Text1[0]), QStringLiteral("12"));
    QCOMPARE(stored(), before);

    // The first press writes nothing; the second writes the row clicked meanwhile, trimmed, on the
    // picker's day.
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(stored(), before);
    clickRow(w, 1);
    setTexts(w->Text1, cells({" 150 ", " 250", "400 ", "3200", " +1% ", " 改过 "}));
    w->DTPicker3->setDate(d("2026-12-05"));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(storedRow(2), (QVariantList{"2026-12-05", 150.0, 250.0, 400.0, 3200.0, "+1%", "改过"}));
    QVERIFY(!w->BookEditing);
    QCOMPARE(w->Command1->text(), QStringLiteral("修改"));
    // Reloaded: the moved snapshot lists on its new day, the last one is selected again.
    QCOMPARE(cell(w, 2, 0), QStringLiteral("2026-12-05"));
    QCOMPARE(w->BookKey, std::optional<qint64>(4));
    QCOMPARE(stored().size(), before.size());
    QVERIFY(env.boxes.isEmpty());
}

void TestFrmbook::numberChecks()
{
    TestEnv env;
    makeBook(env);
    Frmbook *w = openBook();
    const QList<QVariantList> before = stored();

    // Update: a box that is not a number as a whole stops it with the focus on that box.
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    for (const auto &[box, value, column] : QList<std::tuple<int, const char *, const char *>>{
             {0, "12a", "资金余额"}, {2, "1,234", "资产总值"}, {3, "3000点", "上证指数"}}) {
        setTexts(w->Text1, cells({"100", "200", "300", "3000", "", ""}));
        Frmbook::setBoxText(w->Text1[box], QString::fromUtf8(value));
        env.clearBoxes();
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QCOMPARE(env.boxes.size(), 1);
        QCOMPARE_BOX(env.boxes[0], QString::fromUtf8(column) + QStringLiteral("不是数字，不能保存!"), 64,
                     QString::fromUtf8(column) + QStringLiteral("有错误"));
        QCOMPARE(QApplication::focusWidget(), w->Text1[box]);
        QVERIFY(w->BookEditing);
        QCOMPARE(stored(), before);
    }
    setTexts(w->Text1, cells({" 12.5 ", "-3", "", " 1e3", "", ""}));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(storedRow(4).mid(1, 4), (QVariantList{12.5, -3.0, QVariant(QString()), 1000.0}));

    // Insert: the cash first, then the numbers.
    env.clearBoxes();
    setTexts(w->Text2, cells({" ", "1", "1", "1", "", ""}));
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    QCOMPARE_BOX(env.boxes.value(0), "资金余额不能空，不能保存!", 64, "资金余额有错误");
    QCOMPARE(QApplication::focusWidget(), w->Text2[0]);
    setTexts(w->Text2, cells({"100", "12a", "", "", "", ""}));
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    QCOMPARE_BOX(env.boxes.value(1), "证券市值不是数字，不能保存!", 64, "证券市值有错误");
    QCOMPARE(QApplication::focusWidget(), w->Text2[1]);
    QCOMPARE(text(w->Text2[1]), QStringLiteral("12a"));
    QCOMPARE(stored().size(), before.size());
    setTexts(w->Text2, cells({" 12.5 ", "-3", "", "3100", "", ""}));
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE(stored().last().mid(2, 4), (QVariantList{12.5, -3.0, QVariant(QString()), 3100.0}));
}

void TestFrmbook::insertAndQuoteRefusal()
{
    TestEnv env;
    makeBook(env);
    env.now = QDateTime(QDate(2026, 12, 9), QTime(15, 0));
    Frmbook *w = openBook();
    QCOMPARE(w->DTPicker2->date(), d("2026-12-09"));
    w->DTPicker2->setDate(d("2026-12-31"));

    // Typed in the insert area and entered twice on one day, dated from the clock.
    for (int i = 0; i < 2; ++i) {
        setTexts(w->Text2, cells({"5000", "", "", "", " 0.5% ", "我的留言"}));
        QTest::mouseClick(w->Command4, Qt::LeftButton);
        QCOMPARE(texts(w->Text2), QStringList(6, QString()));
    }
    const QList<QVariantList> rows = stored();
    QCOMPARE(rows.size(), 6);
    QCOMPARE(rows[4].mid(1), (QVariantList{"2026-12-09", 5000.0, QVariant(QString()), QVariant(QString()),
                                           QVariant(QString()), " 0.5% ", "我的留言"}));
    QCOMPARE(rows[5].mid(1), rows[4].mid(1));
    QCOMPARE(w->Text3->text(), QStringLiteral("5"));
    QCOMPARE(w->BookKey, std::optional<qint64>(4)); // 2026-12-10 still lists last
    QCOMPARE(cell(w, 3, 0), QStringLiteral("2026-12-09"));
    QCOMPARE(cell(w, 4, 0), QStringLiteral("2026-12-09"));

    // A quote is refused when its box is left for another control of the window.
    auto *box = qobject_cast<QLineEdit *>(w->Text2[2]);
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("a'b"));
    QTest::keyClick(box, Qt::Key_Return); // Enter moves on, as Tab does
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], "该项目之中有特殊字符<'>,请删除。", 48, "提示：");
    QCOMPARE(QApplication::focusWidget(), box);
}

void TestFrmbook::deleteQuestion()
{
    TestEnv env;
    makeBook(env);
    Frmbook *w = openBook();
    clickRow(w, 2);
    Frmbook::setBoxText(w->Text1[0], QStringLiteral("改了"));
    const QList<QVariantList> before = stored();
    env.answers = {vbNo};
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("真的要删除资金余额为改了记录吗？\r\n\r\n    [是/否]？     "),
                 276, "记事删除后将不能恢复!");
    QCOMPARE(stored(), before);

    env.answers = {vbYes};
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(stored().size(), before.size() - 1);
    QVERIFY(storedRow(3).isEmpty());
    QCOMPARE(w->Text3->text(), QStringLiteral("2"));
    QCOMPARE(w->BookKey, std::optional<qint64>(4));
}

void TestFrmbook::failedWritesAndRowsGone()
{
    TestEnv env;
    makeBook(env);
    Frmbook *w = openBook();

    // A write the database refuses: rolled back, the message, the boxes and the mode kept.
    test::DbExec(
        QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON qixst BEGIN SELECT RAISE(ABORT, 'no'); END"));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    Frmbook::setBoxText(w->Text1[0], QStringLiteral("999"));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], "系统未知错误，不能继续！", 16, "未知错误");
    QCOMPARE(text(w->Text1[0]), QStringLiteral("999"));
    QVERIFY(w->BookEditing);
    QCOMPARE(storedRow(4).value(1), QVariant(1234567.89));
    test::DbExec(QStringLiteral("DROP TRIGGER refuse"));

    // The file held by another workstation: its own message, nothing written.
    test::WriteLockHeld other(g_DbPath);
    QVERIFY(other.held());
    setTexts(w->Text2, cells({"1", "", "", "", "", ""}));
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    other.release();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE_BOX(env.boxes[1], DbBusyText(), 48, "提示：");
    QCOMPARE(text(w->Text2[0]), QStringLiteral("1"));
    QCOMPARE(stored().size(), 4);

    // Rows removed by another workstation: the update and the delete say so and list again.
    const QString gone = QStringLiteral("该记录已经不存在，可能已被其他工作站删除。");
    test::DbExec(QStringLiteral("DELETE FROM qixst WHERE qixstid = 4"));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 3);
    QCOMPARE_BOX(env.boxes[2], gone, 48, "提示：");
    QVERIFY(!w->BookEditing);
    QCOMPARE(w->Text3->text(), QStringLiteral("2"));
    QCOMPARE(w->BookKey, std::optional<qint64>(3));
    test::DbExec(QStringLiteral("DELETE FROM qixst WHERE qixstid = 3"));
    env.answers = {vbYes};
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 5);
    QCOMPARE_BOX(env.boxes[4], gone, 48, "提示：");
    QCOMPARE(w->Text3->text(), QStringLiteral("1"));
    QCOMPARE(stored().size(), 2);
}

void TestFrmbook::failedQueriesLeaveEmptyGrids()
{
    TestEnv env;
    makeBook(env);
    Frmbook *w = openBook();
    g_DbPath = env.path(QStringLiteral("missing.zqd"));
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], "系统未知错误，不能继续！", 16, "未知错误");
    QCOMPARE(w->gridModel()->grid().rowCount(), 2);
    QCOMPARE(w->BookRows, 0);
    QVERIFY(!w->BookKey);
    QVERIFY(w->Text3->text().isEmpty());

    clickTab(w, 2);
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE_BOX(env.boxes[1], "系统未知错误，不能继续！", 16, "未知错误");
    QCOMPARE(w->dayModel()->rowCount(), 0);
    QCOMPARE(w->dayModel()->columnCount(), 16);
    QVERIFY(w->Text4->text().isEmpty());
}

// A data path that has become another program's file: every command of the notebook names it, as the
// journal does, and nothing of it is changed.
void TestFrmbook::refusedFileIsNamed()
{
    TestEnv env;
    makeBook(env);
    Frmbook *w = openBook();
    const QString other = env.path(QStringLiteral("other.zqd"));
    test::MakeForeignWalFile(other);
    const QMap<QString, QByteArray> before = test::FileWithSides(other);
    g_DbPath = other;
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    setTexts(w->Text2, cells({"100", "1", "1", "1", "", ""}));
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    clickTab(w, 2);
    QCOMPARE(env.boxes.size(), 3);
    for (const test::RecordedBox &box : env.boxes)
        QCOMPARE_BOX(box, DbNotOursText(other), 16, "错误");
    QCOMPARE(test::FileWithSides(other), before);
    QCOMPARE(w->BookRows, 0);
}

void TestFrmbook::dayPage()
{
    TestEnv env;
    makeBook(env);
    Frmbook *w = openBook();
    clickTab(w, 2);
    QVERIFY(w->Frame6->isVisible());
    QCOMPARE(w->DTPicker4->date(), d("2026-12-10"));
    QCOMPARE(w->dayModel()->grid().rows[1][0], QStringLiteral(" 合计"));
    QCOMPARE(w->Text4->text(), QStringLiteral("0"));

    w->DTPicker4->setDate(d("2026-11-20"));
    QTest::mouseClick(w->Command8, Qt::LeftButton);
    const TextGrid &g = w->dayModel()->grid();
    QCOMPARE(g.rowCount(), 5);
    QCOMPARE(w->myday->model()->headerData(8, Qt::Horizontal).toString(), QStringLiteral(" 资金余额"));
    QCOMPARE(g.text(3, 0), QStringLiteral(" 合计"));
    QCOMPARE(g.text(3, 1), QStringLiteral("2"));
    QCOMPARE(g.text(3, 8), QStringLiteral("95002.9"));
    QCOMPARE(g.text(3, 13), QStringLiteral("-7"));
    QCOMPARE(w->Text4->text(), QStringLiteral("-7"));
    QCOMPARE(w->myday->currentIndex().row(), 0);
    QCOMPARE(w->myday->selectionModel()->selectedIndexes().size(), 16);
}

// Each row of the day adds its 收支金额 and its change of holding at the latest price, 10.5: what adds
// to the holding counts its quantity, what takes from it counts it against, and every other type counts
// nothing of the quantity it carries.
void TestFrmbook::dayResultByType_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<double>("quantity");
    QTest::addColumn<double>("flow");
    QTest::addColumn<bool>("hasDetail");
    QTest::addColumn<QString>("result");
    QTest::newRow("purchase") << "证券买入" << 10.0 << -106.0 << true << "-1";
    QTest::newRow("sale") << "证券卖出" << 10.0 << 99.0 << true << "-6";
    QTest::newRow("bonus shares") << "红股入账" << 10.0 << 0.0 << true << "105";
    QTest::newRow("fund subscription") << "基金申购拨出" << 1000.0 << -10000.0 << true << "500";
    QTest::newRow("fund redemption") << "基金赎回拨入" << 1000.0 << 9950.0 << true << "-550";
    QTest::newRow("dividend carrying the holding") << "红利入账" << 1000.0 << 500.0 << true << "500";
    QTest::newRow("cash in carrying a quantity") << "银行转券商" << 5.0 << 2000.0 << true << "2000";
    QTest::newRow("interest") << "利息归本" << 0.0 << 3.5 << true << "3.5";
    QTest::newRow("sale with a trailing blank is another type")
        << "证券卖出 " << 10.0 << 99.0 << true << "99";
    QTest::newRow("no Detail row: the flow alone") << "证券卖出" << 10.0 << 99.0 << false << "99";
}

void TestFrmbook::dayResultByType()
{
    QFETCH(QString, type);
    QFETCH(double, quantity);
    QFETCH(double, flow);
    QFETCH(bool, hasDetail);
    QFETCH(QString, result);
    TestEnv env;
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        if (hasDetail)
            AddDetail(db, "浦发银行", "600000", 10.5);
        AddRep(db, {"600000", type, "2026-12-08", 10, quantity, 0, 100, 5000, 0, 0, 0, 0, flow});
    }
    Frmbook *w = openBook();
    clickTab(w, 2);
    w->DTPicker4->setDate(d("2026-12-08"));
    QTest::mouseClick(w->Command8, Qt::LeftButton);
    QCOMPARE(w->Text4->text(), result);
    const TextGrid &g = w->dayModel()->grid();
    QCOMPARE(g.text(1, 2), type);
    QCOMPARE(g.text(1, 0), hasDetail ? QStringLiteral("浦发银行") : QString());
    QCOMPARE(g.text(1, 15), hasDetail ? QStringLiteral("10.5") : QString());
    QVERIFY(env.boxes.isEmpty());
}

// The chart page over lists of 0 to 50 snapshots, one a day to today.
void TestFrmbook::chartRows_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("bar");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("drawnFrom"); // grid row
    QTest::addColumn<int>("drawn");
    QTest::newRow("0") << 0 << false << 1 << 1 << 0;
    QTest::newRow("1") << 1 << false << 1 << 1 << 1;
    QTest::newRow("20") << 20 << false << 1 << 1 << 20;
    QTest::newRow("21") << 21 << true << 1 << 1 << 21;
    QTest::newRow("22") << 22 << true << 2 << 2 << 21;
    QTest::newRow("50") << 50 << true << 30 << 30 << 21;
}

void TestFrmbook::chartRows()
{
    QFETCH(int, rows);
    QFETCH(bool, bar);
    QFETCH(int, position);
    QFETCH(int, drawnFrom);
    QFETCH(int, drawn);
    TestEnv env;
    env.makeDatabase();
    const QDate first = d("2026-12-10").addDays(1 - rows);
    for (int i = 0; i < rows; ++i)
        addSnapshot(first.addDays(i).toString(Qt::ISODate), 1000 + i);
    Frmbook *w = openBook();
    w->DTPicker1->setDate(d("2026-01-01"));
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    QCOMPARE(w->BookRows, rows);

    clickTab(w, 1);
    QVERIFY(w->Frame5->isVisible());
    QVERIFY(!w->Frame1->isVisible());
    QCOMPARE(w->MSChart1->isVisible(), rows > 0);
    QCOMPARE(w->HScroll1->isVisible(), bar);
    QCOMPARE(w->HScroll1->value(), position);
    if (rows == 0)
        return;
    QCOMPARE(w->HScroll1->minimum(), 1);
    QCOMPARE(w->HScroll1->maximum(), rows);
    QCOMPARE(w->chartLabels(), labelsFrom(first.addDays(drawnFrom - 1), drawn));
    QCOMPARE(w->chartValues().first()[0], 1000.0 + drawnFrom - 1);
    QCOMPARE(w->chartValues().first()[2], 2000.0 + drawnFrom - 1);
    QCOMPARE(w->chartValues().first()[3], 3100.5);
    QCOMPARE(bars(w)->barSets().first()->count(), drawn);
    QCOMPARE(indexLine(w)->count(), drawn);
    QStringList names;
    for (QBarSet *s : bars(w)->barSets())
        names << s->label();
    names << indexLine(w)->name();
    QCOMPARE(names, (QStringList{"资金余额", "证券市值", "资产总额", "上证指数"}));
    QStringList titles;
    for (QAbstractAxis *a : w->MSChart1->chart()->axes(Qt::Vertical))
        titles << a->titleText();
    QCOMPARE(titles, (QStringList{"金额", "上证指数"}));
    // The picker of the day page takes the selected snapshot's date.
    QCOMPARE(w->DTPicker4->date(), d("2026-12-10"));
}

void TestFrmbook::chartScrollingAndKeys()
{
    TestEnv env;
    env.makeDatabase();
    const QDate first = d("2026-10-22"); // 50 days to 2026-12-10
    for (int i = 0; i < 50; ++i)
        addSnapshot(first.addDays(i).toString(Qt::ISODate), 1000 + i);
    Frmbook *w = openBook();
    w->DTPicker1->setDate(d("2026-01-01"));
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    clickTab(w, 1);
    auto shown = [&](int from, int count) { return labelsFrom(first.addDays(from - 1), count); };

    w->HScroll1->setValue(10);
    QCOMPARE(w->chartLabels(), shown(10, 21));
    w->HScroll1->setValue(45);
    QCOMPARE(w->chartLabels(), shown(45, 6));
    w->HScroll1->setValue(50);
    QCOMPARE(w->chartLabels(), shown(50, 1));

    // The bar takes the focus; Up steps back and turns the to-end mode on before the step is drawn.
    w->HScroll1->setValue(45);
    QTest::mouseClick(w->HScroll1, Qt::LeftButton, {},
                      QPoint(w->HScroll1->width() / 2, w->HScroll1->height() / 2));
    QCOMPARE(QApplication::focusWidget(), w->HScroll1);
    w->HScroll1->setValue(45);
    pressKey(w->HScroll1, Qt::Key_Up);
    QVERIFY(w->ChartToEnd);
    QCOMPARE(w->HScroll1->value(), 44);
    QCOMPARE(w->chartLabels(), shown(44, 7));
    QCOMPARE(w->ChartWindow, 7);
    // The mouse leaves the mode as it is.
    w->HScroll1->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QVERIFY(w->ChartToEnd);
    QCOMPARE(w->chartLabels(), shown(43, 8));
    // Left clears it and steps back; the window stays the size the mode left.
    pressKey(w->HScroll1, Qt::Key_Left);
    QVERIFY(!w->ChartToEnd);
    QCOMPARE(w->HScroll1->value(), 42);
    QCOMPARE(w->chartLabels(), shown(42, 8));
    pressKey(w->HScroll1, Qt::Key_Right);
    QCOMPARE(w->HScroll1->value(), 43);
    pressKey(w->HScroll1, Qt::Key_Down);
    QVERIFY(w->ChartToEnd);
    QCOMPARE(w->HScroll1->value(), 44);
    QCOMPARE(w->chartLabels(), shown(44, 7));
    // A key that does not move the bar only sets or clears the mode.
    w->HScroll1->setValue(50);
    pressKey(w->HScroll1, Qt::Key_Right);
    QVERIFY(!w->ChartToEnd);
    QCOMPARE(w->HScroll1->value(), 50);
    QVERIFY(env.boxes.isEmpty());
}

void TestFrmbook::chartPointsAndReload()
{
    TestEnv env;
    makeBook(env);
    for (int i = 0; i < 20; ++i)
        addSnapshot(d("2026-11-21").addDays(i).toString(Qt::ISODate), 300 + i);
    addSnapshot(QStringLiteral("2026-12-10"), QVariant()); // an empty row, the last one
    Frmbook *w = openBook();
    QCOMPARE(w->BookRows, 24);
    clickTab(w, 1);
    QCOMPARE(w->HScroll1->value(), 4);

    // Chart row 3 is grid row 6 (2026-11-25), whichever series the point belongs to.
    const QString day = QStringLiteral("2026-11-25");
    QCOMPARE(cell(w, 6, 0), day);
    auto fire = [&](int series, bool twice) {
        if (series < 3) {
            QBarSet *set = bars(w)->barSets()[series];
            twice ? Q_EMIT set->doubleClicked(2) : Q_EMIT set->clicked(2);
        } else {
            QLineSeries *line = indexLine(w);
            twice ? Q_EMIT line->doubleClicked(line->at(2)) : Q_EMIT line->clicked(line->at(2));
        }
    };
    for (int series = 0; series < 4; ++series) {
        Frmbook::setBoxText(w->Text5[0], QString());
        w->DTPicker4->setDate(d("2026-01-01"));
        fire(series, false);
        QCOMPARE(text(w->Text5[0]), day);
        QCOMPARE(text(w->Text5[1]), QStringLiteral("304"));
        QCOMPARE(w->DTPicker4->date(), d(day.toLatin1().constData()));
    }
    for (int series = 0; series < 4; ++series) {
        clickTab(w, 1);
        w->DTPicker4->setDate(d("2026-01-01"));
        fire(series, true);
        QVERIFY(w->Frame6->isVisible());
        QVERIFY(!w->Frame5->isVisible());
        QCOMPARE(w->TabStrip1->currentIndex(), 1);
        QCOMPARE(w->DTPicker4->date(), d(day.toLatin1().constData()));
    }

    // A point of the empty row does nothing.
    clickTab(w, 1);
    const int last = w->chartLabels().size();
    Frmbook::setBoxText(w->Text5[0], QStringLiteral("kept"));
    Q_EMIT bars(w)->barSets()[0]->clicked(last - 1);
    Q_EMIT bars(w)->barSets()[0]->doubleClicked(last - 1);
    QCOMPARE(text(w->Text5[0]), QStringLiteral("kept"));
    QVERIFY(w->Frame5->isVisible());

    // A reload while the chart shows draws the new list: its points open the snapshots drawn.
    test::DbExec(QStringLiteral("DELETE FROM qixst WHERE 日期 > '2026-11-25'"));
    w->qixload();
    QCOMPARE(w->BookRows, 6);
    QVERIFY(!w->HScroll1->isVisible());
    QCOMPARE(w->HScroll1->maximum(), 6);
    QCOMPARE(w->chartLabels().size(), 6);
    Q_EMIT bars(w)->barSets()[0]->clicked(5);
    QCOMPARE(text(w->Text5[0]), QStringLiteral("2026-11-25"));
    QVERIFY(env.boxes.isEmpty());
}

// Rows narrower than 2 pixels get no names under them, yet every row is drawn; a resize that gives them
// room names them again. Below 6 pixels a row, a bar stands for the rows under it.
void TestFrmbook::chartTooDenseToName()
{
    TestEnv env;
    env.makeDatabase();
    const QDate first = d("2026-12-10").addDays(-599);
    for (int i = 0; i < 600; ++i)
        addSnapshot(first.addDays(i).toString(Qt::ISODate), 1000 + i);
    Frmbook *w = openBook();
    w->DTPicker1->setDate(first);
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    clickTab(w, 1);
    QChart *chart = w->MSChart1->chart();
    auto rowNames = [&] {
        for (QAbstractAxis *a : chart->axes(Qt::Horizontal))
            if (auto *rows = qobject_cast<QBarCategoryAxis *>(a))
                return rows->count();
        return -1;
    };
    auto span = [&] {
        for (QAbstractAxis *a : chart->axes(Qt::Horizontal))
            if (auto *v = qobject_cast<QValueAxis *>(a))
                return QPointF(v->min(), v->max());
        return QPointF();
    };
    QTest::qWait(0);
    QCOMPARE(rowNames(), 21);

    w->ChartToEnd = true;
    w->HScroll1->setValue(1); // 600 rows on a plot narrower than 1,200 pixels
    QTest::qWait(0);
    QVERIFY(chart->plotArea().width() < 1200);
    QCOMPARE(rowNames(), 1);
    QCOMPARE(w->chartLabels().size(), 600);
    QCOMPARE(indexLine(w)->count(), 600);
    QCOMPARE(span(), QPointF(-0.5, 599.5));

    // Below 6 pixels a row its bars would be thinner than a pixel: a bar stands for several rows, the
    // furthest from 0 of them (the values rise, so the last of each), and a click on it picks that row;
    // the line keeps every row. A narrower window makes fewer bars.
    const auto barsFit = [&](QBarSet *set) {
        const double plot = chart->plotArea().width();
        return set->count() <= plot / 6 && set->count() >= plot / 12;
    };
    QBarSet *cash = bars(w)->barSets().first();
    QVERIFY(barsFit(cash));
    const int step = (600 + cash->count() - 1) / cash->count();
    QCOMPARE(cash->at(0), 1000.0 + step - 1);
    QCOMPARE(cash->at(cash->count() - 1), 1599.0);
    Q_EMIT cash->clicked(0);
    QCOMPARE(text(w->Text5[0]), first.addDays(step - 1).toString(Qt::ISODate));
    Q_EMIT bars(w)->barSets()[2]->clicked(cash->count() - 1);
    QCOMPARE(text(w->Text5[0]), QStringLiteral("2026-12-10"));
    QWidget *frame = w->parentWidget();
    const int wide = frame->width();
    const int wideBars = cash->count();
    frame->resize(wide / 3, frame->height());
    QTest::qWait(0);
    QTest::qWait(0);
    QVERIFY(cash->count() < wideBars);
    QVERIFY(barsFit(cash));
    QCOMPARE(indexLine(w)->count(), 600);
    QCOMPARE(w->chartLabels().size(), 600);
    frame->resize(wide, frame->height());
    QTest::qWait(0);
    QTest::qWait(0);
    QCOMPARE(cash->count(), wideBars);

    // 60 rows fit 900 pixels, not a quarter of that.
    w->HScroll1->setValue(541);
    QTest::qWait(0);
    QCOMPARE(rowNames(), 60);
    frame->resize(wide / 4, frame->height());
    QTest::qWait(0);
    QTest::qWait(0);
    QVERIFY(chart->plotArea().width() < 120);
    QCOMPARE(rowNames(), 1);
    frame->resize(wide, frame->height());
    QTest::qWait(0);
    QTest::qWait(0);
    QCOMPARE(rowNames(), 60);
    QCOMPARE(w->chartLabels().size(), 60);
    QCOMPARE(cash->count(), 60);
    QVERIFY(env.boxes.isEmpty());
}

void TestFrmbook::exportEveryRowWithoutEvents()
{
    TestEnv env;
    makeBook(env);
    Frmbook *w = openBook();
    const TextGrid grid = w->gridModel()->grid();

    // A close asked for meanwhile waits until the workbook is written.
    QPointer<Frmbook> alive(w);
    bool ranMeanwhile = false;
    QTimer::singleShot(0, w, [&] {
        ranMeanwhile = true;
        w->close();
    });
    w->Command6_Click();
    QVERIFY(!ranMeanwhile);
    QCOMPARE(w->windowTitle(), QStringLiteral("添加4记录"));
    QCOMPARE(env.openedUrls.size(), 1);
    const QString path = env.openedUrls[0].toLocalFile();
    const QMap<QString, QString> sheet = test::XlsxCells(path);
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < grid.columnCount(); ++c)
            QCOMPARE(sheet.value(QChar(u'A' + c) + QString::number(r + 1)), grid.text(r, c));
    QCOMPARE(sheet.value(QStringLiteral("H1")), QStringLiteral("qixstID"));
    QCOMPARE(sheet.value(QStringLiteral("H4")), QStringLiteral("4"));
    QFile::remove(path);
    QCoreApplication::processEvents();
    QVERIFY(ranMeanwhile);
    QVERIFY(!alive || !Frmbook::isLoaded());

    // The desktop cannot open the workbook: it stays, where the message says, and the caption does not
    // claim an export.
    w = openBook();
    env.openSucceeds = false;
    QTest::mouseClick(w->Command6, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    const QString kept = test::KeptExportFile(env.boxes[0]);
    QCOMPARE(QFileInfo(kept).absolutePath(), env.path(QStringLiteral("导出")));
    QCOMPARE(test::XlsxCells(kept).value(QStringLiteral("A4")), QStringLiteral("2026-12-10"));
    QCOMPARE(w->windowTitle(), QStringLiteral("记事簿"));
}

// The query window's "保存" lists the new snapshot in the notebook, loading and showing it when needed.
void TestFrmbook::snapshotSaveReloads()
{
    TestEnv env;
    makeBook(env);
    test::OpenManager()->MnuSearchFile_Click();
    QCoreApplication::processEvents();
    frmSearchForm *query = frmSearchForm::existing();
    QVERIFY(query && !Frmbook::isLoaded());
    QTest::mouseClick(query->Command3, Qt::LeftButton);
    QCoreApplication::processEvents();
    Frmbook *w = Frmbook::existing();
    QVERIFY(w && w->isVisible());
    QCOMPARE(w->Text3->text(), QStringLiteral("4"));
    QCOMPARE(cell(w, 4, 0), QStringLiteral("2026-12-10"));
    QCOMPARE(w->BookKey, std::optional<qint64>(5));

    // Loaded: the same window lists again.
    QTest::mouseClick(query->Command3, Qt::LeftButton);
    QCOMPARE(Frmbook::existing(), w);
    QCOMPARE(w->Text3->text(), QStringLiteral("5"));
    QCOMPARE(w->BookKey, std::optional<qint64>(6));
    QVERIFY(env.boxes.isEmpty());
}

// Every label of the notebook's areas stands level with its box (at the top of a note box), on the chart
// page too, where a row holds one-line boxes beside the note.
void TestFrmbook::labelsBesideTheirBoxes()
{
    TestEnv env;
    makeBook(env);
    Frmbook *w = openBook();
    QVERIFY(w);
    for (int page = 0; page < 2; ++page) {
        clickTab(w, page);
        QCoreApplication::processEvents();
        QWidget *shown = page == 0 ? w->Frame1 : w->Frame5;
        int pairs = 0;
        for (QLabel *label : shown->findChildren<QLabel *>()) {
            QWidget *box = label->buddy();
            if (!box || !box->isVisibleTo(shown))
                continue;
            ++pairs;
            const QRect l(label->mapTo(shown, QPoint()), label->size());
            const QRect b(box->mapTo(shown, QPoint()), box->size());
            const QString what = label->text();
            QVERIFY2(l.right() < b.left(), qPrintable(what));
            if (qobject_cast<QPlainTextEdit *>(box))
                QVERIFY2(qAbs(l.top() - b.top()) <= 4, qPrintable(what));
            else
                QVERIFY2(qAbs(l.center().y() - b.center().y()) <= 1, qPrintable(what));
        }
        QVERIFY(pairs >= 7);
    }
}

// A main window of 1024 x 768 with the notebook as it opens and maximised: after a first load of narrow
// figures and after reloads whose long notes widen the list so that its horizontal scroll bar appears,
// the selected last snapshot stands wholly in view, above that bar.
void TestFrmbook::lastSnapshotWhollyInView()
{
    for (const bool maximised : {false, true}) {
        TestEnv env;
        env.makeDatabase();
        for (int i = 0; i < 31; ++i)
            addSnapshot(d("2026-11-10").addDays(i).toString(Qt::ISODate), i);
        frmMain *m = frmMain::instance();
        m->resize(1024, 768);
        m->show();
        m->Toolbar1_ButtonClick(QStringLiteral("frmbook"));
        Frmbook *w = Frmbook::existing();
        QVERIFY(w);
        if (maximised)
            m->mdiArea()->activeSubWindow()->showMaximized();
        // Loaded as it opens; reloaded by the range's button; reloaded while the chart's page stands in
        // the list's place, as a snapshot saved in the query window reloads it, and the list shown again.
        for (const int load : {0, 1, 2}) {
            if (load > 0)
                test::DbExec(QStringLiteral("UPDATE qixst SET 备注 = ? WHERE qixstid % 2 = ?"),
                             {QStringLiteral("一段很长的备注，让这一列宽过它的窗口所能容下的"), load - 1});
            if (load == 1)
                QTest::mouseClick(w->Command7, Qt::LeftButton);
            if (load == 2) {
                clickTab(w, 1);
                w->qixload();
                clickTab(w, 0);
            }
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            const QModelIndex last = w->my1->model()->index(w->BookRows - 1, 0);
            QCOMPARE(w->my1->currentIndex(), last);
            QCOMPARE(w->my1->horizontalScrollBar()->isVisible(), load > 0);
            QVERIFY2(w->my1->viewport()->rect().contains(w->my1->visualRect(last)),
                     qPrintable(QStringLiteral("%1, load %2").arg(maximised ? "maximised" : "as it opens").arg(load)));
        }
        env.answers = {vbYes};
        m->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

QTEST_MAIN(TestFrmbook)
#include "tst_frmbook.moc"
