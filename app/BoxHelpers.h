#pragma once

#include <QString>

class QDateEdit;
class QLineEdit;
class QWidget;

namespace tv {

// The numeric key filter applied to a box: changes the key in place (0 swallows it) and beeps
// where the rule says so.
void NumericKeyFilter(int &keyAscii, QLineEdit *box);

// Makes a box a numeric box, the one way every window does: each key typed into it passes
// NumericKeyFilter, and the box itself refuses any other change the filter would refuse, however the
// text comes (a paste, a drop, an input method's commit). Text the program puts in is taken as it is.
void SetUpNumericBox(QLineEdit *box);

// A box's maximum length for typing only: text put in by the program (a stored value, a chosen path)
// is never cut short.
void LimitTypedLength(QLineEdit *box, int maximum);
int TypedLengthLimit(const QLineEdit *box);

// The widest money figure a box must show whole: 13 digits with cents, negative.
inline const QString kWidestFigure = QStringLiteral("-1234567890123.45");
// The widest count of rows a box must show whole.
inline const QString kWidestCount = QStringLiteral("1000000");

// A box the program writes figures into (a total, a count, a result): it shows each figure from its
// first character, as a text the operator types stays where the caret is, and it is at least wide
// enough to show `widest` whole in its own font.
void SetUpFigureBox(QLineEdit *box, const QString &widest = kWidestFigure);

// A date picker of the form yyyy-MM-dd with its calendar, every window's one. A typed date that does
// not exist (2026-02-30, however it comes: keys into a section, a paste, an input method's commit) is
// refused with the program's wrong-value message under `title`, and the picker keeps the date it had
// and reports no change; Qt would quietly take 2026-02-03 or 2026-02-28 instead.
QDateEdit *NewDatePicker(QWidget *parent, const QString &name, const QString &title);

} // namespace tv
