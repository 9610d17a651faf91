// The rules every window shares for keys and typed text: Enter on a focused button, a default button,
// and the number boxes.

#include "admin/ConfigForm.h"
#include "admin/NetData.h"
#include "admin/qixda.h"
#include "admin/frmOperator.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/frmCatalog.h"
#include "journal/frmManager.h"
#include "journal/frmModifyForm.h"
#include "journal/frmNewForm.h"
#include "journal/modqix.h"
#include "reports/Frmbook.h"
#include "reports/frmSearchForm.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QFrame>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

using namespace tv;
using tv::test::TestEnv;

namespace {

// 浦发银行 in the starter category with one purchase, loaded in the manager window.
frmManager *openJournal(TestEnv &env)
{
    env.makeDatabase();
    g_CurUser = QStringLiteral("admin");
    g_UserRight = QStringLiteral("超级权限");
    test::DbExec(QStringLiteral("INSERT INTO Detail (股东账号, 证券名称, 证券代码, 基本面, 分析评论, 目标价, 市场价格, 涨跌幅, "
                                "更新日期, 止损位, 买入点) VALUES ('A000000001', '浦发银行', '600000', '', '', 12, 11, "
                                "'', '2026-12-09', 9, 9.5)"));
    test::DbExec(QStringLiteral("INSERT INTO rep (证券代码, 交易类别, 交收日期, 成交价格, 成交数量, 证券余额, 成交金额, 资金余额, "
                                "收支金额) VALUES ('600000', '证券买入', '2026-03-02', 10, 100, 100, 1000, 9000, -1000)"));
    return test::OpenManager(QStringLiteral("浦发银行"));
}

// The window a row names, opened and made ready for its button: the window holding the controls.
QWidget *openWindow(const QString &name, TestEnv &env)
{
    if (name == QLatin1String("operators")) {
        env.makeDatabase();
        frmOperator *w = frmOperator::instance();
        w->Text1->setText(QStringLiteral("ann"));
        return w;
    }
    if (name == QLatin1String("company")) {
        env.makeDatabase();
        return ConfigForm::instance();
    }
    if (name == QLatin1String("backup")) {
        env.makeDatabase();
        qixda *w = qixda::instance();
        w->findChild<QLineEdit *>(QStringLiteral("NetDataPath"))->setText(env.dir());
        return w;
    }
    if (name == QLatin1String("data path")) {
        env.makeDatabase();
        return NetData::instance();
    }
    frmManager *manager = openJournal(env);
    if (name == QLatin1String("entry panel")) {
        manager->munaddqix_Click();
        return manager;
    }
    if (name == QLatin1String("add security"))
        return frmNewForm::instance();
    if (name == QLatin1String("modify security"))
        return frmModifyForm::instance();
    if (name == QLatin1String("record edit"))
        return modqix::instance();
    frmCatalog *w = frmCatalog::instance();
    if (name == QLatin1String("trade modes")) {
        w->ListView1_ItemClick(w->categoryItem(QStringLiteral("A股")));
        w->AddB1_Click();
        w->Text1[0]->setText(QStringLiteral("配股缴款"));
    } else if (name == QLatin1String("categories, adding")) {
        w->AddB_Click();
        w->NewTypeName->setText(QStringLiteral("债券"));
        w->Text2->setText(QStringLiteral("Z000000001"));
    }
    return w;
}

void activate(QWidget *w)
{
    w->window()->show();
    QApplication::setActiveWindow(w->window());
    QVERIFY(QTest::qWaitForWindowActive(w->window()));
}

} // namespace

class TestWindowKeys : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void enterOnTheFocus_data();
    void enterOnTheFocus();
    void numberBoxesRefuseOtherText_data();
    void numberBoxesRefuseOtherText();
    void mainKeysWhileAChildIsActive_data();
    void mainKeysWhileAChildIsActive();
};

void TestWindowKeys::enterOnTheFocus_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("focus");    // the control that has the focus when Enter is pressed
    QTest::addColumn<QString>("clicked");  // the one button that Enter clicks; "" for none
    QTest::addColumn<int>("newCategories"); // rows the press adds to Catalog
    QTest::newRow("operators, save") << "operators" << "Command1" << "Command1" << 0;
    QTest::newRow("operators, close") << "operators" << "Command2" << "Command2" << 0;
    QTest::newRow("company, save") << "company" << "OkSave" << "OkSave" << 0;
    QTest::newRow("company, cancel") << "company" << "CancelExit" << "CancelExit" << 0;
    QTest::newRow("data path, OK") << "data path" << "OK" << "OK" << 0;
    QTest::newRow("data path, box: no default") << "data path" << "NetDataPath" << "" << 0;
    // A window that names no default button has none: its first button does not take Enter.
    QTest::newRow("backup, path box: no default") << "backup" << "NetDataPath" << "" << 0;
    QTest::newRow("entry panel, save") << "entry panel" << "Command2" << "Command2" << 0;
    QTest::newRow("entry panel, cancel") << "entry panel" << "Command3" << "Command3" << 0;
    QTest::newRow("add security, save") << "add security" << "SaveAdd" << "SaveAdd" << 0;
    QTest::newRow("modify security, save") << "modify security" << "SaveAdd" << "SaveAdd" << 0;
    QTest::newRow("modify security, close") << "modify security" << "ExitB" << "ExitB" << 0;
    QTest::newRow("record edit, save") << "record edit" << "Command1" << "Command1" << 0;
    QTest::newRow("record edit, cancel") << "record edit" << "Command2" << "Command2" << 0;
    QTest::newRow("trade modes, save") << "trade modes" << "Command1" << "Command1" << 0;
    QTest::newRow("trade modes, cancel") << "trade modes" << "Command2" << "Command2" << 0;
    QTest::newRow("categories, add") << "categories" << "AddB" << "AddB" << 0;
    QTest::newRow("categories, cancel over the default") << "categories, adding" << "CancelRecord" << "CancelRecord" << 0;
    QTest::newRow("categories, close over the default") << "categories, adding" << "ExitB" << "ExitB" << 0;
    QTest::newRow("categories, name box: the default") << "categories, adding" << "NewTypeName" << "SaveRecord" << 1;
}

void TestWindowKeys::enterOnTheFocus()
{
    QFETCH(QString, window);
    QFETCH(QString, focus);
    QFETCH(QString, clicked);
    QFETCH(int, newCategories);
    TestEnv env;
    QWidget *w = openWindow(window, env);
    activate(w);
    const int categories = test::DbCount(QStringLiteral("SELECT COUNT(*) FROM Catalog"));

    std::vector<std::unique_ptr<QSignalSpy>> spies;
    QStringList names;
    for (QPushButton *b : w->findChildren<QPushButton *>()) {
        spies.push_back(std::make_unique<QSignalSpy>(b, &QPushButton::clicked));
        names << b->objectName();
    }
    QWidget *target = w->findChild<QWidget *>(focus);
    QVERIFY(target && target->isEnabled() && target->isVisible());
    target->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), target);
    QTest::keyClick(target, Qt::Key_Return);

    QStringList pressed;
    for (size_t i = 0; i < spies.size(); ++i)
        for (int n = 0; n < spies[i]->count(); ++n)
            pressed << names[i];
    QCOMPARE(pressed, clicked.isEmpty() ? QStringList{} : QStringList{clicked});
    QCOMPARE(test::DbCount(QStringLiteral("SELECT COUNT(*) FROM Catalog")), categories + newCategories);
}

void TestWindowKeys::numberBoxesRefuseOtherText_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("numberBoxes");
    QTest::addColumn<QString>("textBox"); // a box of the same window that takes any text
    QStringList entry, edit, fees;
    for (int i = 1; i <= 10; ++i)
        (i <= 9 ? entry : edit) << QStringLiteral("Text1_%1").arg(i);
    edit = entry + edit;
    for (int i = 1; i <= 8; ++i)
        fees << QStringLiteral("Text1_%1").arg(i);
    const QStringList security = {"txtFields_4", "txtFields_5", "txtFields_8", "txtFields_9"};
    QTest::newRow("entry panel") << "entry panel" << entry << "Text1_10";
    QTest::newRow("record edit") << "record edit" << edit << "Text1_11";
    QTest::newRow("add security") << "add security" << security << "txtFields_6";
    QTest::newRow("modify security") << "modify security" << security << "txtFields_6";
    QTest::newRow("trade modes") << "trade modes" << fees << "Text1_0";
}

void TestWindowKeys::numberBoxesRefuseOtherText()
{
    QFETCH(QString, window);
    QFETCH(QStringList, numberBoxes);
    QFETCH(QString, textBox);
    TestEnv env;
    QWidget *w = openWindow(window, env);
    activate(w);
    auto commit = [](QLineEdit *box, const QString &text) {
        box->setFocus();
        box->setText(QStringLiteral("1"));
        box->end(false);
        QInputMethodEvent e;
        e.setCommitString(text);
        QCoreApplication::sendEvent(box, &e);
        return box->text();
    };
    for (const QString &name : numberBoxes) {
        auto *box = w->findChild<QLineEdit *>(name);
        QVERIFY2(box, qPrintable(name));
        QCOMPARE(commit(box, QStringLiteral("十元")), QStringLiteral("1"));
        QCOMPARE(commit(box, QStringLiteral("5")), QStringLiteral("15"));
    }
    QCOMPARE(commit(w->findChild<QLineEdit *>(textBox), QStringLiteral("十元")), QStringLiteral("1十元"));
}

QTEST_MAIN(TestWindowKeys)
#include "tst_windowkeys.moc"

void TestWindowKeys::mainKeysWhileAChildIsActive_data()
{
    QTest::addColumn<QString>("child");
    QTest::addColumn<bool>("maximised");
    for (const char *child : {"journal", "query", "notebook"}) {
        QTest::newRow(QByteArray(child).append(", normal").constData()) << child << false;
        QTest::newRow(QByteArray(child).append(", maximised").constData()) << child << true;
    }
}

// F5 and F9 work wherever the focus is inside a child window, also while the journal's menus stand in
// the menu bar instead of the main menus.
void TestWindowKeys::mainKeysWhileAChildIsActive()
{
    QFETCH(QString, child);
    QFETCH(bool, maximised);
    TestEnv env;
    frmManager *journal = openJournal(env);
    QVERIFY(journal);
    frmMain *m = frmMain::instance();
    QWidget *open = journal;
    if (child == QLatin1String("query")) {
        journal->MnuSearchFile_Click();
        open = frmSearchForm::existing();
    } else if (child == QLatin1String("notebook")) {
        m->Toolbar1_ButtonClick(QStringLiteral("frmbook"));
        open = Frmbook::existing();
    }
    QVERIFY(open);
    QCoreApplication::processEvents();
    auto *sub = qobject_cast<QMdiSubWindow *>(open->parentWidget());
    QVERIFY(sub);
    if (maximised)
        sub->showMaximized();
    m->mdiArea()->setActiveSubWindow(sub);
    QCoreApplication::processEvents();
    if (open == journal) // the journal's own menus stand in the menu bar
        QVERIFY(!m->menuBar()->actions().contains(m->menuItem(QStringLiteral("MnuGuestManager"))));
    QWidget *focus = open->focusWidget() ? open->focusWidget() : open;
    focus->setFocus();

    // F9 asks the exit question; No keeps everything as it was.
    env.answers = {vbNo};
    QTest::keyClick(focus, Qt::Key_F9);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE(env.boxes.last().text, QStringLiteral("真的退出该系统吗(Y/N)？    "));
    QVERIFY(frmMain::isLoaded());

    // F5 is the journal toggle: it closes the journal, and with it the query window or the notebook.
    QPointer<QWidget> gone = open;
    QTest::keyClick(focus, Qt::Key_F5);
    QTRY_VERIFY(!frmManager::isLoaded());
    QTRY_VERIFY(!gone);
    QCOMPARE(m->toolbarButton(1)->text(), QStringLiteral("证券交易"));
}
