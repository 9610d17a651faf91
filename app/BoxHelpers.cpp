#include "app/BoxHelpers.h"

#include "app/NumericKey.h"
#include "app/Seams.h"

#include <QKeyEvent>
#include <QLineEdit>

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

int TypedKey(const QKeyEvent *event)
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

bool SwallowNumericKey(QLineEdit *box, const QKeyEvent *event)
{
    int key = TypedKey(event);
    if (!key)
        return false;
    NumericKeyFilter(key, box);
    return key == 0;
}

} // namespace tv
