#include "quotes/StockQuotes.h"

#include "app/VbCompat.h"
#include "journal/Securities.h"

#include <QUrl>

namespace tv {

namespace {

struct SourceForm
{
    const char16_t *path;
    const char16_t *shenzhen;
    const char16_t *shanghai;
    QChar separator;
    const char16_t *indexInRequest;
    const char16_t *indexInReply;
};

const SourceForm &formOf(QuoteSource source)
{
    static const SourceForm star{u"/scripts/quoteISAPI.dll?MFCISAPICommand=dghq&code=",
                                 u"szag",
                                 u"shag",
                                 u',',
                                 u"shzs000001",
                                 u"000001"};
    static const SourceForm sina{u"/list=", u"sz", u"sh", u',', u"sh000001", u"sh000001"};
    static const SourceForm sohu{u"/?", u"1", u"0", u';', u"0000001", u"0000001"};
    switch (source) {
    case QuoteSource::Sina:
        return sina;
    case QuoteSource::Sohu:
        return sohu;
    default:
        return star;
    }
}

// The code with its market prefix, as the request names it and as sina and sohu key its record.
QString marketCode(const SourceForm &form, const QString &code)
{
    if (code == kIndexCode)
        return QString::fromUtf16(form.indexInRequest);
    const QChar first = code.isEmpty() ? QChar() : code[0];
    if (first == u'0' || first == u'1' || first == u'2')
        return QString::fromUtf16(form.shenzhen) + code;
    if (first == u'5' || first == u'6' || first == u'9')
        return QString::fromUtf16(form.shanghai) + code;
    return code;
}

// The prefixes are letters and digits, which encoding leaves as they are.
QString requestCode(const SourceForm &form, const QString &code)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(marketCode(form, code)));
}

QString replyCode(QuoteSource source, const QString &code)
{
    return code == kIndexCode ? QString::fromUtf16(formOf(source).indexInReply) : code;
}

QString stockLink(const QString &linkBase, const QString &code)
{
    if (linkBase.isEmpty())
        return QString();
    return u' ' + linkBase + QStringLiteral("/cominfo/sshq_") + code + QStringLiteral(".htm");
}

const QString kStarMarker1 = QStringLiteral("<font style=\"font-size:20px;color:");
const QString kStarMarker2 = QStringLiteral("<td align=center nowrap>\r\n\t\t\t<font color=");

} // namespace

QuoteSource QuoteSourceOf(const QString &setting)
{
    if (setting == QLatin1String("sina"))
        return QuoteSource::Sina;
    if (setting == QLatin1String("sohu"))
        return QuoteSource::Sohu;
    return QuoteSource::Star;
}

QString StockRequestAddress(QuoteSource source, const QString &base, const QStringList &codes, int n)
{
    const SourceForm &form = formOf(source);
    QString address = base + QString::fromUtf16(form.path);
    for (int i = 1; i <= n; ++i)
        address += requestCode(form, codes.value(i)) + form.separator;
    return address;
}

QString ChangeText(const QString &a, const QString &b)
{
    const double reference = Val(a);
    const double ratio = reference != 0 ? (Val(b) - reference) / reference : 1.0;
    return Format(ratio, QStringLiteral("0.00%"));
}

QuoteReading ReadStarReply(const QString &reply, const QStringList &codes, int n, const QString &detailBase)
{
    const PageScanner page(reply);
    const QString linkHead = detailBase + QStringLiteral("/ar/f10.asp?code=");
    int p = 455;
    return ReadEntries(n, [&](int i, QuoteEntry &entry) {
        const QString code = replyCode(QuoteSource::Star, codes.value(i));
        if (code.isEmpty())
            return;
        const QString needle = linkHead + code;
        const int f = page.findWord(p, needle);
        if (f == 0)
            return;
        entry.link = needle + QStringLiteral("&mk=1");
        // The row ends where the next row's link stands: a marker it lacks is not taken from there.
        const PageScanner row = page.before(page.find(f + int(needle.size()), linkHead));
        const auto nameField = row.take(row.seek(f + int(needle.size()), u'>') + 1, u'<');
        if (nameField.text.size() < 7)
            throw ScanError();
        const int f2 = row.findNext(nameField.stop + 1, kStarMarker1);
        const auto price = row.take(row.seek(f2 + int(kStarMarker1.size()), u'"') + 2, u'<');
        const int f3 = row.findNext(price.stop, kStarMarker2);
        const auto colour = row.take(f3 + int(kStarMarker2.size()), u'"');
        const auto change = row.take(colour.stop + 2, u'<');
        p = change.stop + 1;
        entry.price = price.text;
        entry.change = change.text;
        entry.name = nameField.text.chopped(7);
    });
}

namespace {

// Sina and sohu: the name after "=" of the code's record, then the reference price and the price.
struct RecordForm
{
    QuoteSource source;
    int nameOffset; // from the "=" to the name
    QStringView nameStops;
    QChar separator;
};

// Where a record's key stands: outside any record's quoted text, with no letter or digit before it and
// the "=" right after the market code, so the digits of another record's fields never key one.
int recordKey(const PageScanner &page, int from, const QString &key)
{
    return page.findWord(from, key, [&page](int at) { return !page.insideQuotes(at); });
}

QuoteReading readRecords(const RecordForm &form, const QString &reply, const QStringList &codes, int n,
                         const QString &linkBase)
{
    const PageScanner page(reply);
    int p = 5;
    return ReadEntries(n, [&](int i, QuoteEntry &entry) {
        const QString code = replyCode(form.source, codes.value(i));
        if (code.isEmpty())
            return;
        const QString key = marketCode(formOf(form.source), codes.value(i)) + u'=';
        const int f = recordKey(page, p, key);
        if (f == 0)
            return;
        entry.link = stockLink(linkBase, code);
        const int e = f + int(key.size()) - 1; // the "="
        // The record is its quoted text, closing quote included: a field it lacks is not read from the
        // next record.
        const int close = page.find(e + 2, u"\"");
        const PageScanner record = page.before(close > 0 ? close + 1 : 0);
        const auto nameRun = record.run(e + form.nameOffset, form.nameStops);
        entry.name = nameRun.text;
        const int r = nameRun.stop + 1;
        if (entry.name.size() <= 1)
            return;
        PageScanner::Field a, b;
        if (form.source == QuoteSource::Sohu) {
            a = record.take(r, form.separator); // field 1
            int next = a.stop + 1;
            for (int field = 2; field <= 8; ++field)
                next = record.take(next, form.separator).stop + 1;
            b = record.take(next, form.separator); // field 9
        } else {
            const int c = record.findNext(r, QStringView(&form.separator, 1));
            a = record.take(c + 1, form.separator);
            b = record.take(a.stop + 1, form.separator);
        }
        entry.price = b.text;
        entry.change = ChangeText(a.text, b.text);
        p = b.stop + 1;
    });
}

} // namespace

QuoteReading ReadSinaReply(const QString &reply, const QStringList &codes, int n, const QString &linkBase)
{
    return readRecords({QuoteSource::Sina, 2, u"\",", u','}, reply, codes, n, linkBase);
}

QuoteReading ReadSohuReply(const QString &reply, const QStringList &codes, int n, const QString &linkBase)
{
    return readRecords({QuoteSource::Sohu, 10, u"\";", u';'}, reply, codes, n, linkBase);
}

} // namespace tv
