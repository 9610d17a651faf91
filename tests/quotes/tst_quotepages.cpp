// Reading quote pages: the scanning primitives, the three stock replies and the two fund pages, each
// page built by the generator and decoded from GBK as it comes off the wire.

#include "quotes/FundQuotes.h"
#include "quotes/StockQuotes.h"
#include "tests/common/TestSupport.h"
#include "tools/quoteserver/QuotePages.h"

#include <QStringDecoder>
#include <QTest>

using namespace tv;
using namespace tv::quoteserver;

namespace {

const QString kDetail = QStringLiteral("http://quotes.test:8080");
const QString kLinks = QStringLiteral("http://pages.test");
const QString kFundPages = QStringLiteral("http://funds.test/fund");
const QString kProfiles = QStringLiteral("http://profiles.test");
const QString kLookup = QStringLiteral("http://lookup.test:81");

// Through GBK and back, as Inet hands pages over.
QString wire(const QString &page)
{
    QStringDecoder gbk("GBK");
    return gbk.decode(Gbk(page));
}

QStringList list(const QStringList &codes)
{
    return QStringList{QString()} + codes;
}

// "price|change|name|link" per entry, then "failed" when the page failed.
QStringList summary(const QuoteReading &r)
{
    QStringList out;
    for (const QuoteEntry &e : r.entries)
        out << QStringList{e.price, e.change, e.name, e.link}.join(u'|');
    if (r.failed())
        out << QStringLiteral("failed");
    return out;
}

QString sinaLink(const QString &code)
{
    return u' ' + kLinks + QStringLiteral("/cominfo/sshq_") + code + QStringLiteral(".htm");
}
QString starLink(const QString &code)
{
    return kDetail + QStringLiteral("/ar/f10.asp?code=") + code + QStringLiteral("&mk=1");
}

const PageEntry kIndex{QStringLiteral("000001"),
                       QStringLiteral("上证指数"),
                       QStringLiteral("3030.12"),
                       {},
                       QStringLiteral("1.00%")};
const PageEntry kPufa{QStringLiteral("600000"),
                      QStringLiteral("浦发银行"),
                      QStringLiteral("10.50"),
                      {},
                      QStringLiteral("5.00%")};
const PageEntry kWanke{
    QStringLiteral("000002"), QStringLiteral("万科Ａ"), QStringLiteral("9.50"), {}, QStringLiteral("-5.00%")};

PageEntry keyed(const QString &key, const QString &name, const QString &reference, const QString &price)
{
    return {key, name, price, reference, {}};
}

} // namespace

class TestQuotePages : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void primitives_data();
    void primitives();
    void requestAddress();
    void starReply_data();
    void starReply();
    void sinaReply_data();
    void sinaReply();
    void sohuReply_data();
    void sohuReply();
    void fundPrices_data();
    void fundPrices();
    void fundSina_data();
    void fundSina();
    void hostileReplies_data();
    void hostileReplies();
};

void TestQuotePages::primitives_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("q");
    QTest::addColumn<QString>("arg");
    QTest::addColumn<int>("position"); // -1: a failure
    QTest::addColumn<QString>("field");
    // "证券<a>=b<c>", positions 1 to 11: 证 1, 券 2, < 3, a 4, > 5, = 6, b 7, < 8, c 9, > 10
    QTest::newRow("find from 1") << "find" << 1 << "<" << 3 << "";
    QTest::newRow("find at start") << "find" << 3 << "<" << 3 << "";
    QTest::newRow("find later") << "find" << 4 << "<" << 8 << "";
    QTest::newRow("find absent") << "find" << 1 << "x" << 0 << "";
    QTest::newRow("find past the end") << "find" << 11 << ">" << 0 << "";
    QTest::newRow("findNext absent") << "findNext" << 9 << "<" << -1 << "";
    QTest::newRow("seek skips q") << "seek" << 3 << "<" << 8 << "";
    QTest::newRow("seek next") << "seek" << 2 << "<" << 3 << "";
    QTest::newRow("seek without stop") << "seek" << 8 << "<" << -1 << "";
    QTest::newRow("take keeps q") << "take" << 3 << "<" << 8 << "<a>=b";
    QTest::newRow("take one") << "take" << 9 << ">" << 10 << "c";
    QTest::newRow("take without stop") << "take" << 9 << "<" << -1 << "";
    QTest::newRow("take past the end") << "take" << 11 << ">" << -1 << "";
    QTest::newRow("run empty") << "run" << 3 << "<>" << 3 << "";
    QTest::newRow("run") << "run" << 1 << "<>" << 3 << "证券";
    QTest::newRow("run without stop") << "run" << 9 << "x" << -1 << "";
}

void TestQuotePages::primitives()
{
    QFETCH(QString, op);
    QFETCH(int, q);
    QFETCH(QString, arg);
    QFETCH(int, position);
    QFETCH(QString, field);
    const PageScanner page(QStringLiteral("证券<a>=b<c>"));
    int got = 0;
    QString text;
    try {
        if (op == u"find") {
            got = page.find(q, arg);
        } else if (op == u"findNext") {
            got = page.findNext(q, arg);
        } else if (op == u"seek") {
            got = page.seek(q, arg[0]);
        } else {
            const auto f = op == u"take" ? page.take(q, arg[0]) : page.run(q, arg);
            got = f.stop;
            text = f.text;
        }
    } catch (const ScanError &) {
        got = -1;
    }
    QCOMPARE(got, position);
    QCOMPARE(text, field);
}

void TestQuotePages::requestAddress()
{
    const QStringList codes = list({"shzs000001", "600000", "000002", "k161005", "6&0 #?%+证"});
    QCOMPARE(StockRequestAddress(QuoteSource::Star, "http://h", codes, 5),
             QStringLiteral("http://h/scripts/quoteISAPI.dll?MFCISAPICommand=dghq&code=shzs000001,shag600000,"
                            "szag000002,k161005,shag6%260%20%23%3F%25%2B%E8%AF%81,"));
    QCOMPARE(StockRequestAddress(QuoteSource::Sina, "http://h", codes, 3),
             QStringLiteral("http://h/list=sh000001,sh600000,sz000002,"));
    QCOMPARE(StockRequestAddress(QuoteSource::Sohu, "http://h", codes, 3),
             QStringLiteral("http://h/?0000001;0600000;1000002;"));
    QCOMPARE(codes, list({"shzs000001", "600000", "000002", "k161005", "6&0 #?%+证"}));
}

void TestQuotePages::starReply_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QStringList>("expected");
    const QString indexLine = "3030.12|1.00%|上证指数|" + starLink("000001");
    const QString pufaLine = "10.50|5.00%|浦发银行|" + starLink("600000");
    QTest::newRow("index and a stock") << StarPage(kDetail, {kIndex, kPufa}) << list({"shzs000001", "600000"})
                                       << QStringList{indexLine, pufaLine};
    QTest::newRow("not found") << StarPage(kDetail, {kPufa}) << list({"000002", "600000", "k161005"})
                               << QStringList{"0|||", pufaLine, "0|||"};
    QTest::newRow("falling") << StarPage(kDetail, {kWanke}) << list({"000002"})
                             << QStringList{"9.50|-5.00%|万科Ａ|" + starLink("000002")};
    QTest::newRow("out of order") << StarPage(kDetail, {kWanke, kPufa}) << list({"600000", "000002"})
                                  << QStringList{pufaLine, "0|||"};
    QTest::newRow("before the start")
        << StarEntry(kDetail, kPufa) + StarPage(kDetail, {}) << list({"600000"}) << QStringList{"0|||"};
    QString shortName = StarPage(kDetail, {kIndex, kPufa});
    shortName.replace(QStringLiteral("浦发银行 600000"), QStringLiteral("600000"));
    QTest::newRow("name field of 6") << shortName << list({"shzs000001", "600000"})
                                     << QStringList{"0|1.00%||" + starLink("000001"),
                                                    "0|||" + starLink("600000"), "failed"};
    QString noPrice = StarPage(kDetail, {kIndex, kPufa});
    noPrice.replace(noPrice.lastIndexOf(QStringLiteral("<font style=")), 5, QStringLiteral("<span"));
    QTest::newRow("price marker missing")
        << noPrice << list({"shzs000001", "600000"})
        << QStringList{"0|1.00%||" + starLink("000001"), "0|||" + starLink("600000"), "failed"};
    // A row that lacks a marker fails the page rather than take the next row's price or change.
    struct Break
    {
        const char *marker;
        QString text, broken;
    };
    for (const Break &b :
         {Break{"price", "<font style=", "<span style="}, Break{"change", "nowrap>", "nowrap >"}}) {
        QString page = StarPage(kDetail, {kIndex, kPufa, kWanke});
        page.replace(page.indexOf(b.text, page.indexOf(QStringLiteral("浦发银行"))), b.text.size(), b.broken);
        QTest::addRow("%s marker missing, the next row whole", b.marker)
            << page << list({"shzs000001", "600000", "000002"})
            << QStringList{"0|1.00%||" + starLink("000001"), "0|||" + starLink("600000"), "0|||", "failed"};
    }
    QTest::newRow("a shorter code is no prefix")
        << StarPage(kDetail, {kPufa}) << list({"60000", "600000"}) << QStringList{"0|||", pufaLine};
    QString noChange = StarPage(kDetail, {kIndex, kPufa});
    noChange.replace(noChange.lastIndexOf(QStringLiteral("nowrap>")), 7, QStringLiteral("nowrap >"));
    QTest::newRow("change marker missing")
        << noChange << list({"shzs000001", "600000"})
        << QStringList{"0|1.00%||" + starLink("000001"), "0|||" + starLink("600000"), "failed"};
}

void TestQuotePages::starReply()
{
    QFETCH(QString, page);
    QFETCH(QStringList, codes);
    QFETCH(QStringList, expected);
    QCOMPARE(summary(ReadStarReply(wire(page), codes, int(codes.size()) - 1, kDetail)), expected);
}

void TestQuotePages::sinaReply_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QStringList>("expected");
    const PageEntry index = keyed("sh000001", "上证指数", "3000.00", "3030.00");
    const PageEntry pufa = keyed("sh600000", "浦发银行", "10.00", "10.50");
    const PageEntry wanke = keyed("sz000002", "万科Ａ", "10.00", "9.50");
    const QString pufaLine = "10.50|5.00%|浦发银行|" + sinaLink("600000");
    QTest::newRow("index, rising, falling")
        << SinaPage({index, pufa, wanke}) << list({"shzs000001", "600000", "000002"})
        << QStringList{"3030.00|1.00%|上证指数|" + sinaLink("sh000001"), pufaLine,
                       "9.50|-5.00%|万科Ａ|" + sinaLink("000002")};
    QTest::newRow("reference 0") << SinaPage({keyed("sh600000", "浦发银行", "0", "10.50")})
                                 << list({"600000"})
                                 << QStringList{"10.50|100.00%|浦发银行|" + sinaLink("600000")};
    QTest::newRow("not found") << SinaPage({pufa}) << list({"000002", "600000", "k161005"})
                               << QStringList{"0|||", pufaLine, "0|||"};
    QTest::newRow("out of order") << SinaPage({wanke, pufa}) << list({"600000", "000002"})
                                  << QStringList{pufaLine, "0|||"};
    QTest::newRow("empty name") << SinaPage({keyed("sh600000", "", "", ""), wanke})
                                << list({"600000", "000002"})
                                << QStringList{"0|||" + sinaLink("600000"),
                                               "9.50|-5.00%|万科Ａ|" + sinaLink("000002")};
    QTest::newRow("one-character name") << SinaPage({keyed("sh600000", "浦", "10.00", "10.50")})
                                        << list({"600000"}) << QStringList{"0||浦|" + sinaLink("600000")};
    QTest::newRow("longer than 32767")
        << SinaPage({index}) + ChineseText(40000) + SinaEntry(pufa) << list({"shzs000001", "600000"})
        << QStringList{"3030.00|1.00%|上证指数|" + sinaLink("sh000001"), pufaLine};
    // 600001 has no record; its digits stand in 600000's volume, then in a key forged inside its text.
    const PageEntry pufa2 = keyed("sh600002", "浦发二号", "10.00", "9.50");
    const QStringList withoutMiddle{pufaLine, "0|||", "9.50|-5.00%|浦发二号|" + sinaLink("600002")};
    QTest::newRow("missing record, its digits in a volume")
        << SinaPage({pufa, pufa2}).replace(",100,1000,", ",26000017,1000,")
        << list({"600000", "600001", "600002"}) << withoutMiddle;
    QTest::newRow("missing record, its key inside another's text")
        << SinaPage({pufa, pufa2}).replace(",100,1000,", ",x sh600001=\"伪造,1.00,1.00,99.00,\",1000,")
        << list({"600000", "600001", "600002"}) << withoutMiddle;
    // Keys inside quoted text after the records read first, and records after quoted text full of keys:
    // whether a key stands inside quotes does not depend on what was asked before it.
    const QString forged = QStringLiteral(",x sh600001= sh600009= \"\" sh600001=,1000,");
    QTest::newRow("keys inside text late, records early")
        << SinaPage({pufa, pufa2}).replace(",100,1000,", forged) << list({"600009", "600000", "600002"})
        << QStringList{"0|||", pufaLine, "9.50|-5.00%|浦发二号|" + sinaLink("600002")};
    QTest::newRow("keys inside text, then the record")
        << SinaPage({pufa, keyed("sh600001", "浦发一号", "10.00", "9.50")}).replace(",100,1000,", forged)
        << list({"600000", "600001", "600009"})
        << QStringList{pufaLine, "9.50|-5.00%|浦发一号|" + sinaLink("600001"), "0|||"};
    QTest::newRow("fields missing, the next record whole")
        << QStringLiteral("/* 行情 */\nvar hq_str_sh600000=\"浦发银行,10.00\";\n") + SinaEntry(wanke)
        << list({"600000", "000002"}) << QStringList{"0|||" + sinaLink("600000"), "0|||", "failed"};
    QTest::newRow("fields missing after a found entry")
        << SinaPage({pufa}) + QStringLiteral("var hq_str_sz000002=\"万科Ａ\";\n")
        << list({"600000", "000002"})
        << QStringList{"0|5.00%||" + sinaLink("600000"), "0|||" + sinaLink("000002"), "failed"};
}

void TestQuotePages::sinaReply()
{
    QFETCH(QString, page);
    QFETCH(QStringList, codes);
    QFETCH(QStringList, expected);
    QCOMPARE(summary(ReadSinaReply(wire(page), codes, int(codes.size()) - 1, kLinks)), expected);
}

void TestQuotePages::sohuReply_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QStringList>("expected");
    const PageEntry index = keyed("0000001", "上证指数", "3000.00", "3030.00");
    const PageEntry pufa = keyed("0600000", "浦发银行", "10.00", "10.50");
    const PageEntry wanke = keyed("1000002", "万科Ａ", "10.00", "9.50");
    const QString pufaLine = "10.50|5.00%|浦发银行|" + sinaLink("600000");
    QTest::newRow("index, rising, falling")
        << SohuPage({index, pufa, wanke}) << list({"shzs000001", "600000", "000002"})
        << QStringList{"3030.00|1.00%|上证指数|" + sinaLink("0000001"), pufaLine,
                       "9.50|-5.00%|万科Ａ|" + sinaLink("000002")};
    QTest::newRow("reference 0") << SohuPage({keyed("0600000", "浦发银行", "0", "10.50")}) << list({"600000"})
                                 << QStringList{"10.50|100.00%|浦发银行|" + sinaLink("600000")};
    QTest::newRow("not found") << SohuPage({pufa}) << list({"000002", "600000"})
                               << QStringList{"0|||", pufaLine};
    QTest::newRow("out of order") << SohuPage({wanke, pufa}) << list({"600000", "000002"})
                                  << QStringList{pufaLine, "0|||"};
    QTest::newRow("empty name") << SohuPage({keyed("0600000", "", "", ""), wanke})
                                << list({"600000", "000002"})
                                << QStringList{"0|||" + sinaLink("600000"),
                                               "9.50|-5.00%|万科Ａ|" + sinaLink("000002")};
    QTest::newRow("one-character name") << SohuPage({keyed("0600000", "浦", "10.00", "10.50")})
                                        << list({"600000"}) << QStringList{"0||浦|" + sinaLink("600000")};
    QTest::newRow("longer than 32767")
        << SohuPage({index}) + ChineseText(40000) + SohuEntry(pufa) << list({"shzs000001", "600000"})
        << QStringList{"3030.00|1.00%|上证指数|" + sinaLink("0000001"), pufaLine};
    // 600001 has no record; "0600001" stands in 600000's volume.
    QTest::newRow("missing record, its digits in a volume")
        << SohuPage({pufa, keyed("0600002", "浦发二号", "10.00", "9.50")})
               .replace(";100;1000;", ";106000012;1000;")
        << list({"600000", "600001", "600002"})
        << QStringList{pufaLine, "0|||", "9.50|-5.00%|浦发二号|" + sinaLink("600002")};
    QTest::newRow("fields missing, the next record whole")
        << QStringLiteral("/* 行情 */\nvar sohu_0600000=\"0600000,浦发银行;10.00;10.50\";\n") +
               SohuEntry(wanke)
        << list({"600000", "000002"}) << QStringList{"0|||" + sinaLink("600000"), "0|||", "failed"};
    QTest::newRow("fields missing after a found entry")
        << SohuPage({pufa}) + QStringLiteral("var sohu_1000002=\"1000002,万科Ａ;10.00;9.50\";\n")
        << list({"600000", "000002"})
        << QStringList{"0|5.00%||" + sinaLink("600000"), "0|||" + sinaLink("000002"), "failed"};
}

void TestQuotePages::sohuReply()
{
    QFETCH(QString, page);
    QFETCH(QStringList, codes);
    QFETCH(QStringList, expected);
    QCOMPARE(summary(ReadSohuReply(wire(page), codes, int(codes.size()) - 1, kLinks)), expected);
}

namespace {
const PageEntry kFundA{QStringLiteral("161005"),
                       QStringLiteral("富国天惠"),
                       QStringLiteral("2.3456"),
                       {},
                       QStringLiteral("1.25%")};
const PageEntry kFundB{QStringLiteral("110022"),
                       QStringLiteral("易方达消费"),
                       QStringLiteral("3.1000"),
                       {},
                       QStringLiteral("-0.50%")};
QString profile(const QString &code)
{
    return kProfiles + "/openfund/jbgk_" + code + ".htm";
}
QString lookup(const QString &code)
{
    return kLookup + "/suggest/lookup_n.php?q=" + code + "&country=fund";
}
} // namespace

void TestQuotePages::fundPrices_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QStringList>("expected");
    const QString a = "2.3456|1.25%|富国天惠|" + profile("161005");
    const QString b = "3.1000|-0.50%|易方达消费|" + profile("110022");
    QTest::newRow("any order, twice the same")
        << FundPricePage(kFundPages, kProfiles, {kFundB, kFundA}) << list({"161005", "110022", "161005"})
        << QStringList{a, b, a};
    QTest::newRow("no value") << FundPricePage(kFundPages, kProfiles,
                                               {{"161005", "富国天惠", "---", {}, "---"}})
                              << list({"161005"}) << QStringList{"0||富国天惠|" + profile("161005")};
    QTest::newRow("only before 20000") << FundPricePage(kFundPages, kProfiles, {kFundB}, {kFundA})
                                       << list({"161005", "110022"}) << QStringList{"0|||", b};
    QTest::newRow("not listed") << FundPricePage(kFundPages, kProfiles, {kFundB})
                                << list({"519001", "110022"}) << QStringList{"0|||", b};
    QString noProfile = FundPricePage(kFundPages, kProfiles, {kFundB, kFundA});
    noProfile.replace(noProfile.lastIndexOf(QStringLiteral("档案")), 2, QStringLiteral("资料"));
    QTest::newRow("profile cell missing")
        << noProfile << list({"110022", "161005"})
        << QStringList{"0|-0.50%||" + profile("110022"), "0|||" + profile("161005"), "failed"};
    // A fund's row that lacks a cell fails the page rather than take the next fund's value or change.
    const QStringList firstBroken{"0|||" + profile("110022"), "0|||", "failed"};
    QString noFirstProfile = FundPricePage(kFundPages, kProfiles, {kFundB, kFundA});
    noFirstProfile.replace(noFirstProfile.indexOf(QStringLiteral("档案")), 2, QStringLiteral("资料"));
    QTest::newRow("profile cell missing, the next fund whole")
        << noFirstProfile << list({"110022", "161005"}) << firstBroken;
    QString firstFewCells = FundPricePage(kFundPages, kProfiles, {kFundB, kFundA});
    firstFewCells.replace(firstFewCells.indexOf(QStringLiteral("</td><td>开放")), 12, QString());
    QTest::newRow("cell missing, the next fund whole")
        << firstFewCells << list({"110022", "161005"}) << firstBroken;
    QString fewCells = FundPricePage(kFundPages, kProfiles, {kFundB, kFundA});
    fewCells.replace(fewCells.lastIndexOf(QStringLiteral("</td><td>开放")), 12, QString());
    QTest::newRow("cell missing") << fewCells << list({"110022", "161005"})
                                  << QStringList{"0|-0.50%||" + profile("110022"), "0|||" + profile("161005"),
                                                 "failed"};
}

void TestQuotePages::fundPrices()
{
    QFETCH(QString, page);
    QFETCH(QStringList, codes);
    QFETCH(QStringList, expected);
    QCOMPARE(summary(ReadFundPrices(wire(page), codes, int(codes.size()) - 1, kFundPages, kProfiles)),
             expected);
}

void TestQuotePages::fundSina_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QStringList>("expected");
    const QString a = "2.3456|1.25%|富国天惠|" + lookup("161005");
    const QString b = "3.1000|-0.50%|易方达消费|" + lookup("110022");
    QTest::newRow("any order, twice the same")
        << FundSinaPage(kLookup, {kFundB, kFundA}) << list({"161005", "110022", "161005"})
        << QStringList{a, b, a};
    QTest::newRow("no value") << FundSinaPage(kLookup, {{"161005", "富国天惠", "--", {}, "--"}})
                              << list({"161005"}) << QStringList{"0||富国天惠|" + lookup("161005")};
    QTest::newRow("only before 10000")
        << FundSinaPage(kLookup, {kFundB}, {kFundA}) << list({"161005", "110022"}) << QStringList{"0|||", b};
    QString once = FundSinaPage(kLookup, {kFundB, kFundA});
    once.replace(once.lastIndexOf(lookup("161005")), lookup("161005").size(), QStringLiteral("#"));
    QTest::newRow("second marker missing") << once << list({"110022", "161005"})
                                           << QStringList{"0|-0.50%||" + lookup("110022"), "0|||", "failed"};
    QString firstFewCells = FundSinaPage(kLookup, {kFundB, kFundA});
    firstFewCells.replace(firstFewCells.indexOf(QStringLiteral("</td><td>累计")), 12, QString());
    QTest::newRow("cell missing, the next fund whole")
        << firstFewCells << list({"110022", "161005"})
        << QStringList{"0|||" + lookup("110022"), "0|||", "failed"};
    QString fewCells = FundSinaPage(kLookup, {kFundB, kFundA});
    fewCells.replace(fewCells.lastIndexOf(QStringLiteral("</td><td>累计")), 12, QString());
    QTest::newRow("cell missing") << fewCells << list({"110022", "161005"})
                                  << QStringList{"0|-0.50%||" + lookup("110022"), "0|||" + lookup("161005"),
                                                 "failed"};
}

void TestQuotePages::fundSina()
{
    QFETCH(QString, page);
    QFETCH(QStringList, codes);
    QFETCH(QStringList, expected);
    QCOMPARE(summary(ReadFundSina(wire(page), codes, int(codes.size()) - 1, kLookup)), expected);
}

// Replies as large as a reply may be, built so that each reader meets its costliest text (a key it must
// pass over) again and again, or nothing but quotes: none of the codes asked is there.
void TestQuotePages::hostileReplies_data()
{
    QTest::addColumn<int>("reader");
    QTest::addColumn<bool>("quotesAlone");
    QTest::addColumn<int>("megabytes");
    const QList<tv::test::PageReader> readers = tv::test::PageReaders();
    for (int r = 0; r < readers.size(); ++r) {
        const QByteArray name = readers[r].name.toUtf8();
        for (int megabytes : {1, 4})
            QTest::addRow("%s, key inside one quote, %d MB", name.constData(), megabytes)
                << r << false << megabytes;
        QTest::addRow("%s, quotes alone, 4 MB", name.constData()) << r << true << 4;
    }
}

void TestQuotePages::hostileReplies()
{
    QFETCH(int, reader);
    QFETCH(bool, quotesAlone);
    QFETCH(int, megabytes);
    const tv::test::PageReader r = tv::test::PageReaders().at(reader);
    const int length = megabytes * 1'000'000;
    const QString page = quotesAlone ? QuotesOnlyPage(length) : RepeatedInQuotePage(r.costlyText, length);
    QCOMPARE(page.size(), length);
    QCOMPARE(summary(r.read(page)), QStringList(10, QStringLiteral("0|||")));
}

QTEST_GUILESS_MAIN(TestQuotePages)
#include "tst_quotepages.moc"
