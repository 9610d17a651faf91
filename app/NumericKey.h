#pragma once

#include <QString>

namespace tv {

// The key filter of numeric boxes, on the box's text and selection: a "-" only in front, one ".",
// digits, backspace, and a blank only over a selection. Returns the key, or 0 when it is swallowed;
// `beep` tells whether a swallowed "-" should sound.
int NumericKeyRule(int key, const QString &text, int selectionStart, int selectionLength, bool *beep = nullptr);

} // namespace tv
