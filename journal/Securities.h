#pragma once

// The securities of the journal: the tree of categories and their securities, one security's detail,
// the lookup by code, and the deletes.

#include <QList>
#include <QString>
#include <QStringList>

namespace tv {

class Database;

// The index row: the Detail row of the Shanghai composite index, element 1 of every watch list.
inline const QString kIndexCode = QStringLiteral("shzs000001");
inline const QString kIndexName = QStringLiteral("上证指数");

// Adds the index row when it is missing, with its thresholds 10000, 5000 and 3000.
void EnsureIndexRow(Database &db);

struct CategoryEntry
{
    QString name;
    QString account;
    QStringList securities; // names, in the order they were entered
};

// Categories sorted by name in Chinese (pinyin) order, each with the securities of its account.
QList<CategoryEntry> LoadSecurityTree(Database &db);

struct SecurityDetail
{
    QString account, name, code, document, comment, target, price, change, updated, stopLoss, buyPoint;
    QString category; // the category that holds the account; "" when none does
};

// The Detail row of a name, with its category; false when there is none.
bool LoadSecurityDetail(Database &db, const QString &name, SecurityDetail &detail);

// The name of the security with this code, or "" when there is none.
QString SecurityNameOfCode(Database &db, const QString &code);

// The security of this code with all its records, in one transaction.
void DeleteSecurity(Database &db, const QString &code);

// One record by its key; the balances stored in later records stay as they are.
void DeleteRecord(Database &db, qint64 repid);

} // namespace tv
