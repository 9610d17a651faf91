// The manager window over a large journal: 100,000 records over 200 securities, one of them with
// 10,000. Times the click on that security's node until its grid, totals row and profit are shown,
// the balances as of a date over the whole journal, and the opening of the trade-entry panel.
// Run by hand: build/bench/bench_manager [rounds]

#include "app/Forms.h"
#include "app/Globals.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "bench/BenchJournal.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "journal/TradeEntry.h"
#include "journal/frmManager.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFrame>
#include <QLineEdit>
#include <QTableView>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>

using namespace tv;
using namespace tv::bench;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 21;

    const BenchJournal journal;
    const QString path = journal.path();
    std::printf("journal: %d records over %d securities, one with %d (filled in %lld ms)\n", kRecords, kSecurities,
                kBigRecords, journal.fillMs());

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
