// The watch window as a desktop window, against the local quote server: docked at the top edge it folds
// and unfolds by the pointer and refreshes on the pointer's return, translucent and back to normal, the
// drag by its picture, the program's pointer, and the ticker that stands in for it with every way back.

#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/frmMain.h"
#include "quotes/TickerRules.h"
#include "quotes/frmmin.h"
#include "quotes/frmnow.h"
#include "tests/quotes/WatchFixture.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace tv;
using namespace tv::test;

namespace {

int fullPx(const frmnow *w)
{
    return TwipsToPx(w->fullHeight);
}

bool topmost(const QWidget *w)
{
    return w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

Qt::CursorShape programPointer()
{
    const QCursor *c = QGuiApplication::overrideCursor();
    return c ? c->shape() : Qt::ArrowCursor;
}

// Counts the window's show events.
class ShowCounter : public QObject
{
public:
    int shows = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            ++shows;
        return false;
    }
};

} // namespace

class TestWatchPlacement : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QCursor::setPos(0, 0); }
    void dockFoldsAndUnfolds();
    void oneProgramPointer();
    void translucentAndNormal();
    void dragFollowsThePointerSamples();
    void pointerWatchGoesOnDuringAFetch();
    void tickerStandsInForTheWindow();
    void waysBack_data();
    void waysBack();
    void unloadingTakesTheTickerQuietly();
};

void TestWatchPlacement::dockFoldsAndUnfolds()
{
    OneHolding t({{"600000", "11.50", "0.50%"}});
    QVERIFY(t.w);
    frmnow *w = t.w;
    w->move(200, 300);
    const QSize size = w->size();
    w->Command1[0]->click();
    QCOMPARE(w->frameGeometry(), QRect(QPoint(200, 0), size));
    QCOMPARE(w->winRect, w->frameGeometry());
    QVERIFY(topmost(w));
    QVERIFY(w->isVisible());
    QVERIFY(w->autoHide);

    // The pointer away: folded to 40 twips within one tick, the refresh left waiting.
    QCursor::setPos(600, 600);
    w->Timer1_Timer();
    QCOMPARE(w->height(), TwipsToPx(40));
    QVERIFY(w->refreshPending);
    const int requests = t.server.requestCount();
    // Below the strip it stays folded; at the top of the screen it unfolds and refreshes once.
    QCursor::setPos(250, 4);
    w->Timer1_Timer();
    QCOMPARE(w->height(), TwipsToPx(40));
    QCursor::setPos(250, 0);
    w->Timer1_Timer();
    QCOMPARE(w->height(), fullPx(w));
    QCOMPARE(t.server.requestCount(), requests); // the refresh runs once the tick is over
    QTRY_COMPARE(w->gridText(2, 1), QStringLiteral("11.5"));
    QCOMPARE(t.server.requestCount(), requests + 1);
    w->Timer1_Timer();
    QCursor::setPos(250, 60); // inside: it stays unfolded away from the edge
    w->Timer1_Timer();
    QCoreApplication::processEvents();
    QCOMPARE(w->height(), fullPx(w));
    QCOMPARE(t.server.requestCount(), requests + 1);

    // An alert while folded unfolds it, and it no longer folds.
    QCursor::setPos(600, 600);
    w->Timer1_Timer();
    QCOMPARE(w->height(), TwipsToPx(40));
    serve(t.server, {{"600000", "12.01", "1.00%"}});
    w->Timer2_Timer();
    QCOMPARE(w->height(), fullPx(w));
    QVERIFY(!w->autoHide);
    w->Timer1_Timer();
    QCOMPARE(w->height(), fullPx(w));
}

// Size-all over the drag corner, the default elsewhere: one override of the program's pointer, gone when
// the window is.
void TestWatchPlacement::oneProgramPointer()
{
    OneHolding t({{"600000", "11.50", "0.50%"}});
    QVERIFY(t.w);
    frmnow *w = t.w;
    w->move(200, 300);
    QCursor::setPos(210, 310);
    for (int i = 0; i < 3; ++i)
        w->Timer1_Timer();
    QVERIFY(w->inDragZone);
    QCOMPARE(programPointer(), Qt::SizeAllCursor);
    QCursor::setPos(350, 380);
    w->Timer1_Timer();
    QVERIFY(!w->inDragZone);
    QVERIFY(!QGuiApplication::overrideCursor());

    QCursor::setPos(210, 310);
    for (int i = 0; i < 3; ++i)
        w->Timer1_Timer();
    QCOMPARE(programPointer(), Qt::SizeAllCursor);
    w->Command1[2]->click();
    QVERIFY(!frmnow::isLoaded());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestWatchPlacement::translucentAndNormal()
{
    OneHolding t({{"600000", "11.50", "0.50%"}});
    QVERIFY(t.w);
    frmnow *w = t.w;
    w->move(200, 300);
    const QRect frame = w->frameGeometry();
    w->Command1[1]->click();
    w->Command1[1]->click(); // disabled: once until normal
    QVERIFY(qFuzzyCompare(w->windowOpacity(), 60.0 / 255.0));
    QVERIFY(!w->Command1[1]->isEnabled());
    QVERIFY(topmost(w));
    QVERIFY(w->isVisible());
    QCOMPARE(w->frameGeometry(), frame); // where it stood
    QVERIFY(w->panelOnHover && !w->autoHide);

    // The buttons only under the pointer; the window does not fold.
    QCursor::setPos(700, 700);
    w->Timer1_Timer();
    QVERIFY(!w->Picture1->isVisible());
    QCOMPARE(w->height(), fullPx(w));
    QCursor::setPos(frame.center());
    w->Timer1_Timer();
    QVERIFY(w->Picture1->isVisible());

    // Docked as well; normal undoes both, and a second press changes nothing.
    w->Command1[0]->click();
    QVERIFY(w->autoHide && w->panelOnHover);
    const QRect docked = w->frameGeometry();
    for (int press = 1; press <= 2; ++press) {
        w->Command1[4]->click();
        QVERIFY2(qFuzzyCompare(w->windowOpacity(), 1.0), qPrintable(QString::number(press)));
        QVERIFY(w->Command1[1]->isEnabled());
        QVERIFY(!topmost(w));
        QVERIFY(w->isVisible());
        QCOMPARE(w->frameGeometry(), docked);
        QVERIFY(!w->autoHide && !w->panelOnHover);
    }
    QCursor::setPos(700, 700);
    w->Timer1_Timer();
    QCOMPARE(w->height(), fullPx(w));
    QVERIFY(w->Picture1->isVisible()); // as the last hover left it
}

void TestWatchPlacement::dragFollowsThePointerSamples()
{
    OneHolding t({{"600000", "11.50", "0.50%"}});
    QVERIFY(t.w);
    frmnow *w = t.w;
    w->Command1[0]->click();
    const QRect start = w->frameGeometry();

    // A press on the picture outside the drag corner starts nothing.
    QCursor::setPos(start.topLeft() + QPoint(10, 40));
    w->Timer1_Timer();
    QTest::mousePress(w->Image1, Qt::LeftButton, {}, QPoint(8, 20));
    QTest::mouseMove(w->Image1, QPoint(9, 21));
    QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, QPoint(9, 21));
    QCOMPARE(w->frameGeometry(), start);
    QVERIFY(w->autoHide);

    // Grabbed 10 across and 12 down: the window follows each sample, its size kept, and does not fold
    // while the pointer is ahead of it.
    const QPoint grab(10, 12);
    QCursor::setPos(start.topLeft() + grab);
    w->Timer1_Timer();
    QCOMPARE(programPointer(), Qt::SizeAllCursor);
    QTest::mousePress(w->Image1, Qt::LeftButton, {}, QPoint(8, 4));
    QVERIFY(w->dragging);
    for (const QPoint &sample : {QPoint(400, 300), QPoint(430, 360), QPoint(520, 410)}) {
        QCursor::setPos(sample);
        w->Timer1_Timer();
        QCOMPARE(w->height(), fullPx(w));
        QTest::mouseMove(w->Image1, QPoint(9, 5));
        QCOMPARE(w->frameGeometry(), QRect(sample - grab, start.size()));
        QCOMPARE(programPointer(), Qt::SizeAllCursor);
    }
    QVERIFY(!w->autoHide);
    QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, QPoint(9, 5));
    QVERIFY(!w->dragging);
    QCOMPARE(w->height(), fullPx(w));
    // Moved by hand, it no longer folds.
    QCursor::setPos(20, 700);
    w->Timer1_Timer();
    QCOMPARE(w->height(), fullPx(w));
}

// The pointer's return starts a refresh whose reply is held. Meanwhile the pointer watch goes on by its
// own timer: the window folds, unfolds and is dragged, and its return starts no second request.
void TestWatchPlacement::pointerWatchGoesOnDuringAFetch()
{
    OneHolding t({{"600000", "11.50", "0.50%"}});
    QVERIFY(t.w);
    frmnow *w = t.w;
    HttpServer &server = t.server;
    w->Command1[0]->click();
    const QRect docked = w->frameGeometry();
    QCursor::setPos(600, 600);
    QTRY_COMPARE(w->height(), TwipsToPx(40));

    const int before = server.requestCount();
    server.setHolding(true);
    bool held = false;
    int requestsWhileHeld = 0;
    const QPoint grab(10, 12);
    const QPoint sample(400, 300);
    const auto whileHeld = [&] {
        held = true;
        QCursor::setPos(600, 600);
        QTRY_COMPARE(w->height(), TwipsToPx(40));
        QCursor::setPos(250, 0);
        QTRY_COMPARE(w->height(), fullPx(w));
        QCursor::setPos(docked.topLeft() + grab);
        QTRY_VERIFY(w->inDragZone);
        QTest::mousePress(w->Image1, Qt::LeftButton, {}, QPoint(8, 4));
        QVERIFY(w->dragging);
        QCursor::setPos(sample);
        QTRY_COMPARE(w->cursorPos, sample);
        QTest::mouseMove(w->Image1, QPoint(9, 5));
        QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, QPoint(9, 5));
        QCOMPARE(w->frameGeometry(), QRect(sample - grab, docked.size()));
        QVERIFY(!w->autoHide);
    };
    connect(&server, &HttpServer::requestReceived, &server, [&] {
        QTimer::singleShot(0, &server, [&] {
            whileHeld();
            requestsWhileHeld = server.requestCount();
            server.releaseHeld();
        });
    });
    QCursor::setPos(250, 0); // the pointer comes back: the refresh is asked for
    QTRY_VERIFY(held);
    QCOMPARE(requestsWhileHeld, before + 1);
    QTRY_COMPARE(w->gridText(2, 1), QStringLiteral("11.5"));
    QCOMPARE(server.requestCount(), before + 1);
    QCOMPARE(w->frameGeometry().topLeft(), sample - grab);
}

void TestWatchPlacement::tickerStandsInForTheWindow()
{
    OneHolding t({{"600000", "11.50", "0.50%"}});
    QVERIFY(t.w);
    frmnow *w = t.w;
    w->Timer2_Timer();
    w->Command1[3]->click();
    QVERIFY(!w->isVisible());
    QVERIFY(g_TickerDocked);
    frmmin *m = frmmin::existing();
    QVERIFY(m && m->isVisible());
    const QString text = QStringLiteral("上证3100.5 0.50% 资金9200 1234159.89   ");
    QCOMPARE(m->vText->text(), text);

    // Over the panel strip; this screen has none, so at its bottom-right corner.
    const QScreen *screen = QGuiApplication::primaryScreen();
    QCOMPARE(m->geometry(), FindTrayNotifyWindow(screen->geometry(), screen->availableGeometry()));
    QCOMPARE(m->geometry(), QRect(screen->geometry().right() - 239, screen->geometry().bottom() - 24, 240, 25));
    const Qt::WindowFlags flags = m->windowFlags();
    QVERIFY(flags.testFlag(Qt::Tool) && flags.testFlag(Qt::FramelessWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint) && flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    QCOMPARE(m->vText->geometry(), QRect(0, 5, 240, 20));
    QCOMPARE(m->vText->font().families().value(0), QStringLiteral("宋体"));
    QVERIFY(m->Scroll->isActive());
    QCOMPARE(m->Scroll->interval(), 500);

    m->Scroll_Timer();
    QCOMPARE(m->vText->text(), text.mid(1) + text.left(1));
    // The refresh rewrites the whole text, the scroll starting again from it.
    serve(t.server, {{"600000", "11.60", "1.40%"}});
    w->Timer2_Timer();
    QCOMPARE(m->vText->text(), QStringLiteral("上证3100.5 0.50% 资金9280 1234239.89   "));
    QVERIFY(!w->isVisible());

    // The hidden window's corner is no drag corner.
    QCursor::setPos(w->pos() + QPoint(5, 5));
    w->Timer1_Timer();
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(!w->isVisible());
}

void TestWatchPlacement::waysBack_data()
{
    QTest::addColumn<QString>("way");
    for (const char *way : {"double-click", "right press", "alert", "window manager"})
        QTest::newRow(way) << QString(way);
}

void TestWatchPlacement::waysBack()
{
    QFETCH(QString, way);
    OneHolding t({{"600000", "11.50", "0.50%"}});
    QVERIFY(t.w);
    frmnow *w = t.w;
    w->Command1[0]->click();
    w->Command1[3]->click();
    frmmin *m = frmmin::existing();
    QVERIFY(m);
    QTest::mouseClick(m->vText, Qt::LeftButton); // a single click is no way back
    QVERIFY(frmmin::isLoaded() && g_TickerDocked);

    if (way == "double-click") {
        QTest::mouseDClick(m->vText, Qt::LeftButton);
    } else if (way == "right press") {
        QTest::mousePress(m->vText, Qt::RightButton);
    } else if (way == "alert") {
        serve(t.server, {{"600000", "12.01", "1.00%"}});
        w->Timer2_Timer();
    } else {
        m->windowHandle()->close();
    }
    QCoreApplication::processEvents();
    QVERIFY(!frmmin::isLoaded());
    QVERIFY(!g_TickerDocked);
    QVERIFY(w->isVisible());
    QCOMPARE(w->height(), fullPx(w));
    if (way == "alert")
        QVERIFY(!w->autoHide);
}

// The program's unloading takes the ticker and the watch down without showing the watch.
void TestWatchPlacement::unloadingTakesTheTickerQuietly()
{
    OneHolding t({{"600000", "11.50", "0.50%"}});
    QVERIFY(t.w);
    QPointer<frmnow> w = t.w;
    w->Command1[3]->click();
    ShowCounter shows;
    w->installEventFilter(&shows);
    t.env.answers = {vbYes};
    QVERIFY(frmMain::existing()->close());
    QVERIFY(!frmmin::isLoaded());
    QVERIFY(!frmnow::isLoaded());
    QVERIFY(!g_TickerDocked);
    QCOMPARE(shows.shows, 0);
}

QTEST_MAIN(TestWatchPlacement)
#include "tst_watchplacement.moc"
