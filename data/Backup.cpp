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

// One online backup of the whole main database of `from` into `to`. step(-1) copies every page under a
// single read lock of the source, and the destination takes it as one write transaction, which
// finish() rolls back unless the copy got to the end.
void copyAll(sqlite3 *to, sqlite3 *from)
{
    if (!to || !from)
        throw BackupError(BackupError::CopyFailed, QStringLiteral("数据库没有打开"));
    sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup)
        throw BackupError(BackupError::CopyFailed, QString::fromUtf8(sqlite3_errmsg(to)));
    const int step = sqlite3_backup_step(backup, -1);
    const int finish = sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE)
        throw BackupError(BackupError::CopyFailed, QString::fromUtf8(sqlite3_errstr(step)));
    if (finish != SQLITE_OK)
        throw BackupError(BackupError::CopyFailed, QString::fromUtf8(sqlite3_errstr(finish)));
}

} // namespace

void BackupDatabase(const QString &dbPath, const QString &connect, const QString &target)
{
    std::unique_ptr<Database> source;
    try {
        source = std::make_unique<Database>(dbPath, connect);
    } catch (const DbError &e) {
        throw BackupError(e.kind() == DbError::Missing ? BackupError::SourceMissing : BackupError::CopyFailed,
                          e.message());
    }

    // The copy is made beside the target and renamed over it only when whole, so a failed copy never
    // spoils an earlier backup of the same name.
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
            if (!done)
                QFile::remove(path);
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
    try {
        copyAll(to, source->nativeHandle());
    } catch (...) {
        sqlite3_close(to);
        throw;
    }
    if (sqlite3_close(to) != SQLITE_OK)
        throw BackupError(BackupError::CopyFailed, QStringLiteral("备份文件没有关闭"));
    source.reset();

    QFile::setPermissions(partialPath, QFileInfo(dbPath).permissions());
    // rename() replaces an existing file in one step; it refuses a directory of that name.
    if (std::rename(QFile::encodeName(partialPath).constData(), QFile::encodeName(target).constData()) != 0)
        throw BackupError(BackupError::CopyFailed, QString::fromLocal8Bit(std::strerror(errno)));
    renamed = true;
}

void RestoreDatabase(const QString &source, const QString &dbPath, const QString &connect)
{
    if (!QFileInfo(source).isFile())
        throw BackupError(BackupError::SourceMissing, source);
    if (SameFile(source, dbPath))
        throw BackupError(BackupError::SameFile, source);

    std::unique_ptr<Database> from;
    try {
        from = std::make_unique<Database>(source, connect);
    } catch (const DbError &e) {
        throw BackupError(e.kind() == DbError::Missing ? BackupError::SourceMissing
                                                       : BackupError::NotDatabase,
                          e.message());
    }
    QStringList missing;
    try {
        missing = MissingTables(*from);
    } catch (const DbError &e) {
        throw BackupError(BackupError::NotDatabase, e.message());
    }
    if (!missing.isEmpty())
        throw BackupError(BackupError::NotDatabase, QStringLiteral("缺少表：") + missing.join(u','));

    std::unique_ptr<Database> live;
    try {
        live = std::make_unique<Database>(dbPath, connect);
    } catch (const DbError &e) {
        throw BackupError(BackupError::CopyFailed, e.message());
    }
    copyAll(live->nativeHandle(), from->nativeHandle());
}

} // namespace tv
