#include "data/Database.h"

#include "app/VbCompat.h"
#include "data/Schema.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <atomic>
#include <sqlite3.h>

namespace tv {

DbError::DbError(Kind kind, const QString &message)
    : std::runtime_error(message.toStdString()), m_kind(kind), m_message(message)
{
}

// ---- RowSet ------------------------------------------------------------------------------------

RowSet::RowSet(QStringList names, QList<QVariantList> rows) : m_names(std::move(names)), m_rows(std::move(rows)) {}

int RowSet::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_names.size(); ++i)
        if (m_names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    throw DbError(DbError::Statement, QStringLiteral("没有这个字段：%1").arg(name));
}

QVariant RowSet::value(int row, int field) const
{
    if (row < 0 || row >= m_rows.size() || field < 0 || field >= m_names.size())
        throw DbError(DbError::Statement, QStringLiteral("没有当前记录"));
    return m_rows[row][field];
}

QVariant RowSet::value(int row, const QString &name) const { return value(row, fieldIndex(name)); }

QString RowSet::text(int row, int field) const
{
    const QVariant v = value(row, field);
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Double)
        return DoubleText(v.toDouble());
    return v.toString();
}

QString RowSet::text(int row, const QString &name) const { return text(row, fieldIndex(name)); }

double RowSet::number(int row, int field) const
{
    const QVariant v = value(row, field);
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
        return v.toDouble();
    return Val(v.toString());
}

double RowSet::number(int row, const QString &name) const { return number(row, fieldIndex(name)); }

int RowSet::findFirst(const std::function<bool(int row)> &test)
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (test(i)) {
            m_noMatch = false;
            return i;
        }
    }
    m_noMatch = true;
    return -1;
}

// ---- Database ----------------------------------------------------------------------------------

namespace {

QString newConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("tallyvane-%1").arg(++counter);
}

bool isBusy(const QSqlError &e)
{
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok) & 0xFF; // primary code of an extended one
    return ok && (code == SQLITE_BUSY || code == SQLITE_LOCKED);
}

// A lock held past the busy time-out is told apart from every other failure.
DbError errorOf(const QSqlError &e, DbError::Kind otherwise, const QString &message)
{
    if (isBusy(e))
        return DbError(DbError::Busy, DbBusyText());
    return DbError(otherwise, message);
}

DbError statementError(const QSqlQuery &q)
{
    return errorOf(q.lastError(), DbError::Statement, q.lastError().text());
}

QSqlQuery prepared(const QSqlDatabase &db, const QString &sql, const QVariantList &args)
{
    // A text that would be stored altered never reaches SQLite, whichever window let it through.
    for (const QVariant &a : args)
        if (a.typeId() == QMetaType::QString && !StorableText(a.toString()))
            throw DbError(DbError::Statement, DbUnstorableText());
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw statementError(q);
    for (const QVariant &a : args)
        q.addBindValue(BindValue(a));
    if (!q.exec())
        throw statementError(q);
    return q;
}

} // namespace

QString DbBusyText()
{
    return QStringLiteral("数据库正在被其他工作站使用，请稍后再试。");
}

QString DbNotOursText(const QString &path)
{
    return QStringLiteral("数据库文件不是本系统的数据库，不能使用：") + QStringLiteral("\r\n") + path;
}

QString DbWrongPasswordText(const QString &path)
{
    return QStringLiteral("数据库文件的密码不对，不能使用：") + QStringLiteral("\r\n") + path;
}

QString DbDamagedText(const QString &path, bool withRestore)
{
    const QString text = QStringLiteral("数据库文件已损坏，不能使用：") + QStringLiteral("\r\n") + path;
    if (!withRestore)
        return text;
    return text + QStringLiteral("\r\n") +
           QStringLiteral("请用“系统配置”中的“恢复备份及其数据导入”从备份恢复。");
}

bool HasTallyvaneHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray h = file.read(100);
    if (h.size() < 100 || !h.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return false;
    const auto byteAt = [&h](int i) { return quint32(quint8(h[i])); };
    const quint32 applicationId = byteAt(68) << 24 | byteAt(69) << 16 | byteAt(70) << 8 | byteAt(71);
    // Write and read versions 1: a rollback journal, never a write-ahead log.
    return applicationId == quint32(kApplicationId) && byteAt(18) == 1 && byteAt(19) == 1;
}

QVariant BindValue(const QVariant &v)
{
    if (v.typeId() == QMetaType::QDate)
        return FormatDate(v.toDate());
    return v;
}

bool StorableText(const QString &text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == 0 || c == 0xFEFF || c == 0xFFFE || c == 0xFFFF)
            return false;
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 == n || !QChar::isLowSurrogate(text[i + 1].unicode()))
                return false;
            ++i;
        } else if (QChar::isLowSurrogate(c)) {
            return false;
        }
    }
    return true;
}

QString DbUnstorableText()
{
    return QStringLiteral("文字之中有不能原样保存的字符，没有写入。");
}

Database::Database(const QString &path, const QString &connect, Access access)
    : m_path(path), m_name(newConnectionName())
{
    openConnection(true, access);
    try {
        verify(connect, access);
    } catch (...) {
        connection().close();
        QSqlDatabase::removeDatabase(m_name);
        m_name.clear();
        throw;
    }
}

Database::Database(const QString &path, NewFile) : m_path(path), m_name(newConnectionName())
{
    openConnection(false);
}

void Database::openConnection(bool mustExist, Access access)
{
    if (mustExist && !QFileInfo(m_path).isFile())
        throw DbError(DbError::Missing, QStringLiteral("找不到数据库文件：%1").arg(m_path));
    if (mustExist && !HasTallyvaneHeader(m_path))
        throw DbError(DbError::NotDatabase, DbNotOursText(m_path));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        if (access == ReadOnly) {
            QUrl uri = QUrl::fromLocalFile(m_path);
            uri.setQuery(QStringLiteral("immutable=1"));
            db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
        } else {
            db.setDatabaseName(m_path);
            // Another workstation's write is waited for rather than failed.
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        }
        if (!db.open()) {
            const QString err = db.lastError().text();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            m_name.clear();
            throw DbError(DbError::NotDatabase, QStringLiteral("数据库打不开：%1（%2）").arg(m_path, err));
        }
    }
}

void Database::verify(const QString &connect, Access access)
{
    const QString notOurs = DbNotOursText(m_path);
    QSqlDatabase db = connection();
    // One read lock over the checks, taken by the first read (which also rolls back a journal left by a
    // workstation that died mid-save): no commit of another workstation is seen half-written.
    QSqlQuery begin(db);
    if (!begin.exec(QStringLiteral("BEGIN")))
        throw errorOf(begin.lastError(), DbError::NotDatabase, notOurs);
    QSqlQuery q(db);
    // A file that is no SQLite database fails here already; one locked by another workstation too,
    // and that is no reason to call it foreign.
    if (!q.exec(QStringLiteral("PRAGMA application_id")))
        throw errorOf(q.lastError(), DbError::NotDatabase, notOurs);
    if (!q.next() || q.value(0).toInt() != kApplicationId)
        throw DbError(DbError::NotDatabase, notOurs);
    q.finish();
    QSqlQuery meta(db);
    if (!meta.exec(QStringLiteral("SELECT name, value FROM %1").arg(kMetaTable)))
        throw errorOf(meta.lastError(), DbError::NotDatabase, notOurs);
    QString salt, check;
    while (meta.next()) {
        if (meta.value(0).toString() == QLatin1String("salt"))
            salt = meta.value(1).toString();
        else if (meta.value(0).toString() == QLatin1String("password_check"))
            check = meta.value(1).toString();
    }
    meta.finish();
    if (check.isEmpty())
        throw DbError(DbError::NotDatabase, notOurs);
    if (PasswordCheck(salt, PasswordOfConnect(connect)) != check)
        throw DbError(DbError::WrongPassword, DbWrongPasswordText(m_path));
    checkWhole();
    QSqlQuery end(db);
    if (!end.exec(QStringLiteral("COMMIT")))
        throw errorOf(end.lastError(), DbError::Statement, end.lastError().text());
    if (access == ReadOnly)
        return;
    // Never WAL: the file may sit on a share and is copied as one file.
    QSqlQuery mode(db);
    mode.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
}

// A file cut short inside its last page (a copy broken off, a full disk) still opens and reads back
// zeros where bytes are missing; its length against its pages tells, without reading them.
void Database::checkWhole()
{
    QSqlQuery q(connection());
    qint64 pageSize = 0, pages = 0;
    if (q.exec(QStringLiteral("PRAGMA page_size")) && q.next())
        pageSize = q.value(0).toLongLong();
    if (q.exec(QStringLiteral("PRAGMA page_count")) && q.next())
        pages = q.value(0).toLongLong();
    if (q.lastError().isValid())
        throw errorOf(q.lastError(), DbError::Damaged, DbDamagedText(m_path));
    if (pageSize <= 0 || pages <= 0 || QFileInfo(m_path).size() != pageSize * pages)
        throw DbError(DbError::Damaged, DbDamagedText(m_path));
}

Database::~Database()
{
    if (m_name.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isOpen()) {
            // A transaction never outlives its action.
            sqlite3 *h = nativeHandle();
            if (h && sqlite3_get_autocommit(h) == 0)
                QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase Database::connection() const { return QSqlDatabase::database(m_name, false); }

sqlite3 *Database::nativeHandle() const
{
    const QVariant h = connection().driver()->handle();
    if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3 *const *>(h.data());
    return nullptr;
}

int Database::execute(const QString &sql, const QVariantList &args)
{
    QSqlQuery q = prepared(connection(), sql, args);
    m_lastInsertId = q.lastInsertId().isValid() ? q.lastInsertId().toLongLong() : -1;
    return q.numRowsAffected();
}

RowSet Database::openQuery(const QString &sql, const QVariantList &args)
{
    QSqlQuery q = prepared(connection(), sql, args);
    const QSqlRecord rec = q.record();
    QStringList names;
    names.reserve(rec.count());
    for (int i = 0; i < rec.count(); ++i)
        names << rec.fieldName(i);
    QList<QVariantList> rows;
    while (q.next()) {
        QVariantList row;
        row.reserve(names.size());
        for (int i = 0; i < names.size(); ++i)
            row << q.value(i);
        rows << std::move(row);
    }
    if (q.lastError().isValid())
        throw statementError(q);
    return RowSet(std::move(names), std::move(rows));
}

RowSet Database::openTable(const QString &table)
{
    return openQuery(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table));
}

QVariant Database::scalar(const QString &sql, const QVariantList &args)
{
    QSqlQuery q = prepared(connection(), sql, args);
    return q.next() ? q.value(0) : QVariant();
}

bool Database::exists(const QString &sql, const QVariantList &args)
{
    QSqlQuery q = prepared(connection(), sql, args);
    return q.next();
}

// ---- Transaction -------------------------------------------------------------------------------

Transaction::Transaction(Database &db) : m_db(db)
{
    // IMMEDIATE takes the write lock now, so a read inside the transaction cannot deadlock against
    // another workstation's write later on.
    m_db.execute(QStringLiteral("BEGIN IMMEDIATE"));
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open) {
        try {
            rollback();
        } catch (...) {
        }
    }
}

void Transaction::commit()
{
    if (!m_open)
        throw DbError(DbError::Statement, QStringLiteral("事务已经结束"));
    m_db.execute(QStringLiteral("COMMIT"));
    m_open = false;
}

void Transaction::rollback()
{
    if (!m_open)
        return;
    m_open = false;
    m_db.execute(QStringLiteral("ROLLBACK"));
}

} // namespace tv
