// Texts another program wrote into the shared file, exported from every window that exports: the query
// window's trade list, the manager's trade grid and the notebook. Each sheet is well-formed XML and its
// cells read as the grid shows them.

#include "app/Globals.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "journal/TradeGrid.h"
#include "journal/frmManager.h"
#include "reports/Frmbook.h"
#include "reports/frmSearchForm.h"
#include "tests/common/TestSupport.h"
#include "tests/reports/ReportsFixture.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <functional>
#include <sqlite3.h>

using namespace tv;
using tv::test::TestEnv;

namespace {

// "AZ\uDC00" as the old program stored it: a surrogate encoded on its own.
const QByteArray kName("AZ\xED\xB0\x80");
// Bytes no UTF-8 has, a control character, U+FFFE, a text that reads as an escape and a character
// cut short at the end.
const QByteArray kContract("HT\xFF\xFE-\x01\xEF\xBF\xBE_x0041_\xE8\xAF");
const QByteArray kNote = kContract + "\xEF\xBF\xBF|\x1F";

// One statement with its texts bound as the bytes they are, past every check of the program.
void writeBytes(const char *sql, const QList<QByteArray> &texts)
{
    sqlite3 *h = nullptr;
    QCOMPARE(sqlite3_open(g_DbPath.toUtf8().constData(), &h), SQLITE_OK);
    sqlite3_stmt *st = nullptr;
    QCOMPARE(sqlite3_prepare_v2(h, sql, -1, &st, nullptr), SQLITE_OK);
    for (int i = 0; i < texts.size(); ++i)
        sqlite3_bind_text(st, i + 1, texts[i].constData(), int(texts[i].size()), SQLITE_TRANSIENT);
    QCOMPARE(sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    sqlite3_close(h);
}

// One security named kName with two trades whose contract numbers are kContract, and a snapshot of
// today noted kNote.
void makeJournal(TestEnv &env)
{
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        test::AddIndexRow(db);
        test::AddDetail(db, QStringLiteral("浦发银行"), QStringLiteral("600000"), 10.5);
        test::AddRep(db, {"600000", "证券买入", "2026-12-05", 10, 500, 500, 5000, 95000});
        test::AddRep(db, {"600000", "证券卖出", "2026-12-08", 11, 200, 300, 2200, 97200});
        db.execute(
            QStringLiteral("INSERT INTO qixst (资金余额, 证券市值, 资产总值, 日期, 上证指数, 涨跌幅, 备注) "
                           "VALUES (97200, 3300, 100500, '2026-12-10', 3100.5, '-0.5%', 'x')"));
    }
    writeBytes("UPDATE Detail SET 证券名称 = ? WHERE 证券代码 = '600000'", {kName});
    writeBytes("UPDATE rep SET 合同号 = ?", {kContract});
    writeBytes("UPDATE qixst SET 备注 = ?", {kNote});
}

QString cellRef(int row, int column)
{
    return QChar(u'A' + column) + QString::number(row);
}

// The last workbook opened: its sheet rows from `firstRow` on hold grid rows 0 to rows - 1, read as the
// grid shows them, and `marked` names a grid cell that shows U+FFFD for the bytes it could not read.
void verifySheet(const TestEnv &env, int firstRow, int rows, int columns,
                 const std::function<QString(int, int)> &shown, QPoint marked)
{
    QVERIFY(!env.openedUrls.isEmpty());
    const QString path = env.openedUrls.last().toLocalFile();
    const QMap<QString, QString> sheet = test::XlsxCells(path);
    QVERIFY(!sheet.isEmpty());
    QVERIFY(shown(marked.y(), marked.x()).contains(QChar(0xFFFD)));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            QCOMPARE(sheet.value(cellRef(firstRow + r, c)), shown(r, c));
    QFile::remove(path);
}

} // namespace

class TestExportTexts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void queryWindow();
    void managerGrid();
    void notebook();
};

void TestExportTexts::queryWindow()
{
    TestEnv env;
    makeJournal(env);
    test::OpenManager()->MnuSearchFile_Click();
    QCoreApplication::processEvents();
    frmSearchForm *w = frmSearchForm::existing();
    QTest::mouseClick(w->TabStrip1, Qt::LeftButton, {}, w->TabStrip1->tabRect(1).center());
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(w->gridRow, 3);
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(w->windowTitle(), QStringLiteral("添加2记录"));
    // Name and contract number as the grid shows them.
    QCOMPARE(w->gridText(1, 0), QString::fromUtf8(kName));
    QCOMPARE(w->gridText(1, 14), QString::fromUtf8(kContract));
    verifySheet(env, 1, w->gridRow, w->gridModel()->columnCount(),
                [w](int r, int c) { return w->gridText(r, c); }, {14, 1});
}

void TestExportTexts::managerGrid()
{
    TestEnv env;
    makeJournal(env);
    // A security is loaded by its name, which the manager cannot find where it is no UTF-8.
    const QString name = QStringLiteral("浦发银行");
    writeBytes("UPDATE Detail SET 证券名称 = ? WHERE 证券代码 = '600000'", {name.toUtf8()});
    frmManager *w = test::OpenManager(name);
    QVERIFY(w->Command1->isVisible());
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QVERIFY(env.boxes.isEmpty());
    QCOMPARE(w->windowTitle(), QStringLiteral("添加3记录"));
    int contract = -1;
    for (int c = 0; c < kGridColumns; ++c)
        if (w->gridText(1, c).startsWith(QLatin1String("HT")))
            contract = c;
    QVERIFY(contract >= 0);
    // Row 1 of the sheet is the head row of name and code; the grid follows from row 2.
    const QMap<QString, QString> head = test::XlsxCells(env.openedUrls.last().toLocalFile());
    QCOMPARE(head.value(QStringLiteral("B1")), name);
    verifySheet(env, 2, 4, kGridColumns, [w](int r, int c) { return w->gridText(r, c); }, {contract, 1});
}

void TestExportTexts::notebook()
{
    TestEnv env;
    makeJournal(env);
    frmMain *m = frmMain::instance();
    m->show();
    QApplication::setActiveWindow(m);
    m->Toolbar1_ButtonClick(QStringLiteral("frmbook"));
    QCoreApplication::processEvents();
    Frmbook *w = Frmbook::existing();
    const TextGrid grid = w->gridModel()->grid();
    QCOMPARE(grid.text(1, 6), QString::fromUtf8(kNote));
    // By the keyboard this time.
    w->Command6->setFocus();
    QTest::keyClick(w->Command6, Qt::Key_Space);
    QVERIFY(env.boxes.isEmpty());
    verifySheet(env, 1, grid.rowCount(), grid.columnCount(),
                [&grid](int r, int c) { return grid.text(r, c); }, {6, 1});
}

QTEST_MAIN(TestExportTexts)
#include "tst_exporttexts.moc"
