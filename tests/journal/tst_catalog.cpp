#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "data/Settings.h"
#include "journal/Catalog.h"
#include "journal/frmCatalog.h"
#include "journal/frmManager.h"
#include "tests/common/TestSupport.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace tv;
using tv::test::TestEnv;

namespace {

const QString kA = QStringLiteral("A股");
const QString kAccountA = QStringLiteral("A000000001");
const QString kSpecial = QStringLiteral("该项目之中有特殊字符<'>,请删除。");
const QString kTypeExists = QStringLiteral("该证券类型已经存在，请重新列入。    ");
const QString kAccountTaken = QStringLiteral("该证券账号已经属于其它证券类型，请重新输入。    ");

QStringList column(const QString &sql, const QVariantList &args = {})
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet rs = db.openQuery(sql, args);
    QStringList out;
    for (int i = 0; i < rs.recordCount(); ++i)
        out << rs.text(i, 0);
    return out;
}

void addSecurity(const QString &account, const QString &name, const QString &code, int records)
{
    test::DbExec(QStringLiteral("INSERT INTO Detail (股东账号, 证券名称, 证券代码, 目标价, 市场价格, 止损位, 买入点) "
                        "VALUES (?, ?, ?, 0, 10, 0, 0)"),
         {account, name, code});
    for (int i = 0; i < records; ++i)
        test::DbExec(QStringLiteral("INSERT INTO rep (证券代码, 交易类别, 交收日期, 成交价格, 成交数量) "
                            "VALUES (?, '证券买入', '2026-03-02', 10, 100)"),
             {code});
}

// A second category B股 with two securities that have trade records and one trade mode.
void addSecondCategory()
{
    test::DbExec(QStringLiteral("INSERT INTO Catalog (证券类别, 股东账号) VALUES ('B股', 'B000000001')"));
    test::DbExec(QStringLiteral("INSERT INTO machcom (证券类别, 交易方式, 手续费) VALUES ('B股', '证券买入', 0.003)"));
    addSecurity(QStringLiteral("B000000001"), QStringLiteral("万科B"), QStringLiteral("200002"), 2);
    addSecurity(QStringLiteral("B000000001"), QStringLiteral("张裕B"), QStringLiteral("200869"), 1);
    addSecurity(kAccountA, QStringLiteral("浦发银行"), QStringLiteral("600000"), 3);
}

QStringList listTexts(frmCatalog *w)
{
    QStringList out;
    for (int i = 0; i < w->ListView1->count(); ++i)
        out << w->ListView1->item(i)->text();
    return out;
}

QStringList modeNames(frmCatalog *w)
{
    QStringList out;
    QTreeWidgetItem *root = w->TreeView1->topLevelItem(0);
    for (int i = 0; root && i < root->childCount(); ++i)
        out << root->child(i)->text(0);
    return out;
}

QTreeWidgetItem *modeNode(frmCatalog *w, const QString &name)
{
    QTreeWidgetItem *root = w->TreeView1->topLevelItem(0);
    for (int i = 0; root && i < root->childCount(); ++i)
        if (root->child(i)->text(0) == name)
            return root->child(i);
    return nullptr;
}

frmCatalog *openOn(const QString &category)
{
    frmCatalog *w = frmCatalog::instance();
    w->ListView1_ItemClick(w->categoryItem(category));
    return w;
}

// The enabled state of AddB, cmdModify, DeleteB, AddB1, cmdModify1, DeleteB1 as a word of six letters.
QString commands(frmCatalog *w)
{
    QString s;
    for (QPushButton *b : {w->AddB, w->cmdModify, w->DeleteB, w->AddB1, w->cmdModify1, w->DeleteB1})
        s += b->isEnabled() ? u'1' : u'0';
    return s;
}

void typeCategory(frmCatalog *w, const QString &name, const QString &account)
{
    w->NewTypeName->setText(name);
    w->Text2->setText(account);
}

void typeMode(frmCatalog *w, const QStringList &boxes)
{
    for (int i = 0; i < 9; ++i)
        w->Text1[i]->setText(boxes.value(i));
}

QList<double> storedFees(const QString &category, const QString &mode)
{
    Database db(g_DbPath, g_DbConnect);
    TradeModeRow row;
    if (!LoadTradeMode(db, category, mode, row))
        return {};
    return QList<double>(row.fees.begin(), row.fees.end());
}

} // namespace

class TestCatalog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loadsListAndStartsBrowsing();
    void addStoresTrimmedAndStaysOpen();
    void addRefusals_data();
    void addRefusals();
    void renameNameCarriesTradeModes();
    void renameAccountMovesSecurities();
    void renameRefusals_data();
    void renameRefusals();
    void renameUnchangedWritesNothing();
    void deleteCascadesOverEveryTable();
    void deleteRefusedOrDeclinedWritesNothing_data();
    void deleteRefusedOrDeclinedWritesNothing();
    void failedDeleteIsRolledBackAndShown();
    void saveButtonAndQuoteRefusal();
    void rightsKeepModifyAndDeleteOff();
    void tradeModeAddNormalisesRates();
    void tradeModeDuplicatesRefused();
    void tradeModeModifyAndDelete();
    void tradeModeCommandStates();
    void keysPickWhatTheyHighlight();
    void closeRebuildsManagerOnlyAfterChange();
    void positionAndMainMenu();
    void tradeModesTypedOneAfterAnotherByKeys();
    void neitherMinimisedNorMaximised();
};

void TestCatalog::loadsListAndStartsBrowsing()
{
    TestEnv env;
    env.makeDatabase();
    addSecondCategory();
    frmCatalog *w = frmCatalog::instance();
    QCOMPARE(w->windowTitle(), QStringLiteral("证券分类"));
    QCOMPARE(listTexts(w), (QStringList{kA, QStringLiteral("B股")}));
    QCOMPARE(frmCatalog::itemKey(w->ListView1->item(1)), QStringLiteral("qixB000000001"));
    QCOMPARE(commands(w), QStringLiteral("100000"));
    QVERIFY(w->ExitB->isEnabled());
    QVERIFY(w->AddPicture->isHidden() && !w->picDraw->isHidden());
    QVERIFY(w->Picture2->isHidden() && !w->Picture3->isHidden());
    QVERIFY(w->m_Category.isEmpty() && !w->m_Changed);

    w->ListView1_ItemClick(w->categoryItem(kA));
    QCOMPARE(w->m_Category, kA);
    QCOMPARE(w->m_Account, kAccountA);
    QCOMPARE(commands(w), QStringLiteral("111100"));
    QCOMPARE(w->TreeView1->topLevelItem(0)->text(0), kA);
    QCOMPARE(w->TreeView1->topLevelItem(0)->data(0, Qt::UserRole).toString(), QStringLiteral("SFile"));
    QVERIFY(w->TreeView1->topLevelItem(0)->isExpanded());
    QStringList expected = column(QStringLiteral("SELECT 交易方式 FROM machcom WHERE 证券类别 = 'A股'"));
    QCOMPARE(expected.size(), 10);
    std::sort(expected.begin(), expected.end());
    QCOMPARE(modeNames(w), expected); // sorted by text
    QVERIFY(env.boxes.isEmpty());
}

void TestCatalog::addStoresTrimmedAndStaysOpen()
{
    TestEnv env;
    env.makeDatabase();
    frmCatalog *w = openOn(kA);
    w->AddB_Click();
    QCOMPARE(w->Label1->text(), QStringLiteral("请输入新的证券类型"));
    QVERIFY(!w->AddPicture->isHidden() && w->picDraw->isHidden());
    QCOMPARE(commands(w), QStringLiteral("000000"));
    QCOMPARE(w->TreeView1->topLevelItemCount(), 0);
    typeCategory(w, QStringLiteral("  基金 "), QStringLiteral(" J01  "));
    w->SaveRecord_Click();
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(column(QStringLiteral("SELECT 证券类别 || '|' || 股东账号 FROM Catalog ORDER BY rowid")),
             (QStringList{"A股|A000000001", "基金|J01"}));
    QCOMPARE(frmCatalog::itemKey(w->categoryItem(QStringLiteral("基金"))), QStringLiteral("qixJ01"));
    QVERIFY(w->m_Changed);
    // Still adding, emptied for the next one.
    QVERIFY(!w->AddPicture->isHidden());
    QVERIFY(w->NewTypeName->text().isEmpty() && w->Text2->text().isEmpty());
    QCOMPARE(commands(w), QStringLiteral("000000"));
}

void TestCatalog::addRefusals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focusBox");
    QTest::newRow("name, other case and blanks")
        << QStringLiteral(" a股 ") << QStringLiteral("X1") << QStringLiteral("该证券证券已经存在，请重新输入。    ")
        << QStringLiteral("NewTypeName");
    QTest::newRow("account of another category")
        << QStringLiteral("新类") << QStringLiteral(" a000000001") << kAccountTaken << QStringLiteral("Text2");
    QTest::newRow("quote in the account") << QStringLiteral("新类") << QStringLiteral("X'1") << kSpecial
                                          << QStringLiteral("Text2");
}

void TestCatalog::addRefusals()
{
    QFETCH(QString, name);
    QFETCH(QString, account);
    QFETCH(QString, message);
    QFETCH(QString, focusBox);
    TestEnv env;
    env.makeDatabase();
    frmCatalog *w = frmCatalog::instance();
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
    w->AddB_Click();
    typeCategory(w, name, account);
    env.clearBoxes();
    w->SaveRecord_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], message, 48, QStringLiteral("提示："));
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Catalog")), 1);
    QCOMPARE(w->NewTypeName->text(), name); // the panel keeps its input
    QCOMPARE(w->Text2->text(), account);
    QCOMPARE(QApplication::focusWidget()->objectName(), focusBox);
    QVERIFY(!w->m_Changed);
}

void TestCatalog::renameNameCarriesTradeModes()
{
    TestEnv env;
    env.makeDatabase();
    addSecondCategory();
    frmCatalog *w = openOn(kA);
    w->cmdModify_Click();
    QCOMPARE(w->Label1->text(), QStringLiteral("输入修改的证券类型"));
    QCOMPARE(w->NewTypeName->text(), kA);
    QCOMPARE(w->Text2->text(), kAccountA);
    QCOMPARE(w->TreeView1->topLevelItemCount(), 0);
    w->NewTypeName->setText(QStringLiteral(" 沪A "));
    w->SaveRecord_Click();
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(column(QStringLiteral("SELECT 证券类别 FROM Catalog ORDER BY rowid")),
             (QStringList{"沪A", "B股"}));
    // The fee schedules went with the name: the category's securities can still be traded.
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE 证券类别 = '沪A'")), 10);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE 证券类别 = 'A股'")), 0);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE 证券类别 = 'B股'")), 1);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Detail WHERE 股东账号 = 'A000000001'")), 1);
    QVERIFY(w->m_Category.isEmpty());
    QVERIFY(w->m_Changed);
    QVERIFY(w->AddPicture->isHidden());
    QCOMPARE(commands(w), QStringLiteral("111000"));
    QCOMPARE(listTexts(w), (QStringList{"沪A", "B股"}));
    w->ListView1_ItemClick(w->categoryItem(QStringLiteral("沪A")));
    QCOMPARE(modeNames(w).size(), 10);
}

void TestCatalog::renameAccountMovesSecurities()
{
    TestEnv env;
    env.makeDatabase();
    addSecondCategory();
    frmCatalog *w = openOn(QStringLiteral("B股"));
    w->cmdModify_Click();
    w->Text2->setText(QStringLiteral("B2 "));
    w->SaveRecord_Click();
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(column(QStringLiteral("SELECT 股东账号 FROM Catalog ORDER BY rowid")),
             (QStringList{"A000000001", "B2"}));
    QCOMPARE(column(QStringLiteral("SELECT 证券名称 FROM Detail WHERE 股东账号 = 'B2' ORDER BY rowid")),
             (QStringList{"万科B", "张裕B"}));
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Detail WHERE 股东账号 = 'B000000001'")), 0);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM rep")), 6); // records follow their codes
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE 证券类别 = 'B股'")), 1);
    QCOMPARE(frmCatalog::itemKey(w->categoryItem(QStringLiteral("B股"))), QStringLiteral("qixB2"));
}

void TestCatalog::renameRefusals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("message");
    QTest::newRow("name and account of one row") << QStringLiteral("a股") << QStringLiteral("A000000001")
                                                 << kTypeExists;
    QTest::newRow("name of another category") << QStringLiteral("A股") << QStringLiteral("B000000001")
                                              << kTypeExists;
    QTest::newRow("account of another category") << QStringLiteral("B股") << QStringLiteral("a000000001")
                                                 << kAccountTaken;
}

void TestCatalog::renameRefusals()
{
    QFETCH(QString, name);
    QFETCH(QString, account);
    QFETCH(QString, message);
    TestEnv env;
    env.makeDatabase();
    addSecondCategory();
    frmCatalog *w = openOn(QStringLiteral("B股"));
    w->cmdModify_Click();
    typeCategory(w, name, account);
    w->SaveRecord_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], message, 48, QStringLiteral("提示："));
    QCOMPARE(column(QStringLiteral("SELECT 证券类别 || '|' || 股东账号 FROM Catalog ORDER BY rowid")),
             (QStringList{"A股|A000000001", "B股|B000000001"}));
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Detail WHERE 股东账号 = 'B000000001'")), 2);
    QVERIFY(!w->AddPicture->isHidden());
    QVERIFY(!w->m_Changed);
}

void TestCatalog::renameUnchangedWritesNothing()
{
    TestEnv env;
    env.makeDatabase();
    frmCatalog *w = openOn(kA);
    w->cmdModify_Click();
    w->NewTypeName->setText(QStringLiteral(" A股  "));
    w->SaveRecord_Click();
    QVERIFY(env.boxes.isEmpty());
    QVERIFY(!w->m_Changed);
    QCOMPARE(w->m_Category, kA);
    QVERIFY(w->AddPicture->isHidden() && !w->picDraw->isHidden());
    QCOMPARE(commands(w), QStringLiteral("111000"));
}

void TestCatalog::deleteCascadesOverEveryTable()
{
    TestEnv env;
    env.makeDatabase();
    addSecondCategory();
    frmCatalog *w = openOn(QStringLiteral("B股"));
    w->DeleteB_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("真的要删除[B股]类型,及其所有文件吗？（Y/N）    "), 276,
                 QStringLiteral("确认"));
    QCOMPARE(column(QStringLiteral("SELECT 证券类别 FROM Catalog")), QStringList{kA});
    QCOMPARE(column(QStringLiteral("SELECT 证券名称 FROM Detail")), QStringList{"浦发银行"});
    QCOMPARE(column(QStringLiteral("SELECT DISTINCT 证券代码 FROM rep")), QStringList{"600000"});
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM rep")), 3);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE 证券类别 = 'B股'")), 0);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom")), 10);
    QCOMPARE(listTexts(w), QStringList{kA});
    QVERIFY(!w->ListView1->isHidden());
    QVERIFY(w->m_Category.isEmpty() && w->m_Changed);
    QCOMPARE(w->TreeView1->topLevelItemCount(), 0);
    QCOMPARE(commands(w), QStringLiteral("000000"));
}

void TestCatalog::deleteRefusedOrDeclinedWritesNothing_data()
{
    QTest::addColumn<bool>("second");
    QTest::addColumn<bool>("select");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("title");
    QTest::newRow("last category") << false << true << QStringLiteral("仅剩下一个证券类型,不能继续,请注意!    ") << 32
                                   << QStringLiteral("不能删除");
    QTest::newRow("no selection") << true << false << QStringLiteral("请先选择一个证券类型，然后按删除按钮。     ")
                                  << 48 << QStringLiteral("证券管理系统");
    QTest::newRow("answered No") << true << true << QStringLiteral("真的要删除[A股]类型,及其所有文件吗？（Y/N）    ")
                                 << 276 << QStringLiteral("确认");
}

void TestCatalog::deleteRefusedOrDeclinedWritesNothing()
{
    QFETCH(bool, second);
    QFETCH(bool, select);
    QFETCH(QString, message);
    QFETCH(int, style);
    QFETCH(QString, title);
    TestEnv env;
    env.makeDatabase();
    if (second)
        addSecondCategory();
    else
        addSecurity(kAccountA, QStringLiteral("浦发银行"), QStringLiteral("600000"), 3);
    frmCatalog *w = select ? openOn(kA) : frmCatalog::instance();
    env.answers << vbNo;
    w->DeleteB_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], message, style, title);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Catalog")), second ? 2 : 1);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Detail WHERE 股东账号 = 'A000000001'")), 1);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM rep WHERE 证券代码 = '600000'")), 3);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE 证券类别 = 'A股'")), 10);
    QVERIFY(!w->m_Changed);
    QCOMPARE(w->TreeView1->topLevelItemCount(), 0);
    QCOMPARE(commands(w), QStringLiteral("000000")); // off until a category is clicked
    w->ListView1_ItemClick(w->categoryItem(kA));
    QCOMPARE(commands(w), QStringLiteral("111100"));
}

void TestCatalog::failedDeleteIsRolledBackAndShown()
{
    TestEnv env;
    env.makeDatabase();
    addSecondCategory();
    // The last statement of the cascade fails: the statements before it must not stay.
    test::DbExec(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON Catalog BEGIN SELECT RAISE(ABORT, 'locked'); END"));
    frmCatalog *w = openOn(QStringLiteral("B股"));
    w->DeleteB_Click();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE(env.boxes[1].style, 16);
    QVERIFY(env.boxes[1].text.startsWith(QStringLiteral("证券类型没有删除：")));
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Catalog")), 2);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Detail")), 3);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM rep")), 6);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE 证券类别 = 'B股'")), 1);
    QCOMPARE(listTexts(w), (QStringList{kA, QStringLiteral("B股")}));
    QVERIFY(!w->ListView1->isHidden());
    QVERIFY(!w->m_Changed);
}

void TestCatalog::saveButtonAndQuoteRefusal()
{
    TestEnv env;
    env.makeDatabase();
    frmCatalog *w = frmCatalog::instance();
    w->AddB_Click();
    QVERIFY(!w->SaveRecord->isEnabled());
    w->NewTypeName->setText(QStringLiteral("基金"));
    QVERIFY(!w->SaveRecord->isEnabled());
    w->Text2->setText(QStringLiteral("   "));
    QVERIFY(!w->SaveRecord->isEnabled());
    w->Text2->setText(QStringLiteral("J1"));
    QVERIFY(w->SaveRecord->isEnabled());
    QVERIFY(w->SaveRecord->isDefault());
    QVERIFY(env.boxes.isEmpty());
    // A quote typed shows the refusal at once and leaves the Save button as it was.
    w->NewTypeName->setText(QStringLiteral("基'金"));
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], kSpecial, 48, QStringLiteral("提示："));
    QVERIFY(w->SaveRecord->isEnabled());
    w->SaveRecord_Click();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Catalog")), 1);
    // Cancel closes the panel and brings the commands back.
    w->CancelRecord_Click();
    QVERIFY(w->AddPicture->isHidden());
    QVERIFY(w->NewTypeName->text().isEmpty());
    QCOMPARE(w->Text2->text(), QStringLiteral("J1"));
    QCOMPARE(commands(w), QStringLiteral("111000"));
}

void TestCatalog::rightsKeepModifyAndDeleteOff()
{
    for (const QString &right : {QStringLiteral("只能添加"), QStringLiteral("不能修改")}) {
        TestEnv env;
        env.makeDatabase();
        g_UserRight = right;
        frmCatalog *w = openOn(kA);
        QCOMPARE(commands(w), QStringLiteral("100100"));
        w->TreeView1_NodeClick(modeNode(w, QStringLiteral("证券买入")));
        QCOMPARE(commands(w), QStringLiteral("100100"));
        QCOMPARE(w->m_TradeMode, QStringLiteral("证券买入"));
        w->AddB_Click();
        w->CancelRecord_Click();
        QCOMPARE(commands(w), QStringLiteral("100000"));
        // Adding stays possible.
        w->AddB1_Click();
        typeMode(w, {QStringLiteral("新方式")});
        w->Command1_Click();
        QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE 交易方式 = '新方式'")), 1);
        w->Command2_Click();
        QCOMPARE(commands(w), QStringLiteral("000100"));
        forms::destroyAll();
    }
}

void TestCatalog::tradeModeAddNormalisesRates()
{
    TestEnv env;
    env.makeDatabase();
    frmCatalog *w = openOn(kA);
    w->AddB1_Click();
    QCOMPARE(w->Label3->text(), QStringLiteral("请输入证券交易方式"));
    QVERIFY(!w->Picture2->isHidden() && w->Picture3->isHidden());
    QVERIFY(!w->Command1->isEnabled());
    typeMode(w, {QStringLiteral(" 融资买入 "), QStringLiteral("0.00300"), QStringLiteral("5"), QString(),
                 QStringLiteral("-"), QStringLiteral("."), QStringLiteral("1.50"), QStringLiteral("abc"),
                 QStringLiteral("-2.5x")});
    QVERIFY(w->Command1->isEnabled());
    w->Command1_Click();
    QVERIFY(env.boxes.isEmpty());
    // The name is stored as typed, the numbers as numbers.
    QCOMPARE(storedFees(kA, QStringLiteral(" 融资买入 ")), (QList<double>{0.003, 5, 0, 0, 0, 1.5, 0, -2.5}));
    QCOMPARE(NormaliseNumberText(QStringLiteral("0.00300")), QStringLiteral("0.003"));
    QCOMPARE(NormaliseNumberText(QStringLiteral("8.80")), QStringLiteral("8.8"));
    QCOMPARE(NormaliseNumberText(QStringLiteral("-")), QStringLiteral("0"));
    QVERIFY(modeNames(w).contains(QStringLiteral(" 融资买入 ")));
    // Still adding, emptied.
    QVERIFY(!w->Picture2->isHidden());
    for (QLineEdit *box : w->Text1)
        QVERIFY(box->text().isEmpty());
    QVERIFY(!w->m_Changed);

    // Enter moves on; the fee boxes take numbers only.
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
    w->Text1[1]->setFocus();
    QTest::keyClicks(w->Text1[1], QStringLiteral("1a.2.5"));
    QCOMPARE(w->Text1[1]->text(), QStringLiteral("1.25"));
    QTest::keyClick(w->Text1[1], Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w->Text1[2]);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Catalog")), 1); // Enter saved nothing
}

void TestCatalog::tradeModeDuplicatesRefused()
{
    TestEnv env;
    env.makeDatabase();
    test::DbExec(QStringLiteral("INSERT INTO machcom (证券类别, 交易方式) VALUES ('A股', ' 融资买入 ')"));
    frmCatalog *w = openOn(kA);
    w->AddB1_Click();
    for (const QString &name : {QStringLiteral(" 证券买入  "), QStringLiteral("融资买入")}) {
        env.clearBoxes();
        typeMode(w, {name, QStringLiteral("1")});
        w->Command1_Click();
        QCOMPARE(env.boxes.size(), 1);
        QCOMPARE_BOX(env.boxes[0], kTypeExists, 48, QStringLiteral("提示："));
        QCOMPARE(w->Text1[0]->text(), name);
        QCOMPARE(w->Text1[1]->text(), QStringLiteral("1"));
    }
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE 证券类别 = 'A股'")), 11);
    // The same name in another category is another trade mode.
    test::DbExec(QStringLiteral("INSERT INTO Catalog (证券类别, 股东账号) VALUES ('B股', 'B1')"));
    w->close();
    w = openOn(QStringLiteral("B股"));
    w->AddB1_Click();
    typeMode(w, {QStringLiteral("证券买入")});
    env.clearBoxes();
    w->Command1_Click();
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(modeNames(w), QStringList{"证券买入"});
}

void TestCatalog::tradeModeModifyAndDelete()
{
    TestEnv env;
    env.makeDatabase();
    test::DbExec(QStringLiteral("INSERT INTO rep (证券代码, 交易类别, 交收日期) VALUES ('600000', '利息归本', '2026-03-02')"));
    frmCatalog *w = openOn(kA);
    w->TreeView1_NodeClick(modeNode(w, QStringLiteral("利息归本")));
    w->cmdModify1_Click();
    QCOMPARE(w->Label3->text(), QStringLiteral("请输入修改证券交易方式"));
    QCOMPARE(w->Text1[0]->text(), QStringLiteral("利息归本"));
    QVERIFY(w->Command1->isEnabled());
    QCOMPARE(commands(w), QStringLiteral("000000"));

    // Into a name the category has already: refused, nothing written, the panel keeps the input.
    w->Text1[0]->setText(QStringLiteral("证券卖出 "));
    w->Command1_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], kTypeExists, 48, QStringLiteral("提示："));
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE 交易方式 = '利息归本'")), 1);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE trim(交易方式) = '证券卖出'")), 1);
    QVERIFY(!w->Picture2->isHidden());

    w->Text1[0]->setText(QStringLiteral("存息归本"));
    w->Text1[1]->setText(QStringLiteral("0.0100"));
    w->Text1[2]->setText(QStringLiteral("2"));
    env.clearBoxes();
    w->Command1_Click();
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE 交易方式 = '利息归本'")), 0);
    QCOMPARE(storedFees(kA, QStringLiteral("存息归本")).mid(0, 3), (QList<double>{0.01, 2, 0}));
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE 证券类别 = 'A股'")), 10);
    QVERIFY(w->Picture2->isHidden() && !w->Picture3->isHidden());
    QCOMPARE(commands(w), QStringLiteral("000100"));
    QVERIFY(!w->m_Changed);
    // Records entered with the old name keep it.
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM rep WHERE 交易类别 = '利息归本'")), 1);

    // Keeping its own name is no duplicate.
    w->TreeView1_NodeClick(modeNode(w, QStringLiteral("存息归本")));
    w->cmdModify1_Click();
    w->Text1[1]->setText(QStringLiteral("0.02"));
    w->Command1_Click();
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(storedFees(kA, QStringLiteral("存息归本")).value(0), 0.02);

    // Delete asks first; No writes nothing.
    w->TreeView1_NodeClick(modeNode(w, QStringLiteral("存息归本")));
    env.answers << vbNo;
    w->DeleteB1_Click();
    QCOMPARE_BOX(env.boxes.value(0), QStringLiteral("真的要删除[存息归本]类型,及其所有文件吗？（Y/N）    "), 276,
                 QStringLiteral("确认"));
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE 证券类别 = 'A股'")), 10);
    QVERIFY(!w->m_Changed);
    w->TreeView1_NodeClick(modeNode(w, QStringLiteral("存息归本")));
    w->DeleteB1_Click();
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM machcom WHERE 证券类别 = 'A股'")), 9);
    QVERIFY(!modeNames(w).contains(QStringLiteral("存息归本")));
    QVERIFY(w->m_TradeMode.isEmpty() && w->m_Changed);
    QCOMPARE(commands(w), QStringLiteral("000000"));
}

void TestCatalog::tradeModeCommandStates()
{
    TestEnv env;
    env.makeDatabase();
    frmCatalog *w = openOn(kA);
    w->TreeView1_NodeClick(modeNode(w, QStringLiteral("证券买入")));
    QCOMPARE(commands(w), QStringLiteral("111111"));
    w->TreeView1_NodeClick(w->TreeView1->topLevelItem(0));
    QCOMPARE(commands(w), QStringLiteral("111100"));
    QCOMPARE(w->m_TradeMode, QStringLiteral("证券买入")); // kept, but nothing can use it
    w->AddB1_Click();
    QCOMPARE(commands(w), QStringLiteral("000000"));
    w->Command2_Click();
    QCOMPARE(commands(w), QStringLiteral("000100"));
    QVERIFY(w->Picture2->isHidden());
    // Without a selected trade mode.
    w->ListView1_ItemClick(w->categoryItem(kA));
    w->cmdModify1_Click();
    QCOMPARE_BOX(env.boxes.value(0), QStringLiteral("请先选择一个证券交易方式，然后按修改按钮。     "), 64,
                 QStringLiteral("证券管理系统"));
    w->DeleteB1_Click();
    QCOMPARE_BOX(env.boxes.value(1), QStringLiteral("请先选择一个证券交易方式，然后按删除按钮。     "), 48,
                 QStringLiteral("证券管理系统"));
    QCOMPARE(commands(w), QStringLiteral("000000"));
    QVERIFY(w->ExitB->isEnabled());
    // An apostrophe in the name box shows again at a change of any box.
    w->AddB1_Click();
    w->Text1[0]->setText(QStringLiteral("a'b"));
    w->Text1[3]->setText(QStringLiteral("1"));
    QCOMPARE(env.boxes.size(), 4);
    QCOMPARE(env.boxes[3].text, kSpecial);
    // Images of the root follow expanding and collapsing.
    QTreeWidgetItem *root = w->TreeView1->topLevelItem(0);
    root->setExpanded(false);
    QCOMPARE(root->data(0, Qt::UserRole + 2).toString(), QStringLiteral("SClosed"));
    root->setExpanded(true);
    QCOMPARE(root->data(0, Qt::UserRole + 2).toString(), QStringLiteral("SOpen"));
}

void TestCatalog::keysPickWhatTheyHighlight()
{
    TestEnv env;
    env.makeDatabase();
    addSecondCategory();
    frmCatalog *w = openOn(kA);
    w->show();
    QApplication::setActiveWindow(w);
    w->ListView1->setFocus();
    // An arrow that highlights the next category picks it, as a click would: 修改 and 删除 then act on it.
    QTest::keyClick(w->ListView1, Qt::Key_Right);
    QCOMPARE(w->ListView1->currentItem(), w->categoryItem(QStringLiteral("B股")));
    QCOMPARE(w->m_Category, QStringLiteral("B股"));
    QCOMPARE(w->m_Account, QStringLiteral("B000000001"));
    QCOMPARE(modeNames(w), QStringList{"证券买入"});
    QCOMPARE(QApplication::focusWidget(), w->ListView1);
    env.answers << vbNo;
    w->DeleteB_Click();
    QCOMPARE(env.boxes.value(0).text, QStringLiteral("真的要删除[B股]类型,及其所有文件吗？（Y/N）    "));

    // In the trade modes, the arrow picks the mode it lands on.
    w->ListView1_ItemClick(w->categoryItem(kA));
    QTreeWidgetItem *first = w->TreeView1->topLevelItem(0)->child(0);
    w->TreeView1_NodeClick(first);
    w->TreeView1->setCurrentItem(first);
    w->TreeView1->setFocus();
    QTest::keyClick(w->TreeView1, Qt::Key_Down);
    QCOMPARE(w->m_TradeMode, w->TreeView1->topLevelItem(0)->child(1)->text(0));
    QVERIFY(w->cmdModify1->isEnabled());
}

void TestCatalog::closeRebuildsManagerOnlyAfterChange()
{
    TestEnv env;
    env.makeDatabase();
    frmManager *manager = test::OpenManager();
    QVERIFY(manager && g_ManagerOpen);

    // Only trade-mode adds: no rebuild.
    frmCatalog *w = openOn(kA);
    w->AddB1_Click();
    typeMode(w, {QStringLiteral("新方式")});
    w->Command1_Click();
    test::DbExec(QStringLiteral("INSERT INTO Catalog (证券类别, 股东账号) VALUES ('外来', 'W1')"));
    w->ExitB_Click();
    QVERIFY(!frmCatalog::isLoaded());
    QVERIFY(!manager->categoryNode(QStringLiteral("W1")));

    // A category added, closed by the close box: no rebuild.
    w = frmCatalog::instance();
    w->AddB_Click();
    typeCategory(w, QStringLiteral("基金"), QStringLiteral("J1"));
    w->SaveRecord_Click();
    w->close();
    QVERIFY(!frmCatalog::isLoaded());
    QVERIFY(!manager->categoryNode(QStringLiteral("J1")));

    // The same with the Close button (or Esc): the tree is rebuilt.
    w = frmCatalog::instance();
    w->AddB_Click();
    typeCategory(w, QStringLiteral("债券"), QStringLiteral("Z1"));
    w->SaveRecord_Click();
    w->reject();
    QVERIFY(!frmCatalog::isLoaded());
    QVERIFY(manager->categoryNode(QStringLiteral("Z1")));
    QVERIFY(manager->categoryNode(QStringLiteral("J1")));
}

void TestCatalog::positionAndMainMenu()
{
    TestEnv env;
    env.makeDatabase();
    frmCatalog *w = frmCatalog::instance();
    QCOMPARE(w->pos(), QPoint(0, 0));
    w->move(40, 30);
    w->close();
    QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("Type"), QStringLiteral("Left")), QStringLiteral("600"));
    QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("Type"), QStringLiteral("Top")), QStringLiteral("450"));

    // The main window's menu item shows the window modally and waits for it.
    frmMain *main = frmMain::instance();
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = frmCatalog::isLoaded() && frmCatalog::existing()->isModal() && frmCatalog::existing()->isVisible();
        QCOMPARE(frmCatalog::existing()->pos(), QPoint(40, 30));
        frmCatalog::existing()->ExitB_Click();
    });
    main->menuItem(QStringLiteral("MnuGuestType"))->trigger();
    QVERIFY(shown);
    QVERIFY(!frmCatalog::isLoaded());
    QCOMPARE(LastStatusText(), QStringLiteral("证券类型有：买入、卖出等"));
}

// Trade modes typed with the keys only: Enter through the boxes and on 保存 saves one, and the focus is
// then where the next is typed, so the next Enter does not cancel the panel.
void TestCatalog::tradeModesTypedOneAfterAnotherByKeys()
{
    TestEnv env;
    env.makeDatabase();
    frmCatalog *w = openOn(kA);
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::mouseClick(w->AddB1, Qt::LeftButton);
    QTest::mouseClick(w->Text1[0], Qt::LeftButton);
    const auto enter = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); };
    for (const char *mode : {"rzmr", "rqmc"}) {
        QCOMPARE(QApplication::focusWidget(), w->Text1[0]);
        QTest::keyClicks(w->Text1[0], QString::fromLatin1(mode));
        enter();
        QTest::keyClicks(w->Text1[1], QStringLiteral("0.003"));
        for (int box = 1; box < 9; ++box)
            enter();
        QCOMPARE(QApplication::focusWidget(), w->Command1);
        enter();
        QVERIFY(modeNames(w).contains(QString::fromLatin1(mode)));
        QVERIFY(!w->Picture2->isHidden());
    }
    QCOMPARE(storedFees(kA, QStringLiteral("rqmc")).value(0), 0.003);
    QVERIFY(env.boxes.isEmpty());

    // A modification saved closes the panel; the focus goes to adding the next one.
    w->TreeView1_NodeClick(modeNode(w, QStringLiteral("rzmr")));
    QTest::mouseClick(w->cmdModify1, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), w->Text1[0]);
    for (int box = 0; box < 9; ++box)
        enter();
    enter();
    QVERIFY(w->Picture2->isHidden());
    QCOMPARE(QApplication::focusWidget(), w->AddB1);
}

// The window has neither a minimise nor a maximise button: it asks for none, has one size that holds
// either panel, and comes straight back should a window manager minimise it anyway.
void TestCatalog::neitherMinimisedNorMaximised()
{
    TestEnv env;
    env.makeDatabase();
    frmCatalog *w = openOn(kA);
    const Qt::WindowFlags flags = w->windowFlags();
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QCOMPARE(w->minimumSize(), w->maximumSize());

    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QList<std::pair<QPushButton *, QWidget *>> panels = {{w->AddB, w->AddPicture},
                                                               {w->AddB1, w->Picture2}};
    for (const auto &[opener, panel] : panels) {
        w->ListView1_ItemClick(w->categoryItem(kA));
        QTest::mouseClick(opener, Qt::LeftButton);
        // The panel and then the window lay out again, each at its own posted request.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QVERIFY(panel->isVisible());
        QVERIFY(panel->height() >= panel->minimumSizeHint().height());
        QVERIFY(w->rect().contains(panel->geometry()));
    }

    w->showMinimized();
    QCoreApplication::processEvents();
    QVERIFY(!(w->windowState() & Qt::WindowMinimized));
    QVERIFY(w->isVisible());
}

QTEST_MAIN(TestCatalog)
#include "tst_catalog.moc"
