#pragma once

// The number and text semantics the windows share: reading the number at the start of a text, trimming
// blanks, formatting with the grid patterns and writing a number back as plain decimal text.

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>

namespace tv {

// The number at the start of a text, 0 when there is none. Blanks, tabs and line feeds are skipped
// anywhere; reading stops at the first character that cannot continue the number. "&H" and "&O" read
// hexadecimal and octal.
double Val(const QString &text);

// The plain decimal text of the number Val reads, taken from its characters rather than through a
// double, so that a number of more than 15 significant digits (a contract number) keeps every digit.
// Leading zeros of the whole part and trailing zeros of the fraction go: "00123" gives "123", "1.50"
// gives "1.5", "A123" gives "0". Where the number has at most 15 significant digits, or lies beyond a
// double's range, the text is NumText(Val(text)).
QString LeadingNumberText(const QString &text);

// The number a text is, when the whole of it, trimmed of blanks, is a plain finite decimal: an optional
// sign, ASCII digits and at most one point, at least one digit (".5" and "257." as Format writes them).
// Nothing else reads: no exponent ("1e5", and "1d5" that Val reads as 100000), no "&H", no group
// separators, no inner blanks, no "inf" or "nan", no value too large for a double. Web text and typed
// values go through here where Val would take a number out of any text.
std::optional<double> DecimalNumber(const QString &text);

// Numbers are read and written with a point whatever the user's locale: the C library's number
// functions under these follow LC_NUMERIC, which the application object takes from the environment, so
// the program sets it back once that object exists.
void UsePointNumbers();

// Trims blanks (U+0020) only; tabs and other white space stay.
QString Trim(const QString &text);
QString LTrim(const QString &text);
QString RTrim(const QString &text);

// Numeric patterns made of '#', '0', one '.', and an optional trailing '%': "####.##", "###.##", "0.00%".
// A point in the pattern is always written ("257."), an integer part of 0 under '#' is left out (".5").
// Halves are rounded away from zero on the value's 15-digit decimal form.
QString Format(double value, const QString &pattern);
QString FormatDate(const QDate &date); // "yyyy-MM-dd"

// Plain decimal text with at most `significant` significant digits, trailing zeros removed, never an
// exponent: 0.5 -> "0.5", -3 -> "-3", 1e-7 -> "0.0000001".
QString NumText(double value, int significant = 15);
// NumText's characters, all ASCII, appended to out without a QString in between.
void AppendNumText(QByteArray &out, double value, int significant = 15);
inline QString DoubleText(double value) { return NumText(value, 15); }
inline QString SingleText(double value) { return NumText(value, 7); }

// The well-formed UTF-8 sequence that starts at p: its length in bytes, with its code point in cp; 0 where
// the bytes at p are none (a stray continuation byte, an overlong form, an encoded surrogate, a code
// point past U+10FFFF, a sequence cut short by end). For texts kept as UTF-8 bytes that another program
// may have written.
inline int Utf8Sequence(const unsigned char *p, const unsigned char *end, char32_t &cp)
{
    if (p >= end)
        return 0;
    if (*p < 0x80) {
        cp = *p;
        return 1;
    }
    // The lead byte gives the sequence's length and the range of its second byte.
    int more;
    unsigned char low = 0x80, high = 0xBF;
    if (*p >= 0xC2 && *p <= 0xDF) {
        more = 1;
    } else if (*p >= 0xE0 && *p <= 0xEF) {
        more = 2;
        low = *p == 0xE0 ? 0xA0 : 0x80;
        high = *p == 0xED ? 0x9F : 0xBF;
    } else if (*p >= 0xF0 && *p <= 0xF4) {
        more = 3;
        low = *p == 0xF0 ? 0x90 : 0x80;
        high = *p == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (end - p <= more || p[1] < low || p[1] > high)
        return 0;
    char32_t c = *p & (0x3F >> more);
    for (int n = 1; n <= more; ++n) {
        if ((p[n] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (p[n] & 0x3F);
    }
    cp = c;
    return more + 1;
}

// Compensated (Kahan) summation, so that 100,000 amounts of 1234.56 add up to 123456000 exactly as
// printed.
class Sum
{
public:
    void add(double v);
    double value() const { return m_sum; }

private:
    double m_sum = 0;
    double m_carry = 0;
};

// Rounds to `digits` decimals, halves to the even neighbour, on the value's 15-digit decimal form.
double RoundHalfEven(double value, int digits = 0);

} // namespace tv
