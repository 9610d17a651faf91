#pragma once

class QLineEdit;

namespace tv {

// The numeric key filter applied to a box: changes the key in place (0 swallows it) and beeps
// where the rule says so.
void NumericKeyFilter(int &keyAscii, QLineEdit *box);

} // namespace tv
