#pragma once

// The watch window's fixture: a journal of the index and one or three holdings, the local quote server
// serving chosen quotes, and the watch opened from the query window as the operator opens it.

#include "app/Globals.h"
#include "data/Database.h"
#include "data/Settings.h"
#include "journal/frmManager.h"
#include "quotes/frmnow.h"
#include "reports/frmSearchForm.h"
#include "tools/quoteserver/HttpServer.h"
#include "tools/quoteserver/QuoteService.h"
#include "tests/common/TestSupport.h"
#include "tests/reports/ReportsFixture.h"

#include <QCoreApplication>

namespace tv::test {

inline const QString kAddress = QStringLiteral("alerts@example.com");

// Today is 2026-12-10. The index (3100.5, target 10000, stop 5000), 浦发银行 (800 shares at 11, target 12,
// stop 9) and, unless `one`, 万科A (100 shares at 8, target 10, stop 7) and the fund 富国天惠 (1000 units at
// 2.1). The cash of 1222059.89 makes the total 1234567.89 with 浦发银行 at 12.01.
inline void makeJournal(TestEnv &env, bool one = false)
{
    env.makeDatabase();
    Database db(g_DbPath, g_DbConnect);
    AddIndexRow(db);
    AddDetail(db, "浦发银行", "600000", 11, 12, 9, 9.5, "1.2%");
    AddRep(db, {"600000", "证券买入", "2026-12-01", 10, 800, 800, 8000, 1224959.89});
    if (one)
        return;
    AddDetail(db, "万科A", "000002", 8, 10, 7, 9, "-0.8%");
    AddDetail(db, "富国天惠", "k161005", 2.1, 3, 1, 1.5, "0.2%");
    AddRep(db, {"000002", "证券买入", "2026-12-05", 8, 100, 100, 800, 1224159.89});
    AddRep(db, {"k161005", "基金申购拨出", "2026-12-06", 2.1, 1000, 1000, 2100, 1222059.89});
}

inline void setMailbox(const QString &address, const QString &use)
{
    SaveSetting(kAppNameShared, "frmemail", "qixmail", address);
    SaveSetting(kAppNameShared, "frmemail", "use", use);
}

struct Quote
{
    QString code;
    QString price;
    QString change;
};

// The server's quotes: the index at 3100.50 unless given, the others as given.
inline void serve(HttpServer &server, const QList<Quote> &quotes)
{
    QuoteBook book;
    book.stocks.insert(QStringLiteral("shzs000001"),
                       {{}, QStringLiteral("上证指数"), "3100.50", {}, "0.50%"});
    for (const Quote &q : quotes)
        book.stocks.insert(q.code, {{}, QStringLiteral("样本证券"), q.price, {}, q.change});
    server.setHandler(QuoteHandler(book));
}

inline frmSearchForm *openQuery()
{
    frmManager *m = frmManager::isLoaded() ? frmManager::existing() : OpenManager();
    m->MnuSearchFile_Click();
    QCoreApplication::processEvents();
    return frmSearchForm::existing();
}

// The query window's analysis of today, then "实时监控".
inline frmnow *openWatch()
{
    openQuery()->Command6_Click();
    return frmnow::existing();
}

// The watch over 浦发银行 alone (makeJournal's one holding) opened from the query window, its quotes served
// by the local server; the mailbox (`address`) set when `use` is given.
struct OneHolding
{
    TestEnv env;
    HttpServer server;
    frmSearchForm *query = nullptr;
    frmnow *w = nullptr;

    explicit OneHolding(const QList<Quote> &quotes, const QString &use = QString(),
                        const QString &address = kAddress)
    {
        makeJournal(env, true);
        if (!use.isNull())
            setMailbox(address, use);
        if (!ServeQuotes(server))
            return;
        serve(server, quotes);
        query = openQuery();
        query->Command6_Click();
        w = frmnow::existing();
    }
};

} // namespace tv::test
