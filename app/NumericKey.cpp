#include "app/NumericKey.h"

#include <algorithm>

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

bool NumericEditAllowed(const QString &before, const QString &after)
{
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype head = 0;
    while (head < shorter && before[head] == after[head])
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head && before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    QString text = before;
    int at = int(head);
    int replaced = int(before.size() - head - tail);
    for (const QChar c : after.mid(head, after.size() - head - tail)) {
        // A control character never comes from a key that types it.
        if (c.unicode() < 32 || NumericKeyRule(c.unicode(), text, at, replaced) == 0)
            return false;
        text.replace(at, replaced, c);
        ++at;
        replaced = 0;
    }
    return true;
}

} // namespace tv
