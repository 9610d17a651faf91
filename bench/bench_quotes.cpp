// The batch price update ("价格更新") over 1,000 Detail rows (10 of the account "yh", 20 funds) against the
// local quote server running in a thread of its own with generated replies. Reports the batch's total
// time, the time the server spent on the requests (from a request's arrival to its reply written), and
// the difference: the program's own share (reading the rows, building requests, reading replies,
// writing the prices, the status line). With "replies" in place of a source: the hostile replies that
// cost each page reader most, read alone: a requested key repeated inside one open quote (1 MB and
// 4 MB) and 4 MB of quotes alone.
// Run by hand: build-release/bench/bench_quotes [rounds] [star|sina|sohu|replies]

#include "app/Globals.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "data/Settings.h"
#include "quotes/QuoteScan.h"
#include "quotes/Services.h"
#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuoteService.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tv;
using namespace tv::test;

namespace {

constexpr int kRows = 1000;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The median time of reading `reply` through `reader`, or -1 when some code came out quoted.
double readingTime(const PageReader &reader, const QString &reply, int rounds)
{
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        const QuoteReading reading = reader.read(reply);
        times.push_back(t.nsecsElapsed() / 1e6);
        for (const QuoteEntry &e : reading.entries)
            if (e.price != QLatin1String("0"))
                return -1;
    }
    return median(times);
}

// One reader's row: the two replies repeating its costliest text in one quote, and quotes alone. False
// when a hostile reply gave a quote.
bool hostileRow(const PageReader &reader, const QString &quotes, int rounds)
{
    constexpr int kMB = 1000 * 1000;
    const double times[] = {readingTime(reader, RepeatedInQuotePage(reader.costlyText, kMB), rounds),
                            readingTime(reader, RepeatedInQuotePage(reader.costlyText, 4 * kMB), rounds),
                            readingTime(reader, quotes, rounds)};
    std::printf("  %-14s %18.1f %18.1f %18.1f\n", qPrintable(reader.name), times[0], times[1], times[2]);
    std::fflush(stdout);
    if (*std::min_element(std::begin(times), std::end(times)) < 0) {
        std::fprintf(stderr, "%s found a code in a hostile reply\n", qPrintable(reader.name));
        return false;
    }
    return true;
}

int benchHostileReplies(int rounds)
{
    std::printf("hostile replies read alone, 10 codes asked, %d rounds, median ms:\n", rounds);
    std::printf("  %-14s %18s %18s %18s\n", "reader", "key in quote 1 MB", "key in quote 4 MB",
                "quotes alone 4 MB");
    const QString quotes = QuotesOnlyPage(4 * 1000 * 1000);
    for (const PageReader &reader : PageReaders())
        if (!hostileRow(reader, quotes, rounds))
            return 1;
    // A fund list has no bound: no fund may cost a pass over the page of its own.
    constexpr int kFunds = 1000;
    std::printf("the fund readers asked for %d funds:\n", kFunds);
    for (const PageReader &reader : PageReaders(kFunds))
        if (reader.name.startsWith(QLatin1String("fund")) && !hostileRow(reader, quotes, rounds))
            return 1;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    const QString source = argc > 2 ? QString::fromLatin1(argv[2]) : QStringLiteral("star");
    if (source == QLatin1String("replies"))
        return benchHostileReplies(rounds);

    TestEnv env; // settings and database in a temporary folder, message boxes recorded
    env.makeDatabase();
    g_QuoteSource = source;

    // The rows: the index row, then every 100th row (from the 50th) of "yh", every 50th (from the 25th)
    // a fund, the rest shares.
    QuoteBook book;
    frmMain *m = frmMain::instance(); // inserts the index row
    {
        Database db(g_DbPath, g_DbConnect);
        Transaction tx(db);
        for (int i = 2; i <= kRows; ++i) {
            const QString n = QString::number(i).rightJustified(4, u'0');
            QString account = QStringLiteral("A000000001"), code = QStringLiteral("60") + n;
            if (i % 100 == 50) {
                account = QStringLiteral("yh");
                code = QStringLiteral("90") + n;
            } else if (i % 50 == 25) {
                account = QStringLiteral("kj");
                code = QStringLiteral("k16") + n;
                book.funds << GeneratedFund(code.mid(1));
            }
            db.execute(QStringLiteral(
                           "INSERT INTO Detail (股东账号, 证券名称, 证券代码, 基本面, 分析评论, 目标价, "
                           "市场价格, 涨跌幅, 更新日期, 止损位, 买入点) VALUES (?, ?, ?, '', '', 12, 1, '', "
                           "'2026-01-01', 9, 9.5)"),
                       {account, QStringLiteral("证券") + n, code});
        }
        tx.commit();
    }

    QThread serverThread;
    serverThread.start();
    HttpServer *server = new HttpServer;
    server->moveToThread(&serverThread);
    bool listening = false;
    QMetaObject::invokeMethod(
        server, [&] { listening = server->listen(); }, Qt::BlockingQueuedConnection);
    if (!listening) {
        std::fprintf(stderr, "the server cannot listen\n");
        return 1;
    }
    server->setHandler(QuoteHandler(book));
    for (const QString &key : services::Keys())
        SaveSetting(kAppNameShared, QStringLiteral("Services"), key, server->address());

    const QString expected = QStringLiteral("扫描1000，更新990，未更新10");
    std::vector<double> totals, serving, gaps, shares;
    int requests = 0;
    for (int r = 0; r < rounds; ++r) {
        server->clearRequests();
        env.clearBoxes();
        QElapsedTimer t;
        t.start();
        m->Toolbar1_ButtonClick(QStringLiteral("down"));
        const double total = t.nsecsElapsed() / 1e6;
        if (env.boxes.size() != 1 || env.boxes[0].text != expected) {
            std::fprintf(stderr, "unexpected summary: %s\n",
                         env.boxes.isEmpty() ? "none" : qPrintable(env.boxes.last().text));
            return 1;
        }
        const QList<HttpRequest> seen = server->requests();
        requests = int(seen.size());
        double served = 0, between = 0;
        for (int i = 0; i < seen.size(); ++i) {
            served += (seen[i].answeredNs - seen[i].receivedNs) / 1e6;
            if (i > 0)
                between += (seen[i].receivedNs - seen[i - 1].answeredNs) / 1e6;
        }
        totals.push_back(total);
        serving.push_back(served);
        gaps.push_back(between);
        shares.push_back(total - served);
    }
    QMetaObject::invokeMethod(
        server, [server] { delete server; }, Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();

    std::printf("batch update of %d rows (10 \"yh\", 20 funds), source %s, %d requests a batch, %d rounds:\n",
                kRows, qPrintable(source), requests, rounds);
    std::printf("  total                          median %8.1f ms (min %.1f, max %.1f)\n", median(totals),
                *std::min_element(totals.begin(), totals.end()),
                *std::max_element(totals.begin(), totals.end()));
    std::printf("  server, arrival to reply       median %8.1f ms\n", median(serving));
    std::printf("  program's share (difference)   median %8.1f ms\n", median(shares));
    std::printf("  server-side gaps, reply to next request: median %.1f ms\n", median(gaps));
    return 0;
}
