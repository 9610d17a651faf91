#include "app/BoxHelpers.h"
#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "data/Settings.h"
#include "journal/Catalog.h"
#include "journal/frmManager.h"
#include "journal/frmModifyForm.h"
#include "journal/frmNewForm.h"
#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuoteService.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace tv;
using tv::test::TestEnv;

namespace {

const QString kCodeTaken = QStringLiteral("重复的证券代码,请修改!");
const QString kNameTaken = QStringLiteral("重复的证券名称,请修改!");

// The stored row of a code, column by column in the dialogs' box order, then the account.
QStringList storedRow(const QString &code)
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet rs = db.openQuery(QStringLiteral("SELECT 证券代码, 证券名称, 基本面, 分析评论, 目标价, 市场价格, 涨跌幅, "
                                                  "更新日期, 止损位, 买入点, 股东账号 FROM Detail WHERE 证券代码 = ?"),
                                   {code});
    QStringList out;
    for (int c = 0; !rs.isEmpty() && c < rs.fieldCount(); ++c)
        out << rs.text(0, c);
    return out;
}

void addSecurity(const QString &account, const QString &name, const QString &code)
{
    test::DbExec(QStringLiteral("INSERT INTO Detail (股东账号, 证券名称, 证券代码, 基本面, 分析评论, 目标价, 市场价格, 涨跌幅, "
                        "更新日期, 止损位, 买入点) VALUES (?, ?, ?, 'doc.txt', '看好', 12, 11, '-1.2%', '2026-12-01', "
                        "9, 9.5)"),
         {account, name, code});
}

// A股 (A000000001) with 浦发银行 600000 holding three records, and 基金 (J000000001) with 华夏成长.
void makeJournal(TestEnv &env)
{
    env.makeDatabase();
    test::DbExec(QStringLiteral("INSERT INTO Catalog (证券类别, 股东账号) VALUES ('基金', 'J000000001')"));
    addSecurity(QStringLiteral("A000000001"), QStringLiteral("浦发银行"), QStringLiteral("600000"));
    addSecurity(QStringLiteral("J000000001"), QStringLiteral("华夏成长"), QStringLiteral("k000001"));
    for (int i = 0; i < 3; ++i)
        test::DbExec(QStringLiteral("INSERT INTO rep (证券代码, 交易类别, 交收日期, 成交价格, 成交数量, 证券余额, 资金余额, 收支金额) "
                            "VALUES ('600000', '证券买入', '2026-03-02', 10, 100, 100, 1000, -1000)"));
}

template <class T>
T *shown()
{
    T *w = T::instance();
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w))
        qWarning("dialog not active");
    return w;
}

// Leaves box `from` for box `to` the way the operator does, so the leave-box checks run.
void leave(SecurityForm *w, int from, int to)
{
    QPointer<SecurityForm> self(w);
    w->txtFields[from]->setFocus();
    QCoreApplication::processEvents();
    if (self)
        w->txtFields[to]->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
}

void fill(SecurityForm *w, const QStringList &boxes)
{
    for (int i = 0; i < boxes.size(); ++i)
        w->txtFields[i]->setText(boxes[i]);
}

} // namespace

class TestNewForm : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensWithEveryCategory();
    void opensOnTheCurrentCategory();
    void duplicatesRefusedOnLeaving_data();
    void duplicatesRefusedOnLeaving();
    void quoteRefusedOnLeaving();
    void saveStoresTheRowAndStaysOpen();
    void saveRefusals_data();
    void saveRefusals();
    void saveRechecksDuplicates();
    void closingAsksAboutUnsavedEntry_data();
    void closingAsksAboutUnsavedEntry();
    void closeDuringFetchIsDeferred();
    void lookupOnlyForLongNewCodes();
    void documentChooser();
    void keysOfTheBoxes();
    void managerAddAndLookupOpenTheDialog();

    void modifyOpensWithTheSecurity();
    void modifyDuplicateTests();
    void modifySaveReplacesTheRow();
    void modifySaveRechecksTheName();
    void modifyClosingAsks();
    void managerReloadsOrRebuildsAfterModify();
};

void TestNewForm::opensWithEveryCategory()
{
    TestEnv env;
    env.makeDatabase();
    for (int i = 2; i <= 13; ++i)
        test::DbExec(QStringLiteral("INSERT INTO Catalog (证券类别, 股东账号) VALUES (?, ?)"),
             {QStringLiteral("类%1").arg(i), QStringLiteral("X%1").arg(i)});
    frmNewForm *w = frmNewForm::instance();
    QCOMPARE(w->Combo1->count(), 13);
    QCOMPARE(w->m_CatLast, 12);
    QCOMPARE(w->m_CatAccounts.value(12), QStringLiteral("X13"));
    // No current category: the second one is taken.
    QCOMPARE(w->Combo1->currentText(), QStringLiteral("类2"));
    QCOMPARE(g_CurCategory, QStringLiteral("类2"));
    QCOMPARE(w->windowTitle(), QStringLiteral("正在 [ 类2 ] 区，添加新项目"));
    QCOMPARE(w->txtFields[7]->text(), QStringLiteral("2026-12-10"));
    for (int i = 0; i <= 6; ++i)
        QVERIFY(w->txtFields[i]->text().isEmpty());
    QVERIFY(!w->m_Unsaved && !w->m_Added && !IsCloseDeferred(w));
    const int lengths[10] = {50, 50, 100, 200, 50, 50, 25, 50, 50, 50};
    for (int i = 0; i < 10; ++i)
        QCOMPARE(TypedLengthLimit(w->txtFields[i]), lengths[i]);
    QVERIFY(w->isModal());
    QVERIFY(env.boxes.isEmpty());

    // The category last saved stays for the next security filed: a last 13th category is chosen.
    w->Combo1->setEditText(QStringLiteral("类13"));
    fill(w, {QStringLiteral("900001"), QStringLiteral("十三")});
    w->SaveAdd_Click();
    QCOMPARE(storedRow(QStringLiteral("900001")).value(10), QStringLiteral("X13"));
}

void TestNewForm::opensOnTheCurrentCategory()
{
    TestEnv env;
    env.makeDatabase();
    g_CurCategory = QStringLiteral("基金");
    frmNewForm *w = frmNewForm::instance();
    QCOMPARE(w->Combo1->currentText(), QStringLiteral("基金"));
    QCOMPARE(w->windowTitle(), QStringLiteral("正在 [ 基金 ] 区，添加新项目"));
    w->close();
    // With a single category and none current, nothing is chosen.
    g_CurCategory.clear();
    w = frmNewForm::instance();
    QCOMPARE(w->Combo1->currentText(), QString());
    QCOMPARE(g_CurCategory, QString());
    w->close();
    QVERIFY(env.boxes.isEmpty());
}

void TestNewForm::duplicatesRefusedOnLeaving_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("code") << 0 << QStringLiteral("600000") << kCodeTaken;
    QTest::newRow("code, other case") << 0 << QStringLiteral("K000001") << kCodeTaken;
    QTest::newRow("name") << 1 << QStringLiteral("浦发银行") << kNameTaken;
}

void TestNewForm::duplicatesRefusedOnLeaving()
{
    QFETCH(int, box);
    QFETCH(QString, text);
    QFETCH(QString, message);
    TestEnv env;
    makeJournal(env);
    frmNewForm *w = shown<frmNewForm>();
    w->txtFields[box]->setText(text);
    leave(w, box, 3);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], message, 48, QStringLiteral("警告!"));
    QVERIFY(w->txtFields[box]->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), w->txtFields[box]);
    // A new one passes.
    w->txtFields[box]->setText(QStringLiteral("60000"));
    leave(w, box, 3);
    QCOMPARE(env.boxes.size(), 1);
}

void TestNewForm::quoteRefusedOnLeaving()
{
    TestEnv env;
    makeJournal(env);
    frmNewForm *w = shown<frmNewForm>();
    w->txtFields[3]->setText(QStringLiteral("it's"));
    leave(w, 3, 4);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("该项目之中有特殊字符<'>,请删除。"), 48, QStringLiteral("提示："));
    QCOMPARE(QApplication::focusWidget(), w->txtFields[3]);
    QCOMPARE(w->txtFields[3]->text(), QStringLiteral("it's"));
}

void TestNewForm::saveStoresTheRowAndStaysOpen()
{
    TestEnv env;
    makeJournal(env);
    g_CurCategory = QStringLiteral("基金");
    frmNewForm *w = frmNewForm::instance();
    QVERIFY(!w->m_Unsaved);
    fill(w, {QStringLiteral("k161005"), QStringLiteral(" 富国天惠 "), QStringLiteral("/docs/a.pdf"), QStringLiteral("长期"),
             QStringLiteral("8.80"), QStringLiteral("abc"), QStringLiteral("+1.5%"), QStringLiteral("2026-12-10"),
             QString(), QStringLiteral("1.20")});
    QVERIFY(w->m_Unsaved);
    w->SaveAdd_Click();
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(storedRow(QStringLiteral("k161005")),
             (QStringList{"k161005", " 富国天惠 ", "/docs/a.pdf", "长期", "8.8", "0", "+1.5%", "2026-12-10", "0",
                          "1.2", "J000000001"}));
    QCOMPARE(g_CurAccount, QStringLiteral("J000000001"));
    for (int i = 0; i <= 6; ++i)
        QVERIFY2(w->txtFields[i]->text().isEmpty(), qPrintable(QString::number(i)));
    QCOMPARE(w->txtFields[7]->text(), QStringLiteral("2026-12-10"));
    QCOMPARE(w->txtFields[8]->text(), QStringLiteral("0"));
    QCOMPARE(w->txtFields[9]->text(), QStringLiteral("1.2"));
    QCOMPARE(w->Combo1->currentText(), QStringLiteral("基金"));
    QVERIFY(!w->m_Unsaved && w->m_Added);
    QVERIFY(frmNewForm::isLoaded());
    // Closing now asks nothing.
    w->ExitB_Click();
    QVERIFY(!frmNewForm::isLoaded());
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(LastStatusText(), kIdleText);
}

void TestNewForm::saveRefusals_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("account"); // the category's account is taken before the boxes are tested
    QTest::newRow("blank code") << QStringLiteral("  ") << QStringLiteral("新股") << QStringLiteral("A股")
                                << QStringLiteral("证券代码不能空，且不能重复,不能保存!") << 64
                                << QStringLiteral("证券代码有错误") << QStringLiteral("txtFields_0")
                                << QStringLiteral("A000000001");
    QTest::newRow("blank name") << QStringLiteral("600001") << QStringLiteral(" ") << QStringLiteral("A股")
                                << QStringLiteral("证券名称不能空，且不能重复   ") << 64
                                << QStringLiteral("证券名称有错误") << QStringLiteral("txtFields_1")
                                << QStringLiteral("A000000001");
    // A typed category that is none of the list would file the security under some other account.
    QTest::newRow("unknown category") << QStringLiteral("600001") << QStringLiteral("新股") << QStringLiteral("港股")
                                      << QStringLiteral("没有这个证券类别，请从列表中选择证券类别!") << 48
                                      << QStringLiteral("证券类别有错误") << QStringLiteral("Combo1")
                                      << QStringLiteral("J000000001");
}

void TestNewForm::saveRefusals()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, category);
    QFETCH(QString, message);
    QFETCH(int, style);
    QFETCH(QString, title);
    QFETCH(QString, focus);
    QFETCH(QString, account);
    TestEnv env;
    makeJournal(env);
    g_CurAccount = QStringLiteral("J000000001");
    frmNewForm *w = shown<frmNewForm>();
    w->Combo1->setEditText(category);
    fill(w, {code, name});
    w->SaveAdd_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], message, style, title);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Detail WHERE 证券名称 = '新股' OR 证券代码 = '600001'")), 0);
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    QCOMPARE(g_CurAccount, account);
    QVERIFY(w->m_Unsaved && !w->m_Added);
}

void TestNewForm::saveRechecksDuplicates()
{
    TestEnv env;
    makeJournal(env);
    frmNewForm *w = shown<frmNewForm>();
    w->Combo1->setEditText(QStringLiteral("A股"));
    // Boxes filled without leaving them (or another workstation stored the security meanwhile).
    fill(w, {QStringLiteral("600000"), QStringLiteral("新名字")});
    w->SaveAdd_Click();
    fill(w, {QStringLiteral("600009"), QStringLiteral("华夏成长")});
    w->SaveAdd_Click();
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE_BOX(env.boxes[0], kCodeTaken, 48, QStringLiteral("警告!"));
    QCOMPARE_BOX(env.boxes[1], kNameTaken, 48, QStringLiteral("警告!"));
    QCOMPARE(QApplication::focusWidget(), w->txtFields[1]);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Detail WHERE 证券代码 IN ('600000', '600009')")), 1);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Detail WHERE 证券名称 IN ('新名字', '华夏成长')")), 1);
    QVERIFY(!w->m_Added);

    Database db(g_DbPath, g_DbConnect);
    SecurityRow row;
    row.boxes = {QStringLiteral("600009"), QStringLiteral("新名字")};
    row.account = QStringLiteral("A000000001");
    QCOMPARE(AddSecurity(db, row), SecurityOutcome::Saved);
    QCOMPARE(AddSecurity(db, row), SecurityOutcome::CodeTaken);
    row.boxes[0] = QStringLiteral("600010");
    QCOMPARE(AddSecurity(db, row), SecurityOutcome::NameTaken);
}

void TestNewForm::closingAsksAboutUnsavedEntry_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("yes saves") << int(vbYes);
    QTest::newRow("no discards") << int(vbNo);
}

void TestNewForm::closingAsksAboutUnsavedEntry()
{
    QFETCH(int, answer);
    TestEnv env;
    makeJournal(env);
    frmManager *manager = test::OpenManager(QString());
    g_CurCategory = QStringLiteral("A股");
    frmNewForm *w = frmNewForm::instance();
    fill(w, {QStringLiteral("600036"), QStringLiteral("招商银行")});
    env.answers << answer;
    w->close();
    QVERIFY(!frmNewForm::isLoaded());
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], QStringLiteral("有添加记录，需要保存码？(Y/N)"), 36, QStringLiteral("未保存"));
    const bool saved = answer == vbYes;
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Detail WHERE 证券代码 = '600036'")), saved ? 1 : 0);
    // The manager's tree shows the new security once it is stored.
    QCOMPARE(manager->securityNode(QStringLiteral("招商银行")) != nullptr, saved);

    // A refused save at closing shows its message and the dialog closes all the same.
    env.clearBoxes();
    w = frmNewForm::instance();
    fill(w, {QStringLiteral("600037"), QString()});
    env.answers << vbYes;
    w->close();
    QVERIFY(!frmNewForm::isLoaded());
    QCOMPARE(env.boxes.size(), 2);
    QCOMPARE(env.boxes[1].text, QStringLiteral("证券名称不能空，且不能重复   "));
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Detail WHERE 证券代码 = '600037'")), 0);
}

void TestNewForm::closeDuringFetchIsDeferred()
{
    TestEnv env;
    makeJournal(env);
    frmNewForm *w = shown<frmNewForm>();
    {
        IdleGuard fetch; // a quote fetch is running
        w->ExitB_Click();
        QVERIFY(frmNewForm::isLoaded() && w->isVisible());
        QVERIFY(IsCloseDeferred(w));
        w->close(); // the close box
        QVERIFY(frmNewForm::isLoaded());
        fill(w, {QStringLiteral("600036"), QStringLiteral("招商银行")});
        leave(w, 0, 1); // no lookup while the fetch runs
        QVERIFY(frmNewForm::isLoaded());
    }
    // Once the fetch has returned, the recorded close is carried out, once.
    env.answers << vbNo;
    QTRY_VERIFY(!frmNewForm::isLoaded());
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE(env.boxes[0].text, QStringLiteral("有添加记录，需要保存码？(Y/N)"));
}

void TestNewForm::lookupOnlyForLongNewCodes()
{
    TestEnv env;
    makeJournal(env);
    test::HttpServer server;
    QVERIFY(test::ServeQuotes(server));
    test::QuoteBook book;
    book.stocks.insert("600036", {"600036", "招商银行", "10.50", {}, "1.00%"});
    server.setHandler(test::QuoteHandler(book));
    frmNewForm *w = shown<frmNewForm>();
    SetStatusText(QString());
    w->txtFields[0]->setText(QStringLiteral("60003"));
    leave(w, 0, 1);
    QCOMPARE(LastStatusText(), QString());
    QCOMPARE(server.requestCount(), 0);
    w->txtFields[0]->setText(QStringLiteral("600036"));
    leave(w, 0, 1);
    QCOMPARE(LastStatusText(), QStringLiteral("查询股票"));
    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(w->txtFields[1]->text(), QStringLiteral("招商银行")); // filled from the quote
    QCOMPARE(w->txtFields[5]->text(), QStringLiteral("10.5"));
    QVERIFY(g_Idle); // given back after the fetch
    // During another fetch no second one is started, and the busy state is left to its owner.
    g_Idle = false;
    leave(w, 0, 1);
    QVERIFY(!g_Idle);
    g_Idle = true;
    // A stored code is emptied before any lookup.
    SetStatusText(QString());
    w->txtFields[0]->setText(QStringLiteral("600000"));
    leave(w, 0, 1);
    QCOMPARE(LastStatusText(), QString());
    QVERIFY(w->txtFields[0]->text().isEmpty());
}

void TestNewForm::documentChooser()
{
    TestEnv env;
    makeJournal(env);
    SaveSetting(ExeAppName(), QStringLiteral("Config"), QStringLiteral("Add"), QStringLiteral("/old/b.doc"));
    QStringList asked;
    QString answer = QStringLiteral("/docs/report.pdf");
    seams::openFile = [&](QWidget *, const QString &caption, const QString &dir, const QString &) {
        asked << caption << dir;
        return answer;
    };
    frmNewForm *w = shown<frmNewForm>();
    w->picEditFile_Click();
    QCOMPARE(asked, (QStringList{"请选择文件", "/old/b.doc"}));
    QCOMPARE(w->txtFields[2]->text(), QStringLiteral("/docs/report.pdf"));
    QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("Config"), QStringLiteral("Add")), QStringLiteral("/docs/report.pdf"));
    QCOMPARE(QApplication::focusWidget(), w->txtFields[3]);
    // Cancelled: the focus goes to the document box when it holds something.
    answer.clear();
    w->picEditFile_Click();
    QCOMPARE(QApplication::focusWidget(), w->txtFields[2]);
    w->txtFields[2]->clear();
    QTest::mouseDClick(w->txtFields[2], Qt::LeftButton);
    QCOMPARE(asked.size(), 6);
    QCOMPARE(QApplication::focusWidget(), w->txtFields[3]);
    // Enter in the name box opens it too.
    w->txtFields[1]->setFocus();
    QTest::keyClick(w->txtFields[1], Qt::Key_Return);
    QCOMPARE(asked.size(), 8);
    QVERIFY(env.boxes.isEmpty());

    // The picture button's frame: a press swaps the top and bottom lines only; the release opens it.
    const auto colours = [w] {
        QStringList out;
        for (QFrame *line : {w->lLeft, w->lTop, w->lRight, w->lBottom})
            out << line->palette().color(QPalette::WindowText).name();
        return out;
    };
    QCOMPARE(colours(), (QStringList{"#808080", "#ffffff", "#ffffff", "#808080"}));
    QTest::mousePress(w->picEditFile, Qt::LeftButton);
    QCOMPARE(colours(), (QStringList{"#808080", "#808080", "#ffffff", "#ffffff"}));
    QTest::mouseRelease(w->picEditFile, Qt::LeftButton);
    QCOMPARE(colours(), (QStringList{"#808080", "#ffffff", "#ffffff", "#808080"}));
    QCOMPARE(asked.size(), 10);
}

void TestNewForm::keysOfTheBoxes()
{
    TestEnv env;
    makeJournal(env);
    frmNewForm *w = shown<frmNewForm>();
    w->txtFields[0]->setFocus();
    QTest::keyClicks(w->txtFields[0], QStringLiteral("12345"));
    QTest::keyClick(w->txtFields[0], Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w->txtFields[1]);
    for (int i : {4, 5, 8, 9}) {
        w->txtFields[i]->setFocus();
        QTest::keyClicks(w->txtFields[i], QStringLiteral("1a2.3.-4"));
        QCOMPARE(w->txtFields[i]->text(), QStringLiteral("12.34"));
    }
    w->txtFields[6]->setFocus();
    QTest::keyClicks(w->txtFields[6], QStringLiteral("-1.5%"));
    QCOMPARE(w->txtFields[6]->text(), QStringLiteral("-1.5%"));
    // Tab order after box 4 runs over the stop and buy points.
    w->txtFields[4]->setFocus();
    QTest::keyClick(w->txtFields[4], Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w->txtFields[8]);
    // Entering colours a box and selects its text.
    QCOMPARE(w->txtFields[8]->palette().color(QPalette::Base), QColor(0xFF, 0xC0, 0xC0));
    QCoreApplication::processEvents();
    QCOMPARE(w->txtFields[8]->selectedText(), QStringLiteral("12.34"));
    QCOMPARE(w->txtFields[4]->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xFF));
}

void TestNewForm::managerAddAndLookupOpenTheDialog()
{
    TestEnv env;
    makeJournal(env);
    frmManager *manager = test::OpenManager(QStringLiteral("浦发银行"));
    bool seen = false;
    QTimer::singleShot(0, [&] {
        frmNewForm *w = frmNewForm::existing();
        seen = w && w->isModal() && w->isVisible() && w->txtFields[0]->text() == QLatin1String("600099");
        if (!w)
            return;
        w->txtFields[1]->setText(QStringLiteral("新股"));
        w->SaveAdd_Click();
        w->ExitB_Click();
    });
    manager->offerNewSecurity(QStringLiteral("600099"));
    QVERIFY(seen);
    QVERIFY(!frmNewForm::isLoaded());
    QCOMPARE(storedRow(QStringLiteral("600099")).value(10), QStringLiteral("A000000001"));
    QVERIFY(manager->securityNode(QStringLiteral("新股")));

    // The toolbar key "Content" opens it from the main window.
    seen = false;
    QTimer::singleShot(0, [&] {
        seen = frmNewForm::isLoaded() && frmNewForm::existing()->isVisible();
        if (seen)
            frmNewForm::existing()->ExitB_Click();
    });
    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("Content"));
    QVERIFY(seen);
    QVERIFY(!frmNewForm::isLoaded());
}

void TestNewForm::modifyOpensWithTheSecurity()
{
    TestEnv env;
    makeJournal(env);
    test::OpenManager(QStringLiteral("浦发银行"));
    frmModifyForm *w = frmModifyForm::instance();
    QCOMPARE(w->windowTitle(), QStringLiteral("正在 [ A股 ] 区，修改 [ 浦发银行 ] 证券"));
    QStringList boxes;
    for (QLineEdit *box : w->txtFields)
        boxes << box->text();
    QCOMPARE(boxes, (QStringList{"600000", "浦发银行", "doc.txt", "看好", "12", "11", "-1.2%", "2026-12-10", "9", "9.5"}));
    QCOMPARE(w->Combo1->currentText(), QStringLiteral("A股"));
    QVERIFY(w->txtFields[0]->isReadOnly());
    QCOMPARE(w->txtFields[0]->palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
    QCOMPARE(TypedLengthLimit(w->txtFields[6]), 50);
    QCOMPARE(TypedLengthLimit(w->txtFields[7]), 25);
    QCOMPARE(w->Label1->text(), QStringLiteral("==>>禁止修改!"));
    QVERIFY(!w->m_Unsaved);
    w->Label1_Click();
    QCOMPARE_BOX(env.boxes.value(0), QStringLiteral("此项不能修改，请注意！"), 64, QStringLiteral("提示:"));
    // Enter moves on from the read-only code box.
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
    w->txtFields[0]->setFocus();
    QTest::keyClick(w->txtFields[0], Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w->txtFields[1]);
    QCOMPARE(w->txtFields[0]->palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
    // Opening and saving without an edit rewrites the row with today's date and asks nothing.
    env.clearBoxes();
    w->SaveAdd_Click();
    QVERIFY(env.boxes.isEmpty());
    QVERIFY(!frmModifyForm::isLoaded());
    QCOMPARE(storedRow(QStringLiteral("600000")),
             (QStringList{"600000", "浦发银行", "doc.txt", "看好", "12", "11", "-1.2%", "2026-12-10", "9", "9.5",
                          "A000000001"}));
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Detail WHERE 证券代码 = '600000'")), 1);
}

void TestNewForm::modifyDuplicateTests()
{
    TestEnv env;
    makeJournal(env);
    test::OpenManager(QStringLiteral("浦发银行"));
    frmModifyForm *w = shown<frmModifyForm>();
    // Its own name and code pass.
    leave(w, 1, 2);
    leave(w, 0, 2);
    QVERIFY(env.boxes.isEmpty());
    // Another security's name is refused; the comparison with its own name is exact.
    w->txtFields[1]->setText(QStringLiteral("华夏成长"));
    leave(w, 1, 2);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], kNameTaken, 48, QStringLiteral("警告!"));
    QVERIFY(w->txtFields[1]->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), w->txtFields[1]);
    w->txtFields[1]->setText(QStringLiteral("浦发"));
    leave(w, 1, 2);
    QCOMPARE(env.boxes.size(), 1);
}

void TestNewForm::modifySaveReplacesTheRow()
{
    TestEnv env;
    makeJournal(env);
    frmManager *manager = test::OpenManager(QStringLiteral("浦发银行"));
    frmModifyForm *w = frmModifyForm::instance();
    w->txtFields[1]->setText(QStringLiteral("浦发"));
    w->txtFields[4]->setText(QStringLiteral("8.80"));
    w->txtFields[8]->clear();
    w->Combo1->setEditText(QStringLiteral("基金"));
    w->SaveAdd_Click();
    QVERIFY(env.boxes.isEmpty());
    QVERIFY(!frmModifyForm::isLoaded());
    QCOMPARE(storedRow(QStringLiteral("600000")),
             (QStringList{"600000", "浦发", "doc.txt", "看好", "8.8", "11", "-1.2%", "2026-12-10", "0", "9.5",
                          "J000000001"}));
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Detail WHERE 证券代码 = '600000'")), 1);
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM rep WHERE 证券代码 = '600000'")), 3);
    QCOMPARE(manager->lblFileCaption->text(), QStringLiteral("浦发"));
    QCOMPARE(g_CurAccount, QStringLiteral("J000000001"));
    QCOMPARE(LastStatusText(), kIdleText);

    // Refusals come name first, then code, then an unknown category.
    w = frmModifyForm::instance();
    w->txtFields[0]->clear();
    w->txtFields[1]->setText(QStringLiteral(" "));
    w->SaveAdd_Click();
    QCOMPARE_BOX(env.boxes.value(0), QStringLiteral("证券名称不能空，且不能重复   "), 64, QStringLiteral("证券名称有错误"));
    w->txtFields[1]->setText(QStringLiteral("浦发"));
    w->SaveAdd_Click();
    QCOMPARE_BOX(env.boxes.value(1), QStringLiteral("证券代码不能空 ，且不能重复  "), 64, QStringLiteral("证券代码有错误"));
    w->Combo1->setEditText(QStringLiteral("港股"));
    w->SaveAdd_Click();
    QCOMPARE(env.boxes.value(2).title, QStringLiteral("证券类别有错误"));
    QVERIFY(frmModifyForm::isLoaded());
    QCOMPARE(storedRow(QStringLiteral("600000")).value(1), QStringLiteral("浦发"));
}

void TestNewForm::modifySaveRechecksTheName()
{
    TestEnv env;
    makeJournal(env);
    test::OpenManager(QStringLiteral("浦发银行"));
    frmModifyForm *w = frmModifyForm::instance();
    w->txtFields[1]->setText(QStringLiteral("华夏成长")); // never left, so not yet tested
    w->SaveAdd_Click();
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], kNameTaken, 48, QStringLiteral("警告!"));
    QVERIFY(frmModifyForm::isLoaded());
    QCOMPARE(test::DbCount(QStringLiteral("SELECT count(*) FROM Detail WHERE 证券名称 = '华夏成长'")), 1);
    QCOMPARE(storedRow(QStringLiteral("600000")).value(1), QStringLiteral("浦发银行"));

    Database db(g_DbPath, g_DbConnect);
    SecurityRow row;
    row.boxes = {QStringLiteral("600000"), QStringLiteral("浦发银行")};
    row.account = QStringLiteral("A000000001");
    QCOMPARE(ReplaceSecurity(db, QStringLiteral("600000"), row), SecurityOutcome::Saved);
    row.boxes[0] = QStringLiteral("k000001");
    QCOMPARE(ReplaceSecurity(db, QStringLiteral("600000"), row), SecurityOutcome::CodeTaken);
    // A failed insert after the delete leaves the row where it was.
    test::DbExec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Detail BEGIN SELECT RAISE(ABORT, 'full'); END"));
    row.boxes = {QStringLiteral("600000"), QStringLiteral("浦发")};
    QVERIFY_THROWS_EXCEPTION(DbError, ReplaceSecurity(db, QStringLiteral("600000"), row));
    QCOMPARE(storedRow(QStringLiteral("600000")).value(1), QStringLiteral("浦发银行"));
}

void TestNewForm::modifyClosingAsks()
{
    TestEnv env;
    makeJournal(env);
    test::OpenManager(QStringLiteral("浦发银行"));
    for (int answer : {int(vbNo), int(vbYes)}) {
        env.clearBoxes();
        frmModifyForm *w = frmModifyForm::instance();
        w->txtFields[4]->setText(QStringLiteral("20"));
        env.answers << answer;
        w->ExitB_Click();
        QVERIFY(!frmModifyForm::isLoaded());
        QCOMPARE(env.boxes.size(), 1);
        QCOMPARE_BOX(env.boxes[0], QStringLiteral("有修改记录，需要保存码？(Y/N)"), 36, QStringLiteral("未保存"));
        QCOMPARE(storedRow(QStringLiteral("600000")).value(4), answer == vbYes ? QStringLiteral("20") : QStringLiteral("12"));
    }
    QCOMPARE(GetSetting(ExeAppName(), QStringLiteral("Modify"), QStringLiteral("Left")), QStringLiteral("0"));
}

void TestNewForm::managerReloadsOrRebuildsAfterModify()
{
    TestEnv env;
    makeJournal(env);
    frmManager *manager = test::OpenManager(QStringLiteral("浦发银行"));
    // Name and category kept: the security is reloaded in place.
    QTimer::singleShot(0, [] {
        frmModifyForm *w = frmModifyForm::existing();
        w->txtFields[4]->setText(QStringLiteral("13.5"));
        w->SaveAdd_Click();
    });
    manager->MnuModifyFile_Click();
    QVERIFY(!frmModifyForm::isLoaded());
    QCOMPARE(manager->txtFields[3]->text(), QStringLiteral("13.5"));
    QCOMPARE(manager->m_LoadedName, QStringLiteral("浦发银行"));
    QCOMPARE(manager->txtFields[7]->text(), QStringLiteral("2026-12-10"));

    // A new name: the tree is rebuilt and shows it.
    QTimer::singleShot(0, [] {
        frmModifyForm *w = frmModifyForm::existing();
        w->txtFields[1]->setText(QStringLiteral("浦发"));
        w->SaveAdd_Click();
    });
    manager->MnuModifyFile_Click();
    QVERIFY(manager->m_LoadedName.isEmpty());
    QVERIFY(manager->securityNode(QStringLiteral("浦发")));
    QVERIFY(!manager->securityNode(QStringLiteral("浦发银行")));

    // Another category: rebuilt under the new one.
    manager->TreeView_NodeClick(manager->securityNode(QStringLiteral("浦发")));
    QTimer::singleShot(0, [] {
        frmModifyForm *w = frmModifyForm::existing();
        w->Combo1->setEditText(QStringLiteral("基金"));
        w->SaveAdd_Click();
    });
    manager->MnuModifyFile_Click();
    QVERIFY(manager->m_LoadedName.isEmpty());
    QCOMPARE(manager->securityNode(QStringLiteral("浦发"))->parent(),
             manager->categoryNode(QStringLiteral("J000000001")));
    QVERIFY(env.boxes.isEmpty());
}

QTEST_MAIN(TestNewForm)
#include "tst_newform.moc"
