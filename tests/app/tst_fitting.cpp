// Windows fitted to the screen they open on, and the rules of fitting: a frame into a screen's area, the
// screen a frame opens on, panels into a bar's width. The windows open on two screens side by side, a
// 1920 x 1080 one and a 1024 x 768 one to its right.

#include "app/Fitting.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/frmMain.h"
#include "app/frmTip.h"
#include "data/Settings.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace tv;
using tv::test::TestEnv;

namespace {

const QRect kBig(0, 0, 1920, 1080);
const QRect kSmall(1920, 0, 1024, 768);

QString setting(const char *section, const char *key)
{
    return GetSetting(ExeAppName(), QString::fromLatin1(section), QString::fromLatin1(key));
}

void storeMain(int left, int top, int width, int height)
{
    const int px[] = {left, top, width, height};
    const char *keys[] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};
    for (int i = 0; i < 4; ++i)
        SaveSetting(ExeAppName(), QStringLiteral("Settings"), QString::fromLatin1(keys[i]),
                    QString::number(px[i] * 15));
}

} // namespace

class TestFitting : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void frameIntoArea();
    void screenOfAFrame();
    void panelsIntoABar();
    void mainWindowFitted();
    void dialogFitted();
};

void TestFitting::initTestCase()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    QCOMPARE(screens.size(), 2);
    QCOMPARE(screens[0]->availableGeometry(), kBig);
    QCOMPARE(screens[1]->availableGeometry(), kSmall);
}

void TestFitting::frameIntoArea()
{
    const QRect area(0, 0, 1024, 768);
    const struct
    {
        QRect frame, fitted;
    } cases[] = {
        {{100, 50, 800, 600}, {100, 50, 800, 600}},     // fits: stays exactly
        {{0, 0, 1024, 768}, {0, 0, 1024, 768}},         // fits to the pixel
        {{20, 20, 1924, 1084}, {0, 0, 1024, 768}},      // larger than the screen: shrinks to it
        {{300, 200, 1924, 400}, {0, 200, 1024, 400}},   // too wide only
        {{900, 100, 400, 300}, {624, 100, 400, 300}},   // past the right edge: moves in
        {{100, 700, 400, 300}, {100, 468, 400, 300}},   // past the bottom
        {{-50, -30, 400, 300}, {0, 0, 400, 300}},       // past the left and top
        {{5000, 4000, 400, 300}, {624, 468, 400, 300}}, // far away
    };
    for (const auto &c : cases)
        QCOMPARE(FitRectInto(c.frame, area), c.fitted);
    QCOMPARE(FitRectInto({2000, 900, 1500, 300}, kSmall), QRect(1920, 468, 1024, 300));
}

void TestFitting::screenOfAFrame()
{
    const QList<QRect> areas = {kBig, kSmall};
    QCOMPARE(ScreenFor({100, 100, 800, 600}, areas), 0);
    QCOMPARE(ScreenFor({2000, 100, 800, 600}, areas), 1);
    QCOMPARE(ScreenFor({1800, 100, 800, 600}, areas), 1); // more of it on the small one
    QCOMPARE(ScreenFor({1500, 100, 800, 600}, areas), 0);
    QCOMPARE(ScreenFor({3500, 100, 300, 200}, areas), 1); // on none: the nearest
    QCOMPARE(ScreenFor({-900, 2000, 300, 200}, areas), 0);
    QCOMPARE(ScreenFor({0, 0, 10, 10}, {}), -1);
}

void TestFitting::panelsIntoABar()
{
    const QList<int> need = {30, 100, 150, 60, 140, 200, 180, 70};
    const QList<int> order = {4, 5, 6, 3, 2, 0, 7, 1}; // least important first; 1 the spring
    const struct
    {
        int room;
        QList<int> widths;
    } cases[] = {
        {1200, {30, 370, 150, 60, 140, 200, 180, 70}}, // room over: the spring takes it
        {930, need},                                   // just enough
        {880, {30, 100, 150, 60, 90, 200, 180, 70}},   // the least important gives first
        {700, {30, 100, 150, 60, 40, 70, 180, 70}},    // down to 40, then the next
        {420, {30, 100, 60, 40, 40, 40, 40, 70}},      // a panel needing less than 40 keeps its need
        {300, {30, 40, 40, 40, 30, 40, 40, 40}},       // all at 40, then down to nothing in the same order
        {0, {0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto &c : cases)
        QCOMPARE(PanelWidths(need, 1, order, 40, c.room), c.widths);
}

// Stored on a larger screen, the main window opens inside the screen it lies on, title bar and all, and
// keeps the stored geometry while it is not moved; a geometry that fits opens exactly as stored.
void TestFitting::mainWindowFitted()
{
    const struct
    {
        QRect stored;
        QRect frameInside; // the screen it must open inside
        bool fits;
    } cases[] = {
        {{2000, 100, 1920, 1080}, kSmall, false},
        {{100, 300, 1920, 1080}, kBig, false},
        {{2100, 50, 600, 400}, kSmall, true},
    };
    for (const auto &c : cases) {
        TestEnv env;
        env.makeDatabase();
        storeMain(c.stored.x(), c.stored.y(), c.stored.width(), c.stored.height());
        frmMain *m = frmMain::instance();
        m->show();
        QVERIFY(QTest::qWaitForWindowExposed(m));
        QVERIFY2(c.frameInside.contains(m->frameGeometry()), qPrintable(QString::number(c.stored.x())));
        if (c.fits)
            QCOMPARE(QRect(m->pos(), m->size()), c.stored);
        else
            QCOMPARE(m->frameGeometry().size(),
                     c.frameInside.size().boundedTo(c.stored.size() + QSize(4, 4)));
        env.answers = {vbYes};
        QVERIFY(m->close());
        QCOMPARE(setting("Settings", "MainLeft"), QString::number(c.stored.x() * 15));
        QCOMPARE(setting("Settings", "MainWidth"), QString::number(c.stored.width() * 15));
        QCOMPARE(setting("Settings", "MainHeight"), QString::number(c.stored.height() * 15));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A window's stored place past the edge of the small screen: it opens inside it, and keeps the stored
// place unless moved; moved, it stores where it was moved to.
void TestFitting::dialogFitted()
{
    TestEnv env;
    env.makeDatabase();
    SaveSetting(ExeAppName(), QStringLiteral("Tip"), QStringLiteral("Left"),
                QString::number((1920 + 900) * 15));
    SaveSetting(ExeAppName(), QStringLiteral("Tip"), QStringLiteral("Top"), QString::number(700 * 15));
    frmTip *t = frmTip::instance();
    t->show();
    QVERIFY(QTest::qWaitForWindowExposed(t));
    QVERIFY(kSmall.contains(t->frameGeometry()));
    t->close();
    QCOMPARE(setting("Tip", "Left"), QString::number((1920 + 900) * 15));
    QCOMPARE(setting("Tip", "Top"), QString::number(700 * 15));

    t = frmTip::instance();
    t->show();
    QVERIFY(QTest::qWaitForWindowExposed(t));
    QVERIFY(kSmall.contains(t->frameGeometry()));
    t->move(t->pos() - QPoint(100, 100));
    t->close();
    QCOMPARE(setting("Tip", "Left"), QString::number((t->x()) * 15));
    QCOMPARE(setting("Tip", "Top"), QString::number((t->y()) * 15));
}

// The two screens are the offscreen platform's, from a configuration of their own.
int main(int argc, char **argv)
{
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("screens.json")));
    if (!config.open(QIODevice::WriteOnly))
        return 1;
    config.write(R"({"screens": [
        {"name": "big", "x": 0, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96},
        {"name": "small", "x": 1920, "y": 0, "width": 1024, "height": 768, "logicalDpi": 96}]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    TestFitting test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fitting.moc"
