#include "app/Globals.h"
#include "data/Database.h"
#include "journal/frmCatalog.h"
#include "journal/frmManager.h"
#include "journal/frmNewForm.h"
#include "tests/common/TestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidgetItem>
#include <QTest>
#include <QTreeWidgetItem>

using namespace tv;
using tv::test::TestEnv;

// From an empty database to a computed trade: a category with its trade mode and fee schedule set up in
// the categories window, a security added to it, and a purchase entered with that category's fees.
class TestJournalSetup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void categorySecurityAndTrade();
};

void TestJournalSetup::categorySecurityAndTrade()
{
    TestEnv env;
    env.makeDatabase();
    g_UserRight = QStringLiteral("超级权限");
    g_CurUser = QStringLiteral("admin");
    frmManager *w = test::OpenManager();

    frmCatalog *c = frmCatalog::instance();
    c->show();
    c->AddB_Click();
    c->NewTypeName->setText(QStringLiteral("沪市A股"));
    c->Text2->setText(QStringLiteral("B000000002"));
    c->SaveRecord_Click();
    QVERIFY(c->categoryItem(QStringLiteral("沪市A股")));
    c->ListView1_ItemClick(c->categoryItem(QStringLiteral("沪市A股")));
    c->AddB1_Click();
    const QStringList schedule = {"证券买入", "0.003", "5", "0.001", "0", "0.001", "1", "0", "0"};
    for (int i = 0; i < schedule.size(); ++i)
        c->Text1[i]->setText(schedule[i]);
    c->Command1_Click();
    c->ExitB_Click();
    QCoreApplication::processEvents();
    QVERIFY(!frmCatalog::isLoaded());
    QVERIFY(w->categoryNode(QStringLiteral("B000000002")));

    frmNewForm *n = frmNewForm::instance();
    n->show();
    n->txtFields[0]->setText(QStringLiteral("600036"));
    n->txtFields[1]->setText(QStringLiteral("招商银行"));
    n->txtFields[5]->setText(QStringLiteral("10.5"));
    n->Combo1->setCurrentText(QStringLiteral("沪市A股"));
    n->SaveAdd_Click();
    n->ExitB_Click();
    QCoreApplication::processEvents();
    QVERIFY(!frmNewForm::isLoaded());
    QTreeWidgetItem *leaf = w->securityNode(QStringLiteral("招商银行"));
    QVERIFY(leaf);
    QCOMPARE(frmManager::nodeKey(leaf->parent()), QStringLiteral("qixB000000002"));

    // 1000 at 10.50 on a code beginning "60", with no cash yet: every fee of the schedule applies.
    w->TreeView_NodeClick(leaf);
    w->munaddqix_Click();
    QVERIFY(w->Frame2->isVisible());
    QCOMPARE(w->Combo1->count(), 1);
    QCOMPARE(w->Text1[1]->text(), QStringLiteral("10.5"));
    w->Text1[2]->setText(QStringLiteral("1000"));
    env.clearBoxes();
    w->Text1_LostFocus(2);
    QCOMPARE(env.boxes.size(), 1); // the cash warning, which blocks nothing
    QCOMPARE(env.boxes[0].text, QStringLiteral(" 资金余额不够,请重新输入！"));
    const QStringList expected = {"10.5", "1000", "1000", "10500", "-10543", "31.5", "10.5", "1", "0"};
    for (int i = 1; i <= 9; ++i)
        QCOMPARE(w->Text1[i]->text(), expected[i - 1]);
    w->Command2_Click();
    QCOMPARE(test::DbCount(QStringLiteral("SELECT COUNT(*) FROM rep WHERE 证券代码 = '600036' AND 手续费 = 31.5 AND "
                                          "印花税 = 10.5 AND 过户费 = 1 AND 收支金额 = -10543")),
             1);
    QCOMPARE(w->gridText(2, 0), QStringLiteral(" 合计"));
}

QTEST_MAIN(TestJournalSetup)
#include "tst_journalsetup.moc"
