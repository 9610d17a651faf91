#include "app/VbCompat.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cmath>

using namespace tv;

class TestVbCompat : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void val_data();
    void val();
    void leadingNumberText_data();
    void leadingNumberText();
    void leadingNumberTextOfGeneratedTexts();
    void decimalNumber_data();
    void decimalNumber();
    void trim();
    void format_data();
    void format();
    void numText_data();
    void numText();
    void numTextOfManyAmounts();
    void roundHalfEven_data();
    void roundHalfEven();
    void pointNumbersWhateverTheLocale();
    void utf8Sequences_data();
    void utf8Sequences();
    void utf8SequencesOfEveryCodePoint();
};

void TestVbCompat::val_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("integer") << "257" << 257.0;
    QTest::newRow("leading blanks") << "   12.5" << 12.5;
    QTest::newRow("blanks inside") << "1 2 3" << 123.0;
    QTest::newRow("tab and line feed") << "\t4\n2" << 42.0;
    QTest::newRow("stops at letter") << "12abc" << 12.0;
    QTest::newRow("stops at comma") << "1,234" << 1.0;
    QTest::newRow("second point") << "1.2.3" << 1.2;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("negative") << "-3.456" << -3.456;
    QTest::newRow("plus") << "+7" << 7.0;
    QTest::newRow("minus alone") << "-" << 0.0;
    QTest::newRow("exponent") << "1.5E3" << 1500.0;
    QTest::newRow("D exponent") << "2d-2" << 0.02;
    QTest::newRow("E without digits") << "3E" << 3.0;
    QTest::newRow("hex") << "&H1F" << 31.0;
    QTest::newRow("hex 16 bit") << "&HFFFF" << -1.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("contract number") << "AB123" << 0.0;
    QTest::newRow("digits then letters") << "123AB" << 123.0;
    QTest::newRow("chinese") << "十" << 0.0;
}

void TestVbCompat::val()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(Val(text), expected);
}

// The number Val reads, as text from its own characters: up to 15 significant digits what NumText makes
// of Val, beyond that every digit.
void TestVbCompat::leadingNumberText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    // clang-format off
    QTest::newRow("letters first")           << "A123"                      << "0";
    QTest::newRow("leading zeros")           << "00123"                     << "123";
    QTest::newRow("trailing fraction zeros") << "1.50"                      << "1.5";
    QTest::newRow("empty")                   << ""                          << "0";
    QTest::newRow("sign alone")              << "-"                         << "0";
    QTest::newRow("zeros only")              << "-000.000"                  << "0";
    QTest::newRow("exponent")                << "1.5E3x"                    << "1500";
    QTest::newRow("D exponent")              << "2d-2"                      << "0.02";
    QTest::newRow("hex 16 bit")              << "&HFFFF"                    << "-1";
    QTest::newRow("octal")                   << "&O17"                      << "15";
    QTest::newRow("fifteen nines")           << "999999999999999"           << "999999999999999";
    QTest::newRow("sixteen nines")           << "9999999999999999"          << "9999999999999999";
    QTest::newRow("contract number")         << "202601060000123457"        << "202601060000123457";
    QTest::newRow("blanks, tabs, a letter")  << " 2026\t0106 0000\n123457 号" << "202601060000123457";
    QTest::newRow("contract ending in zero") << "2026010600001234570"       << "2026010600001234570";
    QTest::newRow("long with fraction")      << "-0001234567890123456.7800" << "-1234567890123456.78";
    QTest::newRow("long, exponent inside")   << "12345678901234567890e-5"   << "123456789012345.6789";
    QTest::newRow("long, exponent beyond")   << "1234567890123456e3"        << "1234567890123456000";
    QTest::newRow("long and small")          << "0.0000001234567890123456"  << "0.0000001234567890123456";
    QTest::newRow("hex beyond 15 digits")    << "&H7FFFFFFFFFFFFFFF"        << "9223372036854775807";
    QTest::newRow("beyond a double")         << "123456789012345678e400"    << "0";
    QTest::newRow("below a double")          << "123456789012345678e-400"   << "0";
    // clang-format on
}

void TestVbCompat::leadingNumberText()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(LeadingNumberText(text), expected);
}

// Texts made of a known run of significant digits, with zeros, a sign, a point, an exponent, blanks
// and trailing letters around it: up to 15 digits the text is NumText of Val, beyond that it holds the
// same digits, and Val reads either back as the same number.
void TestVbCompat::leadingNumberTextOfGeneratedTexts()
{
    quint64 seed = 20260106;
    auto next = [&seed](int n) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        return int((seed >> 33) % quint64(n));
    };
    for (int i = 0; i < 20000; ++i) {
        const int count = 1 + next(24);
        QString digits;
        for (int d = 0; d < count; ++d)
            digits += QChar(u'0' + ((d == 0 || d == count - 1) ? 1 + next(9) : next(10)));
        QString mantissa = QString(next(4), u'0') + digits + QString(next(4), u'0');
        const int point = next(mantissa.size() + 2);
        if (point <= mantissa.size())
            mantissa.insert(point, u'.');
        QString text = QString(next(3), u' ') + QStringList{"", "-", "+"}[next(3)] + mantissa;
        if (next(3) == 0)
            text += QStringLiteral("e%1").arg(next(41) - 20);
        text += QStringList{"", "x", " 号", "-3", ",5"}[next(5)]; // none continues the number
        text.insert(next(text.size() + 1), QStringList{"", " ", "\t", "\n"}[next(4)]);

        const QString got = LeadingNumberText(text);
        QCOMPARE(Val(got), Val(text));
        if (count <= 15) {
            QCOMPARE(got, NumText(Val(text)));
        } else {
            QString kept = got;
            kept.remove(u'-').remove(u'.');
            while (kept.startsWith(u'0'))
                kept.remove(0, 1);
            while (kept.endsWith(u'0'))
                kept.chop(1);
            QCOMPARE(kept, digits);
        }
    }
}

void TestVbCompat::decimalNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("expected");
    // clang-format off
    QTest::newRow("integer")           << "257"      << true  << 257.0;
    QTest::newRow("decimals")          << "12.30"    << true  << 12.3;
    QTest::newRow("blanks around")     << "  -3.5 "  << true  << -3.5;
    QTest::newRow("plus")              << "+7"       << true  << 7.0;
    QTest::newRow("as Format writes")  << ".5"       << true  << 0.5;
    QTest::newRow("trailing point")    << "257."     << true  << 257.0;
    QTest::newRow("zero")              << "0"        << true  << 0.0;
    QTest::newRow("empty")             << ""         << false << 0.0;
    QTest::newRow("blanks only")       << "   "      << false << 0.0;
    QTest::newRow("point alone")       << "."        << false << 0.0;
    QTest::newRow("sign alone")        << "-"        << false << 0.0;
    QTest::newRow("two signs")         << "+-1"      << false << 0.0;
    QTest::newRow("sign after blank")  << "- 1"      << false << 0.0;
    QTest::newRow("two points")        << "1.2.3"    << false << 0.0;
    QTest::newRow("letters after")     << "12abc"    << false << 0.0;
    QTest::newRow("E exponent")        << "1e5"      << false << 0.0;
    QTest::newRow("D exponent")        << "1d5"      << false << 0.0;
    QTest::newRow("hexadecimal")       << "&H7FFF"   << false << 0.0;
    QTest::newRow("C hexadecimal")     << "0x1A"     << false << 0.0;
    QTest::newRow("inner blanks")      << "1 2 3"    << false << 0.0;
    QTest::newRow("group separator")   << "1,234.50" << false << 0.0;
    QTest::newRow("decimal comma")     << "12,5"     << false << 0.0;
    QTest::newRow("tab around")        << "\t12"     << false << 0.0;
    QTest::newRow("nan")               << "nan"      << false << 0.0;
    QTest::newRow("inf")               << "-inf"     << false << 0.0;
    QTest::newRow("full-width digits") << "１２"      << false << 0.0;
    QTest::newRow("too large")         << "1" + QString(400, u'0') << false << 0.0;
    // clang-format on
}

void TestVbCompat::decimalNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(double, expected);
    const std::optional<double> v = DecimalNumber(text);
    QCOMPARE(v.has_value(), isNumber);
    if (isNumber)
        QCOMPARE(*v, expected);
}

void TestVbCompat::trim()
{
    QCOMPARE(Trim(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    QCOMPARE(Trim(QStringLiteral("\ta\t")), QStringLiteral("\ta\t"));
    QCOMPARE(LTrim(QStringLiteral("  x ")), QStringLiteral("x "));
    QCOMPARE(RTrim(QStringLiteral("  x ")), QStringLiteral("  x"));
    QCOMPARE(Trim(QStringLiteral("   ")), QString());
    QCOMPARE(Trim(QStringLiteral("\u3000全角\u3000")), QStringLiteral("\u3000全角\u3000"));
}

void TestVbCompat::format_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole number keeps point") << 257.0 << "####.##" << "257.";
    QTest::newRow("below one drops zero") << 0.5 << "####.##" << ".5";
    QTest::newRow("zero") << 0.0 << "####.##" << ".";
    QTest::newRow("two decimals") << 1234.5678 << "####.##" << "1234.57";
    QTest::newRow("more digits than pattern") << 123456.7 << "####.##" << "123456.7";
    QTest::newRow("one decimal") << 1234.5 << "###.##" << "1234.5";
    QTest::newRow("negative rounds") << -3.456 << "###.##" << "-3.46";
    QTest::newRow("half cent away from zero") << 2.345 << "###.##" << "2.35";
    QTest::newRow("negative half cent") << -2.345 << "###.##" << "-2.35";
    QTest::newRow("tiny negative shows no sign") << -0.001 << "###.##" << ".";
    QTest::newRow("carry") << 9.999 << "###.##" << "10.";
    QTest::newRow("large cents") << 1234567.89 << "####.##" << "1234567.89";
    QTest::newRow("percent") << 0.0523 << "0.00%" << "5.23%";
    QTest::newRow("percent zero") << 0.0 << "0.00%" << "0.00%";
    QTest::newRow("percent negative") << -0.1 << "0.00%" << "-10.00%";
    QTest::newRow("percent rounds") << 0.123456 << "0.00%" << "12.35%";
}

void TestVbCompat::format()
{
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(Format(value, pattern), expected);
    QCOMPARE(FormatDate(QDate(2026, 3, 7)), QStringLiteral("2026-03-07"));
}

void TestVbCompat::numText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("expected");
    QTest::newRow("integer") << 10500.0 << 15 << "10500";
    QTest::newRow("fraction") << 0.5 << 15 << "0.5";
    QTest::newRow("negative") << -10543.0 << 15 << "-10543";
    QTest::newRow("binary noise hidden") << 0.1 + 0.2 << 15 << "0.3";
    QTest::newRow("cents of a million") << 1234567.89 << 15 << "1234567.89";
    QTest::newRow("flow to the cent") << -123456.78 << 15 << "-123456.78";
    QTest::newRow("no exponent, large") << 1e16 << 15 << "10000000000000000";
    QTest::newRow("no exponent, small") << 1e-7 << 15 << "0.0000001";
    QTest::newRow("zero") << 0.0 << 15 << "0";
    QTest::newRow("negative zero") << -0.0 << 15 << "0";
    QTest::newRow("single keeps 7 digits") << 1234567.89 << 7 << "1234568";
    QTest::newRow("single fraction") << 31.5 << 7 << "31.5";
    QTest::newRow("single of a third") << 1.0 / 3 << 7 << "0.3333333";
    QTest::newRow("binary tail just under a power of ten") << 99.99999999999999 << 15 << "100";
    QTest::newRow("just under a tenth") << 0.09999999999999999 << 15 << "0.1";
    QTest::newRow("under a power of ten by its own last digit")
        << 99.9999999999997 << 15 << "99.9999999999997";
    QTest::newRow("fifteen digits") << 123456789012345.0 << 15 << "123456789012345";
    QTest::newRow("sixteen digits rounded") << 1234567890123456.0 << 15 << "1234567890123460";
    QTest::newRow("fifteen digits with a decimal") << 1234567890123.45 << 15 << "1234567890123.45";
    QTest::newRow("nine decimals") << 0.123456789 << 15 << "0.123456789";
    QTest::newRow("small with few digits") << 0.00012 << 15 << "0.00012";
    QTest::newRow("single, a half rounds to even") << 1234.5675 << 7 << "1234.568";
    QTest::newRow("single, exact half") << 0.125 << 2 << "0.12";
    QTest::newRow("single rounds up a decade") << 9999999.6 << 7 << "10000000";
    // Below 0.0001 the text stays in plain digits, whichever conversion writes it.
    QTest::newRow("a hundred-thousandth") << 0.00001 << 15 << "0.00001";
    QTest::newRow("small with four digits") << 0.00001234 << 15 << "0.00001234";
    QTest::newRow("tiny") << -1.5e-8 << 15 << "-0.000000015";
    QTest::newRow("tiny, many digits") << 1.2345678e-7 << 15 << "0.00000012345678";
}

void TestVbCompat::numText()
{
    QFETCH(double, value);
    QFETCH(int, digits);
    QFETCH(QString, expected);
    const QString text = NumText(value, digits);
    QCOMPARE(text, expected);
    QVERIFY(!text.contains(u'E') && !text.contains(u'e'));
    // What is written, Val reads back.
    if (digits == 15)
        QCOMPARE(Val(text), Val(DoubleText(Val(text))));
}

// The journal's kinds of numbers, each also one step of the double either side, as the correctly rounded
// decimal (Qt's own conversion) writes them.
void TestVbCompat::numTextOfManyAmounts()
{
    QList<double> values;
    quint64 seed = 12345;
    auto next = [&seed] { return (seed = seed * 6364136223846793005ull + 1442695040888963407ull) >> 11; };
    for (int i = 0; i < 5000; ++i) {
        const qint64 whole = qint64(next() % 2000000000000ull) - 1000000000000ll;
        for (double scale : {1.0, 10.0, 100.0, 1000.0, 1e6, 1e9})
            values << whole / scale << double(whole % 100000) / scale;
        values << double(next()) / double(1ull << 53) * 1e5 << 1.0 / double(1 + next() % 1000);
    }
    for (int e = -4; e < 15; ++e)
        values << std::pow(10.0, e);
    for (qsizetype i = 0, n = values.size(); i < n; ++i)
        values << std::nextafter(values[i], 0.0) << std::nextafter(values[i], 1e300);
    for (int digits : {15, 7})
        for (double v : values) {
            const QString expected = QString::number(v, 'g', digits);
            if (!expected.contains(u'e'))
                QCOMPARE(NumText(v, digits), expected);
        }
}

void TestVbCompat::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<double>("expected");
    QTest::newRow("half down to even") << 2.5 << 0 << 2.0;
    QTest::newRow("half up to even") << 3.5 << 0 << 4.0;
    QTest::newRow("half of zero") << 0.5 << 0 << 0.0;
    QTest::newRow("negative half") << -2.5 << 0 << -2.0;
    QTest::newRow("above half") << 2.51 << 0 << 3.0;
    QTest::newRow("fund commission") << 10000 / 0.985 * 0.015 << 0 << 152.0;
    QTest::newRow("cents half even") << 0.125 << 2 << 0.12;
    QTest::newRow("cents half odd") << 0.135 << 2 << 0.14;
    QTest::newRow("decimal half not binary") << 2.675 << 2 << 2.68;
    QTest::newRow("amount to whole") << 10500.5 << 0 << 10500.0;
}

void TestVbCompat::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(int, digits);
    QFETCH(double, expected);
    QCOMPARE(RoundHalfEven(value, digits), expected);
}

// Under a locale with a decimal comma (the application object takes the user's), the numbers still
// read and write with a point once the program has set them back.
void TestVbCompat::pointNumbersWhateverTheLocale()
{
    QTemporaryDir dir;
    const QString name = QStringLiteral("de_DE.UTF-8");
    if (QProcess::execute(QStringLiteral("localedef"),
                          {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                           QStringLiteral("UTF-8"), dir.filePath(name)}) != 0)
        QSKIP("localedef cannot make a German locale here");
    qputenv("LOCPATH", dir.path().toLocal8Bit());
    QVERIFY(std::setlocale(LC_ALL, name.toLatin1().constData()));
    const double withComma = Val(QStringLiteral("12.5"));
    UsePointNumbers();
    const double withPoint = Val(QStringLiteral("12.5"));
    const QString written = NumText(0.5) + u'|' + Format(1234.5, QStringLiteral("####.##"));
    std::setlocale(LC_ALL, "C");
    qunsetenv("LOCPATH");
    QCOMPARE(withComma, 12.0); // what the program read before
    QCOMPARE(withPoint, 12.5);
    QCOMPARE(written, QStringLiteral("0.5|1234.5"));
}

void TestVbCompat::utf8Sequences_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("length"); // 0 for no well-formed sequence
    QTest::addColumn<uint>("codePoint");
    QTest::newRow("ASCII") << QByteArray("A") << 1 << 0x41u;
    QTest::newRow("two bytes") << QByteArray("\xC3\xA9z") << 2 << 0xE9u;
    QTest::newRow("three bytes") << QByteArray("\xE4\xB8\xAD") << 3 << 0x4E2Du;
    QTest::newRow("four bytes") << QByteArray("\xF0\xA0\x80\x80") << 4 << 0x20000u;
    QTest::newRow("last code point") << QByteArray("\xF4\x8F\xBF\xBF") << 4 << 0x10FFFFu;
    QTest::newRow("stray continuation") << QByteArray("\x80") << 0 << 0u;
    QTest::newRow("overlong two") << QByteArray("\xC0\x80") << 0 << 0u;
    QTest::newRow("overlong three") << QByteArray("\xE0\x80\x80") << 0 << 0u;
    QTest::newRow("overlong four") << QByteArray("\xF0\x80\x80\x80") << 0 << 0u;
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << 0 << 0u;
    QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << 0 << 0u;
    QTest::newRow("five-byte lead") << QByteArray("\xF8\x88\x80\x80\x80") << 0 << 0u;
    QTest::newRow("cut short") << QByteArray("\xE4\xB8") << 0 << 0u;
    QTest::newRow("continuation missing") << QByteArray("\xE4\xB8" "A") << 0 << 0u;
}

void TestVbCompat::utf8Sequences()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, length);
    QFETCH(uint, codePoint);
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    char32_t cp = 0;
    QCOMPARE(Utf8Sequence(p, p + bytes.size(), cp), length);
    if (length)
        QCOMPARE(uint(cp), codePoint);
}

// Every code point Qt writes as UTF-8 reads back whole, and no shorter piece of it reads at all.
void TestVbCompat::utf8SequencesOfEveryCodePoint()
{
    for (char32_t u = 0; u <= 0x10FFFF; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF)
            continue;
        // Not through fromUcs4, which takes a leading U+FEFF for a byte-order mark.
        const QChar pair[2] = {QChar(QChar::highSurrogate(u)), QChar(QChar::lowSurrogate(u))};
        const QString one = QChar::requiresSurrogates(u) ? QString(pair, 2) : QString(QChar(char16_t(u)));
        const QByteArray bytes = one.toUtf8();
        const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
        char32_t cp = 0;
        if (Utf8Sequence(p, p + bytes.size(), cp) != bytes.size() || cp != u)
            QFAIL(qPrintable(QStringLiteral("U+%1").arg(uint(u), 4, 16, QLatin1Char('0'))));
        if (bytes.size() > 1 && Utf8Sequence(p, p + bytes.size() - 1, cp) != 0)
            QFAIL(qPrintable(QStringLiteral("U+%1 cut short").arg(uint(u), 4, 16, QLatin1Char('0'))));
    }
}

QTEST_GUILESS_MAIN(TestVbCompat)
#include "tst_vbcompat.moc"
