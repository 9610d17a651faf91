#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/TradeEntry.h"
#include "journal/TradeGrid.h"
#include "journal/frmCatalog.h"
#include "journal/frmManager.h"
#include "journal/modqix.h"
#include "tests/common/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>
#include <functional>
#include <sqlite3.h>

using namespace tv;
using tv::test::TestEnv;

namespace {

qint64 addRecord(Database &db, const QString &code, const QString &type, const QString &date, double qty,
                 double holding, double cash, double flow)
{
    db.execute(QStringLiteral(
                   "INSERT INTO rep (证券代码, 交易类别, 交收日期, 成交价格, 成交数量, 证券余额, 成交金额, "
                   "资金余额, 手续费, 印花税, 过户费, 其它费用, 收支金额, 合同号, 录入者) "
                   "VALUES (?, ?, ?, 10, ?, ?, ?, ?, 0, 0, 0, 0, ?, '77', 'clerk')"),
               {code, type, date, qty, holding, qty * 10, cash, flow});
    return db.lastInsertId();
}

// 招商银行 (600036) at 10.5 in the starter category, whose purchases take the fixture schedule; the cash
// stands at 20000 from another security's row before today and at 8000 after it.
struct Journal
{
    qint64 other = 0, later = 0;
};

Journal makeJournal(TestEnv &env)
{
    env.makeDatabase();
    g_CurUser = QStringLiteral("admin");
    g_UserRight = QStringLiteral("超级权限");
    Database db(g_DbPath, g_DbConnect);
    db.execute(QStringLiteral(
        "UPDATE machcom SET 手续费 = 0.003, 手续费下 = 5, 印花税 = 0.001, 印花税下 = 0, 过户费 = 0.001, "
        "过户费下 = 1 WHERE 交易方式 = '证券买入'"));
    test::AddSecurity(db, QStringLiteral("招商银行"), QStringLiteral("600036"), 10.5);
    test::AddSecurity(db, QStringLiteral("平安银行"), QStringLiteral("000001"), 12.0);
    Journal j;
    j.other = addRecord(db, "000001", "银行转券商", "2026-12-01", 0, 0, 20000, 20000);
    j.later = addRecord(db, "000001", "券商转银行", "2026-12-15", 0, 0, 8000, -12000);
    return j;
}

int repRows()
{
    Database db(g_DbPath, g_DbConnect);
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM rep")).toInt();
}

QStringList storedRow(qint64 repid)
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet rs = db.openQuery(QStringLiteral("SELECT * FROM rep WHERE repid = ?"), {repid});
    QStringList out;
    for (int c = 0; rs.recordCount() == 1 && c < rs.fieldCount(); ++c)
        out << rs.text(0, c);
    return out;
}

qint64 lastKey()
{
    Database db(g_DbPath, g_DbConnect);
    return db.scalar(QStringLiteral("SELECT MAX(repid) FROM rep")).toLongLong();
}

QStringList boxes(frmManager *w)
{
    QStringList out;
    for (int i = 1; i <= 10; ++i)
        out << w->Text1[i]->text();
    return out;
}

void typeInto(QLineEdit *box, const QString &text)
{
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClicks(box, text);
}

// The panel open on 招商银行 with a purchase of 100 typed and computed.
frmManager *purchaseOf100(TestEnv &env)
{
    makeJournal(env);
    frmManager *w = test::OpenManager(QStringLiteral("招商银行"));
    w->munaddqix_Click();
    typeInto(w->Text1[2], QStringLiteral("100"));
    QTest::keyClick(w->Text1[2], Qt::Key_Tab);
    return w;
}

void leaveBy(QWidget *box, Qt::FocusReason reason)
{
    QFocusEvent out(QEvent::FocusOut, reason);
    QCoreApplication::sendEvent(box, &out);
}

QList<QStringList> gridCells(frmManager *w)
{
    QList<QStringList> out;
    for (int r = 0; r < w->gridRowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < kGridColumns; ++c)
            row << w->gridText(r, c);
        out << row;
    }
    return out;
}

// Keys typed into a widget; a character beyond ASCII arrives as the text of a key, as an input method
// delivers it.
void typeKeys(QWidget *widget, const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// The trade type, the price and the quantity typed with the mouse and the keys, as an operator does;
// the focus is left in the quantity box.
void typeTrade(frmManager *w, const QString &type, const QString &price, const QString &quantity)
{
    QLineEdit *typeBox = w->Combo1->lineEdit();
    QTest::mouseClick(typeBox, Qt::LeftButton);
    typeBox->selectAll();
    typeKeys(typeBox, type);
    QCOMPARE(w->Combo1->currentText(), type);
    typeInto(w->Text1[1], price);
    typeInto(w->Text1[2], quantity);
}

// Enter pressed where the focus is, as the keyboard does.
void pressEnter()
{
    QVERIFY(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

// The journal with a purchase of 100 招商银行, the manager on it and the record edit open on the purchase.
struct OpenEdit
{
    frmManager *w = nullptr;
    modqix *d = nullptr;
    qint64 row = 0;
};

OpenEdit editOnPurchase(TestEnv &env)
{
    OpenEdit e;
    makeJournal(env);
    {
        Database db(g_DbPath, g_DbConnect);
        e.row = addRecord(db, "600036", "证券买入", "2026-12-01", 100, 100, 18990, -1010);
    }
    e.w = test::OpenManager(QStringLiteral("招商银行"));
    e.w->setCurrentGridRow(1);
    e.w->Mnumodqix_Click();
    e.d = modqix::existing();
    return e;
}

void editRow(frmManager *w, int gridRow, const std::function<void(modqix *)> &typing)
{
    w->setCurrentGridRow(gridRow);
    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("Modify"));
    modqix *d = modqix::existing();
    QVERIFY(d);
    typing(d);
    QTest::mouseClick(d->Command1, Qt::LeftButton);
}

} // namespace

class TestEntryPanel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void purchaseTypedAndSaved();
    void cancelWritesNothing();
    void dateChangeReopensTheBalances();
    void focusLostToAnotherWindowComputesNothing();
    void refusalsAndFailedSave();
    void categoryWithoutTradeModes();
    void editedRowKeepsItsPlace();
    void editOpensOnRecordRowsOnlyAndKeepsItsSecurity();
    void failedEditKeepsTheRow();
    void anotherChildWindowComputesNothing();
    void busyFileSavesNothing();
    void contractNumbersKeepEveryDigit();
    void savedRowSameByMouseAndKeyboard_data();
    void savedRowSameByMouseAndKeyboard();
    void reloadKeepsTheEntryPanel();
    void noRowForASecurityDeletedElsewhere();
    void deletingASecurityClosesItsEntries_data();
    void deletingASecurityClosesItsEntries();
    void editStaysWithTheMainWindow();
};

void TestEntryPanel::purchaseTypedAndSaved()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager(QStringLiteral("招商银行"));
    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("Add"));
    QVERIFY(w->Frame2->isVisible());
    QVERIFY(!w->my1->isVisible());
    QVERIFY(!w->Command1->isVisible() && !w->Command4->isVisible());
    QCOMPARE(LastStatusText(), QStringLiteral("添加买卖记录"));
    QCOMPARE(w->Combo1->count(), 10);
    QCOMPARE(w->Combo1->currentText(), QStringLiteral("证券买入"));
    QCOMPARE(w->Combo1->itemText(9), QStringLiteral("利息税代扣"));
    QCOMPARE(g_CurCategory, QStringLiteral("A股"));
    QCOMPARE(g_RepWhere, QStringLiteral("证券代码 ='600036' and 交收日期  <= #2026-12-10#"));
    QCOMPARE(boxes(w), (QStringList{"10.5", "", "0", "", "20000", "", "", "", "", ""}));

    // Letters are filtered out of the quantity; Enter moves on and computes.
    typeInto(w->Text1[2], QStringLiteral("1x000"));
    QCOMPARE(w->Text1[2]->text(), QStringLiteral("1000"));
    QTest::keyClick(w->Text1[2], Qt::Key_Return);
    QVERIFY(w->Text1[3]->hasFocus());
    QCOMPARE(boxes(w), (QStringList{"10.5", "1000", "1000", "10500", "9457", "31.5", "10.5", "1", "0", "0"}));
    QCOMPARE(w->m_TradeFlow, -10543.0);
    typeInto(w->Text1[10], QStringLiteral("00123"));
    QTest::mouseClick(w->Command2, Qt::LeftButton);

    QVERIFY(env.boxes.isEmpty());
    const qint64 key = lastKey();
    QCOMPARE(storedRow(key),
             (QStringList{"600036", "证券买入", "2026-12-10", "10.5", "1000", "1000", "10500", "9457", "31.5",
                          "10.5", "1", "0", "-10543", "123", "admin", QString::number(key)}));
    QVERIFY(!w->Frame2->isVisible());
    QVERIFY(w->my1->isVisible() && w->Command1->isVisible() && w->Command4->isVisible());
    QCOMPARE(boxes(w), QStringList(10, QString()));
    QCOMPARE(w->gridText(1, 0), QStringLiteral("2026-12-10"));
    QCOMPARE(w->gridText(1, kGridKeyColumn), QString::number(key));
    QCOMPARE(w->gridText(2, 0), QStringLiteral(" 合计"));
    QCOMPARE(w->txtFields[6]->text(), QStringLiteral("-43")); // 1000 at 10.5 less 10543

    // The next opening reads the balances afresh, and its flow starts at 0.
    w->munaddqix_Click();
    QCOMPARE(w->Text1[3]->text(), QStringLiteral("1000"));
    QCOMPARE(w->Text1[5]->text(), QStringLiteral("9457"));
    QCOMPARE(w->m_TradeFlow, 0.0);
}

void TestEntryPanel::cancelWritesNothing()
{
    TestEnv env;
    frmManager *w = purchaseOf100(env);
    QCOMPARE(w->Text1[4]->text(), QStringLiteral("1050"));
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(repRows(), 2);
    QVERIFY(!w->Frame2->isVisible());
    QVERIFY(w->my1->isVisible() && w->Command1->isVisible() && w->Command4->isVisible());
    QCOMPARE(boxes(w), QStringList(10, QString()));
    QCOMPARE(LastStatusText(), kIdleText);
    QVERIFY(env.boxes.isEmpty());
}

void TestEntryPanel::dateChangeReopensTheBalances()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager(QStringLiteral("招商银行"));
    w->munaddqix_Click();
    QCoreApplication::processEvents();
    const QRect panel = w->Frame2->geometry();
    QCOMPARE(w->Text1[5]->text(), QStringLiteral("20000"));
    w->Combo1->setCurrentIndex(1);
    w->Text1[1]->setText(QStringLiteral("11"));
    typeInto(w->Text1[2], QStringLiteral("100"));
    QTest::keyClick(w->Text1[2], Qt::Key_Tab);
    QVERIFY(w->m_TradeFlow != 0);

    w->DTPicker1->setDate(QDate(2026, 12, 20));
    QCOMPARE(w->Combo1->currentIndex(), 0);
    QCOMPARE(w->Text1[1]->text(), QStringLiteral("10.5"));
    QCOMPARE(w->Text1[5]->text(), QStringLiteral("8000"));
    QCOMPARE(w->Text1[2]->text(), QStringLiteral("100")); // the other boxes keep their text
    QCOMPARE(w->m_TradeFlow, 0.0);
    QCOMPARE(w->m_OpeningCash, 8000.0);
    QCOMPARE(g_RepWhere, QStringLiteral("证券代码 ='600036' and 交收日期  <= #2026-12-20#"));
    // Opened again in the same place, however often.
    QCoreApplication::processEvents();
    QCOMPARE(w->Frame2->geometry(), panel);
    w->DTPicker1->setDate(QDate(2026, 12, 21));
    QCoreApplication::processEvents();
    QCOMPARE(w->Frame2->geometry(), panel);
}

void TestEntryPanel::focusLostToAnotherWindowComputesNothing()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager(QStringLiteral("招商银行"));
    w->munaddqix_Click();
    w->Text1[2]->setText(QStringLiteral("1000"));
    // A message box or a pop-up taking the focus runs nothing.
    leaveBy(w->Text1[2], Qt::ActiveWindowFocusReason);
    leaveBy(w->Text1[2], Qt::PopupFocusReason);
    QCOMPARE(w->Text1[4]->text(), QString());
    // Moving to another control of the window computes; doing it again takes the fees off once.
    leaveBy(w->Text1[2], Qt::TabFocusReason);
    QCOMPARE(w->Text1[5]->text(), QStringLiteral("9457"));
    leaveBy(w->Text1[1], Qt::MouseFocusReason);
    leaveBy(w->Combo1, Qt::TabFocusReason);
    QCOMPARE(w->Text1[5]->text(), QStringLiteral("9457"));
    QCOMPARE(w->m_TradeFlow, -10543.0);

    // Short of cash: the warning, once per computation, and nothing blocked.
    w->Text1[2]->setText(QStringLiteral("3000"));
    leaveBy(w->Text1[2], Qt::TabFocusReason);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral(" 资金余额不够,请重新输入！"), 48, QStringLiteral("警告!"));
    QVERIFY(w->Text1[5]->text().startsWith(u'-'));
}

void TestEntryPanel::refusalsAndFailedSave()
{
    TestEnv env;
    frmManager *w = purchaseOf100(env);

    // A single quote in the contract number is refused on leaving, and the focus goes back.
    typeInto(w->Text1[10], QStringLiteral("12'3"));
    QTest::keyClick(w->Text1[10], Qt::Key_Tab);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], kSpecialCharText, 48, QStringLiteral("提示："));
    QVERIFY(w->Text1[10]->hasFocus());
    QCOMPARE(w->Text1[10]->text(), QStringLiteral("12'3"));
    w->Text1[10]->setText(QStringLiteral("123"));
    env.clearBoxes();

    // A typed trade type with a quote never reaches the file.
    w->Combo1->setEditText(QStringLiteral("配'股"));
    w->Command2_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], kSpecialCharText, 48, QStringLiteral("提示："));
    QCOMPARE(repRows(), 2);
    w->Combo1->setCurrentIndex(0);
    env.clearBoxes();

    // An empty cash box.
    w->Text1[5]->setText(QStringLiteral("  "));
    w->Command2_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("资金余额不能为空!"), 0, QString());
    QCOMPARE(repRows(), 2);
    w->Text1[5]->setText(QStringLiteral("18943"));
    env.clearBoxes();

    // A failed insert is rolled back; the panel stays open with what was typed.
    {
        Database db(g_DbPath, g_DbConnect);
        db.execute(QStringLiteral(
            "CREATE TRIGGER no_insert BEFORE INSERT ON rep BEGIN SELECT RAISE(ABORT, 'no'); END"));
    }
    const QStringList typed = boxes(w);
    w->Command2_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("系统未知错误，不能继续！"), 16, QStringLiteral("未知错误"));
    QCOMPARE(repRows(), 2);
    QVERIFY(w->Frame2->isVisible());
    QCOMPARE(boxes(w), typed);
    {
        Database db(g_DbPath, g_DbConnect);
        db.execute(QStringLiteral("DROP TRIGGER no_insert"));
    }
    w->Command2_Click();
    QCOMPARE(repRows(), 3);
    QCOMPARE(storedRow(lastKey()).value(7), QStringLiteral("18943"));
}

void TestEntryPanel::categoryWithoutTradeModes()
{
    TestEnv env;
    makeJournal(env);
    {
        Database db(g_DbPath, g_DbConnect);
        db.execute(QStringLiteral("DELETE FROM machcom"));
    }
    frmManager *w = test::OpenManager(QStringLiteral("招商银行"));
    w->munaddqix_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("没有交易方式，请重新添加！"), 16,
                 QStringLiteral("没有找到交易方式"));
    QVERIFY(!w->Frame2->isVisible());
    QVERIFY(!w->my1->isVisible());
    QVERIFY(!frmMain::instance()->toolbarButton(5)->isEnabled());
    QVERIFY(!w->menuItem(QStringLiteral("uprice"))->isEnabled());
}

// A purchase followed by a sale on the same day: the grid's holding, cash and profit come from the
// sale's row, the last of the day. Editing the purchase keeps it where it was.
void TestEntryPanel::editedRowKeepsItsPlace()
{
    TestEnv env;
    const Journal j = makeJournal(env);
    qint64 purchase = 0, sale = 0, later = 0;
    {
        Database db(g_DbPath, g_DbConnect);
        purchase = addRecord(db, "600036", "证券买入", "2026-12-01", 1000, 1000, 10000, -10000);
        sale = addRecord(db, "600036", "证券卖出", "2026-12-01", 500, 500, 15250, 5250);
        later = addRecord(db, "600036", "证券卖出", "2026-12-05", 100, 400, 16250, 1000);
    }
    const QStringList saleBefore = storedRow(sale), laterBefore = storedRow(later);
    frmManager *w = test::OpenManager(QStringLiteral("招商银行"));
    const QList<QStringList> gridBefore = gridCells(w);
    const QString profitBefore = w->txtFields[6]->text();

    w->setCurrentGridRow(1);
    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("Modify"));
    modqix *d = modqix::existing();
    QVERIFY(d && d->isVisible() && !d->isModal());
    QCOMPARE(d->windowTitle(), QStringLiteral("修改交易记录"));
    QCOMPARE(LastStatusText(), QStringLiteral("修改证券交易记录"));
    QCOMPARE(d->Combo1->currentText(), QStringLiteral("证券买入"));
    QCOMPARE(d->DTPicker1->date(), QDate(2026, 12, 1));
    QStringList shown;
    for (int i = 1; i <= 12; ++i)
        shown << d->Text1[i]->text();
    QCOMPARE(shown, (QStringList{"10", "1000", "1000", "10000", "10000", "0", "0", "0", "0", "-10000", "77",
                                 "admin"}));
    QCOMPARE(d->m_RepId, purchase);

    // Only the contract number: the row keeps its key and its place, and the grid, its totals and the
    // profit read as before; the operator now logged in becomes the row's 录入者.
    d->Text1[11]->setText(QStringLiteral("99"));
    QTest::mouseClick(d->Command1, Qt::LeftButton);
    QVERIFY(!modqix::isLoaded());
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(LastStatusText(), kIdleText);
    QCOMPARE(storedRow(purchase),
             (QStringList{"600036", "证券买入", "2026-12-01", "10", "1000", "1000", "10000", "10000", "0",
                          "0", "0", "0", "-10000", "99", "admin", QString::number(purchase)}));
    QList<QStringList> expected = gridBefore;
    expected[1][12] = QStringLiteral("99");
    expected[1][13] = QStringLiteral("admin");
    QCOMPARE(gridCells(w), expected);
    QCOMPARE(w->txtFields[6]->text(), profitBefore);

    // Nothing is recomputed: a typed quantity is stored with the balances as they stand, and no other
    // row changes.
    editRow(w, 1, [](modqix *dialog) {
        dialog->Text1[2]->setText(QStringLiteral("1500"));
        dialog->Text1[9]->clear();
    });
    QCOMPARE(storedRow(purchase).mid(3, 5), (QStringList{"10", "1500", "1000", "10000", "10000"}));
    QCOMPARE(storedRow(sale), saleBefore);
    QCOMPARE(storedRow(later), laterBefore);
    QCOMPARE(storedRow(j.later).value(7), QStringLiteral("8000"));
    QCOMPARE(w->gridText(1, kGridKeyColumn), QString::number(purchase));
    QCOMPARE(w->gridText(2, kGridKeyColumn), QString::number(sale));
    QCOMPARE(w->gridText(3, kGridKeyColumn), QString::number(later));
    QCOMPARE(w->txtFields[6]->text(), profitBefore);
}

void TestEntryPanel::editOpensOnRecordRowsOnlyAndKeepsItsSecurity()
{
    TestEnv env;
    makeJournal(env);
    qint64 row = 0;
    {
        Database db(g_DbPath, g_DbConnect);
        row = addRecord(db, "600036", "证券买入", "2026-12-01", 100, 100, 18990, -1010);
    }
    frmManager *w = test::OpenManager(QStringLiteral("招商银行"));
    w->setCurrentGridRow(2); // the totals row
    w->Mnumodqix_Click();
    QVERIFY(!modqix::isLoaded());
    w->setCurrentGridRow(3); // the empty row
    w->Mnumodqix_Click();
    QVERIFY(!modqix::isLoaded());

    w->setCurrentGridRow(1);
    w->Mnumodqix_Click();
    modqix *d = modqix::existing();
    QVERIFY(d);
    // The operator loads another security meanwhile: the row stays with its own.
    w->TreeView_NodeClick(w->securityNode(QStringLiteral("平安银行")));
    QCOMPARE(g_CurCode, QStringLiteral("000001"));

    // Keys: a quote in the contract number is refused on leaving; the numeric boxes filter.
    d->show();
    d->activateWindow();
    // The dialog's owner being active counts as the dialog being active: wait for the dialog itself.
    QVERIFY(QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }));
    QTest::mouseClick(d->Text1[11], Qt::LeftButton);
    QTest::keyClicks(d->Text1[11], QStringLiteral("'"));
    QTest::keyClick(d->Text1[11], Qt::Key_Return);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], kSpecialCharText, 48, QStringLiteral("提示："));
    QVERIFY(d->Text1[11]->hasFocus());
    d->Text1[11]->setText(QStringLiteral("88"));
    QTest::mouseClick(d->Text1[3], Qt::LeftButton);
    d->Text1[3]->selectAll();
    QTest::keyClicks(d->Text1[3], QStringLiteral("1a2"));
    QCOMPARE(d->Text1[3]->text(), QStringLiteral("12"));
    env.clearBoxes();

    d->Text1[5]->clear();
    d->Command1_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("资金余额不能为空!"), 0, QString());
    QCOMPARE(storedRow(row).value(4), QStringLiteral("100"));
    d->Text1[5]->setText(QStringLiteral("18990"));
    d->Command1_Click();
    QVERIFY(!modqix::isLoaded());
    const QStringList stored = storedRow(lastKey());
    QCOMPARE(stored.value(0), QStringLiteral("600036"));
    QCOMPARE(stored.value(5), QStringLiteral("12"));
    QCOMPARE(stored.value(13), QStringLiteral("88"));
}

void TestEntryPanel::failedEditKeepsTheRow()
{
    TestEnv env;
    const auto [w, d, row] = editOnPurchase(env);
    QVERIFY(d);
    {
        Database db(g_DbPath, g_DbConnect);
        db.execute(QStringLiteral(
            "CREATE TRIGGER no_insert BEFORE INSERT ON rep BEGIN SELECT RAISE(ABORT, 'no'); END"));
    }
    d->Text1[2]->setText(QStringLiteral("5"));
    d->Command1_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("系统未知错误，不能继续！"), 16, QStringLiteral("未知错误"));
    QVERIFY(modqix::isLoaded());
    QCOMPARE(d->Text1[2]->text(), QStringLiteral("5"));
    QCOMPARE(storedRow(row).value(4), QStringLiteral("100"));
    QCOMPARE(repRows(), 3);

    // Cancelling writes nothing.
    d->Command2_Click();
    QVERIFY(!modqix::isLoaded());
    QCOMPARE(LastStatusText(), kIdleText);
    QCOMPARE(storedRow(row).value(4), QStringLiteral("100"));
}

void TestEntryPanel::anotherChildWindowComputesNothing()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager(QStringLiteral("招商银行"));
    w->munaddqix_Click();
    frmMain *m = frmMain::instance();
    m->show();
    m->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m));
    w->Text1[2]->setFocus();
    w->Text1[2]->setText(QStringLiteral("1000"));
    QVERIFY(w->Text1[2]->hasFocus());

    // Another child of the main window takes the focus: the boxes stay as typed.
    auto *other = new QWidget;
    auto *edit = new QLineEdit(other);
    m->showChild(other);
    QVERIFY(edit->hasFocus());
    QCOMPARE(boxes(w), (QStringList{"10.5", "1000", "0", "", "20000", "", "", "", "", ""}));
    QVERIFY(env.boxes.isEmpty());
    delete other;
}

// Another workstation's write holds the file past the busy time-out: the save says the file is busy,
// writes nothing and keeps the panel as typed; once the file is free the same save goes through.
void TestEntryPanel::busyFileSavesNothing()
{
    TestEnv env;
    frmManager *w = purchaseOf100(env);
    const QStringList typed = boxes(w);

    sqlite3 *other = nullptr;
    QCOMPARE(sqlite3_open(g_DbPath.toUtf8().constData(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE; DELETE FROM Catalog;", nullptr, nullptr, nullptr),
             SQLITE_OK);
    w->Command2_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], DbBusyText(), 48, QStringLiteral("提示："));
    QVERIFY(w->Frame2->isVisible());
    QCOMPARE(boxes(w), typed);
    QCOMPARE(sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    QCOMPARE(repRows(), 2);

    w->Command2_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE(repRows(), 3);
    QVERIFY(!w->Frame2->isVisible());
}

// A contract number of 18 digits stays whole: in the panel's box when another box is clicked, in the row
// the panel saves, and in the row the record edit saves.
void TestEntryPanel::contractNumbersKeepEveryDigit()
{
    TestEnv env;
    frmManager *w = purchaseOf100(env);
    QTest::mouseClick(w->Text1[10], Qt::LeftButton);
    typeKeys(w->Text1[10], QStringLiteral("202601060000123457号"));
    QTest::mouseClick(w->Text1[1], Qt::LeftButton);
    QCOMPARE(w->Text1[10]->text(), QStringLiteral("202601060000123457"));
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    const qint64 key = lastKey();
    QCOMPARE(storedRow(key).value(13), QStringLiteral("202601060000123457"));

    w->setCurrentGridRow(1);
    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("Modify"));
    modqix *d = modqix::existing();
    QVERIFY(d);
    QCOMPARE(d->Text1[11]->text(), QStringLiteral("202601060000123457"));
    d->activateWindow();
    QVERIFY(QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }));
    QTest::mouseClick(d->Text1[11], Qt::LeftButton);
    d->Text1[11]->selectAll();
    QTest::keyClicks(d->Text1[11], QStringLiteral("202601060000123458"));
    QTest::mouseClick(d->Command1, Qt::LeftButton);
    QVERIFY(!modqix::isLoaded());
    QCOMPARE(storedRow(key).value(13), QStringLiteral("202601060000123458"));
}

// Every trade type typed by price and quantity: saved with the mouse straight from the quantity box, and
// by Enter through every box and then on 保存, the stored rows are the same, and none contradicts
// itself: the cash moves by the flow, the holding by what the type does to it.
void TestEntryPanel::savedRowSameByMouseAndKeyboard_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("flow"); // where the figure is known
    // clang-format off
    QTest::newRow("purchase")          << "证券买入"     << "10.5" << "100"  << "-1057.05";
    QTest::newRow("sale")              << "证券卖出"     << "10.5" << "100"  << "";
    QTest::newRow("dividend")          << "红利入账"     << "1.8"  << "1000" << "1800";
    QTest::newRow("bonus shares")      << "红股入账"     << "0"    << "300"  << "0";
    QTest::newRow("fund subscription") << "基金申购拨出" << "1"    << "3000" << "-3046";
    QTest::newRow("fund redemption")   << "基金赎回拨入" << "1.2"  << "500"  << "597";
    QTest::newRow("bank to broker")    << "银行转券商"   << "1"    << "5000" << "5000";
    QTest::newRow("broker to bank")    << "券商转银行"   << "1"    << "2000" << "-2000";
    QTest::newRow("interest")          << "利息归本"     << "1"    << "12.5" << "12.5";
    QTest::newRow("interest tax")      << "利息税代扣"   << "1"    << "2.5"  << "-2.5";
    QTest::newRow("another name")      << "配股缴款"     << "5"    << "100"  << "0";
    // clang-format on
}

void TestEntryPanel::savedRowSameByMouseAndKeyboard()
{
    QFETCH(QString, type);
    QFETCH(QString, price);
    QFETCH(QString, quantity);
    QFETCH(QString, flow);
    TestEnv env;
    makeJournal(env);
    {
        // 招商银行 holds 1000, and the cash stands at 15000.
        Database db(g_DbPath, g_DbConnect);
        addRecord(db, "600036", "证券买入", "2026-12-02", 1000, 1000, 15000, -5000);
    }
    frmManager *w = test::OpenManager(QStringLiteral("招商银行"));
    frmMain *m = frmMain::instance();

    m->Toolbar1_ButtonClick(QStringLiteral("Add"));
    typeTrade(w, type, price, quantity);
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QVERIFY(!w->Frame2->isVisible());
    const qint64 byMouse = lastKey();
    const QStringList mouseRow = storedRow(byMouse);
    test::DbExec(QStringLiteral("DELETE FROM rep WHERE repid = ?"), {byMouse});

    m->Toolbar1_ButtonClick(QStringLiteral("Add"));
    QCOMPARE(w->m_OpeningCash, 15000.0);
    typeTrade(w, type, QString(), QString());
    typeInto(w->Text1[1], price);
    pressEnter();
    QVERIFY(w->Text1[2]->hasFocus());
    QTest::keyClicks(w->Text1[2], quantity);
    for (int box = 2; box <= 10; ++box) {
        QVERIFY(w->Text1[box]->hasFocus());
        pressEnter();
    }
    QVERIFY(w->Command2->hasFocus());
    pressEnter();
    QVERIFY(!w->Frame2->isVisible());
    const QStringList keyRow = storedRow(lastKey());

    for (int c = 0; c < 15; ++c)
        QCOMPARE(mouseRow.value(c), keyRow.value(c));
    const double cash = mouseRow.value(7).toDouble(), saved = mouseRow.value(12).toDouble();
    QVERIFY2(qAbs(cash - (15000 + saved)) < 0.011, qPrintable(mouseRow.join(u'|')));
    QCOMPARE(mouseRow.value(5).toDouble(), 1000 + HoldingChange(type, quantity.toDouble()));
    if (!flow.isEmpty())
        QCOMPARE(mouseRow.value(12), flow);
}

// A click on the security already loaded reads its detail and grid again; a trade being typed for it
// stays open as typed.
void TestEntryPanel::reloadKeepsTheEntryPanel()
{
    TestEnv env;
    makeJournal(env);
    frmManager *w = test::OpenManager();
    w->categoryNode(QStringLiteral("A000000001"))->setExpanded(true);
    QCoreApplication::processEvents();
    const auto click = [w](const QString &name) {
        QTest::mouseClick(w->TreeView->viewport(), Qt::LeftButton, {},
                          w->TreeView->visualItemRect(w->securityNode(name)).center());
    };
    click(QStringLiteral("招商银行"));
    w->munaddqix_Click();
    typeInto(w->Text1[2], QStringLiteral("100"));
    QTest::keyClick(w->Text1[2], Qt::Key_Tab);
    typeInto(w->Text1[10], QStringLiteral("55"));
    const QStringList typed = boxes(w);
    const int rows = w->gridRowCount();
    test::DbExec(QStringLiteral("UPDATE Detail SET 市场价格 = 11 WHERE 证券代码 = '600036'"));
    {
        Database db(g_DbPath, g_DbConnect);
        addRecord(db, "600036", "证券买入", "2026-12-03", 200, 200, 17900, -2100);
    }

    click(QStringLiteral("招商银行"));
    QCOMPARE(w->txtFields[4]->text(), QStringLiteral("11"));
    QCOMPARE(w->gridRowCount(), rows + 1);
    QCOMPARE(w->m_Holding, 200.0);
    QVERIFY(w->Frame2->isVisible());
    QVERIFY(!w->my1->isVisible() && !w->Command1->isVisible() && !w->Command4->isVisible());
    QCOMPARE(boxes(w), typed);
    QVERIFY(env.boxes.isEmpty());

    // Another security loaded closes it, as a reload of the grid does.
    click(QStringLiteral("平安银行"));
    QVERIFY(!w->Frame2->isVisible());
    QVERIFY(w->my1->isVisible());
}

// Another workstation deletes the security, with its records, while this one has a trade typed in the
// panel and one of its records open in the edit: neither save writes a row, and each says why.
void TestEntryPanel::noRowForASecurityDeletedElsewhere()
{
    TestEnv env;
    const auto [w, d, row] = editOnPurchase(env);
    QVERIFY(d);
    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("Add"));
    typeInto(w->Text1[2], QStringLiteral("100"));
    QTest::keyClick(w->Text1[2], Qt::Key_Tab);

    test::DbExec(QStringLiteral("DELETE FROM Detail WHERE 证券代码 = '600036'"));
    test::DbExec(QStringLiteral("DELETE FROM rep WHERE 证券代码 = '600036'"));
    const EntryNotice gone = SecurityGoneNotice(QStringLiteral("600036"));
    QVERIFY(gone.text.contains(QStringLiteral("600036")));

    for (int attempt = 0; attempt < 2; ++attempt) {
        env.clearBoxes();
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QCOMPARE(env.boxes.size(), 1);
        QCOMPARE_BOX(env.boxes[0], gone.text, 48, QStringLiteral("提示："));
        QCOMPARE(repRows(), 2);
    }
    QVERIFY(w->Frame2->isVisible());

    env.clearBoxes();
    d->Text1[2]->setText(QStringLiteral("300"));
    QTest::mouseClick(d->Command1, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], gone.text, 48, QStringLiteral("提示："));
    QVERIFY(modqix::isLoaded());
    QCOMPARE(test::DbCount(QStringLiteral("SELECT COUNT(*) FROM rep WHERE 证券代码 = '600036'")), 0);
    QCOMPARE(repRows(), 2);
}

// Deleting a security here, from the journal or with its category, closes the entry panel and the
// record edit open on it: nothing of it is left to save.
void TestEntryPanel::deletingASecurityClosesItsEntries_data()
{
    QTest::addColumn<bool>("withCategory");
    QTest::newRow("删除证券") << false;
    QTest::newRow("证券分类") << true;
}

void TestEntryPanel::deletingASecurityClosesItsEntries()
{
    QFETCH(bool, withCategory);
    TestEnv env;
    makeJournal(env);
    test::DbExec(QStringLiteral("INSERT INTO Catalog (证券类别, 股东账号) VALUES ('B股', 'B000000001')"));
    test::DbExec(
        QStringLiteral("INSERT INTO machcom (证券类别, 交易方式, 手续费) VALUES ('B股', '证券买入', 0.003)"));
    test::DbExec(
        QStringLiteral("INSERT INTO Detail (股东账号, 证券名称, 证券代码, 目标价, 市场价格, 止损位, 买入点) "
                       "VALUES ('B000000001', '万科B', '200002', 0, 10, 0, 0)"));
    {
        Database db(g_DbPath, g_DbConnect);
        addRecord(db, "200002", "证券买入", "2026-12-02", 100, 100, 18950, -1050);
    }
    frmManager *w = test::OpenManager(QStringLiteral("万科B"));
    w->setCurrentGridRow(1);
    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("Modify"));
    QVERIFY(modqix::isLoaded());
    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("Add"));
    QVERIFY(w->Frame2->isVisible());
    typeInto(w->Text1[2], QStringLiteral("100"));

    env.answers << vbYes;
    if (withCategory) {
        frmCatalog *c = frmCatalog::instance();
        c->show();
        QListWidgetItem *item = c->categoryItem(QStringLiteral("B股"));
        QTest::mouseClick(c->ListView1->viewport(), Qt::LeftButton, {},
                          c->ListView1->visualItemRect(item).center());
        QTest::mouseClick(c->DeleteB, Qt::LeftButton);
        c->close();
    } else {
        // Ctrl+D, 删除证券, from the box being typed in.
        QVERIFY(w->Text1[2]->hasFocus());
        QTest::keyClick(w->Text1[2], Qt::Key_D, Qt::ControlModifier);
    }
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT COUNT(*) FROM Detail WHERE 证券代码 = '200002'")), 0);
    QVERIFY(!w->Frame2->isVisible());
    QCOMPARE(boxes(w), QStringList(10, QString()));
    QVERIFY(!modqix::isLoaded());
    QCOMPARE(repRows(), 2);
}

// The edit belongs to the main window: it stays in front of it, also with the journal closed under it,
// and its save still stores the row.
void TestEntryPanel::editStaysWithTheMainWindow()
{
    TestEnv env;
    const auto [w, d, row] = editOnPurchase(env);
    QVERIFY(d && d->isWindow());
    frmMain *m = frmMain::instance();
    QCOMPARE(d->parentWidget(), m);
    QCOMPARE(d->windowHandle()->transientParent(), m->windowHandle());

    m->Toolbar1_ButtonClick(QStringLiteral("Manager"));
    QVERIFY(!frmManager::isLoaded());
    QVERIFY(d->isVisible());
    d->Text1[2]->setText(QStringLiteral("300"));
    QTest::mouseClick(d->Command1, Qt::LeftButton);
    QVERIFY(!modqix::isLoaded());
    QCOMPARE(storedRow(row).mid(0, 5), (QStringList{"600036", "证券买入", "2026-12-01", "10", "300"}));
}

QTEST_MAIN(TestEntryPanel)
#include "tst_entrypanel.moc"
