// The watch window's pointer watch and the taskbar ticker without their windows: one tick of the watch
// over samples of the pointer and the window, the ticker's text and scroll, and where it lies over the
// desktop panel.

#include "quotes/TickerRules.h"
#include "quotes/WatchPlacement.h"

#include <QTest>

using namespace tv;

Q_DECLARE_METATYPE(tv::PointerSample)
Q_DECLARE_METATYPE(tv::PointerStep)

namespace {

using Height = PointerStep::Height;
using Panel = PointerStep::Panel;
using Pointer = PointerStep::Pointer;

// Docked at the top, 300 by 200; folded, 2 pixels high; a window lower down, for the drag corner.
const QRect kDocked(100, 0, 300, 200);
const QRect kFolded(100, 0, 300, 2);
const QRect kPlaced(100, 50, 300, 200);

} // namespace

class TestPlacementRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pointerWatch_data();
    void pointerWatch();
    void tickerText();
    void rotation_data();
    void rotation();
    void tickerPlace_data();
    void tickerPlace();
};

void TestPlacementRules::pointerWatch_data()
{
    QTest::addColumn<PointerSample>("sample");
    QTest::addColumn<PointerStep>("expected");
    const auto add = [](const char *name, const PointerSample &s, const PointerStep &e) {
        QTest::newRow(name) << s << e;
    };

    // Docked, the pointer away: folded within the tick, the refresh waiting for the pointer's return; the
    // pointer's shape and the drag flag stay as the last tick inside left them.
    add("docked, pointer away", {{600, 500}, kDocked, true, true, false, false, false, true},
        {Height::Collapsed, Panel::Keep, Pointer::Keep, false, true, true});
    add("not docked, pointer away", {{600, 500}, kDocked, true, false, false, false, false, false},
        {Height::Keep, Panel::Keep, Pointer::Keep, false, false, true});
    // Folded, the pointer back at the top of the screen (rows 0 to 3): unfolded and refreshed once.
    add("folded, pointer at row 0", {{600, 0}, kFolded, false, true, false, false, true, false},
        {Height::Full, Panel::Keep, Pointer::Default, true, false, false});
    add("folded, pointer at row 3", {{250, 3}, kFolded, false, true, false, false, true, false},
        {Height::Full, Panel::Keep, Pointer::Default, true, false, false});
    add("folded, pointer at row 4", {{250, 4}, kFolded, false, true, false, false, true, false},
        {Height::Collapsed, Panel::Keep, Pointer::Keep, false, false, true});
    add("folded, pointer in the strip", {{250, 1}, kFolded, false, true, false, false, false, false},
        {Height::Full, Panel::Keep, Pointer::Default, false, false, false});
    add("full height, pointer inside, nothing waiting", {{250, 150}, kDocked, true, true, false, false, false, false},
        {Height::Full, Panel::Keep, Pointer::Default, false, false, false});
    // Inside a window that is not at full height, away from the top: nothing brings it back.
    add("short window, pointer inside", {{250, 51}, QRect(100, 50, 300, 2), false, true, false, false, false, false},
        {Height::Collapsed, Panel::Keep, Pointer::Keep, false, false, true});

    // The drag corner: 0 to 70 across, 0 to 29 down.
    add("corner (70, 29)", {{170, 79}, kPlaced, true, false, false, false, false, false},
        {Height::Full, Panel::Keep, Pointer::SizeAll, false, true, false});
    add("corner (0, 0)", {{100, 50}, kPlaced, true, false, false, false, false, false},
        {Height::Full, Panel::Keep, Pointer::SizeAll, false, true, false});
    add("offset (71, 29)", {{171, 79}, kPlaced, true, false, false, false, false, true},
        {Height::Full, Panel::Keep, Pointer::Default, false, false, false});
    add("offset (70, 30)", {{170, 80}, kPlaced, true, false, false, false, false, true},
        {Height::Full, Panel::Keep, Pointer::Default, false, false, false});
    add("top edge left of the window", {{50, 0}, kDocked, true, true, false, false, false, false},
        {Height::Full, Panel::Keep, Pointer::Default, false, false, false});

    // Dragging: never folded, size-all wherever the pointer is inside.
    add("dragging, pointer ahead of the window", {{600, 500}, kDocked, true, true, false, true, false, true},
        {Height::Keep, Panel::Keep, Pointer::Keep, false, true, true});
    add("dragging, pointer inside", {{350, 150}, kDocked, true, true, false, true, false, true},
        {Height::Full, Panel::Keep, Pointer::SizeAll, false, true, false});

    // Translucent: the panel shows only under the pointer.
    add("panel, pointer inside", {{250, 150}, kDocked, true, false, true, false, false, false},
        {Height::Full, Panel::Shown, Pointer::Default, false, false, false});
    add("panel, pointer away", {{600, 500}, kDocked, true, false, true, false, false, false},
        {Height::Keep, Panel::Hidden, Pointer::Keep, false, false, true});
}

void TestPlacementRules::pointerWatch()
{
    QFETCH(PointerSample, sample);
    QFETCH(PointerStep, expected);
    const PointerStep step = WatchPointer(sample);
    QCOMPARE(int(step.height), int(expected.height));
    QCOMPARE(int(step.panel), int(expected.panel));
    QCOMPARE(int(step.pointer), int(expected.pointer));
    QCOMPARE(step.refreshNow, expected.refreshNow);
    QCOMPARE(step.inDragZone, expected.inDragZone);
    QCOMPARE(step.refreshPending, expected.refreshPending);
}

void TestPlacementRules::tickerText()
{
    QCOMPARE(TickerText("3100.5", "-0.52%", 9608, 1234567.89),
             QStringLiteral("上证3100.5 -0.52% 资金9608 1234567.89   "));
    QCOMPARE(TickerText("", "", 0, 0), QStringLiteral("上证  资金0 0   "));
}

void TestPlacementRules::rotation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("once");
    QTest::newRow("ascii") << "ab c" << "b ca";
    QTest::newRow("chinese") << "上证3100 资金" << "证3100 资金上";
    QTest::newRow("surrogate pair first") << QStringLiteral("\U00020000上a") << QStringLiteral("上a\U00020000");
    QTest::newRow("one character") << "x" << "x";
    QTest::newRow("empty") << "" << "";
}

// One character a tick, and the text whole again after as many ticks as it has characters.
void TestPlacementRules::rotation()
{
    QFETCH(QString, text);
    QFETCH(QString, once);
    QCOMPARE(RotateLeft(text), once);
    const qsizetype characters = text.toUcs4().size();
    QString t = text;
    for (qsizetype i = 0; i < characters; ++i) {
        t = RotateLeft(t);
        QCOMPARE(t.size(), text.size());
        if (i + 1 < characters && characters > 1)
            QVERIFY(t != text);
    }
    QCOMPARE(t, text);
}

void TestPlacementRules::tickerPlace_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("ticker");
    const QRect screen(0, 0, 1024, 768);
    QTest::newRow("panel at the bottom") << screen << QRect(0, 0, 1024, 738) << QRect(784, 738, 240, 30);
    QTest::newRow("panel at the top") << screen << QRect(0, 28, 1024, 740) << QRect(784, 0, 240, 28);
    QTest::newRow("panel at the left") << screen << QRect(48, 0, 976, 768) << QRect(0, 743, 48, 25);
    QTest::newRow("panel at the right") << screen << QRect(0, 0, 980, 768) << QRect(980, 743, 44, 25);
    QTest::newRow("panels at the top and bottom")
        << screen << QRect(0, 24, 1024, 714) << QRect(784, 738, 240, 30);
    QTest::newRow("no panel") << screen << screen << QRect(784, 743, 240, 25);
    QTest::newRow("no available geometry") << screen << QRect() << QRect(784, 743, 240, 25);
    QTest::newRow("second screen, panel at the bottom")
        << QRect(1024, 0, 1280, 1024) << QRect(1024, 0, 1280, 992) << QRect(2064, 992, 240, 32);
    QTest::newRow("second screen, no panel")
        << QRect(1024, 0, 1280, 1024) << QRect(1024, 0, 1280, 1024) << QRect(2064, 999, 240, 25);
    QTest::newRow("screen narrower than the ticker") << QRect(0, 0, 200, 20) << QRect(0, 0, 200, 20)
                                                     << QRect(0, 0, 200, 20);
    QTest::newRow("no screen") << QRect() << QRect() << QRect(0, 0, 240, 25);
}

void TestPlacementRules::tickerPlace()
{
    QFETCH(QRect, screen);
    QFETCH(QRect, available);
    QFETCH(QRect, ticker);
    QCOMPARE(FindTrayNotifyWindow(screen, available), ticker);
}

QTEST_APPLESS_MAIN(TestPlacementRules)
#include "tst_placementrules.moc"
