#pragma once

#include <QString>

namespace tv {

// The key filter of numeric boxes, on the box's text and selection: a "-" only in front, one ".",
// digits, backspace, and a blank only over a selection. Returns the key, or 0 when it is swallowed;
// `beep` tells whether a swallowed "-" should sound.
int NumericKeyRule(int key, const QString &text, int selectionStart, int selectionLength, bool *beep = nullptr);

// Whether an edit that turned `before` into `after` (a paste, a drop, an input method's text) is one the
// filter lets through: the new text as if typed over the text it replaced, one character at a time.
// Taking text away always passes, as backspace does.
bool NumericEditAllowed(const QString &before, const QString &after);

} // namespace tv
