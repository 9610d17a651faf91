#include "app/BoxHelpers.h"

#include "app/NumericKey.h"
#include "app/Seams.h"

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

} // namespace tv
