// The manager window over a large journal: 100,000 records over 200 securities, one of them with
// 10,000. Times the click on that security's node until its grid, totals row and profit are shown,
// the balances as of a date over the whole journal, and the opening of the trade-entry panel.
// Run by hand: build/bench/bench_manager [rounds]

#include "app/Forms.h"
#include "app/Globals.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/Settings.h"
#include "journal/TradeEntry.h"
#include "journal/frmManager.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFrame>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>

using namespace tv;

namespace {

constexpr int kSecurities = 200;
constexpr int kRecords = 100000;
constexpr int kBigRecords = 10000;

QString codeOf(int i) { return QStringLiteral("6%1").arg(i, 5, 10, QLatin1Char('0')); }
QString nameOf(int i) { return QStringLiteral("证券%1").arg(i, 3, 10, QLatin1Char('0')); }

void fillJournal(const QString &path)
{
    Database db(path, ConnectString());
    Transaction tx(db);
    for (int i = 0; i < kSecurities; ++i)
        db.execute(QStringLiteral("INSERT INTO Detail (股东账号, 证券名称, 证券代码, 市场价格) VALUES ('A000000001', ?, ?, 10.5)"),
                   {nameOf(i), codeOf(i)});
    // Security 0 has 10,000 records; the other 90,000 are spread over the rest, days interleaved.
    const int perOther = (kRecords - kBigRecords) / (kSecurities - 1);
    int written = 0;
    auto add = [&](int security, int k) {
        const QString date = QDate(2000, 1, 1).addDays(k / 3).toString(QStringLiteral("yyyy-MM-dd"));
        const bool buy = k % 2 == 0;
        db.execute(QStringLiteral("INSERT INTO rep (证券代码, 交易类别, 交收日期, 成交价格, 成交数量, 证券余额, 成交金额, 资金余额, "
                                  "手续费, 印花税, 过户费, 其它费用, 收支金额, 合同号, 录入者) "
                                  "VALUES (?, ?, ?, 10, ?, ?, 1000, 50000, 5, ?, 1, 0, ?, 'B1', 'admin')"),
                   {codeOf(security), buy ? QStringLiteral("证券买入") : QStringLiteral("证券卖出"), date,
                    buy ? 100 : -100, buy ? 100 : 0, buy ? 0 : 1, buy ? -1006 : 993});
        ++written;
    };
    for (int k = 0; k < kBigRecords; ++k)
        add(0, k);
    for (int s = 1; s < kSecurities; ++s)
        for (int k = 0; k < perOther; ++k)
            add(s, k);
    for (int s = 1; written < kRecords; ++s)
        add(s, perOther);
    tx.commit();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 21;

    QTemporaryDir dir;
    SetSettingsFolder(dir.filePath(QStringLiteral("settings")));
    forms::setProgramEndHandler([] {});
    const QString path = dir.filePath(QStringLiteral("File.zqd"));
    CreateEmptyDatabase(path, ConnectString());
    g_DbPath = path;
    g_DbConnect = ConnectString();
    g_CurUser = QStringLiteral("admin");
    g_UserRight = QStringLiteral("超级权限");
    QElapsedTimer fill;
    fill.start();
    fillJournal(path);
    std::printf("journal: %d records over %d securities, one with %d (filled in %lld ms)\n", kRecords, kSecurities,
                kBigRecords, fill.elapsed());

    frmMain *main = frmMain::instance();
    main->resize(1200, 800);
    main->show();
    main->Toolbar1_ButtonClick(QStringLiteral("Manager"));
    QCoreApplication::processEvents();
    frmManager *w = frmManager::existing();

    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        // Another security first, so the big one is loaded afresh each round.
        w->TreeView_NodeClick(w->securityNode(nameOf(1 + r % (kSecurities - 1))));
        QCoreApplication::processEvents();
        QElapsedTimer t;
        t.start();
        w->TreeView_NodeClick(w->securityNode(nameOf(0)));
        w->my1->repaint(); // the grid drawn, not only filled
        QCoreApplication::processEvents();
        times.push_back(t.nsecsElapsed() / 1e6);
        if (w->gridRowCount() != kBigRecords + 3) {
            std::fprintf(stderr, "unexpected grid of %d rows\n", w->gridRowCount());
            return 1;
        }
    }
    std::printf("node click to grid, totals and profit shown (%d rows): median %.1f ms over %d rounds (min %.1f, max %.1f)\n",
                w->gridRowCount(), median(times), rounds, *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()));
    std::printf("profit shown: %s\n", qPrintable(w->txtFields[6]->text()));

    // The balances as of a date: cash over all securities, holding of one, on an open database.
    {
        Database db(path, ConnectString());
        std::vector<double> balance;
        Balances last;
        for (int r = 0; r < 201; ++r) {
            const QDate date = QDate(2000, 1, 1).addDays((r * 37) % 3400);
            QElapsedTimer t;
            t.start();
            last = BalanceAsOf(db, date, codeOf(r % kSecurities));
            balance.push_back(t.nsecsElapsed() / 1e6);
        }
        std::printf("BalanceAsOf over %d records: median %.3f ms over %zu dates (max %.3f; last: cash %.2f, holding %.0f)\n",
                    kRecords, median(balance), balance.size(), *std::max_element(balance.begin(), balance.end()),
                    last.cash, last.holding);
    }

    // Opening the entry panel on the big security: category, trade modes, balances, boxes filled.
    std::vector<double> opening;
    for (int r = 0; r < rounds; ++r) {
        w->Command3_Click(); // cancel: the panel closes
        QCoreApplication::processEvents();
        QElapsedTimer t;
        t.start();
        w->munaddqix_Click();
        opening.push_back(t.nsecsElapsed() / 1e6);
        QCoreApplication::processEvents();
        if (!w->Frame2->isVisible()) {
            std::fprintf(stderr, "the entry panel did not open\n");
            return 1;
        }
    }
    std::printf("opening the entry panel: median %.2f ms over %d rounds (max %.2f)\n", median(opening), rounds,
                *std::max_element(opening.begin(), opening.end()));

    forms::destroyAll();
    return 0;
}
