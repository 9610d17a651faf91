#include "data/Backup.h"

#include "data/Database.h"
#include "data/Schema.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sqlite3.h>

namespace tv {

BackupError::BackupError(Kind kind, const QString &detail)
    : std::runtime_error(detail.toStdString()), m_kind(kind), m_detail(detail)
{
}

QString BackupTarget(const QString &folder, const QDate &day)
{
    return folder + u'/' + day.toString(QStringLiteral("yy-MM-dd")) + QStringLiteral(".zQdb");
}

bool SameFile(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    if (!ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath())
        return true;
    // Hard links have two canonical paths but are one file.
    std::error_code ec;
    return std::filesystem::equivalent(std::filesystem::path(QFile::encodeName(a).toStdString()),
                                       std::filesystem::path(QFile::encodeName(b).toStdString()), ec) &&
           !ec;
}

namespace {

bool isBusy(int rc)
{
    return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED;
}

BackupError busyError()
{
    return BackupError(BackupError::Busy, DbBusyText());
}

// One online backup of the whole main database of `from` into `to`; SQLITE_OK or the failing code.
// step(-1) copies every page under a single read lock of the source, and the destination takes it as one
// write transaction, which finish() rolls back unless the copy got to the end.
int copyAll(sqlite3 *to, sqlite3 *from)
{
    if (!to || !from)
        return SQLITE_MISUSE;
    sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup)
        return sqlite3_errcode(to);
    const int step = sqlite3_backup_step(backup, -1);
    const int finish = sqlite3_backup_finish(backup);
    return step != SQLITE_DONE ? step : finish;
}

BackupError copyError(int rc)
{
    return isBusy(rc) ? busyError()
                      : BackupError(BackupError::CopyFailed, QString::fromUtf8(sqlite3_errstr(rc)));
}

// The first problem the integrity check names, on one line.
QString firstFinding(const RowSet &check)
{
    for (int r = 0; r < check.recordCount(); ++r)
        for (const QString &line : check.text(r, 0).split(u'\n', Qt::SkipEmptyParts))
            if (!line.startsWith(QLatin1String("***")))
                return line.left(200);
    return QString();
}

// A copy of a Tallyvane database, read as it stands (nothing of it changed), that is whole: as many
// bytes as its pages (the open checks that), an integrity check that finds nothing, every table there.
std::unique_ptr<Database> openWhole(const QString &path, const QString &connect)
{
    std::unique_ptr<Database> db;
    try {
        db = std::make_unique<Database>(path, connect, Database::ReadOnly);
    } catch (const DbError &e) {
        if (e.kind() == DbError::Busy)
            throw busyError();
        if (e.kind() == DbError::Damaged) // a copy: no restore to point to
            throw BackupError(BackupError::NotDatabase, QStringLiteral("文件长度不是整页"));
        throw BackupError(e.kind() == DbError::Missing ? BackupError::SourceMissing
                                                       : BackupError::NotDatabase,
                          e.message());
    }
    try {
        const RowSet check = db->openQuery(QStringLiteral("PRAGMA integrity_check"));
        if (check.recordCount() != 1 || check.text(0, 0) != QLatin1String("ok"))
            throw BackupError(BackupError::NotDatabase,
                              QStringLiteral("完整性检查没有通过：") + firstFinding(check));
        const QStringList missing = MissingTables(*db);
        if (!missing.isEmpty())
            throw BackupError(BackupError::NotDatabase, QStringLiteral("缺少表：") + missing.join(u','));
    } catch (const DbError &e) {
        if (e.kind() == DbError::Busy)
            throw busyError();
        throw BackupError(BackupError::NotDatabase, e.message());
    }
    return db;
}

// Writes the whole of `from` into a new file beside `target`, checks that copy, and renames it over
// `target` only then: a failure at any point leaves `target` as it was and no partial file behind.
// dropJournal: a rollback journal left beside `target` belongs to the file being replaced and must
// never be played back into the new one.
void writeReplacing(Database &from, const QString &connect, const QString &target,
                    QFile::Permissions permissions, bool dropJournal)
{
    QTemporaryFile partial(target + QStringLiteral(".XXXXXX"));
    partial.setAutoRemove(false);
    if (!partial.open())
        throw BackupError(BackupError::CopyFailed, partial.errorString());
    partial.close();
    const QString partialPath = partial.fileName();
    bool renamed = false;
    struct Cleanup
    {
        const QString &path;
        const bool &done;
        ~Cleanup()
        {
            if (!done) {
                QFile::remove(path);
                QFile::remove(path + QStringLiteral("-journal"));
            }
        }
    } cleanup{partialPath, renamed};

    sqlite3 *to = nullptr;
    const int rc = sqlite3_open_v2(partialPath.toUtf8().constData(), &to, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const QString why =
            to ? QString::fromUtf8(sqlite3_errmsg(to)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(to);
        throw BackupError(BackupError::CopyFailed, why);
    }
    sqlite3_busy_timeout(to, 5000);
    const int copied = copyAll(to, from.nativeHandle());
    if (sqlite3_close(to) != SQLITE_OK && copied == SQLITE_OK)
        throw BackupError(BackupError::CopyFailed, QStringLiteral("副本没有关闭"));
    if (copied != SQLITE_OK)
        throw copyError(copied);

    try {
        openWhole(partialPath, connect);
    } catch (const BackupError &e) {
        throw BackupError(BackupError::CopyFailed, QStringLiteral("副本检查没有通过：") + e.detail());
    }

    QFile::setPermissions(partialPath, permissions);
    if (dropJournal)
        QFile::remove(target + QStringLiteral("-journal"));
    // rename() replaces an existing file in one step; it refuses a directory of that name.
    if (std::rename(QFile::encodeName(partialPath).constData(), QFile::encodeName(target).constData()) != 0)
        throw BackupError(BackupError::CopyFailed, QString::fromLocal8Bit(std::strerror(errno)));
    renamed = true;
}

} // namespace

void CheckDatabaseFile(const QString &path, const QString &connect)
{
    openWhole(path, connect);
}

void BackupDatabase(const QString &dbPath, const QString &connect, const QString &target)
{
    std::unique_ptr<Database> source;
    try {
        source = std::make_unique<Database>(dbPath, connect);
    } catch (const DbError &e) {
        if (e.kind() == DbError::Busy)
            throw busyError();
        throw BackupError(e.kind() == DbError::Missing ? BackupError::SourceMissing : BackupError::CopyFailed,
                          e.message());
    }
    writeReplacing(*source, connect, target, QFileInfo(dbPath).permissions(), false);
}

void RestoreDatabase(const QString &source, const QString &dbPath, const QString &connect)
{
    if (!QFileInfo(source).isFile())
        throw BackupError(BackupError::SourceMissing, source);
    if (SameFile(source, dbPath))
        throw BackupError(BackupError::SameFile, source);
    const std::unique_ptr<Database> from = openWhole(source, connect);

    std::unique_ptr<Database> live;
    try {
        live = std::make_unique<Database>(dbPath, connect);
    } catch (const DbError &e) {
        if (e.kind() == DbError::Busy)
            throw busyError();
        if (e.kind() == DbError::Statement)
            throw BackupError(BackupError::CopyFailed, e.message());
        // Missing, empty or no database of ours: what a restore is for.
    }
    if (live) {
        // Through the live file's own locks, so another workstation's open transaction is waited for,
        // never cut through.
        const int rc = copyAll(live->nativeHandle(), from->nativeHandle());
        if (rc == SQLITE_OK)
            return;
        const int primary = rc & 0xFF;
        if (primary != SQLITE_CORRUPT && primary != SQLITE_NOTADB)
            throw copyError(rc);
        live.reset(); // damaged past what the online copy can write into: replaced whole below
    }
    const QFileInfo current(dbPath);
    writeReplacing(*from, connect, dbPath,
                   current.exists() ? current.permissions() : QFileInfo(source).permissions(), true);
}

} // namespace tv
