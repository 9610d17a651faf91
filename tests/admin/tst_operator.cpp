#include "admin/frmOperator.h"
#include "app/Forms.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "data/Database.h"
#include "data/Password.h"
#include "data/Settings.h"
#include "tests/common/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace tv;
using tv::test::TestEnv;

namespace {
void insertOperator(const QString &name, const QString &stored, const QString &right)
{
    Database db(g_DbPath, g_DbConnect);
    db.execute(QStringLiteral("INSERT INTO User (UID, PWD, 权限) VALUES (?, ?, ?)"), {name, stored, right});
}

QList<QStringList> storedUsers()
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet rs = db.openTable(QStringLiteral("User"));
    QList<QStringList> out;
    for (int r = 0; r < rs.recordCount(); ++r)
        out << QStringList{rs.text(r, 0), rs.text(r, 1), rs.text(r, 2)};
    return out;
}

QStringList gridRow(QTableWidget *g, int row)
{
    QStringList out;
    for (int c = 0; c < 3; ++c)
        out << (g->item(row, c) ? g->item(row, c)->text() : QString());
    return out;
}

void typeOperator(frmOperator *w, const QString &name, const QString &password, const QString &repeat)
{
    w->Text1->setText(name);
    w->Text2->setText(password);
    w->Text3->setText(repeat);
}

QPoint cellCentre(QTableWidget *g, int row, int column)
{
    return g->visualRect(g->model()->index(row, column)).center();
}

frmOperator *shownWindow()
{
    frmOperator *w = frmOperator::instance();
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w))
        qWarning("operators window not active");
    return w;
}
} // namespace

class TestOperator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void listsEveryOperatorInClear();
    void addStoresTheEncodedPassword();
    void duplicateRefusedWithoutRegardToCase_data();
    void duplicateRefusedWithoutRegardToCase();
    void repeatMustAgree();
    void quoteInNameRefused();
    void failedAddKeepsWhatWasTyped_data();
    void failedAddKeepsWhatWasTyped();
    void lastOperatorCannotBeDeleted();
    void deleteAsksFirstAndTakesExactlyTheRow();
    void popupMenuAndItsState();
    void enterMovesOnAndClosing();
};

void TestOperator::listsEveryOperatorInClear()
{
    TestEnv env;
    env.makeDatabase();
    // A "#" encodes to a blank, which is kept, so the password shows back whole.
    insertOperator(QStringLiteral("edge"), EncodePassword(QStringLiteral("#a*#")),
                   QStringLiteral("不能修改"));
    for (int i = 3; i <= 30; ++i)
        insertOperator(QStringLiteral("op%1").arg(i), EncodePassword(QStringLiteral("p%1").arg(i)),
                       QStringLiteral("可以修改"));
    frmOperator *w = frmOperator::instance();
    QTableWidget *g = w->Grid1;
    QCOMPARE(w->windowTitle(), QStringLiteral("操作员管理"));
    QCOMPARE(g->horizontalHeaderItem(0)->text(), QStringLiteral(" 操作员 "));
    QCOMPARE(g->horizontalHeaderItem(1)->text(), QStringLiteral("  口令 "));
    QCOMPARE(g->horizontalHeaderItem(2)->text(), QStringLiteral(" 权限 "));
    QCOMPARE(w->operatorCount(), 30);
    QCOMPARE(g->rowCount(), 33);
    QCOMPARE(gridRow(g, 0), (QStringList{"admin", "123456", "超级权限"}));
    QCOMPARE(gridRow(g, 1), (QStringList{"edge", "#a*#", "不能修改"}));
    QCOMPARE(gridRow(g, 29), (QStringList{"op30", "p30", "可以修改"}));
    QCOMPARE(gridRow(g, 30), (QStringList{"", "", ""}));
    QCOMPARE(g->currentRow(), 0);
    QCOMPARE(w->cmbAuthority->currentText(), QStringLiteral("只能添加"));
    QCOMPARE(w->cmbAuthority->count(), 4);
    QVERIFY(!w->Command1->isEnabled());
    w->Text1->setText(QStringLiteral("  "));
    QVERIFY(!w->Command1->isEnabled());
    w->Text1->setText(QStringLiteral(" x "));
    QVERIFY(w->Command1->isEnabled());
    QCOMPARE(w->Text1->maxLength(), 5);
    QCOMPARE(w->Text2->maxLength(), 20);
    QCOMPARE(w->Text3->echoMode(), QLineEdit::Password);
    QVERIFY(env.boxes.isEmpty());
}

void TestOperator::addStoresTheEncodedPassword()
{
    TestEnv env;
    env.makeDatabase();
    frmOperator *w = frmOperator::instance();
    typeOperator(w, QStringLiteral(" bob "), QStringLiteral("abc "), QStringLiteral(" abc"));
    w->cmbAuthority->setCurrentIndex(2);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QVERIFY(env.boxes.isEmpty());
    const QString abcStored = QString(QChar(94)) + QChar(95) + QChar(96);
    QCOMPARE(storedUsers().value(1), (QStringList{"bob", abcStored, "可以修改"}));
    QCOMPARE(gridRow(w->Grid1, 1), (QStringList{"bob", "abc", "可以修改"}));
    QCOMPARE(w->operatorCount(), 2);
    QVERIFY(w->Text1->text().isEmpty() && w->Text2->text().isEmpty() && w->Text3->text().isEmpty());

    // A "*" encodes to a single quote: with bound values it is stored like any other character.
    typeOperator(w, QStringLiteral("star"), QStringLiteral("*x"), QStringLiteral("*x"));
    w->Command1_Click();
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(storedUsers().value(2).value(1), QStringLiteral("'u"));
    QCOMPARE(gridRow(w->Grid1, 2).value(1), QStringLiteral("*x"));
}

void TestOperator::duplicateRefusedWithoutRegardToCase_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("same") << "admin";
    QTest::newRow("upper") << "ADMIN";
    QTest::newRow("mixed") << "AdMiN";
}

void TestOperator::duplicateRefusedWithoutRegardToCase()
{
    QFETCH(QString, name);
    TestEnv env;
    const QString path = env.makeDatabase();
    frmOperator *w = frmOperator::instance();
    typeOperator(w, name, QStringLiteral("pw"), QStringLiteral("pw"));
    const QByteArray before = test::FileBytes(path);
    w->Command1_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("操作员< ") + name + QStringLiteral(" >已经存在,不能继续!    "),
                 64, QString());
    QCOMPARE(test::FileBytes(path), before);
    QVERIFY(w->Text1->text().isEmpty());
    QCOMPARE(w->Text2->text(), QStringLiteral("pw"));
}

void TestOperator::repeatMustAgree()
{
    TestEnv env;
    const QString path = env.makeDatabase();
    const QByteArray before = test::FileBytes(path);
    const QString mismatch = QStringLiteral("两次口令不符，请重新再来    ");
    frmOperator *w = shownWindow();

    // Leaving the repeat box for another box.
    typeOperator(w, QStringLiteral("bob"), QStringLiteral("abc"), QStringLiteral("abd"));
    w->Text3->setFocus();
    QTest::mouseClick(w->cmbAuthority, Qt::LeftButton);
    w->cmbAuthority->hidePopup();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], mismatch, 64, QStringLiteral("口令不符"));
    QVERIFY(w->Text2->text().isEmpty() && w->Text3->text().isEmpty());
    QCOMPARE(w->Text1->text(), QStringLiteral("bob"));
    QCOMPARE(QApplication::focusWidget(), w->Text2);

    // Going from the repeat box straight to the save button: one message, nothing added.
    env.clearBoxes();
    typeOperator(w, QStringLiteral("bob"), QStringLiteral("abc"), QStringLiteral("xyz"));
    w->Text3->setFocus();
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], mismatch, 64, QStringLiteral("口令不符"));
    QVERIFY(w->Text2->text().isEmpty() && w->Text3->text().isEmpty());
    QCOMPARE(w->Text1->text(), QStringLiteral("bob"));
    QCOMPARE(test::FileBytes(path), before);

    // Changing the password after the repeat was checked is caught at the add too.
    env.clearBoxes();
    typeOperator(w, QStringLiteral("bob"), QStringLiteral("new"), QStringLiteral("abc"));
    w->Command1_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE(env.boxes[0].text, mismatch);
    QCOMPARE(test::FileBytes(path), before);
    QCOMPARE(storedUsers().size(), 1);

    // Agreeing boxes leave no message when the repeat box is left.
    env.clearBoxes();
    typeOperator(w, QStringLiteral("bob"), QStringLiteral("abc"), QStringLiteral("abc "));
    w->Text3->setFocus();
    w->Text2->setFocus();
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(w->Text3->text(), QStringLiteral("abc "));
}

void TestOperator::quoteInNameRefused()
{
    TestEnv env;
    const QString path = env.makeDatabase();
    frmOperator *w = frmOperator::instance();
    typeOperator(w, QStringLiteral("o'b"), QStringLiteral("pw"), QStringLiteral("pw"));
    const QByteArray before = test::FileBytes(path);
    w->Command1_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("操作员姓名之中有特殊字符<'>,请删除。"), 48,
                 QStringLiteral("提示："));
    QCOMPARE(test::FileBytes(path), before);
    QCOMPARE(w->Text1->text(), QStringLiteral("o'b"));
}

void TestOperator::failedAddKeepsWhatWasTyped_data()
{
    QTest::addColumn<bool>("databaseGone");
    QTest::newRow("database gone") << true;
    QTest::newRow("insert refused") << false;
}

void TestOperator::failedAddKeepsWhatWasTyped()
{
    QFETCH(bool, databaseGone);
    TestEnv env;
    const QString path = env.makeDatabase();
    frmOperator *w = frmOperator::instance();
    if (databaseGone) {
        g_DbPath = env.path(QStringLiteral("gone.zqd"));
    } else {
        Database db(g_DbPath, g_DbConnect);
        db.execute(QStringLiteral(
            "CREATE TRIGGER no_add BEFORE INSERT ON User BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    }
    typeOperator(w, QStringLiteral("bob"), QStringLiteral("abc"), QStringLiteral("abc"));
    const QByteArray before = test::FileBytes(path);
    w->Command1_Click();
    QCOMPARE(env.boxes.size(), 1);
    QVERIFY(env.boxes[0].text.startsWith(QStringLiteral("操作员没有添加：")));
    QCOMPARE(env.boxes[0].style, 16);
    QCOMPARE(env.boxes[0].title, QStringLiteral("错误"));
    QCOMPARE(w->Text1->text(), QStringLiteral("bob"));
    QCOMPARE(w->Text2->text(), QStringLiteral("abc"));
    QCOMPARE(w->Text3->text(), QStringLiteral("abc"));
    QCOMPARE(test::FileBytes(path), before);
    QCOMPARE(w->operatorCount(), 1);
}

void TestOperator::lastOperatorCannotBeDeleted()
{
    TestEnv env;
    const QString path = env.makeDatabase();
    const QString lastOne = QStringLiteral("仅剩下当前用户了,不能继续,请注意!    ");
    frmOperator *w = frmOperator::instance();
    const QByteArray before = test::FileBytes(path);
    for (int column : {0, 2}) {
        env.clearBoxes();
        w->Grid1->setCurrentCell(0, column);
        w->MnuDelete->trigger();
        QCOMPARE(env.boxes.size(), 1);
        QCOMPARE_BOX(env.boxes[0], lastOne, 32, QStringLiteral("不能删除"));
    }
    QCOMPARE(test::FileBytes(path), before);

    // Another workstation deleted the other operator after the list was read: the guard holds still.
    insertOperator(QStringLiteral("bob"), EncodePassword(QStringLiteral("x")), QStringLiteral("超级权限"));
    frmOperator::unload();
    w = frmOperator::instance();
    QCOMPARE(w->operatorCount(), 2);
    {
        Database db(g_DbPath, g_DbConnect);
        db.execute(QStringLiteral("DELETE FROM User WHERE UID = 'bob'"));
    }
    env.clearBoxes();
    w->Grid1->setCurrentCell(0, 0);
    w->MnuDelete_Click();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE(env.boxes[0].style, 276);
    QCOMPARE_BOX(env.boxes[1], lastOne, 32, QStringLiteral("不能删除"));
    QCOMPARE(storedUsers().size(), 1);
    QCOMPARE(w->operatorCount(), 1);
    QCOMPARE(w->Grid1->rowCount(), 4);
}

void TestOperator::deleteAsksFirstAndTakesExactlyTheRow()
{
    TestEnv env;
    env.makeDatabase();
    insertOperator(QStringLiteral("Bob"), EncodePassword(QStringLiteral("b1")), QStringLiteral("可以修改"));
    insertOperator(QStringLiteral("bob"), EncodePassword(QStringLiteral("b2")), QStringLiteral("只能添加"));
    g_CurUser = QStringLiteral("admin");
    frmOperator *w = frmOperator::instance();
    w->Grid1->setCurrentCell(2, 1);

    env.answers = {vbNo};
    w->MnuDelete_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("真的要删除[bob]操作员吗（Y/N）？"), 276,
                 QStringLiteral("确认删除"));
    QCOMPARE(storedUsers().size(), 3);

    env.answers = {vbYes};
    w->MnuDelete_Click();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE(storedUsers(), (QList<QStringList>{{"admin", EncodePassword("123456"), "超级权限"},
                                                {"Bob", EncodePassword("b1"), "可以修改"}}));
    QCOMPARE(w->operatorCount(), 2);
    QCOMPARE(w->Grid1->rowCount(), 5);
    QCOMPARE(w->Grid1->currentRow(), 0);

    // The logged-in operator may go while another remains.
    env.answers = {vbYes};
    w->MnuDelete_Click();
    QCOMPARE(env.boxes.last().text, QStringLiteral("真的要删除[admin]操作员吗（Y/N）？"));
    QCOMPARE(storedUsers().size(), 1);
    QCOMPARE(gridRow(w->Grid1, 0), (QStringList{"Bob", "b1", "可以修改"}));

    // An empty row: nothing at all.
    env.clearBoxes();
    w->Grid1->setCurrentCell(2, 0);
    w->MnuDelete_Click();
    QVERIFY(env.boxes.isEmpty());
}

void TestOperator::popupMenuAndItsState()
{
    TestEnv env;
    env.makeDatabase();
    frmOperator *w = shownWindow();
    QTableWidget *g = w->Grid1;
    QCOMPARE(w->MnuOperate->title(), QStringLiteral("帐号操作^&C)"));
    QCOMPARE(w->MnuDelete->text(), QStringLiteral("删除帐号[&D] .."));
    QCOMPARE(w->MnuDelete->shortcut(), QKeySequence(Qt::Key_Delete));
    QCOMPARE(w->MnuAuthority->text(), QStringLiteral("返回首页[&A]..."));
    QCOMPARE(g->toolTip(), QStringLiteral("双击显示菜单!"));

    // A double click on an empty row below the list.
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, cellCentre(g, 2, 1));
    QCOMPARE(g->currentRow(), 2);
    QTRY_VERIFY(w->MnuOperate->isVisible());
    QVERIFY(!w->MnuDelete->isEnabled());
    QVERIFY(!w->MnuAuthority->isEnabled());
    QCOMPARE(LastStatusText(), QStringLiteral("帐号删除、添加操作"));
    w->MnuOperate->hide();

    // A left press on a filled row sets the state but pops nothing up; a right press pops the menu up.
    QTest::mousePress(g->viewport(), Qt::LeftButton, {}, cellCentre(g, 0, 2));
    QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, cellCentre(g, 0, 2));
    QVERIFY(w->MnuDelete->isEnabled());
    QVERIFY(w->MnuAuthority->isEnabled());
    QVERIFY(!w->MnuOperate->isVisible());
    QTest::mousePress(g->viewport(), Qt::RightButton, {}, cellCentre(g, 1, 0));
    QVERIFY(!w->MnuDelete->isEnabled());
    QTRY_VERIFY(w->MnuOperate->isVisible());
    w->MnuOperate->hide();
    QTest::mouseRelease(g->viewport(), Qt::RightButton, {}, cellCentre(g, 1, 0));
    QVERIFY(env.boxes.isEmpty());
}

void TestOperator::enterMovesOnAndClosing()
{
    TestEnv env;
    env.makeDatabase();
    frmOperator *w = shownWindow();
    w->Text1->setFocus();
    QTest::keyClick(w->Text1, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w->Text1);
    QTest::keyClicks(w->Text1, QStringLiteral("ann"));
    QTest::keyClick(w->Text1, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w->Text2);
    QTest::keyClicks(w->Text2, QStringLiteral("pw"));
    QTest::keyClick(w->Text2, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w->Text3);
    QTest::keyClicks(w->Text3, QStringLiteral("pw"));
    QTest::keyClick(w->Text3, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w->cmbAuthority);
    QTest::keyClick(w->cmbAuthority, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w->Command1);
    QTest::keyClick(w->Command1, Qt::Key_Space);
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(storedUsers().value(1), (QStringList{"ann", EncodePassword("pw"), "只能添加"}));
    QCOMPARE(QApplication::focusWidget(), w->Text1);

    w->MnuAuthority->trigger();
    QCOMPARE(LastStatusText(), QStringLiteral("返回首页"));
    QVERIFY(!frmOperator::isLoaded());
    QVERIFY(!GetSetting(ExeAppName(), "Operator", "Left").isEmpty());

    w = frmOperator::instance();
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QCOMPARE(LastStatusText(), kIdleText);
    QVERIFY(!frmOperator::isLoaded());
}

QTEST_MAIN(TestOperator)
#include "tst_operator.moc"
