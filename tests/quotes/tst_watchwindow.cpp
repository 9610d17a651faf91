// The watch window against the local quote server, opened from a query window whose holdings analysis
// filled the watch list: opening, the refresh with its colours and alerts, the alert mail through the
// recording transport, save and return, the alert points dialog and the mailbox dialog.

#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/VbCompat.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "data/Settings.h"
#include "journal/frmManager.h"
#include "quotes/AlertMail.h"
#include "quotes/frmemail.h"
#include "quotes/frmnow.h"
#include "quotes/frmobject.h"
#include "reports/frmSearchForm.h"
#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuoteService.h"
#include "tests/common/TestSupport.h"
#include "tests/quotes/WatchFixture.h"
#include "tests/reports/ReportsFixture.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <algorithm>

using namespace tv;
using namespace tv::test;

namespace {

// 11.00, rising a little, for the holdings of makeHoldings, then `others`.
QList<Quote> quietHoldings(int n, const QList<Quote> &others)
{
    QList<Quote> quotes;
    for (int i = 1; i <= n; ++i)
        quotes.append({QString::number(600000 + i), QStringLiteral("11.00"), QStringLiteral("0.50%")});
    return quotes + others;
}

// "date|price|change" of a Detail row.
QString stored(const QString &code)
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet rs =
        db.openQuery("SELECT 更新日期, 市场价格, 涨跌幅 FROM Detail WHERE 证券代码 = ?", {code});
    return QStringList{rs.text(0, 0), rs.text(0, 1), rs.text(0, 2)}.join(u'|');
}

QStringList gridRow(const frmnow *w, int row)
{
    return {w->gridText(row, 0), w->gridText(row, 1), w->gridText(row, 2)};
}

QPoint rowPoint(const frmnow *w, int row)
{
    return w->MS1->visualRect(w->MS1->model()->index(row - 1, 0)).center();
}

// Lets `open` open the alert points dialog and runs `act` on it once it is up; false when it never came.
bool withPointsDialog(const std::function<void()> &open, const std::function<void(frmobject *)> &act)
{
    bool ran = false, opened = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        if (frmobject *d = frmobject::existing()) {
            opened = true;
            act(d);
            if (frmobject::existing())
                d->close();
        }
    });
    open();
    if (!ran)
        QCoreApplication::processEvents();
    return opened;
}

QString subjectOf(const QByteArray &mail)
{
    static const QRegularExpression word(QStringLiteral("=\\?UTF-8\\?B\\?([A-Za-z0-9+/=]*)\\?="));
    QByteArray text;
    for (const QRegularExpressionMatch &w :
         word.globalMatch(QString::fromLatin1(mail.left(mail.indexOf("\n\n")))))
        text += QByteArray::fromBase64(w.captured(1).toLatin1());
    return QString::fromUtf8(text);
}

QStringList headerNames(const QByteArray &mail)
{
    QStringList names;
    for (const QByteArray &line : mail.left(mail.indexOf("\n\n")).split('\n'))
        if (!line.startsWith(' '))
            names << QString::fromLatin1(line.left(line.indexOf(':')));
    return names;
}

uint bgr(const QColor &c)
{
    return c.isValid() ? uint(c.red() | c.green() << 8 | c.blue() << 16) : 0xFFFFFFFFu;
}

} // namespace

class TestWatchWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensOverTheIndexAlone();
    void opensOverTheHoldings();
    void refresh_data();
    void refresh();
    void mailsOncePerArming();
    void switchedOffSendsNothing();
    void rowThirtyHasItsOwnFlag();
    void failingTransportClearsTheFlag();
    void mailCannotBeSteeredByAQuote();
    void saveWritesOnlyFetchedRows();
    void saveDuringAFetch();
    void closeBoxSavesAndReturns();
    void failedSaveStillReturns();
    void positionMemory();
    void alertPointsOfTheIndexRow();
    void alertPointsRearm();
    void alertPointsFailures();
    void mailboxDialog();
    void slowTransportFreezesNothing();
    void addressesCheckedWhereTyped_data();
    void addressesCheckedWhereTyped();
    void pickedRowShowsItsAlert();
};

void TestWatchWindow::opensOverTheIndexAlone()
{
    TestEnv env;
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        AddIndexRow(db);
        AddRep(db, {{}, "银行转券商", "2026-12-01", 0, 0, 0, 5000, 5000.5});
    }
    frmnow *w = openWatch();
    QVERIFY(w);
    QVERIFY(w->isVisible() && w->isWindow() && !w->parentWidget());
    QVERIFY(!frmMain::existing()->isVisible());
    QCOMPARE(w->MS1->model()->rowCount(), 2); // with the header: three rows
    QCOMPARE(gridRow(w, 0), (QStringList{"证券名称", "最新行情", "涨跌幅"}));
    QCOMPARE(gridRow(w, 1), (QStringList{"上证指数", "3100.5", "-0.5%"}));
    QCOMPARE(gridRow(w, 2), (QStringList{"资产总额", "0", "5000.5"}));
    QCOMPARE(bgr(w->cellTextColour(1, 1)), 0x00C000u);
    QCOMPARE(bgr(w->cellTextColour(1, 2)), 0x00C000u);
    QCOMPARE(w->MS1->selectionModel()->selectedRows().value(0).row(), 1); // the totals row
    QCOMPARE(w->MS1->toolTip(), QStringLiteral("双击可以修改！"));
    QCOMPARE(w->MS1->columnWidth(0), 66);
    QCOMPARE(w->MS1->columnWidth(2), 86);
    QCOMPARE(w->MS1->model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignHCenter,
             int(Qt::AlignHCenter));
    // Height: three rows of 20 pixels plus 10 twips each, and the panel strip.
    QCOMPARE(w->fullHeight, 3 * (300 + 10) + 600);
    QCOMPARE(w->height(), TwipsToPx(w->fullHeight));
    // The panel's buttons from left to right: 0, 4, 1, 3, 5, 2.
    QList<int> order;
    for (int i = 0; i < 6; ++i)
        order << i;
    std::sort(order.begin(), order.end(),
              [w](int a, int b) { return w->Command1[a]->x() < w->Command1[b]->x(); });
    QCOMPARE(order, (QList<int>{0, 4, 1, 3, 5, 2}));
    QVERIFY(w->Picture1->isVisible());
    QCOMPARE(w->Timer1->interval(), 500);
    QCOMPARE(w->Timer2->interval(), 30000);
    QVERIFY(w->Timer1->isActive() && w->Timer2->isActive());
    QVERIFY(!g_TickerDocked);
}

void TestWatchWindow::opensOverTheHoldings()
{
    TestEnv env;
    makeJournal(env);
    // A price that is no number does not stop the opening: it shows as it is and opens at 0.
    DbExec("UPDATE Detail SET 市场价格 = '停牌' WHERE 证券代码 = '000002'");
    frmnow *w = openWatch();
    QVERIFY(w);
    QCOMPARE(w->holdings(), 3);
    QCOMPARE(gridRow(w, 2), (QStringList{"浦发银行", "11", "1.2%"}));
    QCOMPARE(gridRow(w, 3), (QStringList{"万科A", "停牌", "-0.8%"}));
    QCOMPARE(gridRow(w, 4), (QStringList{"富国天惠", "2.1", "0.2%"}));
    QCOMPARE(gridRow(w, 5), (QStringList{"资产总额", "10900", "1232959.89"}));
    QCOMPARE(w->openPrice[2], 11.0);
    QCOMPARE(w->openPrice[3], 0.0);
    QCOMPARE(bgr(w->cellTextColour(2, 1)), 0x8080FFu);
    QCOMPARE(bgr(w->cellTextColour(3, 2)), 0x00C000u);
    QVERIFY(!w->cellBackColour(2, 1).isValid()); // the grid's own until the first refresh
    QCOMPARE(g_WatchQty[2], 800.0);
    QCOMPARE(g_WatchQty[1], 0.0);
}

void TestWatchWindow::refresh_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<uint>("text");
    QTest::addColumn<uint>("back");
    QTest::addColumn<bool>("alert");

    const uint red = 0x0000FF, lightGreen = 0x80FF80, grey = 0xE0E0E0, lightRed = 0x8080FF, green = 0x00C000;
    const auto add = [](const char *name, int row, const char *price, const char *change,
                        const QStringList &shown, uint text, uint back, bool alert) {
        QTest::newRow(name) << row << QString(price) << QString(change) << shown << text << back << alert;
    };
    // 浦发银行 is row 2 (target 12, stop 9, opened at 11); the index is row 1 (target 10000, stop 5000).
    add("rising at its target", 2, "12.00", "1.00%", {"12", "1.00%"}, lightRed, grey, false);
    add("a cent above its target", 2, "12.01", "1.00%", {"12.01", "1.00%"}, lightRed, red, true);
    add("falling at its stop", 2, "9.00", "-1.00%", {"9", "-1.00%"}, green, grey, false);
    add("a cent below its stop", 2, "8.99", "-1.00%", {"8.99", "-1.00%"}, green, lightGreen, true);
    add("falling far above its target", 2, "50.00", "-2.00%", {"50", "-2.00%"}, green, grey, false);
    add("rising far below its stop", 2, "1.00", "2.00%", {"1", "2.00%"}, lightRed, grey, false);
    add("a zero price", 2, "0.00", "-3.00%", {"11", "0"}, lightRed, grey, false);
    add("no number", 2, "--", "-3.00%", {"11", "0"}, lightRed, grey, false);
    add("the index above its own target", 1, "10000.01", "0.10%", {"10000.01", "0.10%"}, lightRed, red, true);
    add("the index below its own stop", 1, "4999.99", "-9.00%", {"4999.99", "-9.00%"}, green, lightGreen,
        true);
}

void TestWatchWindow::refresh()
{
    QFETCH(int, row);
    QFETCH(QString, price);
    QFETCH(QString, change);
    QFETCH(QStringList, shown);
    QFETCH(uint, text);
    QFETCH(uint, back);
    QFETCH(bool, alert);

    OneHolding t(row == 1 ? QList<Quote>{{"shzs000001", price, change}, {"600000", "11.50", "0.50%"}}
                          : QList<Quote>{{"600000", price, change}},
                 "1");
    QVERIFY(t.w);
    TestEnv &env = t.env;
    frmnow *w = t.w;
    w->hide(); // an alert brings the window back
    w->Timer2_Timer();

    QCOMPARE(gridRow(w, row).mid(1), shown);
    QCOMPARE(bgr(w->cellTextColour(row, 1)), text);
    QCOMPARE(bgr(w->cellTextColour(row, 2)), text);
    QCOMPARE(bgr(w->cellBackColour(row, 1)), back);
    QCOMPARE(bgr(w->cellBackColour(row, 2)), back);
    QCOMPARE(bgr(w->cellBackColour(row == 1 ? 2 : 1, 1)), 0xE0E0E0u);
    QCOMPARE(w->isVisible(), alert);
    QCOMPARE(env.mails().size(), alert ? 1 : 0);
    QCOMPARE(g_AlertArmed[row], !alert);
    QVERIFY(env.boxes.isEmpty());
    QVERIFY(g_Idle);
    // The market value counts each row by its quantity; the index has none.
    const double holding = Val(w->gridText(2, 1));
    QCOMPARE(w->gridText(3, 1), DoubleText(800 * holding));
    QCOMPARE(w->gridText(3, 2), DoubleText(1224959.89 + 800 * holding));
    QCOMPARE(g_TotalAssets, 1224959.89 + 800 * holding);
}

void TestWatchWindow::mailsOncePerArming()
{
    OneHolding t({{"600000", "12.01", "1.00%"}}, "1");
    QVERIFY(t.w);
    TestEnv &env = t.env;
    frmnow *w = t.w;
    w->Timer2_Timer();
    w->Timer2_Timer(); // the same breach again: coloured, shown, not mailed
    QCOMPARE(env.mails().size(), 1);
    QCOMPARE(bgr(w->cellBackColour(2, 1)), 0x0000FFu);
    QCOMPARE(subjectOf(env.mails()[0]), QStringLiteral("浦发银行；股价12.01；涨跌幅1.00%"));
    QVERIFY(env.mails()[0].startsWith("To: alerts@example.com\n"));
    QCOMPARE(env.mailArguments(0), QStringList{"-t"});

    // Confirming the mailbox in between arms the row again.
    w->Command1[5]->click();
    frmemail *mailbox = frmemail::existing();
    QVERIFY(mailbox && mailbox->isVisible());
    QCOMPARE(mailbox->Text1->text(), kAddress);
    QVERIFY(mailbox->Check1->isChecked());
    mailbox->Command1->click();
    QVERIFY(!frmemail::isLoaded());
    w->Timer2_Timer();
    QCOMPARE(env.mails().size(), 2);
}

void TestWatchWindow::switchedOffSendsNothing()
{
    OneHolding t({{"600000", "8.50", "-2.00%"}}, "0");
    QVERIFY(t.w);
    TestEnv &env = t.env;
    frmnow *w = t.w;
    w->hide();
    w->Timer2_Timer();
    QVERIFY(w->isVisible());
    QCOMPARE(bgr(w->cellBackColour(2, 2)), 0x80FF80u);
    QVERIFY(env.mails().isEmpty());
}

void TestWatchWindow::rowThirtyHasItsOwnFlag()
{
    TestEnv env;
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        AddIndexAndHoldings(db, 29);
    }
    setMailbox(kAddress, "1");
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    serve(server, quietHoldings(29, {{"600029", "12.50", "2.00%"}}));
    frmnow *w = openWatch();
    QVERIFY(w);
    QCOMPARE(w->gridText(30, 0), QStringLiteral("证券29"));
    w->Timer2_Timer();
    QCOMPARE(env.mails().size(), 1);
    QVERIFY(g_AlertsOn);
    // Row 30's mail took its own flag: the next row to breach still mails, row 30 does not again.
    serve(server, quietHoldings(29, {{"600029", "12.50", "2.00%"}, {"600001", "8.00", "-3.00%"}}));
    w->Timer2_Timer();
    QCOMPARE(env.mails().size(), 2);
    QCOMPARE(subjectOf(env.mails()[1]), QStringLiteral("证券1；股价8；涨跌幅-3.00%"));
}

void TestWatchWindow::failingTransportClearsTheFlag()
{
    OneHolding t({{"600000", "12.01", "1.00%"}}, "1");
    QVERIFY(t.w);
    TestEnv &env = t.env;
    env.setMailFails(true);
    frmnow *w = t.w;
    w->Timer2_Timer();
    QCOMPARE(env.mails().size(), 1); // tried once
    QVERIFY(!g_AlertArmed[2]);
    QVERIFY(env.boxes.isEmpty());
    w->Timer2_Timer();
    QCOMPARE(env.mails().size(), 1);
}

void TestWatchWindow::mailCannotBeSteeredByAQuote()
{
    OneHolding t({{"600000", "12.01", "1.00%\r\nBcc: evil@example.com"}}, "1");
    QVERIFY(t.w);
    TestEnv &env = t.env;
    frmnow *w = t.w;
    w->Timer2_Timer();
    QCOMPARE(env.mails().size(), 1);
    QCOMPARE(headerNames(env.mails()[0]),
             (QStringList{"To", "Subject", "MIME-Version", "Content-Type", "Content-Transfer-Encoding"}));
    QCOMPARE(subjectOf(env.mails()[0]),
             QStringLiteral("浦发银行；股价12.01；涨跌幅1.00%\r\nBcc: evil@example.com"));
}

void TestWatchWindow::saveWritesOnlyFetchedRows()
{
    TestEnv env;
    makeJournal(env);
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    serve(server, {{"600000", "12.01", " 1.00% "}, {"000002", "0.00", "-3.00%"}});
    frmSearchForm *query = openQuery();
    query->Command6_Click();
    frmnow *w = frmnow::existing();
    w->Timer2_Timer();
    QVERIFY(w->priceFetched(1) && w->priceFetched(2));
    QVERIFY(!w->priceFetched(3) && !w->priceFetched(4));
    w->Command1[2]->click();

    QVERIFY(!frmnow::isLoaded());
    QCOMPARE(stored("shzs000001"), QStringLiteral("2026-12-10|3100.5|0.50%"));
    QCOMPARE(stored("600000"), QStringLiteral("2026-12-10|12.01|1.00%"));
    // No quote, and a fund: what they store stays.
    QCOMPARE(stored("000002"), QStringLiteral("2026-12-09|8|-0.8%"));
    QCOMPARE(stored("k161005"), QStringLiteral("2026-12-09|2.1|0.2%"));
    // The main window is back, and the query window has the total to the cent.
    QVERIFY(frmMain::existing()->isVisible());
    QCOMPARE(query->Text3->text(), QStringLiteral("1234567.89"));
    QVERIFY(env.boxes.isEmpty());

    // A watch that never fetched (offline) writes nothing.
    env.now = env.now.addDays(1);
    query->Command6_Click();
    frmnow::existing()->Command1[2]->click();
    QVERIFY(!frmnow::isLoaded());
    QCOMPARE(DbCount("SELECT COUNT(*) FROM Detail WHERE 更新日期 = '2026-12-11'"), 0);
}

void TestWatchWindow::saveDuringAFetch()
{
    OneHolding t({{"600000", "12.01", "1.00%"}});
    QVERIFY(t.w);
    HttpServer &server = t.server;
    QPointer<frmnow> w = t.w;
    frmSearchForm *query = t.query;
    w->Timer2_Timer();

    // The next refresh's reply is held; save and return is pressed meanwhile.
    serve(server, {{"600000", "12.50", "2.00%"}});
    server.setHolding(true);
    bool openDuring = false, mainShownDuring = true;
    QString storedDuring;
    connect(&server, &HttpServer::requestReceived, &server, [&] {
        QTimer::singleShot(0, &server, [&] {
            w->Command1[2]->click();
            storedDuring = stored("600000");
            openDuring = frmnow::isLoaded();
            mainShownDuring = frmMain::existing()->isVisible();
            server.releaseHeld();
        });
    });
    w->Timer2_Timer();
    QCOMPARE(storedDuring, QStringLiteral("2026-12-10|12.01|1.00%"));
    QVERIFY(openDuring);
    QVERIFY(!mainShownDuring);
    // Closed once the reply was in, with the totals of that refresh.
    QVERIFY(!frmnow::isLoaded());
    QVERIFY(frmMain::existing()->isVisible());
    QCOMPARE(query->Text3->text(), QStringLiteral("1234959.89"));
}

void TestWatchWindow::closeBoxSavesAndReturns()
{
    OneHolding t({{"600000", "12.01", "1.00%"}});
    QVERIFY(t.w);
    TestEnv &env = t.env;
    frmSearchForm *query = t.query;
    frmnow::existing()->Timer2_Timer();
    frmnow::existing()->windowHandle()->close(); // as the close box or the window manager does
    QCoreApplication::processEvents();
    QVERIFY(!frmnow::isLoaded());
    QCOMPARE(stored("600000"), QStringLiteral("2026-12-10|12.01|1.00%"));
    QVERIFY(frmMain::existing()->isVisible());
    QCOMPARE(query->Text3->text(), QStringLiteral("1234567.89"));

    // The main window's unloading closes the watch without writing or showing anything; an unloading
    // the operator declines leaves it as it was, the close box still returning.
    env.now = env.now.addDays(1);
    query->Command6_Click();
    frmnow::existing()->Timer2_Timer();
    env.answers = {vbNo};
    QVERIFY(!frmMain::existing()->close());
    QVERIFY(frmnow::isLoaded());
    frmnow::existing()->windowHandle()->close();
    QCoreApplication::processEvents();
    QVERIFY(!frmnow::isLoaded());
    QVERIFY(frmMain::existing()->isVisible());
    QCOMPARE(DbCount("SELECT COUNT(*) FROM Detail WHERE 更新日期 = '2026-12-11'"), 2);
    DbExec("UPDATE Detail SET 更新日期 = '2026-12-09'");
    query->Command6_Click();
    frmnow::existing()->Timer2_Timer();
    frmMain::existing()->close();
    QVERIFY(!frmnow::isLoaded());
    QVERIFY(!frmMain::isLoaded());
    QCOMPARE(DbCount("SELECT COUNT(*) FROM Detail WHERE 更新日期 = '2026-12-11'"), 0);
}

void TestWatchWindow::failedSaveStillReturns()
{
    OneHolding t({{"600000", "12.01", "1.00%"}});
    QVERIFY(t.w);
    TestEnv &env = t.env;
    frmnow *w = t.w;
    w->Timer2_Timer();
    DbExec("CREATE TRIGGER refuse BEFORE UPDATE ON Detail WHEN NEW.证券代码 = '600000' "
           "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    w->Command1[2]->click();
    QCOMPARE(env.boxes.size(), 1);
    QVERIFY(env.boxes[0].text.startsWith("refused"));
    QCOMPARE(env.boxes[0].style, 16);
    QCOMPARE(env.boxes[0].title, QStringLiteral("错误"));
    QCOMPARE(stored("shzs000001"), QStringLiteral("0|3100.5|-0.5%")); // the index's write rolled back too
    QVERIFY(!frmnow::isLoaded());
    QVERIFY(frmMain::existing()->isVisible());
}

void TestWatchWindow::positionMemory()
{
    TestEnv env;
    makeJournal(env, true);
    SaveSetting(ExeAppName(), "frmnow", "Left", "1500");
    SaveSetting(ExeAppName(), "frmnow", "Top", "3000");
    frmnow *w = openWatch();
    QCOMPARE(w->pos(), QPoint(100, 200));
    w->move(150, 50);
    w->Command1[2]->click();
    QCOMPARE(GetSetting(ExeAppName(), "frmnow", "Left"), QStringLiteral("2250"));
    QCOMPARE(GetSetting(ExeAppName(), "frmnow", "Top"), QStringLiteral("750"));

    // Off every screen: at the corner, or the hidden main window would be out of reach.
    SaveSetting(ExeAppName(), "frmnow", "Left", "-90000");
    w = openWatch();
    QCOMPARE(w->pos(), QPoint(0, 0));
}

void TestWatchWindow::alertPointsOfTheIndexRow()
{
    OneHolding t({{"600000", "11.00", "0.50%"}}, "1");
    QVERIFY(t.w);
    TestEnv &env = t.env;
    frmnow *w = t.w;
    DbExec("UPDATE Detail SET 分析评论 = NULL WHERE 证券代码 = 'shzs000001'");

    // A right press on the index row: its Detail row, looked up by name.
    QStringList shown;
    bool modal = false, greyCode = false;
    QVERIFY(
        withPointsDialog([&] { QTest::mousePress(w->MS1->viewport(), Qt::RightButton, {}, rowPoint(w, 1)); },
                         [&](frmobject *d) {
                             modal = d->isModal() && QApplication::activeModalWidget() == d;
                             for (QLineEdit *box : d->Text1)
                                 shown << box->text();
                             shown << d->Text1_5->toPlainText();
                             greyCode = d->Text1[1]->isReadOnly() &&
                                        d->Text1[1]->palette().color(QPalette::Base) == VbColor(0xE0E0E0);
                             d->Text1[2]->clear(); // an empty target stores "0"
                             d->Text1[3]->setText("4800.5");
                             d->Text1_5->setPlainText("指数的目标");
                             d->Command1->click();
                         }));
    QVERIFY(modal);
    QVERIFY(greyCode);
    QCOMPARE(shown, (QStringList{"上证指数", "shzs000001", "10000", "5000", "3000", ""}));
    QCOMPARE(g_WatchRow, 1);
    QCOMPARE(LastStatusText(), QStringLiteral("更新完毕！"));
    {
        Database db(g_DbPath, g_DbConnect);
        const RowSet rs =
            db.openQuery("SELECT 目标价, 止损位, 买入点, 分析评论 FROM Detail WHERE 证券代码 = 'shzs000001'");
        QCOMPARE((QStringList{rs.text(0, 0), rs.text(0, 1), rs.text(0, 2), rs.text(0, 3)}),
                 (QStringList{"0", "4800.5", "3000", "指数的目标"}));
    }
    QCOMPARE(g_WatchTarget[1], 0.0);
    QCOMPARE(g_WatchStop[1], 4800.5);
    // With a target of 0 the rising index alerts at the next refresh.
    w->Timer2_Timer();
    QCOMPARE(bgr(w->cellBackColour(1, 1)), 0x0000FFu);
    QCOMPARE(env.mails().size(), 1);

    // Enter in the comment moves on and adds no line.
    frmobject *d = frmobject::instance();
    d->show();
    QApplication::setActiveWindow(d);
    d->Text1_5->setPlainText("x");
    d->Text1_5->setFocus();
    QTest::keyClick(d->Text1_5, Qt::Key_Return);
    QCOMPARE(d->Text1_5->toPlainText(), QStringLiteral("x"));
    QCOMPARE(d->focusWidget(), d->Command1);
    d->close();
}

void TestWatchWindow::alertPointsRearm()
{
    OneHolding t({{"600000", "12.01", "1.00%"}}, "1");
    QVERIFY(t.w);
    TestEnv &env = t.env;
    frmnow *w = t.w;
    w->Timer2_Timer();
    QVERIFY(!g_AlertArmed[2]);

    // A double-click on the holding's row: saved with alerts on, the row that mailed mails again.
    const auto save = [](frmobject *d) { d->Command1->click(); };
    QTest::mouseClick(w->MS1->viewport(), Qt::LeftButton, {}, rowPoint(w, 2));
    QVERIFY(withPointsDialog([&] { w->MS1_DblClick(); }, save));
    QCOMPARE(g_WatchRow, 2);
    QVERIFY(g_AlertArmed[2]);
    w->Timer2_Timer();
    QCOMPARE(env.mails().size(), 2);

    // With alerts off it stays disarmed. The row picked stays picked across the refresh.
    g_AlertsOn = false;
    QVERIFY(withPointsDialog([&] { w->MS1_DblClick(); }, save));
    QVERIFY(!g_AlertArmed[2]);
    w->Timer2_Timer();
    QCOMPARE(env.mails().size(), 2);

    // The totals row opens nothing.
    w->MS1->selectRow(2);
    QVERIFY(!withPointsDialog([&] { w->MS1_DblClick(); }, save));
    QVERIFY(!withPointsDialog(
        [&] { QTest::mousePress(w->MS1->viewport(), Qt::RightButton, {}, rowPoint(w, 3)); }, save));
}

void TestWatchWindow::alertPointsFailures()
{
    TestEnv env;
    makeJournal(env, true);
    frmnow *w = openWatch();
    const double target = g_WatchTarget[2];

    // A comment with a quote is refused; the dialog stays open and nothing is written.
    bool stillOpen = false;
    withPointsDialog([&] { QTest::mousePress(w->MS1->viewport(), Qt::RightButton, {}, rowPoint(w, 2)); },
                     [&](frmobject *d) {
                         d->Text1[2]->setText("20");
                         d->Text1_5->setPlainText("it's high");
                         d->Command1->click();
                         stillOpen = frmobject::isLoaded() && d->isVisible();
                     });
    QVERIFY(stillOpen);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], kSpecialCharText, 48, "提示：");
    QCOMPARE(DbCount("SELECT COUNT(*) FROM Detail WHERE 目标价 = 20"), 0);

    // So is one that cannot be stored as it is, with the wrong-value message.
    env.clearBoxes();
    withPointsDialog([&] { QTest::mousePress(w->MS1->viewport(), Qt::RightButton, {}, rowPoint(w, 2)); },
                     [&](frmobject *d) {
                         d->Text1[2]->setText("20");
                         d->Text1_5->setPlainText(test::Units({u'看', 0xD800, u'好'}));
                         d->Command1->click();
                         stillOpen = frmobject::isLoaded() && d->isVisible();
                     });
    QVERIFY(stillOpen);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE_BOX(env.boxes[0], "数据类型不对，请修改！", 16, "不能进行运算");
    QCOMPARE(DbCount("SELECT COUNT(*) FROM Detail WHERE 目标价 = 20"), 0);

    // A failed update: a message, nothing written, the thresholds as they were, the dialog open.
    env.clearBoxes();
    DbExec("CREATE TRIGGER refuse BEFORE UPDATE ON Detail BEGIN SELECT RAISE(ABORT, 'refused'); END");
    withPointsDialog([&] { QTest::mousePress(w->MS1->viewport(), Qt::RightButton, {}, rowPoint(w, 2)); },
                     [&](frmobject *d) {
                         d->Text1[2]->setText("20");
                         d->Command1->click();
                         stillOpen = frmobject::isLoaded() && d->isVisible();
                     });
    QVERIFY(stillOpen);
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE(env.boxes[0].style, 16);
    QCOMPARE(env.boxes[0].title, QStringLiteral("错误"));
    QCOMPARE(g_WatchTarget[2], target);
    QCOMPARE(DbCount("SELECT COUNT(*) FROM Detail WHERE 目标价 = 20"), 0);

    // The security deleted from another workstation: a message, and no dialog.
    env.clearBoxes();
    DbExec("DROP TRIGGER refuse");
    DbExec("DELETE FROM Detail WHERE 证券代码 = '600000'");
    w->MS1->selectRow(1);
    QVERIFY(!withPointsDialog([&] { w->MS1_DblClick(); }, [](frmobject *) {}));
    QCOMPARE(env.boxes.size(), 1);
    QCOMPARE(env.boxes[0].style, 48);
    QCOMPARE(env.boxes[0].title, QStringLiteral("提示："));
    QVERIFY(env.boxes[0].text.contains(QStringLiteral("浦发银行")));
}

void TestWatchWindow::mailboxDialog()
{
    TestEnv env;
    setMailbox("old@example.com", "1");
    frmemail *d = frmemail::Open();
    QVERIFY(d->isVisible() && !d->isModal() && !d->parentWidget());
    QCOMPARE(d->windowTitle(), QStringLiteral("请填入email信箱"));
    QCOMPARE(d->Label1->text(),
             QStringLiteral(
                 "请正确设置outlook邮件服务器，在下面的空格填入一个具有邮件到达短信提醒功能的邮件信箱。"));
    QCOMPARE(d->Check1->text(), QStringLiteral("是否短信提醒"));
    QCOMPARE(d->Text1->text(), QStringLiteral("old@example.com"));
    QVERIFY(d->Check1->isChecked());
    QVERIFY(g_AlertsOn);

    // "取消" stores nothing; "确定" stores both and takes them.
    d->Text1->setText("new@example.com");
    d->Check1->setChecked(false);
    d->Command2->click();
    QVERIFY(!frmemail::isLoaded());
    QCOMPARE(GetSetting(kAppNameShared, "frmemail", "qixmail"), QStringLiteral("old@example.com"));
    QVERIFY(g_AlertsOn);
    d = frmemail::Open();
    d->Text1->setText("new@example.com");
    d->Check1->setChecked(false);
    d->Command1->click();
    QCOMPARE(GetSetting(kAppNameShared, "frmemail", "qixmail"), QStringLiteral("new@example.com"));
    QCOMPARE(GetSetting(kAppNameShared, "frmemail", "use"), QStringLiteral("0"));
    QCOMPARE(g_AlertEmail, QStringLiteral("new@example.com"));
    QVERIFY(!g_AlertsOn);
    // A stored "0" leaves the switch of this run as it is when the dialog opens again.
    g_AlertsOn = true;
    QVERIFY(frmemail::Open()->Check1->isChecked());
}

// Three rows breach at once while the transport takes 20 s for each message: the refresh returns at once,
// timers keep running, and each row's message reaches the transport once.
void TestWatchWindow::slowTransportFreezesNothing()
{
    TestEnv env;
    env.makeDatabase();
    {
        Database db(g_DbPath, g_DbConnect);
        AddIndexAndHoldings(db, 3);
    }
    setMailbox(kAddress, "1");
    HttpServer server;
    QVERIFY(ServeQuotes(server));
    serve(server,
          quietHoldings(
              3, {{"600001", "12.50", "2.00%"}, {"600002", "12.60", "2.00%"}, {"600003", "8.00", "-3.00%"}}));
    frmnow *w = openWatch();
    QVERIFY(w);
    env.setMailDelay(20);
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, &timer, [&] { ++ticks; });
    timer.start(100);
    QElapsedTimer clock;
    clock.start();
    w->Timer2_Timer();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QTRY_COMPARE(env.mailsNow().size(), 3);
    QCOMPARE(RunningMailTransports(), 3); // all three still asleep
    const int ticksBefore = ticks;
    QTest::qWait(500);
    QVERIFY(ticks >= ticksBefore + 3);
    QStringList subjects;
    for (const QByteArray &mail : env.mailsNow())
        subjects << subjectOf(mail);
    subjects.sort();
    QCOMPARE(subjects, (QStringList{"证券1；股价12.5；涨跌幅2.00%", "证券2；股价12.6；涨跌幅2.00%",
                                    "证券3；股价8；涨跌幅-3.00%"}));
    for (int row = 2; row <= 4; ++row)
        QVERIFY(!g_AlertArmed[row]);
    // The next refresh finds them disarmed: nothing is sent twice.
    w->Timer2_Timer();
    QTest::qWait(200);
    QCOMPARE(env.mailsNow().size(), 3);
}

void TestWatchWindow::addressesCheckedWhereTyped_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("mailable"); // the mailbox dialog takes it
    QTest::addColumn<bool>("arms");
    QTest::newRow("6 characters") << "a@b.cn" << true << false;
    QTest::newRow("7 characters") << "ab@c.cn" << true << true;
    QTest::newRow("display name") << "Boss <ab@c.cn>" << false << false;
    QTest::newRow("two addresses") << "ab@c.cn, x@y.cn" << false << false;
    QTest::newRow("CR LF") << "ab@c.cn\r\nBcc: x@y.cn" << false << false;
    QTest::newRow("none") << "" << true << false;
    // Mail caps an address at 254 characters.
    for (int length : {254, 255, 312, 1012, 5012})
        QTest::addRow("%d characters", length)
            << QString(length - 12, u'a') + "@example.com" << (length <= 254) << (length <= 254);
}

// Where an address is typed it is checked by the same rule the send uses, and every place that arms rows
// (the watch's opening, the alert points dialog, the mailbox dialog) arms only with one it can mail.
void TestWatchWindow::addressesCheckedWhereTyped()
{
    QFETCH(QString, address);
    QFETCH(bool, mailable);
    QFETCH(bool, arms);
    OneHolding t({{"600000", "12.01", "1.00%"}}, "1", address); // stored by an older version, say
    QVERIFY(t.w);
    TestEnv &env = t.env;
    frmnow *w = t.w;
    QCOMPARE(g_AlertArmed[2], arms);
    w->Timer2_Timer();
    // Mailed to the address, every header line within mail's 998 characters.
    const auto mailedTo = [&](int mail) {
        const QByteArray message = env.mails().value(mail);
        qsizetype longest = 0;
        for (const QByteArray &line : message.left(message.indexOf("\n\n")).split('\n'))
            longest = std::max(longest, line.size());
        return message.startsWith("To: " + address.toLatin1() + "\n") && longest <= 998;
    };
    QCOMPARE(env.mails().size(), arms ? 1 : 0);
    if (arms)
        QVERIFY(mailedTo(0));
    QVERIFY(
        withPointsDialog([&] { QTest::mousePress(w->MS1->viewport(), Qt::RightButton, {}, rowPoint(w, 2)); },
                         [](frmobject *d) { d->Command1->click(); }));
    QCOMPARE(g_AlertArmed[2], arms);

    setMailbox("old@example.com", "1");
    SetRowsArmed(false);
    frmemail *d = frmemail::Open();
    d->Text1->setText(address);
    QVERIFY(d->Check1->isChecked());
    QTest::keyClick(d->Text1, Qt::Key_Return);
    if (mailable) {
        QVERIFY(env.boxes.isEmpty());
        QVERIFY(!frmemail::isLoaded());
        QCOMPARE(GetSetting(kAppNameShared, "frmemail", "qixmail"), address);
        QCOMPARE(g_AlertArmed[2], arms);
        w->Timer2_Timer();
        QCOMPARE(env.mails().size(), arms ? 2 : 0);
        if (arms)
            QVERIFY(mailedTo(1));
    } else {
        QCOMPARE(env.boxes.size(), 1);
        QCOMPARE_BOX(env.boxes[0], UnmailableAddressText(), 48, "提示：");
        QVERIFY(frmemail::isLoaded() && d->isVisible());
        QCOMPARE(GetSetting(kAppNameShared, "frmemail", "qixmail"), QStringLiteral("old@example.com"));
        QVERIFY(!g_AlertArmed[2]);
    }
}

// The row the operator picked keeps the red of its breach on the screen, read from what the grid paints.
void TestWatchWindow::pickedRowShowsItsAlert()
{
    OneHolding t({{"600000", "12.01", "1.00%"}});
    QVERIFY(t.w);
    frmnow *w = t.w;
    // The totals row, picked at the opening, keeps the grid's own background under its frame.
    const auto paintedAt = [w](int row, int column) {
        const QImage shown = w->MS1->viewport()->grab().toImage();
        const QRect cell = w->MS1->visualRect(w->MS1->model()->index(row - 1, column));
        return shown.pixelColor(cell.left() + 4, cell.center().y()); // beside the text, inside the frame
    };
    QVERIFY(w->MS1->selectionModel()->isRowSelected(2, {}));
    QCOMPARE(paintedAt(3, 1), paintedAt(1, 1));
    QTest::mouseClick(w->MS1->viewport(), Qt::LeftButton, {}, rowPoint(w, 2));
    w->Timer2_Timer();
    QCOMPARE(w->MS1->currentIndex().row(), 1); // still picked
    QVERIFY(w->MS1->selectionModel()->isRowSelected(1, {}));
    QCOMPARE(bgr(w->cellBackColour(2, 1)), 0x0000FFu);
    for (int column : {1, 2})
        QCOMPARE(bgr(paintedAt(2, column)), 0x0000FFu);
}

QTEST_MAIN(TestWatchWindow)
#include "tst_watchwindow.moc"
