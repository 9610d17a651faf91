#include "tools/quoteserver/QuotePages.h"

#include <QStringEncoder>

namespace tv::quoteserver {

namespace {

QString colourOf(const QString &change)
{
    return change.startsWith(u'-') ? QStringLiteral("green") : QStringLiteral("red");
}

// head, then Chinese text up to `early` ending before `start`, then more up to past `start`, then the rows.
QString layOut(const QString &head, const QString &early, int start, const QString &rows, const QString &tail)
{
    QString page = head;
    page += ChineseText(qMax(0, start - 300 - int(early.size()) - int(page.size())));
    page += early;
    page += ChineseText(qMax(0, start + 100 - int(page.size())));
    return page + rows + tail;
}

} // namespace

const QList<QuoteText> &QuoteTexts()
{
    // clang-format off
    static const QList<QuoteText> texts = {
        {"plain",                "10.50",      "5.00%",    "10.5",     "5.00%"},
        {"blanks around",        " 12.30 ",    " -1.25% ", "12.3",     "-1.25%"},
        {"leading point",        ".5",         "0.10",     "0.5",      "0.10"},
        {"trailing point",       "257.",       "+1%",      "257",      "+1%"},
        {"letters after",        "12abc",      "1.00%",    "",         ""},
        {"D exponent",           "1d5",        "1.00%",    "",         ""},
        {"E exponent",           "1e5",        "1.00%",    "",         ""},
        {"overflowing exponent", "1e999",      "1.00%",    "",         ""},
        {"overflowing digits",   QString(401, u'9'), "1.00%", "",       ""},
        {"hexadecimal",          "&H7FFF",     "1.00%",    "",         ""},
        {"inner blanks",         "1 2 3",      "1.00%",    "",         ""},
        {"group separator",      "1,234.50",   "1.00%",    "",         ""},
        {"a time",               "15:00:00",   "1.00%",    "",         ""},
        {"nan",                  "nan",        "1.00%",    "",         ""},
        {"inf",                  "inf",        "1.00%",    "",         ""},
        {"zero",                 "0.00",       "0.00%",    "",         ""},
        {"negative",             "-5",         "1.00%",    "",         ""},
        {"full-width digits",    "１２.３０",   "1.00%",    "",         ""},
        {"decode damage",        "12.3\uFFFD", "1.00%",    "",         ""},
        {"no value",             "--",         "--",       "",         ""},
        {"change not a number",  "9.80",       "--",       "9.8",      ""},
        {"change with a quote",  "9.80",       "1.00%'",   "9.8",      ""},
        {"change, two signs",    "9.80",       "1.5%%",    "9.8",      ""},
        {"change, blank sign",   "9.80",       "1.25 %",   "9.8",      ""},
        {"change in words",      "9.80",       "涨停",      "9.8",      ""},
    };
    // clang-format on
    return texts;
}

QByteArray Gbk(const QString &text)
{
    QStringEncoder gbk("GBK");
    return gbk.encode(text);
}

QString ChineseText(int length)
{
    static const QString prose = QStringLiteral(
        "今日沪深两市震荡整理，成交量较昨日有所放大，行情数据仅供参考；投资有风险，入市需谨慎。");
    QString out;
    out.reserve(length);
    while (out.size() < length)
        out += prose;
    out.truncate(length);
    return out;
}

QString StarEntry(const QString &detailBase, const PageEntry &e)
{
    // The name field is the name and seven more characters: a blank and the six digits.
    return QStringLiteral("<tr><td><a href=\"%1/ar/f10.asp?code=%2&mk=1\" target=_blank>%3 %4</a></td>\r\n"
                          "<td><font style=\"font-size:20px;color:%5\">%6</font></td>\r\n"
                          "<td align=center nowrap>\r\n\t\t\t<font color=\"%5\">%7</font></td></tr>\r\n")
        .arg(detailBase, e.code, e.name, e.code.right(6).rightJustified(6, u'0'), colourOf(e.change), e.price,
             e.change);
}

QString StarPage(const QString &detailBase, const QList<PageEntry> &entries)
{
    QString rows;
    for (const PageEntry &e : entries)
        rows += StarEntry(detailBase, e);
    return layOut(QStringLiteral("<html><head><title>证券之星行情</title></head><body>\r\n<p>"), QString(),
                  455, QStringLiteral("</p>\r\n<table>\r\n") + rows,
                  QStringLiteral("</table>\r\n<p>以上行情仅供参考</p></body></html>\r\n"));
}

QString SinaEntry(const PageEntry &e)
{
    if (e.name.isEmpty())
        return QStringLiteral("var hq_str_%1=\"\";\n").arg(e.code);
    // name, open, previous close, price, high, low, ...
    return QStringLiteral("var hq_str_%1=\"%2,%3,%4,%3,%3,%3,0,0,100,1000,2026-12-10,15:00:00\";\n")
        .arg(e.code, e.name, e.price, e.reference);
}

QString SinaPage(const QList<PageEntry> &entries)
{
    QString page = QStringLiteral("/* 新浪行情：") + ChineseText(40) + QStringLiteral(" */\n");
    for (const PageEntry &e : entries)
        page += SinaEntry(e);
    return page;
}

QString SohuEntry(const PageEntry &e)
{
    // "=", a quote, the seven-character key and a comma: the name starts ten characters after the "=".
    const QString key = e.code.left(7).leftJustified(7, u' ');
    if (e.name.isEmpty())
        return QStringLiteral("var sohu_%1=\"%2,\";\n").arg(e.code, key);
    // name; previous close (field 1); fields 2 to 8; price (field 9); ...
    return QStringLiteral("var sohu_%1=\"%2,%3;%4;%5;%5;%5;100;1000;2026-12-10;15:00:00;%5;0\";\n")
        .arg(e.code, key, e.name, e.reference, e.price);
}

QString SohuPage(const QList<PageEntry> &entries)
{
    QString page = QStringLiteral("/* 搜狐行情：") + ChineseText(40) + QStringLiteral(" */\n");
    for (const PageEntry &e : entries)
        page += SohuEntry(e);
    return page;
}

QString FundPriceEntry(const QString &pageBase, const QString &profileBase, const PageEntry &f)
{
    return QStringLiteral(
               "<tr><td>1</td><td><nobr><a href=\"%1/%2.html\">%3&nbsp;</a></nobr></td>"
               "<td><nobr><a href=\"%4/openfund/jbgk_%2.htm\"><span>档案</span></a></nobr></td>"
               "<td>%5</td><td>2026-12-10</td><td>累计</td><td>1.0000</td><td>0.0000</td><td>开放</td>"
               "<td class=up>%6</td></tr>\r\n")
        .arg(pageBase, f.code, f.name, profileBase, f.price, f.change);
}

QString FundPricePage(const QString &pageBase, const QString &profileBase, const QList<PageEntry> &funds,
                      const QList<PageEntry> &early)
{
    QString before, rows;
    for (const PageEntry &f : early)
        before += FundPriceEntry(pageBase, profileBase, f);
    for (const PageEntry &f : funds)
        rows += FundPriceEntry(pageBase, profileBase, f);
    return layOut(QStringLiteral("<html><head><title>开放式基金净值一览</title></head><body>\r\n<p>"), before,
                  20000, QStringLiteral("</p>\r\n<table>\r\n") + rows,
                  QStringLiteral("</table>\r\n<p>净值数据仅供参考</p></body></html>\r\n"));
}

QString FundSinaEntry(const QString &lookupBase, const PageEntry &f)
{
    const QString link = QStringLiteral("%1/suggest/lookup_n.php?q=%2&country=fund").arg(lookupBase, f.code);
    return QStringLiteral(
               "<tr><td><a href=\"%1\">%2</a></td><td><a href=\"%1\">%3</a></td><td>2026-12-10</td>"
               "<td>%4</td><td>1.0000</td><td>累计</td><td class=up>%5</td></tr>\r\n")
        .arg(link, f.code, f.name, f.price, f.change);
}

QString FundSinaPage(const QString &lookupBase, const QList<PageEntry> &funds, const QList<PageEntry> &early)
{
    QString before, rows;
    for (const PageEntry &f : early)
        before += FundSinaEntry(lookupBase, f);
    for (const PageEntry &f : funds)
        rows += FundSinaEntry(lookupBase, f);
    return layOut(QStringLiteral("<html><head><title>开放式基金净值排行</title></head><body>\r\n<p>"), before,
                  10000, QStringLiteral("</p>\r\n<table>\r\n") + rows,
                  QStringLiteral("</table>\r\n<p>排行数据仅供参考</p></body></html>\r\n"));
}

QString RepeatedInQuotePage(const QString &text, int length)
{
    const QString unit = text + u' ';
    QString page(1, u'"');
    page.reserve(length + unit.size());
    while (page.size() < length)
        page += unit;
    page.truncate(qMax(length, 0));
    return page;
}

QString QuotesOnlyPage(int length)
{
    return QString(qMax(length, 0), u'"');
}

} // namespace tv::quoteserver
