#pragma once

// One row of the asset notebook: the money totals of the holdings analysis (or of the live watch that
// followed it), the index level and change as Detail holds them, the day analysed and the operator.

#include <QDate>
#include <QString>

namespace tv {

class Database;

struct Snapshot
{
    double cash = 0;
    double marketValue = 0;
    double totalAssets = 0;
    QDate date; // the day of the analysis whose figures these are
    QString user;
};

// Stores the snapshot in one transaction and returns its key. Throws DbError when the index row is
// missing or a statement fails; nothing is stored then.
qint64 SaveSnapshot(Database &db, const Snapshot &s);

} // namespace tv
