#include "quotes/frmmin.h"

#include "app/FormHelpers.h"
#include "app/Globals.h"
#include "quotes/TickerRules.h"
#include "quotes/frmnow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

namespace tv {

namespace {
constexpr int kTextTopTwips = 80;
constexpr int kTextHeightTwips = 300;
} // namespace

frmmin::frmmin()
{
    setObjectName(QStringLiteral("frmmin"));
    // Over the panel and out of the way: no frame, above other windows, never taking the focus.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);

    vText = new QLabel(this);
    vText->setObjectName(QStringLiteral("vText"));
    vText->setTextFormat(Qt::PlainText);
    QFont font = vText->font();
    // 宋体 where it is installed, else a CJK face of the system.
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Noto Serif CJK SC")});
    font.setPointSize(9);
    vText->setFont(font);
    vText->installEventFilter(this);

    Scroll = new QTimer(this);
    Scroll->setObjectName(QStringLiteral("Scroll"));
    Scroll->setInterval(500);
    connect(Scroll, &QTimer::timeout, this, &frmmin::Scroll_Timer);

    writeText();
    Scroll->start();
}

frmmin::~frmmin()
{
    formUnloaded(this);
}

void frmmin::writeText()
{
    vText->setText(TickerText(g_WatchPrice[1], g_WatchChange[1], g_MarketValue, g_TotalAssets));
}

void frmmin::Scroll_Timer()
{
    vText->setText(RotateLeft(vText->text()));
}

void frmmin::dockAt(const QRect &place)
{
    m_place = place;
    m_putBacks = 3;
    setGeometry(place);
    show();
    raise();
    Scroll->start();
}

// A window manager may nudge a new window off a panel's strip as it maps it (passing through its frame's
// origin on the way); the ticker belongs on the strip, so it goes back there, a few times at most: a
// manager that insists has the last word.
void frmmin::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (m_putBacks > 0 && isVisible() && geometry() != m_place) {
        --m_putBacks;
        QTimer::singleShot(0, this, [this] { setGeometry(m_place); });
    }
}

void frmmin::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    vText->setGeometry(0, TwipsToPx(kTextTopTwips), width(), TwipsToPx(kTextHeightTwips));
}

bool frmmin::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == vText) {
        const bool back = event->type() == QEvent::MouseButtonDblClick ||
                          (event->type() == QEvent::MouseButtonPress &&
                           static_cast<QMouseEvent *>(event)->button() == Qt::RightButton);
        if (back) {
            close();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Every close is the way back to the watch window, the window manager's included; only the program's
// unloading, which takes the watch window down too, closes the ticker without showing it.
void frmmin::closeEvent(QCloseEvent *event)
{
    Scroll->stop();
    formUnloaded(this);
    event->accept();
    g_TickerDocked = false;
    if (frmnow::isLoaded() && !frmnow::existing()->unloading())
        frmnow::existing()->show();
}

void DockMiniTicker()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    frmmin::instance()->dockAt(FindTrayNotifyWindow(screen ? screen->geometry() : QRect(),
                                                    screen ? screen->availableGeometry() : QRect()));
}

} // namespace tv
