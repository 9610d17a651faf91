#include "bench/BenchJournal.h"

#include "app/Forms.h"
#include "app/Globals.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/Settings.h"

#include <QDate>
#include <QElapsedTimer>
#include <algorithm>

namespace tv::bench {

QString codeOf(int i) { return QStringLiteral("6%1").arg(i, 5, 10, QLatin1Char('0')); }
QString nameOf(int i) { return QStringLiteral("证券%1").arg(i, 3, 10, QLatin1Char('0')); }

namespace {

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

} // namespace

BenchJournal::BenchJournal()
{
    SetSettingsFolder(m_dir.filePath(QStringLiteral("settings")));
    forms::setProgramEndHandler([] {});
    m_path = m_dir.filePath(QStringLiteral("File.zqd"));
    CreateEmptyDatabase(m_path, ConnectString());
    g_DbPath = m_path;
    g_DbConnect = ConnectString();
    g_CurUser = QStringLiteral("admin");
    g_UserRight = QStringLiteral("超级权限");
    QElapsedTimer fill;
    fill.start();
    fillJournal(m_path);
    m_fillMs = fill.elapsed();
}

double timed(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace tv::bench
