// The date pickers of every window: a typed date that does not exist is refused with the wrong-value
// message, however it is typed, and the picker keeps its date without reporting a change; a real date
// is taken as typed.

#include "app/BoxHelpers.h"
#include "app/Globals.h"
#include "app/TypedDate.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/frmManager.h"
#include "reports/Frmbook.h"
#include "reports/frmSearchForm.h"
#include "tests/common/TestSupport.h"

#include <QClipboard>
#include <QDateEdit>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace tv;
using tv::test::TestEnv;

namespace {

const QString kWrongValue = QStringLiteral("数据类型不对，请修改！");

// The journal's trade-entry panel open on 招商银行; its date's change runs the panel's balances again.
frmManager *openEntryPanel(TestEnv &env)
{
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        test::AddSecurity(db, QStringLiteral("招商银行"), QStringLiteral("600036"), 10.5);
    }
    frmManager *w = test::OpenManager(QStringLiteral("招商银行"));
    w->munaddqix_Click();
    QCoreApplication::processEvents();
    return w;
}

// The picker at `start`, focused at its year as a click there leaves it, then typed into; the refusal,
// if any, comes once the typing is over.
void typeInto(QDateEdit *picker, const QDate &start, const std::function<void(QDateEdit *)> &typing)
{
    picker->setDate(start);
    QLineEdit *edit = picker->findChild<QLineEdit *>();
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(4, edit->height() / 2));
    QCoreApplication::processEvents();
    typing(picker);
    QCoreApplication::processEvents();
}

void inSection(QDateEdit *p, QDateTimeEdit::Section section, const char *keys)
{
    p->setSelectedSection(section);
    QTest::keyClicks(p, QString::fromLatin1(keys));
}

void overAll(QDateEdit *p, const char *keys)
{
    p->selectAll();
    QTest::keyClicks(p, QString::fromLatin1(keys));
}

void commit(QDateEdit *p, const QString &text)
{
    p->selectAll();
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(p->findChild<QLineEdit *>(), &event);
}

// A picker of its own as each window builds them, in a window of its own with a box to move on to.
struct Picker
{
    QWidget window;
    QDateEdit *picker = NewDatePicker(&window, QStringLiteral("DTPicker1"), QStringLiteral("标题"));
    QLineEdit *next = new QLineEdit(&window);
    Picker()
    {
        auto *layout = new QHBoxLayout(&window);
        layout->addWidget(picker);
        layout->addWidget(next);
        window.show();
        window.activateWindow();
    }
};

struct Typing
{
    const char *what;
    QDate start;
    std::function<void(QDateEdit *)> typing;
};

// Each way of typing 2026-02-30, 2026-04-31, 2026-02-29 or 2026-13-01 that Qt would take as another day.
QList<Typing> noSuchDates()
{
    using S = QDateTimeEdit;
    return {
        {"30 into February's day", {2026, 2, 10}, [](QDateEdit *p) { inSection(p, S::DaySection, "30"); }},
        {"the day rubbed out, 30",
         {2026, 2, 10},
         [](QDateEdit *p) {
             QTest::keyClick(p, Qt::Key_End);
             QTest::keyClick(p, Qt::Key_Backspace);
             QTest::keyClick(p, Qt::Key_Backspace);
             QTest::keyClicks(p, QStringLiteral("30"));
         }},
        {"the whole date", {2026, 2, 10}, [](QDateEdit *p) { overAll(p, "2026-02-30"); }},
        {"a month of one digit", {2026, 2, 10}, [](QDateEdit *p) { overAll(p, "2026-2-30"); }},
        {"February under the 30th", {2026, 1, 30}, [](QDateEdit *p) { inSection(p, S::MonthSection, "02"); }},
        {"April's 31st", {2026, 4, 10}, [](QDateEdit *p) { inSection(p, S::DaySection, "31"); }},
        {"a year without the 29th",
         {2024, 2, 29},
         [](QDateEdit *p) { inSection(p, S::YearSection, "2026"); }},
        {"month 13", {2026, 2, 10}, [](QDateEdit *p) { overAll(p, "2026-13-01"); }},
        {"a paste",
         {2026, 2, 10},
         [](QDateEdit *p) {
             QGuiApplication::clipboard()->setText(QStringLiteral("2026-02-30"));
             p->selectAll();
             QTest::keyClick(p, Qt::Key_V, Qt::ControlModifier);
         }},
        {"an input method's commit",
         {2026, 2, 10},
         [](QDateEdit *p) { commit(p, QStringLiteral("2026-02-30")); }},
    };
}

} // namespace

class TestDatePickers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void typedTexts();
    void noSuchDateRefused();
    void tradeEntryRefuses();
    void realDatesTaken();
    void everyWindowsPickers();
};

void TestDatePickers::typedTexts()
{
    const struct
    {
        const char *text;
        bool done;
        TypedDate::Kind kind;
        QDate date;
    } cases[] = {
        {"2026-02-28", false, TypedDate::Real, {2026, 2, 28}},
        {" 2024-02-29 ", false, TypedDate::Real, {2024, 2, 29}},
        {"2026-02-30", false, TypedDate::NoSuchDate, {}},
        {"2026-02-29", false, TypedDate::NoSuchDate, {}},
        {"2026-13-01", false, TypedDate::NoSuchDate, {}},
        {"2026-04-00", false, TypedDate::NoSuchDate, {}},
        {"2026-00-10", false, TypedDate::NoSuchDate, {}},
        {"2026-02-3", false, TypedDate::Partial, {}}, // a 30th or 31st may follow
        {"2026-02-3", true, TypedDate::Real, {2026, 2, 3}},
        {"2026-02-4", false, TypedDate::Real, {2026, 2, 4}}, // no day begins 4x
        {"2026-4-31", false, TypedDate::NoSuchDate, {}},
        {"2026-1-10", false, TypedDate::Partial, {}}, // the 10th to 12th month may follow
        {"2026-1-10", true, TypedDate::Real, {2026, 1, 10}},
        {"202-02-10", true, TypedDate::Partial, {}},
        {"2026-02-", true, TypedDate::Partial, {}},
        {"2026/02/10", false, TypedDate::Other, {}},
        {"2", false, TypedDate::Other, {}},
    };
    for (const auto &c : cases) {
        const TypedDate t = JudgeTypedDate(QString::fromLatin1(c.text), c.done);
        QVERIFY2(t.kind == c.kind, c.text);
        QCOMPARE(t.date, c.date);
    }
}

void TestDatePickers::noSuchDateRefused()
{
    TestEnv env;
    for (const Typing &t : noSuchDates()) {
        env.clearBoxes();
        Picker p;
        QSignalSpy changed(p.picker, &QDateEdit::dateChanged);
        typeInto(p.picker, t.start, [&](QDateEdit *picker) {
            changed.clear();
            t.typing(picker);
        });
        QVERIFY2(changed.isEmpty(), t.what);
        QCOMPARE(p.picker->date(), t.start);
        QCOMPARE(p.picker->text(), t.start.toString(QStringLiteral("yyyy-MM-dd")));
        QVERIFY2(env.boxes.size() == 1, t.what);
        QCOMPARE_BOX(env.boxes[0], kWrongValue, 16, "标题");
    }
}

// The journal's entry panel reopens its balances when its date changes: a refused date reopens nothing.
void TestDatePickers::tradeEntryRefuses()
{
    TestEnv env;
    frmManager *w = openEntryPanel(env);
    QDateEdit *picker = w->DTPicker1;
    typeInto(picker, {2026, 1, 30}, [](QDateEdit *) {});
    QSignalSpy changed(picker, &QDateEdit::dateChanged);
    typeInto(picker, {2026, 1, 30}, [](QDateEdit *p) { inSection(p, QDateTimeEdit::MonthSection, "02"); });
    QVERIFY(changed.isEmpty());
    QCOMPARE(picker->date(), QDate(2026, 1, 30));
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], kWrongValue, 16, "不能进行运算");
}

// Typing that Qt alone gets wrong or that the refusal must leave alone.
void TestDatePickers::realDatesTaken()
{
    using S = QDateTimeEdit;
    TestEnv env;
    const QList<std::pair<Typing, QDate>> cases = {
        {{"the whole date", {2026, 2, 10}, [](QDateEdit *p) { overAll(p, "2026-03-15"); }}, {2026, 3, 15}},
        {{"the 3rd of February, Enter",
          {2026, 2, 10},
          [](QDateEdit *p) {
              inSection(p, S::DaySection, "3");
              QTest::keyClick(p, Qt::Key_Return);
          }},
         {2026, 2, 3}},
        {{"the 3rd, leaving by Tab",
          {2026, 2, 10},
          [](QDateEdit *p) {
              inSection(p, S::DaySection, "3");
              QTest::keyClick(p, Qt::Key_Tab);
          }},
         {2026, 2, 3}},
        {{"month 4 moves on to the day",
          {2026, 1, 10},
          [](QDateEdit *p) { inSection(p, S::MonthSection, "420"); }},
         {2026, 4, 20}},
        // Qt alone keeps the day of the old date when a commit replaces a date edited in its day.
        {{"a commit after an edit of the day",
          {2026, 2, 10},
          [](QDateEdit *p) {
              inSection(p, S::DaySection, "12");
              commit(p, QStringLiteral("2026-05-06"));
          }},
         {2026, 5, 6}},
        // A step is no typing: the month's last day, as Qt gives it.
        {{"Up in the month of the 31st",
          {2026, 1, 31},
          [](QDateEdit *p) {
              p->setSelectedSection(S::MonthSection);
              QTest::keyClick(p, Qt::Key_Up);
          }},
         {2026, 2, 28}},
    };
    for (const auto &[t, expected] : cases) {
        Picker p;
        typeInto(p.picker, t.start, t.typing);
        QVERIFY2(p.picker->date() == expected, t.what);
        QVERIFY2(env.boxes.isEmpty(), t.what);
    }
}

// The query window's and the notebook's pickers refuse as the journal's does, under their own title.
void TestDatePickers::everyWindowsPickers()
{
    TestEnv env;
    frmManager *m = openEntryPanel(env);
    m->MnuSearchFile_Click();
    QCoreApplication::processEvents();
    frmSearchForm *q = frmSearchForm::existing();
    QVERIFY(q);
    QList<QDateEdit *> pickers = {q->DTPicker1, q->DTPicker2, q->DTPicker3, q->DTPicker4};
    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("frmbook"));
    QCoreApplication::processEvents();
    Frmbook *b = Frmbook::existing();
    QVERIFY(b);
    pickers << b->DTPicker1 << b->DTPicker2 << b->DTPicker3 << b->DTPicker4;
    for (QDateEdit *picker : pickers) {
        picker->window()->activateWindow();
        picker->show(); // the condition's date shows only for 交收日期
        env.clearBoxes();
        QSignalSpy changed(picker, &QDateEdit::dateChanged);
        typeInto(picker, {2026, 2, 10}, [&](QDateEdit *p) {
            changed.clear();
            overAll(p, "2026-02-30");
        });
        QVERIFY2(changed.isEmpty(), qPrintable(picker->objectName()));
        QCOMPARE(picker->date(), QDate(2026, 2, 10));
        QVERIFY2(env.boxes.size() == 1, qPrintable(picker->objectName()));
        QCOMPARE_BOX(env.boxes[0], kWrongValue, 16, "不能进行查询");
    }
}

QTEST_MAIN(TestDatePickers)
#include "tst_datepickers.moc"
