#include "app/VbCompat.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

namespace tv {

namespace {

// A decimal number: the digit string with the decimal point after `point` digits (point may be
// negative or beyond the end), so 0.05 is {"5", -1} and 1200 is {"12", 4}.
struct Decimal
{
    bool negative = false;
    std::string digits;
    int point = 0;

    bool isZero() const { return digits.find_first_not_of('0') == std::string::npos; }
};

Decimal toDecimal(double value, int significant)
{
    Decimal d;
    if (!std::isfinite(value) || value == 0.0) {
        d.digits = "0";
        d.point = 1;
        return d;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", significant - 1, value);
    std::string s(buf);
    std::size_t pos = 0;
    if (s[0] == '-') {
        d.negative = true;
        pos = 1;
    }
    const std::size_t e = s.find('e');
    for (std::size_t i = pos; i < e; ++i)
        if (s[i] != '.')
            d.digits.push_back(s[i]);
    d.point = std::stoi(s.substr(e + 1)) + 1;
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

// Keeps `frac` decimals. Away from zero when halfEven is false, else halves go to the even digit.
void roundDecimal(Decimal &d, int frac, bool halfEven)
{
    const int keep = d.point + frac;
    const int n = int(d.digits.size());
    if (keep >= n)
        return;
    if (keep < 0) {
        d.digits = "0";
        d.point = 1;
        return;
    }
    const char decide = d.digits[keep];
    bool up = decide > '5';
    if (decide == '5') {
        const bool more = d.digits.find_first_not_of('0', keep + 1) != std::string::npos;
        if (!halfEven || more)
            up = true;
        else
            up = keep > 0 && ((d.digits[keep - 1] - '0') % 2 == 1);
    } else if (decide < '5') {
        up = false;
    }
    d.digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9') {
            d.digits[i] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        }
    }
    if (d.digits.empty()) {
        d.digits = "0";
        d.point = 1;
    }
}

std::string integerPart(const Decimal &d)
{
    std::string s;
    const int n = int(d.digits.size());
    for (int i = 0; i < d.point; ++i)
        s.push_back(i < n ? d.digits[i] : '0');
    const std::size_t first = s.find_first_not_of('0');
    return first == std::string::npos ? std::string() : s.substr(first);
}

std::string fractionPart(const Decimal &d)
{
    std::string s;
    const int n = int(d.digits.size());
    for (int i = d.point; i < n; ++i)
        s.push_back(i < 0 ? '0' : d.digits[i]);
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    return s;
}

QString plainText(const Decimal &d)
{
    std::string ip = integerPart(d);
    const std::string fp = fractionPart(d);
    if (ip.empty())
        ip = "0";
    std::string out = (d.negative && !d.isZero()) ? "-" : "";
    out += ip;
    if (!fp.empty())
        out += "." + fp;
    return QString::fromStdString(out);
}

bool isBlankForVal(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

// The number at the start of a text as Val reads it, kept as characters: the value it has, and what
// it is written with, so that its text can keep digits a double cannot hold.
struct LeadingNumber
{
    enum Kind { None, Radix, Decimal } kind = None;
    QString radixText; // a "&H" or "&O" number as its decimal integer
    double radixValue = 0;
    std::string decimal; // sign, digits, point, digits and an exponent, as strtod reads them
    bool negative = false;
    std::string digits;  // every digit of the mantissa, before and after the point
    long long point = 0; // the point stands after this many of them, the exponent applied
};

// Like the original's integer literals: four hex digits are a 16-bit value, eight a 32-bit value.
void setRadixValue(LeadingNumber &n, quint64 v)
{
    if (v <= 0xFFFF && v > 0x7FFF) {
        n.radixValue = double(qint64(v) - 0x10000);
        n.radixText = QString::number(qint64(v) - 0x10000);
    } else if (v <= 0xFFFFFFFFull && v > 0x7FFFFFFF) {
        n.radixValue = double(qint64(v) - 0x100000000ll);
        n.radixText = QString::number(qint64(v) - 0x100000000ll);
    } else {
        n.radixValue = double(v);
        n.radixText = QString::number(v);
    }
}

LeadingNumber readLeadingNumber(const QString &text)
{
    LeadingNumber n;
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (!isBlankForVal(c))
            s.append(c);

    if (s.size() >= 2 && s[0] == u'&') {
        const QChar kind = s[1].toUpper();
        const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
        if (base) {
            quint64 v = 0;
            int i = 2;
            for (; i < s.size(); ++i) {
                const QChar c = s[i];
                const bool ok = base == 16 ? (c.isDigit() || (c.toUpper() >= u'A' && c.toUpper() <= u'F'))
                                           : (c >= u'0' && c <= u'7');
                if (!ok)
                    break;
                const int d = c.isDigit() ? c.digitValue() : (c.toUpper().unicode() - 'A' + 10);
                v = v * base + d;
            }
            if (i > 2) {
                n.kind = LeadingNumber::Radix;
                setRadixValue(n, v);
            }
            return n;
        }
    }

    std::string &num = n.decimal;
    int i = 0;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) {
        n.negative = s[i] == u'-';
        num.push_back(char(s[i++].unicode()));
    }
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
        num.push_back(char(s[i].unicode()));
        n.digits.push_back(char(s[i++].unicode()));
    }
    n.point = qsizetype(n.digits.size());
    if (i < s.size() && s[i] == u'.') {
        num.push_back('.');
        ++i;
        while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
            num.push_back(char(s[i].unicode()));
            n.digits.push_back(char(s[i++].unicode()));
        }
    }
    if (n.digits.empty())
        return n;
    n.kind = LeadingNumber::Decimal;
    if (i < s.size() && (s[i].toUpper() == u'E' || s[i].toUpper() == u'D')) {
        int j = i + 1;
        std::string exp = "e";
        bool expNegative = false;
        if (j < s.size() && (s[j] == u'-' || s[j] == u'+')) {
            expNegative = s[j] == u'-';
            exp.push_back(char(s[j++].unicode()));
        }
        long long e = 0;
        bool expDigit = false;
        while (j < s.size() && s[j] >= u'0' && s[j] <= u'9') {
            e = std::min(e * 10 + (s[j].unicode() - '0'), 1000000000000LL); // far past any double
            exp.push_back(char(s[j++].unicode()));
            expDigit = true;
        }
        if (expDigit) {
            num += exp;
            n.point += expNegative ? -e : e;
        }
    }
    return n;
}

double valueOf(const LeadingNumber &n)
{
    switch (n.kind) {
    case LeadingNumber::Radix:
        return n.radixValue;
    case LeadingNumber::Decimal:
        return std::strtod(n.decimal.c_str(), nullptr);
    case LeadingNumber::None:
        break;
    }
    return 0.0;
}

} // namespace

void UsePointNumbers()
{
    std::setlocale(LC_NUMERIC, "C");
}

double Val(const QString &text)
{
    return valueOf(readLeadingNumber(text));
}

QString LeadingNumberText(const QString &text)
{
    LeadingNumber n = readLeadingNumber(text);
    const double value = valueOf(n);
    if (n.kind == LeadingNumber::Radix)
        return n.radixText;
    // Leading zeros stand before the point and trailing ones after the last digit that counts.
    const std::size_t first = n.digits.find_first_not_of('0');
    if (first == std::string::npos)
        return NumText(value);
    n.digits.erase(0, first);
    n.point -= qsizetype(first);
    n.digits.erase(n.digits.find_last_not_of('0') + 1);
    // Up to 15 digits a double holds the number exactly; a number out of a double's range reads as Val
    // reads it.
    if (n.digits.size() <= 15 || !std::isfinite(value) || value == 0.0)
        return NumText(value);
    Decimal d;
    d.negative = n.negative;
    d.digits = n.digits;
    d.point = int(n.point);
    return plainText(d);
}

std::optional<double> DecimalNumber(const QString &text)
{
    const QString t = Trim(text);
    std::string s;
    s.reserve(t.size());
    int digits = 0, points = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c >= u'0' && c <= u'9')
            ++digits;
        else if (c == u'.')
            ++points;
        else if (!(i == 0 && (c == u'-' || c == u'+')))
            return std::nullopt;
        if (c != u'+')
            s.push_back(char(c.unicode()));
    }
    if (digits == 0 || points > 1)
        return std::nullopt;
    // from_chars reads the same whatever the process's C locale says a decimal point is.
    double v = 0;
    const char *begin = s.data(), *end = s.data() + s.size();
    const auto [last, ec] = std::from_chars(begin, end, v, std::chars_format::fixed);
    if (ec != std::errc() || last != end || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString LTrim(const QString &text)
{
    int i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    return text.mid(i);
}

QString RTrim(const QString &text)
{
    int n = text.size();
    while (n > 0 && text[n - 1] == u' ')
        --n;
    return text.left(n);
}

QString Trim(const QString &text)
{
    return LTrim(RTrim(text));
}

QString Format(double value, const QString &pattern)
{
    QString body = pattern;
    const bool percent = body.endsWith(u'%');
    if (percent)
        body.chop(1);
    const int dot = body.indexOf(u'.');
    const QString intPattern = dot < 0 ? body : body.left(dot);
    const QString fracPattern = dot < 0 ? QString() : body.mid(dot + 1);
    const int minIntDigits = int(intPattern.count(u'0'));
    const int fracMandatory = int(fracPattern.count(u'0'));
    const int fracMax = int(fracPattern.count(u'0') + fracPattern.count(u'#'));

    Decimal d = toDecimal(percent ? value * 100.0 : value, 15);
    roundDecimal(d, fracMax, false);

    std::string ip = integerPart(d);
    while (int(ip.size()) < minIntDigits)
        ip.insert(ip.begin(), '0');
    std::string fp = fractionPart(d);
    while (int(fp.size()) < fracMandatory)
        fp.push_back('0');

    QString out = (d.negative && !d.isZero()) ? QStringLiteral("-") : QString();
    out += QString::fromStdString(ip);
    if (dot >= 0)
        out += u'.';
    out += QString::fromStdString(fp);
    if (percent)
        out += u'%';
    return out;
}

QString FormatDate(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

namespace {

// Amounts, prices and quantities have few decimals: value * 10^k then lies so near a whole number r that
// the value rounds to r / 10^k at `significant` digits however its binary tail falls, and r's digits are
// the text. Returns the length written to out (room for 32), 0 where that does not hold. A grid of
// 100,000 rows writes a million numbers, four times faster so than by the general conversion.
int fewDecimalsText(double value, int significant, char *out)
{
    static constexpr double kScale[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    static constexpr double kUnit[] = {1e0,  1e-1, 1e-2,  1e-3,  1e-4,  1e-5,  1e-6, 1e-7,
                                       1e-8, 1e-9, 1e-10, 1e-11, 1e-12, 1e-13, 1e-14};
    static constexpr quint64 kPow[] = {1ull,
                                       10ull,
                                       100ull,
                                       1000ull,
                                       10000ull,
                                       100000ull,
                                       1000000ull,
                                       10000000ull,
                                       100000000ull,
                                       1000000000ull,
                                       10000000000ull,
                                       100000000000ull,
                                       1000000000000ull,
                                       10000000000000ull,
                                       100000000000000ull,
                                       1000000000000000ull};
    const double a = std::fabs(value);
    if (a == 0) {
        *out = '0';
        return 1;
    }
    if (!(a > 0) || significant < 1 || significant > 15)
        return 0;
    for (int k = 0; k < int(std::size(kScale)); ++k) {
        const double m = a * kScale[k];
        if (!(m < 1e15))
            return 0;
        const double r = std::rint(m);
        const double off = std::fabs(m - r);
        if (r == 0 || off >= 0.45)
            continue;
        quint64 n = quint64(r);
        int d = 1;
        while (d < 16 && n >= kPow[d])
            ++d;
        if (d > significant)
            return 0;
        // The exact a * 10^k is within off and the product's rounding of r; it must stay under half the
        // last digit's unit, and under a twentieth where r is a power of ten and a may lie in the decade
        // below, whose unit is ten times finer.
        const double half = (n == kPow[d - 1] ? 0.045 : 0.45) * kUnit[significant - d];
        if (off + m * 0x1p-52 >= half)
            continue;
        int frac = k;
        while (frac > 0 && n % 10 == 0) {
            n /= 10;
            --frac;
        }
        char digits[16];
        int nd = 0;
        do {
            digits[nd++] = char('0' + n % 10);
            n /= 10;
        } while (n);
        char *p = out;
        if (value < 0)
            *p++ = '-';
        if (nd <= frac) {
            *p++ = '0';
            *p++ = '.';
            p = std::fill_n(p, frac - nd, '0');
        }
        for (int i = nd - 1; i >= 0; --i) {
            *p++ = digits[i];
            if (i == frac && frac > 0 && nd > frac)
                *p++ = '.';
        }
        return int(p - out);
    }
    return 0;
}

} // namespace

QString NumText(double value, int significant)
{
    char fast[32];
    if (const int n = fewDecimalsText(value, significant, fast))
        return QString::fromLatin1(fast, n);
    // Most values print in fixed notation already: the same correctly rounded digits without the
    // decimal detour, which large grids would feel.
    if (std::isfinite(value) && value != 0.0) {
        char buf[64];
        const auto [end, ec] =
            std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, significant);
        if (ec == std::errc() && std::find(buf, end, 'e') == end)
            return QString::fromLatin1(buf, int(end - buf));
    }
    return plainText(toDecimal(value, significant));
}

void AppendNumText(QByteArray &out, double value, int significant)
{
    char fast[32];
    if (const int n = fewDecimalsText(value, significant, fast))
        out.append(fast, n);
    else
        out.append(NumText(value, significant).toLatin1());
}

double RoundHalfEven(double value, int digits)
{
    Decimal d = toDecimal(value, 15);
    roundDecimal(d, digits, true);
    return plainText(d).toDouble();
}

void Sum::add(double v)
{
    const double y = v - m_carry;
    const double t = m_sum + y;
    m_carry = (t - m_sum) - y;
    m_sum = t;
}

} // namespace tv
