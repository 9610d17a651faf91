#pragma once

// The alert points of one security in Detail: read by its name, written by its code.

#include <QString>
#include <optional>

namespace tv {

class Database;

struct AlertPoints
{
    QString code;
    QString target;  // 目标价
    QString stop;    // 止损位
    QString buy;     // 买入点
    QString comment; // 分析评论
};

// The first Detail row of that name, empty columns as ""; none when no row has the name.
std::optional<AlertPoints> LoadAlertPoints(Database &db, const QString &name);

// Writes the three prices (each the number at the start of its text, "0" when there is none) and the
// comment into the row of that code, in one transaction. False, with nothing written, when no row has the
// code. Throws DbError, and then nothing is written.
bool SaveAlertPoints(Database &db, const QString &code, const AlertPoints &typed);

// The message when the security is gone from Detail (another workstation deleted it).
QString MissingSecurityText(const QString &name);

} // namespace tv
