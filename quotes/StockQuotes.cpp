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

QString requestCode(const SourceForm &form, const QString &code)
{
    if (code == kIndexCode)
        return QString::fromUtf16(form.indexInRequest);
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(code));
    const QChar first = code.isEmpty() ? QChar() : code[0];
    if (first == u'0' || first == u'1' || first == u'2')
        return QString::fromUtf16(form.shenzhen) + encoded;
    if (first == u'5' || first == u'6' || first == u'9')
        return QString::fromUtf16(form.shanghai) + encoded;
    return encoded;
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
    int p = 455;
    return ReadEntries(n, [&](int i, QuoteEntry &entry) {
        const QString code = replyCode(QuoteSource::Star, codes.value(i));
        if (code.isEmpty())
            return;
        const QString needle = detailBase + QStringLiteral("/ar/f10.asp?code=") + code;
        const int f = page.find(p, needle);
        if (f == 0)
            return;
        entry.link = needle + QStringLiteral("&mk=1");
        const auto nameField = page.take(page.seek(f + int(needle.size()), u'>') + 1, u'<');
        if (nameField.text.size() < 7)
            throw ScanError();
        const int f2 = page.findNext(nameField.stop + 1, kStarMarker1);
        const auto price = page.take(page.seek(f2 + int(kStarMarker1.size()), u'"') + 2, u'<');
        const int f3 = page.findNext(price.stop, kStarMarker2);
        const auto colour = page.take(f3 + int(kStarMarker2.size()), u'"');
        const auto change = page.take(colour.stop + 2, u'<');
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

QuoteReading readRecords(const RecordForm &form, const QString &reply, const QStringList &codes, int n,
                         const QString &linkBase)
{
    const PageScanner page(reply);
    int p = 5;
    return ReadEntries(n, [&](int i, QuoteEntry &entry) {
        const QString code = replyCode(form.source, codes.value(i));
        const int f = code.isEmpty() ? 0 : page.find(p, code);
        int r = 0;
        if (f > 0) {
            entry.link = stockLink(linkBase, code);
            const auto nameRun = page.run(page.seek(f + 1, u'=') + form.nameOffset, form.nameStops);
            entry.name = nameRun.text;
            r = nameRun.stop + 1;
        }
        if (entry.name.size() <= 1)
            return;
        PageScanner::Field a, b;
        if (form.source == QuoteSource::Sohu) {
            a = page.take(r, form.separator); // field 1
            int next = a.stop + 1;
            for (int field = 2; field <= 8; ++field)
                next = page.take(next, form.separator).stop + 1;
            b = page.take(next, form.separator); // field 9
        } else {
            const int c = page.findNext(r, QStringView(&form.separator, 1));
            a = page.take(c + 1, form.separator);
            b = page.take(a.stop + 1, form.separator);
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
