#pragma once

// One open database file for the length of one action: open by path with the connect string, run
// statements with bound values, read row sets, and a transaction guard. Every failure is a DbError.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <stdexcept>

struct sqlite3;
class QSqlDatabase;

namespace tv {

class DbError : public std::runtime_error
{
public:
    // Busy: another workstation held the file longer than the busy time-out; nothing was changed.
    // Damaged: a database of ours that is not whole (cut short, or longer than its pages).
    enum Kind { Missing, NotDatabase, WrongPassword, Statement, Busy, Damaged };
    DbError(Kind kind, const QString &message);
    Kind kind() const { return m_kind; }
    QString message() const { return m_message; }

private:
    Kind m_kind;
    QString m_message;
};

// The message of a Busy error, the same in every window; and of a file that cannot be used, naming it:
// no database of ours, made with another password, or damaged, with the restore that mends the
// database in use (withRestore).
QString DbBusyText();
QString DbNotOursText(const QString &path);
QString DbWrongPasswordText(const QString &path);
QString DbDamagedText(const QString &path, bool withRestore = true);

// Whether the file's first bytes are those of a Tallyvane database: an SQLite file of our application id
// in rollback-journal mode. Read as plain bytes, so a file of another program is never touched by SQLite,
// which could play its journal or its write-ahead log into it.
bool HasTallyvaneHeader(const QString &path);

// The rows of a table or a statement, read whole. Fields are found by position or by name (without
// regard to case); a Null reads as "" through text() and as 0 through number().
class RowSet
{
public:
    RowSet() = default;
    RowSet(QStringList names, QList<QVariantList> rows);

    int recordCount() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    int fieldCount() const { return int(m_names.size()); }
    const QStringList &fieldNames() const { return m_names; }
    int fieldIndex(const QString &name) const; // throws DbError when there is no such field

    QVariant value(int row, int field) const;
    QVariant value(int row, const QString &name) const;
    QString text(int row, int field) const;
    QString text(int row, const QString &name) const;
    double number(int row, int field) const;
    double number(int row, const QString &name) const;

    // The first row for which the test holds, or -1; noMatch() tells the outcome of the last search.
    int findFirst(const std::function<bool(int row)> &test);
    bool noMatch() const { return m_noMatch; }

    const QList<QVariantList> &rows() const { return m_rows; }

private:
    QStringList m_names;
    QList<QVariantList> m_rows;
    bool m_noMatch = true;
};

class Database
{
public:
    // ReadOnly reads a copy that may not be ours as it stands, changing nothing: no lock, no journal
    // played back. Every open first checks the header from the bytes, and only a file that is ours is
    // opened by SQLite at all.
    enum Access { ReadWrite, ReadOnly };

    // Opens an existing Tallyvane database and checks that it is whole: a file of as many bytes as its
    // pages, seen under a read lock and after SQLite has rolled back a journal left by a workstation that
    // died mid-save. Fails with Missing, NotDatabase, WrongPassword or Damaged.
    Database(const QString &path, const QString &connect, Access access = ReadWrite);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QString path() const { return m_path; }

    int execute(const QString &sql, const QVariantList &args = {}); // rows changed
    qint64 lastInsertId() const { return m_lastInsertId; }
    RowSet openTable(const QString &table);                          // in table order
    RowSet openQuery(const QString &sql, const QVariantList &args = {});
    QVariant scalar(const QString &sql, const QVariantList &args = {}); // first field of the first row
    bool exists(const QString &sql, const QVariantList &args = {});      // any row at all

    QSqlDatabase connection() const;
    sqlite3 *nativeHandle() const;

    // Made by CreateDatabaseFile only: opens a new, empty file without the Tallyvane checks.
    struct NewFile
    {};
    Database(const QString &path, NewFile);

private:
    void openConnection(bool mustExist, Access access = ReadWrite);
    void verify(const QString &connect, Access access);
    void checkWhole();

    QString m_path;
    QString m_name;
    qint64 m_lastInsertId = -1;
};

// Begins a write transaction at construction; rolls back at destruction unless commit() succeeded.
class Transaction
{
public:
    explicit Transaction(Database &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();
    void rollback();

private:
    Database &m_db;
    bool m_open = false;
};

// Bound values: dates become "yyyy-MM-dd" text, everything else is bound as it is.
QVariant BindValue(const QVariant &v);

// Whether a text is stored and read back exactly as it is. SQLite keeps text as UTF-8: half of a
// surrogate pair is joined with the character after it or written as bytes that read back as U+FFFD;
// U+FFFE and U+FFFF read back as U+FFFD; a U+FEFF or U+FFFE at the start is taken for a byte-order mark
// (dropped, or the rest read byte-swapped), and a trim can bring one there from anywhere; a NUL ends the
// text where SQL compares it ("boss\0A" is "boss\0B"). The settings file drops the same pieces. Every
// other character, one beyond the basic plane written as its pair included, is kept.
bool StorableText(const QString &text);
// The message of a statement refused because a value bound to it is no storable text; nothing ran.
QString DbUnstorableText();

} // namespace tv
