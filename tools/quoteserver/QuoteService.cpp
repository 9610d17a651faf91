#include "tools/quoteserver/QuoteService.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <cmath>

namespace tv::quoteserver {

namespace {

const QString kIndex = QStringLiteral("shzs000001");
const QByteArray kStarPath = "/scripts/quoteISAPI.dll?MFCISAPICommand=dghq&code=";
const QByteArray kSinaPath = "/list=";
const QByteArray kSohuPath = "/?";
const QByteArray kFundPath = "/fund.html";
const QByteArray kFundSinaPath = "/fund/fund_ranks/open/netvalue_ranks0_0.html";

quint32 seedOf(const QString &code)
{
    quint32 s = 17;
    for (QChar c : code)
        s = (s * 31 + c.unicode()) % 1000003;
    return s;
}

QString percentText(double percent)
{
    return QString::number(percent, 'f', 2) + u'%';
}

double percentOf(const QString &change)
{
    QString t = change.trimmed();
    if (t.endsWith(u'%'))
        t.chop(1);
    return t.toDouble();
}

// Names without ASCII digits, so no code can be found inside one.
QString nameOf(const QString &code)
{
    static const QString numerals = QStringLiteral("零一二三四五六七八九");
    QString name = QStringLiteral("样本");
    for (QChar c : code)
        name += c.isDigit() ? numerals[c.digitValue()] : c;
    return name;
}

// The stored code a request key stands for, per service.
QString storedCode(const QByteArray &servicePath, const QString &key)
{
    if (servicePath == kStarPath)
        return key == kIndex ? kIndex : key.mid(4);
    if (servicePath == kSinaPath)
        return key == QLatin1String("sh000001") ? kIndex : key.mid(2);
    return key == QLatin1String("0000001") ? kIndex : key.mid(1);
}

QStringList requestKeys(const QByteArray &path, const QByteArray &servicePath, char separator)
{
    QStringList keys;
    for (const QByteArray &key : path.mid(servicePath.size()).split(separator))
        if (!key.isEmpty())
            keys << QString::fromUtf8(QByteArray::fromPercentEncoding(key));
    return keys;
}

HttpReply page(const QString &text)
{
    HttpReply reply;
    reply.body = Gbk(text);
    reply.addHeader("Content-Type", "text/html; charset=gbk");
    return reply;
}

} // namespace

PageEntry GeneratedStock(const QString &storedCode)
{
    const quint32 s = seedOf(storedCode);
    const double percent = double(int(s / 7 % 2001) - 1000) / 100.0;
    PageEntry e;
    e.code = storedCode;
    if (storedCode == kIndex) {
        e.name = QStringLiteral("上证指数");
        e.price = QString::number(3000 + (s % 50000) / 100.0, 'f', 2);
    } else {
        e.name = nameOf(storedCode);
        e.price = QString::number(3 + (s % 4000) / 100.0, 'f', 2);
    }
    e.change = percentText(percent);
    return e;
}

PageEntry GeneratedFund(const QString &code)
{
    const quint32 s = seedOf(QStringLiteral("k") + code);
    return {code,
            QStringLiteral("基金") + nameOf(code).mid(2),
            QString::number(1 + (s % 20000) / 10000.0, 'f', 4),
            {},
            percentText(double(int(s / 7 % 1001) - 500) / 100.0)};
}

bool ReadQuoteBook(const QString &path, QuoteBook &book, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
    for (int number = 1; !in.atEnd(); ++number) {
        QString line = in.readLine();
        const qsizetype hash = line.indexOf(u'#');
        if (hash >= 0)
            line.truncate(hash);
        const QStringList fields = line.trimmed().split(blanks, Qt::SkipEmptyParts);
        if (fields.isEmpty())
            continue;
        bool priceOk = false, changeOk = true;
        if (fields.size() >= 3)
            fields[2].toDouble(&priceOk);
        if (fields.size() >= 4)
            QString(fields[3]).remove(u'%').toDouble(&changeOk);
        if (!priceOk || !changeOk || fields.size() > 4) {
            if (error)
                *error =
                    QStringLiteral("%1:%2: expected \"code name price [change%]\"").arg(path).arg(number);
            return false;
        }
        const QString change = percentText(fields.size() >= 4 ? percentOf(fields[3]) : 0.0);
        if (fields[0].startsWith(u'k'))
            book.funds.append({fields[0].mid(1), fields[1], fields[2], {}, change});
        else
            book.stocks.insert(fields[0], {fields[0], fields[1], fields[2], {}, change});
    }
    return true;
}

HttpServer::Handler QuoteHandler(const QuoteBook &book)
{
    return [book](const HttpRequest &request) {
        const QByteArray host = request.header("Host");
        const QString base = QStringLiteral("http://") + QString::fromLatin1(host);
        const QByteArray &path = request.path;
        const auto quoteOf = [&book](const QString &stored) {
            PageEntry e = book.stocks.value(stored, GeneratedStock(stored));
            const double price = e.price.toDouble();
            e.reference = QString::number(price / (1 + percentOf(e.change) / 100), 'f', 2);
            return e;
        };
        if (path.startsWith(kStarPath)) {
            QList<PageEntry> entries;
            for (const QString &key : requestKeys(path, kStarPath, ',')) {
                PageEntry e = quoteOf(storedCode(kStarPath, key));
                e.code = key == kIndex ? QStringLiteral("000001") : key.mid(4);
                entries << e;
            }
            return page(StarPage(base, entries));
        }
        for (const auto &[servicePath, separator] : {std::pair{kSinaPath, ','}, std::pair{kSohuPath, ';'}}) {
            if (!path.startsWith(servicePath))
                continue;
            QList<PageEntry> entries;
            for (const QString &key : requestKeys(path, servicePath, separator)) {
                PageEntry e = quoteOf(storedCode(servicePath, key));
                e.code = key;
                entries << e;
            }
            return page(servicePath == kSinaPath ? SinaPage(entries) : SohuPage(entries));
        }
        if (path == kFundPath)
            return page(FundPricePage(base, base, book.funds));
        if (path == kFundSinaPath)
            return page(FundSinaPage(base, book.funds));
        if (path == "/")
            return page(QStringLiteral(
                "<html><head><title>Tallyvane 行情服务</title></head><body>行情服务正常。</body></html>"));
        HttpReply missing;
        missing.status = 404;
        missing.body = "no such page";
        return missing;
    };
}

QString QuoteTextCode(int i)
{
    return QString::number(600100 + i);
}

QuoteBook QuoteTextBook()
{
    QuoteBook book;
    const QList<QuoteText> &texts = QuoteTexts();
    for (int i = 0; i < texts.size(); ++i)
        book.stocks.insert(QuoteTextCode(i),
                           {QuoteTextCode(i), nameOf(QuoteTextCode(i)), texts[i].price, {}, texts[i].change});
    return book;
}

} // namespace tv::quoteserver
