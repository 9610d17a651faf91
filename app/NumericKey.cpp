#include "app/NumericKey.h"

namespace tv {

int NumericKeyRule(int key, const QString &text, int selectionStart, int selectionLength, bool *beep)
{
    if (beep)
        *beep = false;
    switch (key) {
    case '-':
        if (selectionStart != 0 || text.startsWith(u'-')) {
            if (beep)
                *beep = true;
            return 0;
        }
        return key;
    case 8:
        return key;
    case ' ':
        return selectionLength != 0 ? key : 0;
    case '.':
        return text.contains(u'.') ? 0 : key;
    default:
        return (key >= '0' && key <= '9') ? key : 0;
    }
}

} // namespace tv
