#include "app/FormHelpers.h"

#include "app/Fitting.h"
#include "app/VbCompat.h"
#include "data/Settings.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QWidget>
#include <QWindow>

namespace tv {

namespace {

const char *const kFittedFrom = "tvFittedFrom"; // the stored Left and Top texts of a fitted window
const char *const kFittedTo = "tvFittedTo";     // where the fit put it

QMargins frameMargins(const QWidget *w)
{
    const QWindow *window = w->windowHandle();
    return window ? window->frameMargins() : QMargins();
}

class ScreenFit : public QObject
{
public:
    ScreenFit(QWidget *w, std::function<void()> fitted) : QObject(w), m_window(w), m_fitted(std::move(fitted))
    {
        w->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !m_shown) {
            m_shown = true;
            fit();
            // Framed, but no frame told yet: the window system places it first.
            if (!frameMargins(m_window).isNull() || m_window->windowFlags().testFlag(Qt::FramelessWindowHint))
                deleteLater();
        } else if (m_shown && placedOrPainted(event->type()) && !frameMargins(m_window).isNull()) {
            fit();
            deleteLater();
        }
        return false;
    }

    // What follows the window manager's placing: the window may move with its frame, or only be shown and
    // activated where it stands.
    static bool placedOrPainted(QEvent::Type type)
    {
        return type == QEvent::Move || type == QEvent::Resize || type == QEvent::Paint ||
               type == QEvent::UpdateRequest || type == QEvent::WindowActivate;
    }

    void fit()
    {
        if (m_window->isMaximized() || m_window->isFullScreen() || m_window->isMinimized())
            return;
        const QMargins m = frameMargins(m_window);
        const QRect frame(m_window->pos(), m_window->size().grownBy(m));
        QList<QRect> areas;
        for (const QScreen *s : QGuiApplication::screens())
            areas << s->availableGeometry();
        const int screen = ScreenFor(frame, areas);
        if (screen < 0)
            return;
        const QRect fitted = FitRectInto(frame, areas[screen]);
        if (fitted == frame)
            return;
        m_window->move(fitted.topLeft());
        m_window->resize(fitted.size().shrunkBy(m));
        if (m_fitted)
            m_fitted();
    }

private:
    QWidget *m_window;
    std::function<void()> m_fitted;
    bool m_shown = false;
};

} // namespace

void FitWhenShown(QWidget *w, std::function<void()> fitted)
{
    auto *fit = new ScreenFit(w, std::move(fitted));
    if (w->isVisible()) {
        QShowEvent shown;
        fit->eventFilter(w, &shown);
    }
}

void RestorePosition(QWidget *w, const QString &section)
{
    const QString left = GetSetting(ExeAppName(), section, QStringLiteral("Left"));
    const QString top = GetSetting(ExeAppName(), section, QStringLiteral("Top"));
    w->move(TwipsToPx(Val(left)), TwipsToPx(Val(top)));
    w->setProperty(kFittedFrom, QVariant());
    if (w->windowFlags().testFlag(Qt::FramelessWindowHint))
        return;
    FitWhenShown(w, [w, left, top] {
        w->setProperty(kFittedFrom, QStringList{left, top});
        w->setProperty(kFittedTo, w->pos());
    });
}

void SavePosition(QWidget *w, const QString &section)
{
    const QStringList stored = w->property(kFittedFrom).toStringList();
    const bool unmoved = stored.size() == 2 && w->property(kFittedTo).toPoint() == w->pos();
    SaveSetting(ExeAppName(), section, QStringLiteral("Left"),
                unmoved ? stored[0] : NumText(PxToTwips(w->x())));
    SaveSetting(ExeAppName(), section, QStringLiteral("Top"),
                unmoved ? stored[1] : NumText(PxToTwips(w->y())));
}

void SetMousePointer(QWidget *w, int pointer)
{
    if (pointer == 11)
        w->setCursor(Qt::WaitCursor);
    else
        w->unsetCursor();
}

namespace {
class EnterFilter : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *obj, QEvent *ev) override
    {
        if (ev->type() == QEvent::KeyPress) {
            auto *ke = static_cast<QKeyEvent *>(ev);
            if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
                // A Tab sent to the box moves the focus along the window's tab order.
                QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
                QCoreApplication::sendEvent(obj, &tab);
                return true;
            }
        }
        return false;
    }
};
} // namespace

void EnterMovesFocus(QWidget *box) { box->installEventFilter(new EnterFilter(box)); }

namespace {
// Seen by the application before any window: the key reaches the button itself first, so a dialog's
// default button never takes an Enter meant for the button that has the focus.
class ButtonKeys : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *obj, QEvent *ev) override
    {
        if (ev->type() != QEvent::KeyPress)
            return false;
        auto *button = qobject_cast<QPushButton *>(obj);
        const auto *ke = static_cast<QKeyEvent *>(ev);
        if (!button || (ke->key() != Qt::Key_Return && ke->key() != Qt::Key_Enter) ||
            (ke->modifiers() & ~Qt::KeypadModifier))
            return false;
        if (!ke->isAutoRepeat() && button->isEnabled() && button->isVisible())
            button->click();
        return true;
    }
};
} // namespace

void ApplyButtonKeys(QWidget *window)
{
    static QPointer<ButtonKeys> keys;
    if (!keys && qApp) {
        keys = new ButtonKeys(qApp);
        qApp->installEventFilter(keys);
    }
    for (QPushButton *b : window->findChildren<QPushButton *>())
        if (!b->isDefault())
            b->setAutoDefault(false);
}

} // namespace tv

#include "app/Shared.h"

namespace tv {
namespace {
class HoverHint : public QObject
{
public:
    HoverHint(QObject *parent, QString hint) : QObject(parent), m_hint(std::move(hint)) {}
    bool eventFilter(QObject *, QEvent *ev) override
    {
        if (ev->type() == QEvent::Enter || ev->type() == QEvent::MouseMove)
            SetStatusText(m_hint);
        return false;
    }

private:
    QString m_hint;
};
} // namespace

void StatusHintOnHover(QWidget *control, const QString &hint)
{
    control->installEventFilter(new HoverHint(control, hint));
}
} // namespace tv

#include <QApplication>
#include <QFocusEvent>
#include <QMdiSubWindow>

namespace tv {
QColor VbColor(unsigned int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

void SetBoxColours(QWidget *box, unsigned int backBgr, unsigned int foreBgr)
{
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, VbColor(backBgr));
    pal.setColor(QPalette::Text, VbColor(foreBgr));
    box->setPalette(pal);
}

namespace {
// The window a control belongs to: the child window of a work area that holds it, or its top-level one.
const QWidget *ownWindow(const QWidget *w)
{
    while (!w->isWindow() && w->parentWidget() && !qobject_cast<const QMdiSubWindow *>(w->parentWidget()))
        w = w->parentWidget();
    return w;
}
} // namespace

bool FocusMovedWithinWindow(const QFocusEvent *event, const QWidget *box)
{
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return false;
    if (const QWidget *next = QApplication::focusWidget())
        return ownWindow(box)->isAncestorOf(next);
    return event->reason() != Qt::OtherFocusReason;
}
} // namespace tv

#include <QLineEdit>

#include <QFrame>
#include <QMouseEvent>

namespace tv {

namespace {
QFrame *hoverLine(QWidget *parent, const QString &name, bool vertical)
{
    auto *line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(vertical ? QFrame::VLine : QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->hide();
    return line;
}

} // namespace

void SetLineColour(QFrame *line, unsigned int bgr)
{
    QPalette pal = line->palette();
    pal.setColor(QPalette::WindowText, VbColor(bgr));
    line->setPalette(pal);
}

HoverLines NewHoverLines(QWidget *parent, const QString &suffix)
{
    HoverLines l{hoverLine(parent, QStringLiteral("lLeft") + suffix, true),
                 hoverLine(parent, QStringLiteral("lTop") + suffix, false),
                 hoverLine(parent, QStringLiteral("lRight") + suffix, true),
                 hoverLine(parent, QStringLiteral("lBottom") + suffix, false)};
    SetLineColour(l.left, 0xFFFFFF);
    SetLineColour(l.right, 0x808080);
    PressHoverLines(l, false);
    return l;
}

void ShowHoverLines(const HoverLines &lines, const QWidget *around, bool on)
{
    if (on) {
        const QRect r = around->geometry();
        lines.left->setGeometry(r.left() - 1, r.top() - 1, 1, r.height() + 2);
        lines.right->setGeometry(r.right() + 1, r.top() - 1, 1, r.height() + 2);
        lines.top->setGeometry(r.left() - 1, r.top() - 1, r.width() + 2, 1);
        lines.bottom->setGeometry(r.left() - 1, r.bottom() + 1, r.width() + 2, 1);
    }
    for (QFrame *line : {lines.left, lines.right, lines.top, lines.bottom}) {
        line->setVisible(on);
        if (on)
            line->raise();
    }
}

HoverButton HoverButtonEvent(const QWidget *button, const HoverLines &lines, const QEvent *event, bool shown,
                             const std::function<void()> &show)
{
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::MouseMove:
        if (!shown)
            show();
        return event->type() == QEvent::MouseMove ? HoverButton::Taken : HoverButton::NotTaken;
    case QEvent::MouseButtonPress:
        PressHoverLines(lines, true);
        return HoverButton::Taken;
    case QEvent::MouseButtonRelease:
        PressHoverLines(lines, false);
        return button->rect().contains(static_cast<const QMouseEvent *>(event)->position().toPoint())
                   ? HoverButton::Released
                   : HoverButton::Taken;
    default:
        return HoverButton::NotTaken;
    }
}

void PressHoverLines(const HoverLines &lines, bool pressed)
{
    SetLineColour(lines.top, pressed ? 0x808080 : 0xFFFFFF);
    SetLineColour(lines.bottom, pressed ? 0xFFFFFF : 0x808080);
}

} // namespace tv

#include <QPainter>
#include <QPixmap>

namespace tv {

QPixmap DocumentPicture()
{
    QPixmap pm(22, 22);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(0x30, 0x30, 0x60));
    p.setBrush(QColor(0xF8, 0xF8, 0xFF));
    p.drawRect(4, 1, 14, 19);
    for (int y = 6; y <= 15; y += 3)
        p.drawLine(7, y, 15, y);
    return pm;
}

} // namespace tv

namespace tv {

void SelectWhenFocused(QLineEdit *box, bool wholeText)
{
    QMetaObject::invokeMethod(
        box,
        [box, wholeText] {
            if (wholeText)
                box->selectAll();
            else
                box->setSelection(0, int(Trim(box->text()).size()));
        },
        Qt::QueuedConnection);
}

} // namespace tv

#include <QAbstractItemView>

namespace tv {

namespace {
class OtherPicks : public QObject
{
public:
    OtherPicks(QAbstractItemView *view, std::function<void()> picked)
        : QObject(view), m_view(view), m_viewport(view->viewport()), m_picked(std::move(picked))
    {
    }
    bool eventFilter(QObject *obj, QEvent *ev) override
    {
        if (obj == m_view && ev->type() == QEvent::KeyPress && !m_delivering) {
            // The key is delivered here, so the move it makes is seen at once; a key the view does not
            // take goes on to its parents as usual.
            const QPersistentModelIndex before = m_view->currentIndex();
            m_delivering = true;
            static_cast<QObject *>(m_view)->event(ev);
            m_delivering = false;
            if (m_view->currentIndex().isValid() && m_view->currentIndex() != before) {
                QPointer<QAbstractItemView> view(m_view);
                m_picked();
                // The keys go on moving through the view, wherever the pick put the focus.
                const QWidget *focus = QApplication::focusWidget();
                if (view && focus && focus != view && focus->window() == view->window())
                    view->setFocus(Qt::OtherFocusReason);
            }
            return true;
        }
        if (ev->type() == QEvent::MouseButtonRelease && obj == m_viewport) {
            const auto *me = static_cast<QMouseEvent *>(ev);
            const QModelIndex at = m_view->indexAt(me->position().toPoint());
            if (me->button() != Qt::LeftButton && at.isValid() && at == m_view->currentIndex())
                m_picked();
        }
        return false;
    }

private:
    QAbstractItemView *m_view;
    const QObject *m_viewport;
    std::function<void()> m_picked;
    bool m_delivering = false;
};
} // namespace

void PickWithKeysAndOtherButtons(QAbstractItemView *view, const std::function<void()> &picked)
{
    auto *filter = new OtherPicks(view, picked);
    view->installEventFilter(filter);
    view->viewport()->installEventFilter(filter);
}

} // namespace tv
