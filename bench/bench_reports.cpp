// The query window's displays over the large journal: the holdings analysis and the daily, monthly and
// yearly reports of dates in 2000 (the year that holds most records), each against sqlite3 stepping
// bare statements that return the same rows and read the columns the display uses, in the same run.
// Also the date-range trade list and the per-security summary of the whole journal until shown, and the
// export of that trade list to a spreadsheet.
// Run by hand: build/bench/bench_reports [rounds]

#include "app/Globals.h"
#include "app/Seams.h"
#include "app/frmMain.h"
#include "bench/BenchJournal.h"
#include "data/Database.h"
#include "data/GridExport.h"
#include "data/Spreadsheet.h"
#include "journal/frmManager.h"
#include "reports/HoldingsAnalysis.h"
#include "reports/PeriodReports.h"
#include "reports/SecuritySummary.h"
#include "reports/TradeList.h"
#include "reports/frmSearchForm.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QTabBar>
#include <QTableView>

#include <cstdio>
#include <functional>
#include <sqlite3.h>
#include <xlsxwriter.h>

using namespace tv;
using namespace tv::bench;

namespace {

double g_sink = 0; // what the raw reads add up to, so that nothing is optimised away

sqlite3_stmt *prepare(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "prepare failed: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
    return st;
}

void bindText(sqlite3_stmt *st, int i, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(st, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

// Reads every column of the current row, as text where it is text and as a number otherwise.
void readRow(sqlite3_stmt *st)
{
    for (int c = 0; c < sqlite3_column_count(st); ++c) {
        if (sqlite3_column_type(st, c) == SQLITE_TEXT)
            g_sink += sqlite3_column_bytes(st, c) + *sqlite3_column_text(st, c);
        else
            g_sink += sqlite3_column_double(st, c);
    }
}

int stepAll(sqlite3_stmt *st)
{
    int n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        readRow(st);
        ++n;
    }
    return n;
}

int rawRange(sqlite3 *db, const char *columns, const QDate &from, const QDate &to, bool withDetail)
{
    int n = 0;
    if (withDetail) {
        sqlite3_stmt *detail = prepare(db, "SELECT 证券代码, 证券名称, 市场价格 FROM Detail ORDER BY rowid");
        stepAll(detail);
        sqlite3_finalize(detail);
    }
    const QByteArray sql = QByteArray("SELECT ") + columns +
                           " FROM rep WHERE 交收日期 >= ? AND 交收日期 < ? ORDER BY 交收日期 ASC, repid ASC";
    sqlite3_stmt *st = prepare(db, sql.constData());
    bindText(st, 1, from.toString(Qt::ISODate));
    bindText(st, 2, to.toString(Qt::ISODate));
    n = stepAll(st);
    sqlite3_finalize(st);
    return n;
}

const char *kTradeColumns =
    "证券代码, 交易类别, 交收日期, 成交价格, 成交数量, 证券余额, 成交金额, 资金余额, 手续费, 印花税, "
    "过户费, 其它费用, 收支金额, 合同号";
const char *kPeriodColumns = "交收日期, 成交数量, 成交金额, 手续费, 印花税, 过户费, 其它费用, 收支金额";

// The index row, the Detail rows, each security's last row on or before the date, the cash row.
int rawAnalysis(sqlite3 *db, const QDate &date)
{
    const QString day = date.toString(Qt::ISODate);
    sqlite3_stmt *index =
        prepare(db, "SELECT 市场价格, 涨跌幅, 目标价, 止损位 FROM Detail WHERE 证券代码 = 'shzs000001'");
    stepAll(index);
    sqlite3_finalize(index);
    sqlite3_stmt *detail =
        prepare(db, "SELECT 证券名称, 证券代码, 目标价, 市场价格, 涨跌幅, 止损位 FROM Detail ORDER BY rowid");
    sqlite3_stmt *last = prepare(
        db, "SELECT 证券代码, 交易类别, 交收日期, 成交价格, 成交数量, 证券余额, 成交金额, 资金余额, "
            "手续费, 印花税, 过户费, 其它费用, 收支金额 FROM rep WHERE 证券代码 = ? AND 交收日期 <= ? "
            "ORDER BY 交收日期 DESC, repid DESC LIMIT 1");
    int held = 0;
    while (sqlite3_step(detail) == SQLITE_ROW) {
        readRow(detail);
        sqlite3_reset(last);
        sqlite3_bind_text(last, 1, reinterpret_cast<const char *>(sqlite3_column_text(detail, 1)), -1,
                          SQLITE_TRANSIENT);
        bindText(last, 2, day);
        if (sqlite3_step(last) == SQLITE_ROW) {
            readRow(last);
            if (sqlite3_column_double(last, 5) > 0)
                ++held;
        }
    }
    sqlite3_finalize(last);
    sqlite3_finalize(detail);
    sqlite3_stmt *cash = prepare(
        db, "SELECT 资金余额 FROM rep WHERE 交收日期 <= ? ORDER BY 交收日期 DESC, repid DESC LIMIT 1");
    bindText(cash, 1, day);
    stepAll(cash);
    sqlite3_finalize(cash);
    return held;
}

// The summary's rows: the grouping statement with the range's count and sums per code, then per code its
// last row before the range and its last row in it; and the Detail names and prices.
int rawSummary(sqlite3 *db, const QDate &from, const QDate &to)
{
    const QString first = from.toString(Qt::ISODate), last = to.toString(Qt::ISODate);
    sqlite3_stmt *detail = prepare(db, "SELECT 证券代码, 证券名称, 市场价格 FROM Detail ORDER BY rowid");
    stepAll(detail);
    sqlite3_finalize(detail);
    sqlite3_stmt *groups =
        prepare(db, "SELECT 证券代码, COUNT(*), SUM(成交数量), SUM(成交金额), SUM(收支金额), SUM(手续费), "
                    "SUM(印花税), SUM(过户费), SUM(其它费用) FROM rep WHERE 交收日期 >= ? AND 交收日期 <= ? "
                    "GROUP BY 证券代码 ORDER BY 证券代码");
    sqlite3_stmt *before = prepare(db, "SELECT 证券余额 FROM rep WHERE 证券代码 = ? AND 交收日期 < ? "
                                       "ORDER BY 交收日期 DESC, repid DESC LIMIT 1");
    sqlite3_stmt *end = prepare(db, "SELECT 证券余额 FROM rep WHERE 证券代码 = ? AND 交收日期 <= ? "
                                    "ORDER BY 交收日期 DESC, repid DESC LIMIT 1");
    bindText(groups, 1, first);
    bindText(groups, 2, last);
    int n = 0;
    while (sqlite3_step(groups) == SQLITE_ROW) {
        readRow(groups);
        const char *code = reinterpret_cast<const char *>(sqlite3_column_text(groups, 0));
        for (auto [st, day] : {std::pair{before, &first}, std::pair{end, &last}}) {
            sqlite3_reset(st);
            sqlite3_bind_text(st, 1, code, -1, SQLITE_TRANSIENT);
            bindText(st, 2, *day);
            if (sqlite3_step(st) == SQLITE_ROW)
                readRow(st);
        }
        ++n;
    }
    sqlite3_finalize(end);
    sqlite3_finalize(before);
    sqlite3_finalize(groups);
    return n;
}

// Each display opens the database file afresh, as every action of the program does; so does the
// baseline, and both start from the same cold page cache of a new connection.
int onNewConnection(const QString &path, const std::function<int(sqlite3 *)> &work)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
        std::exit(1);
    }
    const int rows = work(db);
    sqlite3_close(db);
    return rows;
}

struct Figures
{
    std::vector<double> raw, rule, window;
};

void report(const char *name, int rows, const Figures &f)
{
    const double raw = median(f.raw), rule = median(f.rule), window = median(f.window);
    std::printf("%-28s %7d rows  raw %8.2f ms  display %8.2f ms (%.2fx)  until shown %8.2f ms (%.2fx)\n",
                name, rows, raw, rule, rule / raw, window, window / raw);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 21;

    const BenchJournal journal;
    std::printf("journal: %d records over %d securities, one with %d (filled in %lld ms)\n", kRecords,
                kSecurities, kBigRecords, journal.fillMs());

    frmMain *main = frmMain::instance(); // inserts the index row
    main->resize(1200, 800);
    main->show();
    main->Toolbar1_ButtonClick(QStringLiteral("Manager"));
    main->Toolbar1_ButtonClick(QStringLiteral("Search"));
    QCoreApplication::processEvents();
    frmSearchForm *w = frmSearchForm::existing();
    if (!w) {
        std::fprintf(stderr, "the query window did not open\n");
        return 1;
    }

    const QString path = journal.path();

    const QDate day(2000, 3, 15);
    const QDate month(2000, 3, 1);
    const QDate year(2000, 1, 1);

    // A report of tab 1 through the window: the kind, the date, "确定", drawn.
    auto runReport = [&](int kind, const QDate &date) {
        if (w->curTab != 1)
            w->TabStrip1->setCurrentIndex(0);
        w->Combo2->setCurrentIndex(kind);
        w->DTPicker4->setDate(date);
        w->Command1_Click();
        w->my1->repaint();
        QCoreApplication::processEvents();
    };

    struct Case
    {
        const char *name;
        int kind;
        QDate date;
        std::function<int()> raw;
        std::function<QueryDisplay(Database &)> display;
    };
    const std::vector<Case> cases = {
        {"holdings analysis", 0, day,
         [&] { return onNewConnection(path, [&](sqlite3 *db) { return rawAnalysis(db, day); }); },
         [&](Database &db) { return AnalyseHoldings(db, day).display; }},
        {"daily report", 1, day,
         [&] {
             return onNewConnection(
                 path, [&](sqlite3 *db) { return rawRange(db, kTradeColumns, day, day.addDays(1), true); });
         },
         [&](Database &db) { return DailyReport(db, day); }},
        {"monthly report", 2, month,
         [&] {
             return onNewConnection(path, [&](sqlite3 *db) {
                 return rawRange(db, kPeriodColumns, month, month.addMonths(1), false);
             });
         },
         [&](Database &db) { return MonthlyReport(db, month); }},
        {"yearly report", 3, year,
         [&] {
             return onNewConnection(path, [&](sqlite3 *db) {
                 return rawRange(db, kPeriodColumns, year, year.addYears(1), false);
             });
         },
         [&](Database &db) { return YearlyReport(db, year); }},
    };
    for (const Case &c : cases) {
        Figures f;
        int rows = 0;
        QueryDisplay shown;
        for (int r = 0; r < rounds; ++r) {
            f.raw.push_back(timed([&] { rows = c.raw(); }));
            shown = QueryDisplay(); // the last result goes outside the timing
            f.rule.push_back(timed([&] {
                Database db(g_DbPath, g_DbConnect);
                shown = c.display(db);
            }));
            f.window.push_back(timed([&] { runReport(c.kind, c.date); }));
        }
        if (w->gridRowCount() != shown.grid.rowCount()) {
            std::fprintf(stderr, "%s: the window shows %d rows, the display has %d\n", c.name,
                         w->gridRowCount(), shown.grid.rowCount());
            return 1;
        }
        report(c.name, rows, f);
        std::printf("%-28s grid rows %d, record count %s\n", "", shown.grid.rowCount(),
                    qPrintable(shown.count));
    }

    const QDate from(1999, 1, 1), to(2010, 12, 31);
    auto showRange = [&] {
        w->TabStrip1->setCurrentIndex(1);
        w->DTPicker2->setDate(from);
        w->DTPicker3->setDate(to);
        w->Command1_Click();
    };

    // The per-security summary of the whole journal.
    {
        Figures f;
        int rows = 0;
        QueryDisplay summary;
        showRange();
        for (int r = 0; r < rounds; ++r) {
            f.raw.push_back(timed([&] {
                rows = onNewConnection(path, [&](sqlite3 *db) { return rawSummary(db, from, to); });
            }));
            summary = QueryDisplay();
            f.rule.push_back(timed([&] {
                Database db(g_DbPath, g_DbConnect);
                summary = SecuritySummary(db, from, to);
            }));
            f.window.push_back(timed([&] {
                w->Command8_Click();
                w->my1->repaint();
                QCoreApplication::processEvents();
            }));
        }
        if (w->gridRowCount() != summary.grid.rowCount() || rows + 3 != summary.grid.rowCount()) {
            std::fprintf(stderr, "summary: %d groups, the window shows %d rows, the display has %d\n", rows,
                         w->gridRowCount(), summary.grid.rowCount());
            return 1;
        }
        report("whole-journal summary", rows, f);
        w->TabStrip1->setCurrentIndex(0);
    }

    // The whole journal as one date-range trade list.
    {
        Figures f;
        int rows = 0;
        const int few = std::max(1, rounds / 4);
        QueryDisplay list;
        for (int r = 0; r < few; ++r) {
            f.raw.push_back(timed([&] {
                rows = onNewConnection(path, [&](sqlite3 *db) {
                    return rawRange(db, kTradeColumns, from, to.addDays(1), true);
                });
            }));
            list = QueryDisplay();
            f.rule.push_back(timed([&] {
                Database db(g_DbPath, g_DbConnect);
                list = TradeList(db, DateRangeCondition(from, to));
            }));
            f.window.push_back(timed([&] {
                showRange();
                w->my1->repaint();
                QCoreApplication::processEvents();
            }));
            w->TabStrip1->setCurrentIndex(0);
        }
        report("whole-journal trade list", rows, f);
    }

    // That trade list exported: the routine on a copy of its rows as the window hands them over (sharing
    // the packed block), and "导出" in the window with its caption and event pass after every row. The
    // desktop opener only notes the file.
    {
        showRange();
        QString opened;
        seams::openUrl = [&](const QUrl &url) {
            opened = url.toLocalFile();
            return true;
        };
        seams::msgBox = [](const QString &text, int, const QString &) {
            std::fprintf(stderr, "message: %s\n", qPrintable(text));
            return int(vbOK);
        };
        const GridRows grid = w->gridModel()->grid().rows;
        const QList<QStringList> rows = grid.mid(0, w->gridRow);
        // The library alone: the same cells, already sorted into numbers and UTF-8 texts, written in the
        // routine's mode; what the routine adds is its reading of the cells.
        struct Cell
        {
            std::optional<double> number;
            QByteArray text;
        };
        std::vector<std::vector<Cell>> cells;
        for (int r = 0; r < rows.size(); ++r) {
            cells.emplace_back();
            for (int c = 0; c < rows[r].size(); ++c) {
                const bool text = r == 0 || IsTextColumn(rows[0].value(c));
                cells.back().push_back(
                    {text ? std::nullopt : NumberCellValue(rows[r][c]), rows[r][c].toUtf8()});
            }
        }
        const auto libraryAlone = [&] {
            const QByteArray file = NewExportPath(QStringLiteral("bench-library")).toUtf8();
            lxw_workbook_options options = {};
            options.constant_memory = LXW_TRUE;
            lxw_workbook *book = workbook_new_opt(file.constData(), &options);
            lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
            for (size_t r = 0; r < cells.size(); ++r) {
                for (size_t c = 0; c < cells[r].size(); ++c) {
                    const Cell &cell = cells[r][c];
                    if (cell.number)
                        worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), *cell.number, nullptr);
                    else
                        worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), cell.text.constData(),
                                               nullptr);
                }
            }
            workbook_close(book);
            QFile::remove(QString::fromUtf8(file));
        };
        std::vector<double> routine, button, library;
        for (int r = 0; r < std::max(1, rounds / 7); ++r) {
            library.push_back(timed(libraryAlone));
            opened.clear();
            routine.push_back(timed([&] {
                ExportToSpreadsheet(grid, NewExportPath(QStringLiteral("bench")), {}, {}, 0, rows.size());
            }));
            QFile::remove(opened);
            opened.clear();
            button.push_back(timed([&] { w->Command4_Click(); }));
            if (opened.isEmpty()) {
                std::fprintf(stderr, "the export opened nothing\n");
                return 1;
            }
            QFile::remove(opened);
        }
        std::printf("%-28s %7d rows  routine %8.2f ms  \"导出\" %8.2f ms  (caption %s)\n",
                    "whole-journal export", int(rows.size()), median(routine), median(button),
                    qPrintable(w->windowTitle()));
        std::printf("%-28s %7d rows  library alone %8.2f ms\n", "", int(rows.size()), median(library));
    }

    std::printf("(checksum %.0f)\n", g_sink);
    forms::destroyAll();
    return 0;
}
