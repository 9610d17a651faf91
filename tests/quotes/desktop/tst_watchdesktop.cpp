// The watch window and the ticker under a real X server and window manager (run by tests/run-with-wm.sh):
// docked at the top edge and kept above other windows, folding and unfolding by the real pointer and its
// timer, translucent and normal; the ticker laid over a panel strip and closed by the window manager.

#include "app/FormHelpers.h"
#include "app/Globals.h"
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
#include <qguiapplication_platform.h>

#include <cstring>
#include <xcb/xcb.h>

using namespace tv;
using namespace tv::test;

namespace {

xcb_connection_t *connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_window_t root()
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection())).data->root;
}

xcb_atom_t atom(const char *name)
{
    xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(
        connection(), xcb_intern_atom(connection(), 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
    free(r);
    return a;
}

QList<quint32> windowProperty(xcb_window_t window, const char *name)
{
    QList<quint32> values;
    xcb_get_property_reply_t *r = xcb_get_property_reply(
        connection(), xcb_get_property(connection(), 0, window, atom(name), XCB_ATOM_ANY, 0, 64), nullptr);
    if (r && r->format == 32) {
        const auto *v = static_cast<const quint32 *>(xcb_get_property_value(r));
        values = QList<quint32>(v, v + xcb_get_property_value_length(r) / 4);
    }
    free(r);
    return values;
}

void setCardinals(xcb_window_t window, const char *name, const QList<quint32> &values)
{
    xcb_change_property(connection(), XCB_PROP_MODE_REPLACE, window, atom(name), XCB_ATOM_CARDINAL, 32,
                        uint32_t(values.size()), values.constData());
    xcb_flush(connection());
}

xcb_window_t client(const QWidget *w)
{
    return xcb_window_t(w->windowHandle()->winId());
}

// The window's place among the root's children, bottom to top: the frame the manager put it in.
int stackPlace(const QWidget *w)
{
    xcb_window_t window = client(w);
    for (;;) {
        xcb_query_tree_reply_t *t =
            xcb_query_tree_reply(connection(), xcb_query_tree(connection(), window), nullptr);
        if (!t)
            return -1;
        const xcb_window_t parent = t->parent;
        free(t);
        if (parent == root() || parent == XCB_WINDOW_NONE)
            break;
        window = parent;
    }
    xcb_query_tree_reply_t *t =
        xcb_query_tree_reply(connection(), xcb_query_tree(connection(), root()), nullptr);
    int place = -1;
    if (t) {
        const xcb_window_t *children = xcb_query_tree_children(t);
        for (int i = 0; i < xcb_query_tree_children_length(t); ++i)
            if (children[i] == window)
                place = i;
    }
    free(t);
    return place;
}

// Asks the window manager to close the window, as its close key or a panel's menu does.
void closeByWindowManager(const QWidget *w)
{
    xcb_client_message_event_t ev;
    memset(&ev, 0, sizeof ev);
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = client(w);
    ev.type = atom("_NET_CLOSE_WINDOW");
    ev.data.data32[0] = XCB_CURRENT_TIME;
    ev.data.data32[1] = 2; // from a pager or panel
    xcb_send_event(connection(), 0, root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&ev));
    xcb_flush(connection());
}

// Another program's window over the given place.
struct OtherWindow : QWidget
{
    explicit OtherWindow(const QRect &at)
    {
        setWindowTitle(QStringLiteral("other"));
        setGeometry(at);
        show();
    }
    void toFront()
    {
        raise();
        activateWindow();
    }
    // Brought to the front until the manager has done so (a window re-created a moment ago may still
    // be mapped on top of it), then whether it lies above `w`.
    bool frontAbove(const QWidget *w)
    {
        const bool active = QTest::qWaitFor(
            [&] {
                toFront();
                return isActiveWindow();
            },
            3000);
        if (!active)
            return false;
        QTest::qWait(200);
        return stackPlace(this) > stackPlace(w);
    }
};

} // namespace

class TestWatchDesktop : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void dockedAboveOtherWindows();
    void tickerOverThePanelStrip();
};

// The window manager is up once it manages a window. One mapped while it was still starting may be
// left alone, so the probe is mapped again until it is taken.
void TestWatchDesktop::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QWidget probe;
    bool managed = false;
    for (int attempt = 0; attempt < 40 && !managed; ++attempt) {
        probe.show();
        managed = QTest::qWaitFor([&] { return !windowProperty(client(&probe), "WM_STATE").isEmpty(); }, 500);
        probe.hide();
    }
    QVERIFY2(managed, "no window manager took the probe window");
}

void TestWatchDesktop::dockedAboveOtherWindows()
{
    OneHolding t({{"600000", "11.50", "0.50%"}});
    QVERIFY(t.w);
    frmnow *w = t.w;
    w->Timer2->stop(); // only the pointer's return refreshes here
    QVERIFY(QTest::qWaitForWindowExposed(w));
    w->move(300, 200);
    QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(300, 200));
    const int full = TwipsToPx(w->fullHeight);

    w->Command1[0]->click();
    QTRY_COMPARE(w->frameGeometry().topLeft(), QPoint(300, 0));
    QVERIFY(w->autoHide);
    // Another window brought to the front over it stays below it.
    OtherWindow other(QRect(250, 0, 400, 300));
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QVERIFY(!other.frontAbove(w));
    QVERIFY(windowProperty(client(w), "_NET_WM_STATE").contains(atom("_NET_WM_STATE_ABOVE")));

    // The real pointer and the real timer: away it folds, at the top of the screen it unfolds and
    // refreshes.
    QCursor::setPos(900, 700);
    QTRY_COMPARE(w->height(), TwipsToPx(40));
    QTRY_COMPARE(w->frameGeometry().height(), TwipsToPx(40));
    const int requests = t.server.requestCount();
    QCursor::setPos(400, 0);
    QTRY_COMPARE(w->frameGeometry().height(), full);
    QTRY_COMPARE(t.server.requestCount(), requests + 1);

    // Translucent asks the manager for 60 of 255; normal takes it out of the topmost band in place.
    QCursor::setPos(310, 60);
    w->Command1[1]->click();
    QTRY_COMPARE(windowProperty(client(w), "_NET_WM_WINDOW_OPACITY"), QList<quint32>{0x3C3C3C3Cu});
    w->Command1[4]->click();
    QTRY_VERIFY(!windowProperty(client(w), "_NET_WM_STATE").contains(atom("_NET_WM_STATE_ABOVE")));
    const QList<quint32> opacity = windowProperty(client(w), "_NET_WM_WINDOW_OPACITY");
    QVERIFY(opacity.isEmpty() || opacity == QList<quint32>{0xFFFFFFFFu});
    QCOMPARE(w->frameGeometry(), QRect(300, 0, w->width(), full));
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QVERIFY(other.frontAbove(w));
}

void TestWatchDesktop::tickerOverThePanelStrip()
{
    // A panel of 30 pixels along the bottom, reserving its strip as desktop panels do.
    QScreen *screen = QGuiApplication::primaryScreen();
    const QRect whole = screen->geometry();
    QWidget panel;
    panel.setGeometry(0, whole.bottom() - 29, whole.width(), 30);
    panel.winId();
    const quint32 dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(connection(), XCB_PROP_MODE_REPLACE, client(&panel), atom("_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 1, &dock);
    setCardinals(client(&panel), "_NET_WM_STRUT", {0, 0, 0, 30});
    setCardinals(client(&panel), "_NET_WM_STRUT_PARTIAL",
                 {0, 0, 0, 30, 0, 0, 0, 0, 0, 0, 0, quint32(whole.right())});
    panel.show();
    QTRY_COMPARE(screen->availableGeometry(), QRect(0, 0, whole.width(), whole.height() - 30));

    OneHolding t({{"600000", "11.50", "0.50%"}});
    QVERIFY(t.w);
    frmnow *w = t.w;
    w->Timer2->stop();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    w->Command1[3]->click();
    frmmin *m = frmmin::existing();
    QVERIFY(m);
    QVERIFY(QTest::qWaitForWindowExposed(m));
    QTRY_COMPARE(m->frameGeometry(), QRect(whole.right() - 239, whole.bottom() - 29, 240, 30));
    QTRY_VERIFY(stackPlace(m) > stackPlace(&panel));
    QVERIFY(!w->isVisible());
    QVERIFY(g_TickerDocked);
    // It scrolls on its own timer.
    const QString text = m->vText->text();
    QTRY_VERIFY(m->vText->text() != text);

    closeByWindowManager(m);
    QTRY_VERIFY(!frmmin::isLoaded());
    QVERIFY(!g_TickerDocked);
    QTRY_VERIFY(w->isVisible());
}

QTEST_MAIN(TestWatchDesktop)
#include "tst_watchdesktop.moc"
