#include "reports/RowStream.h"

#include "app/VbCompat.h"
#include "data/Database.h"

#include <charconv>
#include <sqlite3.h>

namespace tv {

namespace {
[[noreturn]] void fail(sqlite3 *h)
{
    throw DbError(DbError::Statement, QString::fromUtf8(h ? sqlite3_errmsg(h) : "没有打开的数据库"));
}
} // namespace

RowStream::RowStream(Database &db, const QString &sql, const QVariantList &args)
{
    sqlite3 *h = db.nativeHandle();
    const QByteArray utf8 = sql.toUtf8();
    if (!h || sqlite3_prepare_v2(h, utf8.constData(), int(utf8.size()), &m_stmt, nullptr) != SQLITE_OK)
        fail(h);
    if (!bind(args)) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        fail(h);
    }
}

void RowStream::rebind(const QVariantList &args)
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    if (!bind(args))
        fail(sqlite3_db_handle(m_stmt));
}

bool RowStream::bind(const QVariantList &args)
{
    for (int i = 0; i < args.size(); ++i) {
        const QVariant v = BindValue(args[i]);
        int rc = SQLITE_OK;
        if (v.isNull())
            rc = sqlite3_bind_null(m_stmt, i + 1);
        else if (v.typeId() == QMetaType::Double)
            rc = sqlite3_bind_double(m_stmt, i + 1, v.toDouble());
        else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong)
            rc = sqlite3_bind_int64(m_stmt, i + 1, v.toLongLong());
        else {
            const QByteArray text = v.toString().toUtf8();
            rc = sqlite3_bind_text(m_stmt, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK)
            return false;
    }
    return true;
}

RowStream::~RowStream() { sqlite3_finalize(m_stmt); }

bool RowStream::next()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail(sqlite3_db_handle(m_stmt));
}

bool RowStream::isNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }

QString RowStream::text(int column) const
{
    return QString::fromUtf8(utf8(column));
}

QByteArrayView RowStream::utf8(int column, double *number) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL:
        if (number)
            *number = 0;
        return {};
    case SQLITE_FLOAT: {
        const double v = sqlite3_column_double(m_stmt, column);
        if (number)
            *number = v;
        m_number.truncate(0);
        AppendNumText(m_number, v);
        return m_number;
    }
    case SQLITE_INTEGER: {
        const qint64 v = sqlite3_column_int64(m_stmt, column);
        if (number)
            *number = double(v);
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
        m_number.truncate(0);
        m_number.append(digits, end - digits);
        return m_number;
    }
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        const QByteArrayView view(text, sqlite3_column_bytes(m_stmt, column));
        if (number)
            *number = Val(QString::fromUtf8(view));
        return view;
    }
    }
}

double RowStream::number(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL:
        return 0;
    case SQLITE_FLOAT:
    case SQLITE_INTEGER:
        return sqlite3_column_double(m_stmt, column);
    default:
        return Val(text(column));
    }
}

} // namespace tv
