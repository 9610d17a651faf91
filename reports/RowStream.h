#pragma once

// The rows of one statement read straight from SQLite, one at a time, for the displays that read many
// rows once: nothing is kept but what the caller takes. Values read as a RowSet reads them.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariantList>

struct sqlite3_stmt;

namespace tv {

class Database;

class RowStream
{
public:
    // Prepares the statement on the open database and binds the values (as BindValue binds them).
    // Throws DbError when the statement cannot run.
    RowStream(Database &db, const QString &sql, const QVariantList &args = {});
    ~RowStream();
    RowStream(const RowStream &) = delete;
    RowStream &operator=(const RowStream &) = delete;

    // Runs the statement again from its first row with new values, without preparing it again.
    void rebind(const QVariantList &args);
    bool next(); // false after the last row; throws DbError on a failure

    bool isNull(int column) const;
    QString text(int column) const;  // "" for Null, a REAL as its plain number text
    double number(int column) const; // a number as it is, a text's leading number, 0 for Null
    // text() as UTF-8, without a QString: valid until the next call or step. With `number`, also
    // number() of the same column, read with it.
    QByteArrayView utf8(int column, double *number = nullptr) const;

private:
    bool bind(const QVariantList &args);

    sqlite3_stmt *m_stmt = nullptr;
    mutable QByteArray m_number; // utf8() of the last number
};

} // namespace tv
