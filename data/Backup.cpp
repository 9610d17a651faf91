#include "data/Backup.h"

#include "data/Database.h"
#include "data/Schema.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

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
    PartialCopy partial(target);
    const QString partialPath = partial.path();

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
    partial.replace(target);
}

// ---- Partial copies ------------------------------------------------------------------------------

const QLatin1String kPartialPrefix(".tallyvane-copy-");
const QLatin1String kPartialSuffix(".partial");
const QLatin1String kJournalSuffix("-journal");

// The byte a writer locks: far from the bytes SQLite locks (from 1 GiB on, 512 of them), so the two
// never meet on the one file.
constexpr off_t kLockByte = 0x50000000;

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

// Sixteen hex digits that stand for this workstation: its machine id and its host name.
const QString &workstation()
{
    static const QString id = [] {
        const QByteArray digest = QCryptographicHash::hash(QSysInfo::machineUniqueId() + '\n' +
                                                               QSysInfo::machineHostName().toUtf8(),
                                                           QCryptographicHash::Sha1);
        return QString::fromLatin1(digest.toHex().left(16));
    }();
    return id;
}

const QRegularExpression &partialName()
{
    static const QRegularExpression re(
        QStringLiteral(R"(\A\.tallyvane-copy-([0-9a-f]{16})-([1-9][0-9]{0,9})-)"
                       R"([0-9a-z]{8}\.partial(-journal)?\z)"));
    return re;
}

QString randomPart()
{
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QString out;
    for (int i = 0; i < 8; ++i)
        out += QLatin1Char(digits[QRandomGenerator::system()->bounded(36)]);
    return out;
}

// Takes (write) or tests (read) the writer's lock on an open file: 0 when taken, EAGAIN when another
// holds it, another error number when this file system cannot tell. The lock belongs to the open file,
// not to the process, so SQLite closing its own handle of the same file does not release it.
int lockWriterByte(int fd, short type)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = kLockByte;
    lock.l_len = 1;
    if (fcntl(fd, F_OFD_SETLK, &lock) == 0)
        return 0;
    return errno == EACCES ? EAGAIN : errno;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A regular file itself, not a link to one.
bool isRegular(const QByteArray &path, struct stat *st = nullptr)
{
    struct stat own;
    struct stat &s = st ? *st : own;
    return lstat(path.constData(), &s) == 0 && S_ISREG(s.st_mode);
}

bool thisWorkstation(const QRegularExpressionMatch &name)
{
    return name.captured(1) == workstation();
}

// Whether the process that wrote a partial copy can be shown to be gone: only a process of this
// workstation, which is asked directly.
bool writerGone(const QRegularExpressionMatch &name)
{
    if (!thisWorkstation(name))
        return false;
    bool ok = false;
    const qint64 pid = name.captured(2).toLongLong(&ok);
    if (!ok || pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    return kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

// A lock that only the workstation taking it sees (a share mounted without shared locks) must not let
// one workstation remove the copy another is writing: another workstation's copy also has to be
// untouched for a while, long past any clock difference between the two and any pause of a writer.
constexpr qint64 kForeignCopyQuietSeconds = 10 * 60;

bool quietLong(const struct stat &st)
{
    return QDateTime::currentSecsSinceEpoch() - qint64(st.st_mtime) > kForeignCopyQuietSeconds;
}

// Removes one left copy with its journal, when its writer is gone; its lock is held meanwhile, so no
// writer can start on it between the test and the removal.
void removeIfLeft(const QString &path, const QRegularExpressionMatch &name)
{
    const QByteArray native = nativePath(path);
    struct stat listed;
    if (!isRegular(native, &listed))
        return;
    const int fd = open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat opened;
    bool remove = false;
    if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && sameFile(listed, opened)) {
        const int rc = lockWriterByte(fd, F_RDLCK);
        if (rc == 0)
            remove = thisWorkstation(name) || quietLong(opened);
        else
            remove = rc != EAGAIN && writerGone(name);
    }
    struct stat now;
    if (remove && isRegular(native, &now) && sameFile(now, opened)) {
        const QByteArray journal = native + kJournalSuffix.data();
        if (isRegular(journal))
            unlink(journal.constData());
        unlink(native.constData());
    }
    close(fd);
}

} // namespace

PartialCopy::PartialCopy(const QString &target)
{
    const QString folder = QFileInfo(target).absolutePath();
    const QString stem = kPartialPrefix + workstation() + u'-' + QString::number(getpid()) + u'-';
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString path = folder + u'/' + stem + randomPart() + kPartialSuffix;
        const QByteArray native = nativePath(path);
        const int fd = open(native.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            throw BackupError(BackupError::CopyFailed, QString::fromLocal8Bit(std::strerror(errno)));
        }
        // A file system without such locks still gets the copy; only the sweep then knows less.
        const int rc = lockWriterByte(fd, F_WRLCK);
        struct stat opened, named;
        // A sweep that found the new file before its lock took it, and removes it: start again.
        if (rc == EAGAIN || fstat(fd, &opened) != 0 || stat(native.constData(), &named) != 0 ||
            !sameFile(opened, named)) {
            if (rc == EAGAIN)
                unlink(native.constData());
            close(fd);
            continue;
        }
        m_path = path;
        m_fd = fd;
        return;
    }
    throw BackupError(BackupError::CopyFailed, QStringLiteral("不能建立副本文件"));
}

PartialCopy::~PartialCopy()
{
    if (!m_replaced) {
        QFile::remove(m_path + kJournalSuffix);
        QFile::remove(m_path);
    }
    close(m_fd);
}

void PartialCopy::replace(const QString &target)
{
    // rename() replaces an existing file in one step; it refuses a directory of that name.
    if (std::rename(nativePath(m_path).constData(), nativePath(target).constData()) != 0)
        throw BackupError(BackupError::CopyFailed, QString::fromLocal8Bit(std::strerror(errno)));
    m_replaced = true;
}

bool IsPartialCopyName(const QString &fileName)
{
    return partialName().match(fileName).hasMatch();
}

void RemoveLeftCopies(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = partialName().match(name);
        if (match.hasMatch() && match.captured(3).isEmpty())
            removeIfLeft(dir.filePath(name), match);
    }
    // A journal outlives its copy only where a removal was cut short: no writer has it.
    for (const QString &name : names) {
        const QRegularExpressionMatch match = partialName().match(name);
        if (!match.hasMatch() || match.captured(3).isEmpty())
            continue;
        const QByteArray journal = nativePath(dir.filePath(name));
        struct stat copy;
        if (isRegular(journal) && lstat(journal.chopped(kJournalSuffix.size()).constData(), &copy) != 0 &&
            errno == ENOENT)
            unlink(journal.constData());
    }
}

void CheckDatabaseFile(const QString &path, const QString &connect)
{
    openWhole(path, connect);
}

void BackupDatabase(const QString &dbPath, const QString &connect, const QString &target)
{
    RemoveLeftCopies(QFileInfo(target).absolutePath());
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
    RemoveLeftCopies(QFileInfo(dbPath).absolutePath());
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
