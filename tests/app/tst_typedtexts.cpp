// Every box that takes free text stores it exactly as it came, pasted or committed by an input method, or
// refuses it where it is entered with the wrong-value message and writes nothing.

#include "admin/ConfigForm.h"
#include "admin/Operators.h"
#include "admin/frmOperator.h"
#include "admin/qixin.h"
#include "app/Globals.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "data/Settings.h"
#include "journal/frmCatalog.h"
#include "journal/frmManager.h"
#include "journal/frmNewForm.h"
#include "journal/modqix.h"
#include "quotes/FrmProxy.h"
#include "reports/Frmbook.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <functional>

using namespace tv;
using tv::test::TestEnv;

namespace {

// One way a text is stored: the box it is entered in, the button that saves it, and the texts stored
// where it lands, read back as the program reads them.
struct Path
{
    QWidget *box = nullptr;
    QPushButton *save = nullptr;
    std::function<QStringList()> stored;
};

std::function<QStringList()> columnOf(const QString &sql)
{
    return [sql] {
        Database db(g_DbPath, g_DbConnect);
        const RowSet rows = db.openQuery(sql);
        QStringList out;
        for (int r = 0; r < rows.recordCount(); ++r)
            out << rows.text(r, 0);
        return out;
    };
}

template <class T> T *shown(T *w)
{
    w->show();
    QApplication::setActiveWindow(w->window());
    if (!QTest::qWaitForWindowActive(w->window()))
        qWarning("window not active");
    return w;
}

// 浦发银行 with one purchase, loaded in the manager window, its record the current grid row.
frmManager *journal()
{
    g_CurUser = QStringLiteral("admin");
    g_UserRight = QStringLiteral("超级权限");
    {
        Database db(g_DbPath, g_DbConnect);
        test::AddSecurity(db, QStringLiteral("浦发银行"), QStringLiteral("600000"), 11);
    }
    test::DbExec(QStringLiteral(
        "INSERT INTO rep (证券代码, 交易类别, 交收日期, 成交价格, 成交数量, 证券余额, 成交金额, "
        "资金余额, 收支金额, 合同号) VALUES ('600000', '证券买入', '2026-03-02', 10, 100, 100, "
        "1000, 9000, -1000, '7')"));
    frmManager *m = test::OpenManager(QStringLiteral("浦发银行"));
    m->setCurrentGridRow(1);
    return m;
}

Path openPath(const QString &name, TestEnv &env)
{
    env.makeDatabase();
    if (name == QLatin1String("security code") || name == QLatin1String("security name")) {
        g_CurCategory = QStringLiteral("A股");
        frmNewForm *w = shown(frmNewForm::instance());
        const bool code = name == QLatin1String("security code");
        w->txtFields[code ? 1 : 0]->setText(code ? QStringLiteral("新证券") : QStringLiteral("T0001"));
        return {w->txtFields[code ? 0 : 1], w->SaveAdd,
                columnOf(code ? QStringLiteral("SELECT 证券代码 FROM Detail")
                              : QStringLiteral("SELECT 证券名称 FROM Detail"))};
    }
    if (name == QLatin1String("trade type")) {
        frmManager *m = journal();
        m->munaddqix_Click();
        return {m->Combo1, m->Command2, columnOf(QStringLiteral("SELECT 交易类别 FROM rep"))};
    }
    if (name == QLatin1String("record contract")) {
        journal()->Mnumodqix_Click();
        if (!modqix::existing())
            return {};
        modqix *d = shown(modqix::existing());
        return {d->Text1[11], d->Command1, columnOf(QStringLiteral("SELECT 合同号 FROM rep"))};
    }
    if (name == QLatin1String("operator name")) {
        frmOperator *w = shown(frmOperator::instance());
        w->Text2->setText(QStringLiteral("pw"));
        w->Text3->setText(QStringLiteral("pw"));
        return {w->Text1, w->Command1, columnOf(QStringLiteral("SELECT UID FROM User"))};
    }
    if (name == QLatin1String("company telephone")) {
        ConfigForm *w = shown(ConfigForm::instance());
        return {w->CC[1], w->OkSave, columnOf(QStringLiteral("SELECT 公司电话 FROM Config"))};
    }
    if (name == QLatin1String("category name") || name == QLatin1String("trade mode name")) {
        frmCatalog *w = shown(frmCatalog::instance());
        if (name == QLatin1String("category name")) {
            w->AddB_Click();
            w->Text2->setText(QStringLiteral("Z000000001"));
            return {w->NewTypeName, w->SaveRecord, columnOf(QStringLiteral("SELECT 证券类别 FROM Catalog"))};
        }
        w->ListView1_ItemClick(w->categoryItem(QStringLiteral("A股")));
        w->AddB1_Click();
        return {w->Text1[0], w->Command1, columnOf(QStringLiteral("SELECT 交易方式 FROM machcom"))};
    }
    // The main window's first activation would show the tip of the day over it.
    SaveSetting(ExeAppName(), QStringLiteral("Options"), QStringLiteral("Show Tips at Startup"),
                QStringLiteral("0"));
    frmMain *m = frmMain::instance();
    if (name == QLatin1String("snapshot note")) {
        m->resize(1400, 900);
        shown(m)->Toolbar1_ButtonClick(QStringLiteral("frmbook"));
        Frmbook *w = Frmbook::existing();
        Frmbook::setBoxText(w->Text2[0], QStringLiteral("1000"));
        return {w->Text2[5], w->Command4, columnOf(QStringLiteral("SELECT 备注 FROM qixst"))};
    }
    // Opened from the main window's menu, which is there before it.
    FrmProxy *w = shown(FrmProxy::instance());
    QTest::mouseClick(w->Check1, Qt::LeftButton, {}, QPoint(6, w->Check1->height() / 2)); // a named proxy
    return {w->Text1[2], w->Command1, [] {
                return QStringList{
                    GetSetting(kAppNameShared, QStringLiteral("Proxy"), QStringLiteral("UserName"))};
            }};
}

// Where keys for the box go: an editable list's own line.
QWidget *keysOf(QWidget *box)
{
    if (auto *c = qobject_cast<QComboBox *>(box))
        return c->lineEdit();
    return box;
}

QString textOf(const QWidget *box)
{
    if (const auto *c = qobject_cast<const QComboBox *>(box))
        return c->currentText();
    if (const auto *t = qobject_cast<const QPlainTextEdit *>(box))
        return t->toPlainText();
    return qobject_cast<const QLineEdit *>(box)->text();
}

// Replaces the box's text as the operator does: into the focused box, from the clipboard with Ctrl+V or
// as an input method's commit.
void enter(QWidget *box, const QString &text, bool byInputMethod)
{
    QWidget *target = keysOf(box);
    target->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    if (byInputMethod) {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QCoreApplication::sendEvent(target, &commit);
    } else {
        QApplication::clipboard()->setText(text);
        QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
    }
}

} // namespace

class TestTypedTexts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void storedExactlyOrRefused_data();
    void storedExactlyOrRefused();
    void passwordsStoredExactlyOrRefused_data();
    void passwordsStoredExactlyOrRefused();
};

void TestTypedTexts::storedExactlyOrRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("storable");
    QTest::addColumn<bool>("byInputMethod");
    const QStringList paths = {"security code", "security name",     "trade type",    "record contract",
                               "operator name", "company telephone", "category name", "trade mode name",
                               "snapshot note", "proxy user"};
    bool byInputMethod = false;
    for (const QString &path : paths) {
        for (const test::TypedText &t : test::TypedTexts()) {
            QTest::addRow("%s, %s", qPrintable(path), qPrintable(t.tag))
                << path << t.text << t.storable << byInputMethod;
            byInputMethod = !byInputMethod;
        }
    }
}

void TestTypedTexts::storedExactlyOrRefused()
{
    QFETCH(QString, path);
    QFETCH(QString, text);
    QFETCH(bool, storable);
    QFETCH(bool, byInputMethod);
    TestEnv env;
    const Path p = openPath(path, env);
    QVERIFY(p.box && p.save && p.save->isVisible());
    const QStringList before = p.stored();
    env.clearBoxes();

    enter(p.box, text, byInputMethod);
    QCOMPARE(textOf(p.box), text);
    QTest::mouseClick(p.save, Qt::LeftButton);

    const QStringList after = p.stored();
    const auto wrongValue = [](const test::RecordedBox &b) { return b.text == kWrongValueText; };
    if (storable) {
        QVERIFY(std::none_of(env.boxes.begin(), env.boxes.end(), wrongValue));
        QVERIFY(!before.contains(text));
        QVERIFY2(after.contains(text), qPrintable(after.join(u'|')));
        return;
    }
    // Refused on leaving the box and again by the save the click reaches; one message, every time.
    QVERIFY(!env.boxes.isEmpty());
    for (const test::RecordedBox &b : env.boxes)
        QCOMPARE_BOX(b, kWrongValueText, 16, QStringLiteral("不能进行运算"));
    QCOMPARE(after, before);
    QCOMPARE(textOf(p.box), text);
    QVERIFY(p.box->hasFocus());
}

void TestTypedTexts::passwordsStoredExactlyOrRefused_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("storable");
    using test::Units;
    QTest::newRow("half pair") << Units({u'A', 0xD800, u'Z'}) << false;
    QTest::newRow("NUL") << Units({u'a', 0, u'b'}) << false;
    QTest::newRow("byte-order mark") << Units({0xFEFF, u'a', u'b'}) << false;
    // Each character is stored lowered by 3: a pair falls apart into two halves, "＂" (U+FF02) becomes a
    // byte-order mark, U+0003 a NUL.
    QTest::newRow("beyond the basic plane") << QStringLiteral("𠀀A") << false;
    QTest::newRow("full-width quotation mark") << QStringLiteral("＂ab") << false;
    QTest::newRow("U+0003") << Units({u'a', 0x03}) << false;
    QTest::newRow("ordinary") << QStringLiteral("口令") << true;
    QTest::newRow("zero-width space") << Units({u'a', 0x200B, u'b'}) << true;
}

void TestTypedTexts::passwordsStoredExactlyOrRefused()
{
    QFETCH(QString, password);
    QFETCH(bool, storable);
    TestEnv env;
    env.makeDatabase();
    frmOperator *w = shown(frmOperator::instance());
    w->Text1->setText(QStringLiteral("ann"));
    enter(w->Text2, password, false);
    enter(w->Text3, password, true);
    QCOMPARE(w->Text3->text(), password);
    env.clearBoxes();
    QTest::mouseClick(w->Command1, Qt::LeftButton);

    QList<OperatorRow> operators = LoadOperators();
    if (storable) {
        QVERIFY(env.boxes.isEmpty());
        QCOMPARE(operators.size(), 2);
        QCOMPARE(operators[1].name, QStringLiteral("ann"));
        QCOMPARE(operators[1].password, password);
    } else {
        QCOMPARE(env.boxes.size(), 1);
        QCOMPARE_BOX(env.boxes[0], kWrongValueText, 16, QStringLiteral("不能进行运算"));
        QCOMPARE(operators.size(), 1);
        // Both boxes are emptied for a password that can be kept, and the name stays.
        QVERIFY(w->Text2->text().isEmpty() && w->Text3->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), w->Text2);
        QCOMPARE(w->Text1->text(), QStringLiteral("ann"));
    }

    // The operator's own change of password keeps the same rule.
    g_CurUser = QStringLiteral("admin");
    qixin *change = shown(qixin::instance());
    enter(change->Text1, password, false);
    enter(change->Text2, password, false);
    env.clearBoxes();
    const QString adminBefore = LoadOperators().value(0).password;
    QTest::mouseClick(change->cmdOK, Qt::LeftButton);
    operators = LoadOperators();
    QCOMPARE(operators[0].password, storable ? password : adminBefore);
    QCOMPARE(env.boxes.size(), storable ? 0 : 1);
}

QTEST_MAIN(TestTypedTexts)
#include "tst_typedtexts.moc"
