// The asset notebook over 10,000 snapshots (one a day) beside the large journal: the list of them all,
// the switch to the chart page, one step of its scroll bar, the to-end chart from position 1 (every row
// drawn), and the trades of a day of about 600 records in the 100,000. Each as the rule alone and
// through the window until drawn (the handler, a repaint, an event pass and the deletes it left).
// Run by hand: build/bench/bench_notebook [rounds]

#include "app/Globals.h"
#include "app/Seams.h"
#include "app/frmMain.h"
#include "bench/BenchJournal.h"
#include "data/Database.h"
#include "reports/DayTrades.h"
#include "reports/Frmbook.h"
#include "reports/SnapshotBook.h"

#include <QApplication>
#include <QChartView>
#include <QDateEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableView>

#include <cstdio>

using namespace tv;
using namespace tv::bench;

namespace {

constexpr int kSnapshots = 10000;
const QDate kFirstSnapshot(1999, 1, 1);

void fillSnapshots(const QString &path)
{
    Database db(path, g_DbConnect);
    Transaction tx(db);
    for (int i = 0; i < kSnapshots; ++i)
        db.execute(
            QStringLiteral("INSERT INTO qixst (资金余额, 证券市值, 资产总值, 日期, 上证指数, 涨跌幅, 备注) "
                           "VALUES (?, ?, ?, ?, ?, '0.5%', 'admin')"),
            {50000.0 + i, 100000.0 + i * 3, 150000.0 + i * 4, kFirstSnapshot.addDays(i), 3000.0 + i % 500});
    tx.commit();
}

void drawn(QWidget *w)
{
    w->repaint();
    QCoreApplication::processEvents();
    // The old chart items a draw let go of: the event loop deletes them, and this program runs none.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void report(const char *name, const char *what, const std::vector<double> &rule,
            const std::vector<double> &window)
{
    if (rule.empty())
        std::printf("%-34s %-22s %28s until drawn %9.2f ms\n", name, what, "", median(window));
    else
        std::printf("%-34s %-22s rule %9.2f ms  until drawn %9.2f ms\n", name, what, median(rule),
                    median(window));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 21;

    const BenchJournal journal;
    fillSnapshots(journal.path());
    seams::msgBox = [](const QString &text, int, const QString &) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return int(vbOK);
    };

    frmMain *main = frmMain::instance();
    main->resize(1400, 900);
    main->show();
    main->Toolbar1_ButtonClick(QStringLiteral("frmbook"));
    QCoreApplication::processEvents();
    Frmbook *w = Frmbook::existing();
    if (!w) {
        std::fprintf(stderr, "the notebook did not open\n");
        return 1;
    }
    const QDate from = kFirstSnapshot, to = kFirstSnapshot.addDays(kSnapshots - 1);
    w->DTPicker1->setDate(from);
    w->DTPicker2->setDate(to);

    // The list of every snapshot.
    std::vector<double> rule, window;
    // The rule alone frees its whole list at the end of each round; lying at the top of the heap, that
    // memory goes back to the system and is faulted in again the next round, which the window's reload
    // (it reuses what its old list freed) does not pay. With MALLOC_TRIM_THRESHOLD_ set high both agree.
    for (int r = 0; r < rounds; ++r)
        rule.push_back(timed([&] {
            Database db(journal.path(), g_DbConnect);
            ListSnapshots(db, from, to);
        }));
    for (int r = 0; r < rounds; ++r)
        window.push_back(timed([&] {
            w->qixload();
            drawn(w->my1);
        }));
    if (w->BookRows != kSnapshots) {
        std::fprintf(stderr, "listed %d snapshots\n", w->BookRows);
        return 1;
    }
    report("qixload", "10,000 snapshots", rule, window);

    // The switch from the list to the chart page: the last 21 rows.
    window.clear();
    for (int r = 0; r < rounds; ++r) {
        w->TabStrip1->setCurrentIndex(0);
        window.push_back(timed([&] {
            w->TabStrip1->setCurrentIndex(1);
            drawn(w->MSChart1);
        }));
    }
    report("switch to the chart", "21 of 10,000 rows", {}, window);

    // One step of the bar, back and forth.
    window.clear();
    for (int r = 0; r < rounds; ++r)
        window.push_back(timed([&] {
            w->HScroll1->triggerAction(r % 2 ? QAbstractSlider::SliderSingleStepAdd
                                             : QAbstractSlider::SliderSingleStepSub);
            drawn(w->MSChart1);
        }));
    report("one scroll step", "21 rows", {}, window);

    // The to-end mode reaching position 1: every row from 1 to the last.
    window.clear();
    for (int r = 0; r < std::max(1, rounds / 7); ++r) {
        {
            const QSignalBlocker quiet(w->HScroll1);
            w->HScroll1->setValue(2);
        }
        w->ChartToEnd = true;
        window.push_back(timed([&] {
            w->HScroll1->triggerAction(QAbstractSlider::SliderSingleStepSub);
            drawn(w->MSChart1);
        }));
        if (w->chartLabels().size() != kSnapshots) {
            std::fprintf(stderr, "the to-end chart drew %d rows\n", int(w->chartLabels().size()));
            return 1;
        }
    }
    report("to-end chart from position 1", "10,000 rows", {}, window);
    w->ChartToEnd = false;
    w->ChartWindow = 21;

    // The trades of one day of the journal.
    const QDate day(2000, 3, 15);
    w->DTPicker4->setDate(day);
    w->TabStrip1->setCurrentIndex(2);
    rule.clear();
    window.clear();
    int trades = 0;
    for (int r = 0; r < rounds; ++r) {
        rule.push_back(timed([&] {
            Database db(journal.path(), g_DbConnect);
            trades = TradesOfDay(db, day).grid.rowCount() - 3;
        }));
        window.push_back(timed([&] {
            w->Command8_Click();
            drawn(w->myday);
        }));
    }
    const QByteArray what = QStringLiteral("%1 trades of 100,000").arg(trades).toUtf8();
    report("day page", what.constData(), rule, window);

    forms::destroyAll();
    return 0;
}
