#include "app/FormHelpers.h"

#include "app/VbCompat.h"
#include "data/Settings.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace tv {

void RestorePosition(QWidget *w, const QString &section)
{
    const double left = Val(GetSetting(ExeAppName(), section, QStringLiteral("Left")));
    const double top = Val(GetSetting(ExeAppName(), section, QStringLiteral("Top")));
    w->move(TwipsToPx(left), TwipsToPx(top));
}

void SavePosition(QWidget *w, const QString &section)
{
    SaveSetting(ExeAppName(), section, QStringLiteral("Left"), NumText(PxToTwips(w->x())));
    SaveSetting(ExeAppName(), section, QStringLiteral("Top"), NumText(PxToTwips(w->y())));
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

#include <QFocusEvent>

namespace tv {
QColor VbColor(unsigned int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

void SetBoxColours(QWidget *box, unsigned int backBgr, unsigned int foreBgr)
{
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, VbColor(backBgr));
    pal.setColor(QPalette::Text, VbColor(foreBgr));
    box->setPalette(pal);
}

bool FocusMovedWithinWindow(const QFocusEvent *event)
{
    return event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
}
} // namespace tv

#include <QLineEdit>
#include <QValidator>

namespace tv {
namespace {
class LengthValidator : public QValidator
{
public:
    LengthValidator(int maximum, QObject *parent) : QValidator(parent), m_maximum(maximum) {}
    State validate(QString &input, int &) const override
    {
        return input.size() <= m_maximum ? Acceptable : Invalid;
    }
    int maximum() const { return m_maximum; }

private:
    int m_maximum;
};
} // namespace

void LimitTypedLength(QLineEdit *box, int maximum) { box->setValidator(new LengthValidator(maximum, box)); }

int TypedLengthLimit(const QLineEdit *box)
{
    const auto *v = dynamic_cast<const LengthValidator *>(box->validator());
    return v ? v->maximum() : box->maxLength();
}
} // namespace tv
