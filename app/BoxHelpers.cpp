#include "app/BoxHelpers.h"

#include "app/NumericKey.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/TypedDate.h"

#include <QDateEdit>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

#include <algorithm>
#include <cmath>

namespace tv {

void NumericKeyFilter(int &keyAscii, QLineEdit *box)
{
    const int start = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
    const int length = box->hasSelectedText() ? int(box->selectedText().size()) : 0;
    bool beep = false;
    keyAscii = NumericKeyRule(keyAscii, box->text(), start, length, &beep);
    if (beep)
        Beep();
}

namespace {

// The key of a key press as a typed character: its character code, 8 for backspace, 1 to 26 for Ctrl
// with a letter, 0 for keys that type nothing (arrows, Tab, Enter, Esc, Alt shortcuts).
int typedKey(const QKeyEvent *event)
{
    if (event->key() == Qt::Key_Backspace)
        return 8;
    if (event->modifiers() & (Qt::AltModifier | Qt::MetaModifier))
        return 0;
    // Ctrl with a letter types its control code (Ctrl+V is 22), so the numeric filter swallows it like
    // every other control key: nothing gets pasted or cut past the filter from the keyboard.
    if (event->modifiers() & Qt::ControlModifier) {
        const int k = event->key();
        return (k >= Qt::Key_A && k <= Qt::Key_Z) ? k - Qt::Key_A + 1 : 0;
    }
    const QString text = event->text();
    if (text.size() != 1 || !text[0].isPrint())
        return 0;
    return text[0].unicode();
}

class NumericKeys : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *obj, QEvent *ev) override
    {
        if (ev->type() != QEvent::KeyPress)
            return false;
        int key = typedKey(static_cast<QKeyEvent *>(ev));
        if (!key)
            return false; // Enter, Tab and the like are the window's own
        NumericKeyFilter(key, static_cast<QLineEdit *>(obj));
        return key == 0;
    }
};

// Every change of a box's text passes here before it is shown; a refused one is undone at once.
class BoxValidator : public QValidator
{
public:
    explicit BoxValidator(QLineEdit *box) : QValidator(box), m_box(box), m_last(box->text())
    {
        connect(box, &QLineEdit::textChanged, this, [this](const QString &text) { m_last = text; });
    }
    int maximum = -1;
    bool numeric = false;

    State validate(QString &input, int &) const override
    {
        if (maximum >= 0 && input.size() > maximum)
            return Invalid;
        // The program's setText leaves the box unmodified; only the operator's edits are judged.
        if (numeric && m_box->isModified() && !NumericEditAllowed(m_last, input))
            return Invalid;
        return Acceptable;
    }

private:
    QLineEdit *m_box;
    QString m_last; // the text before the change being judged
};

BoxValidator *boxValidator(QLineEdit *box)
{
    auto *v = dynamic_cast<BoxValidator *>(const_cast<QValidator *>(box->validator()));
    if (!v) {
        v = new BoxValidator(box);
        box->setValidator(v);
    }
    return v;
}

} // namespace

void SetUpNumericBox(QLineEdit *box)
{
    boxValidator(box)->numeric = true;
    box->installEventFilter(new NumericKeys(box));
    // Numbers are typed as keys; an input method's text is refused above all the same.
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
}

void LimitTypedLength(QLineEdit *box, int maximum)
{
    boxValidator(box)->maximum = maximum;
}

int TypedLengthLimit(const QLineEdit *box)
{
    const auto *v = dynamic_cast<const BoxValidator *>(box->validator());
    return v && v->maximum >= 0 ? v->maximum : box->maxLength();
}

void SetUpFigureBox(QLineEdit *box, const QString &widest)
{
    // A text put in by the program leaves the box unmodified; QLineEdit puts the caret, and so the view,
    // at its end.
    QObject::connect(box, &QLineEdit::textChanged, box, [box] {
        if (!box->isModified())
            box->setCursorPosition(0);
    });
    // The box's size hint is room for 17 "x" and its frame and margins; the text shows without
    // scrolling when its width, its bearings and the caret's pixel fit in that room.
    box->ensurePolished();
    const QFontMetrics fm(box->font());
    const int frame = box->sizeHint().width() - 17 * fm.horizontalAdvance(u'x');
    const int text = int(std::ceil(QFontMetricsF(box->font()).horizontalAdvance(widest))) + 1 +
                     std::max(0, -fm.minLeftBearing()) + std::max(0, -fm.minRightBearing());
    box->setMinimumWidth(std::max(box->minimumWidth(), frame + text));
}

namespace {

// QDateEdit reads a typed text section by section: a "3" in the day of February cannot begin a day of
// February, so it is taken as the 3rd at once and the "0" after it is dropped; a 29th or 31st that the
// month has not is cut to its last day. Here the text is judged whole first, and a day that does not
// exist is refused before any of that.
class DatePicker : public QDateEdit
{
public:
    DatePicker(QWidget *parent, QString title) : QDateEdit(parent), m_title(std::move(title)) {}

protected:
    QValidator::State validate(QString &input, int &pos) const override
    {
        // Keys that come after a refused one, before the date is put back, change nothing.
        if (m_refusing)
            return QValidator::Invalid;
        const TypedDate typed = JudgeTypedDate(input, false);
        if (typed.kind == TypedDate::Partial)
            return QValidator::Intermediate; // also where Qt would take a shorter day than is being typed
        if (typed.kind == TypedDate::NoSuchDate) {
            refuse();
            return QValidator::Invalid;
        }
        QString read = input;
        int at = pos;
        const QValidator::State state = QDateEdit::validate(read, at);
        // Qt's reading of a whole new date may keep a section of the old one: the date is taken as typed.
        if (typed.kind == TypedDate::Real && !typed.padded && read != input)
            return typed.date >= minimumDate() && typed.date <= maximumDate() ? QValidator::Acceptable
                                                                              : QValidator::Intermediate;
        input = read;
        pos = at;
        return state;
    }

    // At the end of the typing a day or month of one digit is what was typed.
    void fixup(QString &input) const override
    {
        const TypedDate typed = JudgeTypedDate(input, true);
        if (typed.kind == TypedDate::Real)
            input = textFromDateTime(QDateTime(typed.date, time()));
        else if (typed.kind == TypedDate::NoSuchDate)
            refuse(); // the text stays, so the picker goes back to its date
        else if (typed.kind == TypedDate::Other)
            QDateEdit::fixup(input);
    }

    QDateTime dateTimeFromText(const QString &text) const override
    {
        const TypedDate typed = JudgeTypedDate(text, false);
        if (typed.kind == TypedDate::Real && !typed.padded)
            return QDateTime(typed.date, time());
        return QDateEdit::dateTimeFromText(text);
    }

private:
    // The text is judged inside the box's own editing: the date is put back, and the message shown,
    // once that is over.
    void refuse() const
    {
        if (m_refusing)
            return;
        m_refusing = true;
        auto *self = const_cast<DatePicker *>(this);
        QMetaObject::invokeMethod(
            self,
            [self] {
                self->setDate(self->date());
                self->m_refusing = false;
                MsgBox(kWrongValueText, 16, self->m_title);
            },
            Qt::QueuedConnection);
    }

    QString m_title;
    mutable bool m_refusing = false;
};

} // namespace

QDateEdit *NewDatePicker(QWidget *parent, const QString &name, const QString &title)
{
    auto *p = new DatePicker(parent, title);
    p->setObjectName(name);
    p->setCalendarPopup(true);
    p->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return p;
}

} // namespace tv
