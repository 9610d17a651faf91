#pragma once

class QKeyEvent;
class QLineEdit;

namespace tv {

// The numeric key filter applied to a box: changes the key in place (0 swallows it) and beeps
// where the rule says so.
void NumericKeyFilter(int &keyAscii, QLineEdit *box);

// The key of a key press as a typed character: its character code, 8 for backspace, 1 to 26 for Ctrl
// with a letter, 0 for keys that type nothing (arrows, Tab, Enter, Esc, Alt shortcuts).
int TypedKey(const QKeyEvent *event);

// Runs a key press on a numeric box through the filter; true when the filter swallowed it. Keys that
// type nothing always pass.
bool SwallowNumericKey(QLineEdit *box, const QKeyEvent *event);

} // namespace tv
