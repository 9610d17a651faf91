// The boxes the query window, the notebook and the journal write figures into: each figure shows from its first digit
// and whole, up to a 13-digit amount with cents.

#include "app/BoxHelpers.h"
#include "app/Globals.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/frmManager.h"
#include "reports/Frmbook.h"
#include "reports/frmSearchForm.h"
#include "tests/common/TestSupport.h"
#include "tests/quotes/WatchFixture.h"
#include "tests/reports/ReportsFixture.h"

#include <QDateEdit>
#include <QImage>
#include <QLineEdit>
#include <QTabBar>
#include <QTest>

using namespace tv;
using tv::test::AddDetail;
using tv::test::AddIndexRow;
using tv::test::AddRep;
using tv::test::TestEnv;

namespace {

// The box holds the text with its caret at the start, and moving the caret to the end scrolls nothing:
// the whole text is in view.
void verifyWhole(QLineEdit *box, const QString &text)
{
    QCOMPARE(box->text(), text);
    QCOMPARE(box->cursorPosition(), 0);
    const QImage start = box->grab().toImage();
    box->setCursorPosition(int(text.size()));
    const bool same = box->grab().toImage() == start;
    box->setCursorPosition(0);
    QVERIFY2(same, qPrintable(box->objectName() + QStringLiteral(" cuts ") + text));
}

} // namespace

class TestFigureBoxes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void totalsCountsAndResults();
    void journalProfit();
};

// A cash balance of 2694991844384.49 and a day whose flow is -1234567890123.45.
void TestFigureBoxes::totalsCountsAndResults()
{
    TestEnv env;
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        AddIndexRow(db);
        AddDetail(db, "浦发银行", "600000", 11);
        AddRep(db, {"600000", "银行转券商", "2026-12-08", 0, 0, 0, 0, 2694991844384.49, 0, 0, 0, 0,
                    -1234567890123.45});
    }
    frmSearchForm *q = test::openQuery();
    verifyWhole(q->Text3, QStringLiteral("2694991844384.49"));
    verifyWhole(q->Text2, QStringLiteral("0"));
    q->Text3->setText(kWidestFigure);
    verifyWhole(q->Text3, kWidestFigure);
    q->Text2->setText(kWidestCount);
    verifyWhole(q->Text2, kWidestCount);

    frmMain::instance()->Toolbar1_ButtonClick(QStringLiteral("frmbook"));
    QCoreApplication::processEvents();
    Frmbook *b = Frmbook::existing();
    QVERIFY(b);
    verifyWhole(b->Text3, QStringLiteral("0"));
    b->Text3->setText(kWidestCount);
    verifyWhole(b->Text3, kWidestCount);
    b->DTPicker4->setDate(QDate(2026, 12, 8));
    QTest::mouseClick(b->TabStrip1, Qt::LeftButton, {}, b->TabStrip1->tabRect(2).center());
    verifyWhole(b->Text4, kWidestFigure);
}

// The journal's profit or loss of one holding of 1 at 2694991844384.49.
void TestFigureBoxes::journalProfit()
{
    TestEnv env;
    env.makeDatabase();
    g_UserRight = QStringLiteral("超级权限");
    {
        Database db(g_DbPath, g_DbConnect);
        AddIndexRow(db);
        AddDetail(db, "浦发银行", "600000", 2694991844384.49);
        AddRep(db, {"600000", "证券买入", "2026-12-08", 0, 1, 1, 0, 0, 0, 0, 0, 0, 0});
    }
    frmManager *w = test::OpenManager(QStringLiteral("浦发银行"));
    QVERIFY(w);
    verifyWhole(w->txtFields[6], QStringLiteral("2694991844384.49"));
    w->txtFields[6]->setText(kWidestFigure);
    verifyWhole(w->txtFields[6], kWidestFigure);
}

QTEST_MAIN(TestFigureBoxes)
#include "tst_figureboxes.moc"
