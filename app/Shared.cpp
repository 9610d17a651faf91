#include "app/Shared.h"

#include "app/Globals.h"
#include "app/Seams.h"
#include "data/Backup.h"
#include "data/Database.h"
#include "data/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <memory>
#include <optional>
#include <unistd.h>

namespace tv {

namespace {
std::function<void(const QString &)> &statusWriter()
{
    static std::function<void(const QString &)> writer;
    return writer;
}
QString &lastStatus()
{
    static QString text;
    return text;
}
QString &localDatabase()
{
    static QString path;
    return path;
}
std::unique_ptr<QLockFile> &instanceLock()
{
    static std::unique_ptr<QLockFile> lock;
    return lock;
}
} // namespace

void SetStatusText(const QString &message)
{
    lastStatus() = message;
    if (statusWriter())
        statusWriter()(message);
}

void SetStatusWriter(std::function<void(const QString &)> writer) { statusWriter() = std::move(writer); }

QString LastStatusText() { return lastStatus(); }

QString ProgramFolder() { return QCoreApplication::applicationDirPath(); }

QString LocalDatabasePath()
{
    return localDatabase().isEmpty() ? ProgramFolder() + QStringLiteral("/data/File.zqd") : localDatabase();
}

void SetLocalDatabasePath(const QString &path)
{
    localDatabase() = path;
}

QString NetworkPathMessage()
{
    const QString crlf = QStringLiteral("\r\n");
    return crlf + QStringLiteral("网 络 路 径 错 误 , 现 在 启 用 本 地 数 据 库 。") + QString(8, u' ') + crlf + crlf +
           QStringLiteral("如 果 需 要 , 请 重 新 定 义 网 络 数 据 库 的 路 径  ！") + QString(4, u' ');
}

namespace {

void takeDatabasePath(const QString &path)
{
    g_DbPath = path;
    SaveSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path"), g_DbPath);
}

// What the open every action makes finds wrong with a file; nothing when it opens.
std::optional<DbError> openTrouble(const QString &path)
{
    try {
        Database db(path, g_DbConnect);
    } catch (const DbError &e) {
        return e;
    }
    return std::nullopt;
}

bool refuses(const std::optional<DbError> &trouble)
{
    return trouble && trouble->kind() != DbError::Missing && trouble->kind() != DbError::Statement;
}

// A refused data path's message. A restore would write the database in use, not the refused file, so a
// damaged one is named without it.
QString refusalText(const DbError &trouble, const QString &path)
{
    return trouble.kind() == DbError::Damaged ? DbDamagedText(path, false) : trouble.message();
}

// The local file as the way out of a stored path that nobody could log in with: offered only when it is
// a good database and not the refused file itself, so a refused local file is never offered.
bool localIsAWayOut(const QString &refused)
{
    const QString local = LocalDatabasePath();
    return QFileInfo(local).isFile() && !SameFile(local, refused) && !openTrouble(local);
}

} // namespace

QString UseLocalDatabaseQuestion(const QString &trouble)
{
    return trouble + QStringLiteral("\r\n\r\n") + QStringLiteral("是否改用本地数据库？") +
           QStringLiteral("\r\n") + LocalDatabasePath();
}

bool ResolveDatabasePath(QString &path)
{
    const bool stored = path.isEmpty();
    if (stored)
        path = GetSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path"));
    QFile probe(path);
    std::optional<DbError> trouble;
    bool readable = !path.isEmpty() && probe.open(QIODevice::ReadOnly);
    if (readable) {
        probe.close();
        trouble = openTrouble(path);
        readable = !(trouble && trouble->kind() == DbError::Missing);
    }
    if (!readable) {
        MsgBox(NetworkPathMessage(), 48, QStringLiteral("网络路径错误"));
        takeDatabasePath(LocalDatabasePath());
        return true;
    }
    if (!refuses(trouble)) {
        takeDatabasePath(path);
        return true;
    }
    if (trouble->kind() == DbError::Busy) {
        if (stored)
            g_DbPath = path;
        ShowDbBusy();
        return false;
    }
    const QString text = refusalText(*trouble, path);
    if (!stored) {
        // The data path the operator chose is not taken; the one in force stays.
        MsgBox(text + QStringLiteral("\r\n\r\n") + QStringLiteral("数据库的路径没有改变，仍是：") +
                   QStringLiteral("\r\n") + g_DbPath,
               48, QStringLiteral("提示："));
        return false;
    }
    g_DbPath = path;
    if (!localIsAWayOut(path)) {
        MsgBox(text, 16, QStringLiteral("错误"));
        return false;
    }
    if (MsgBox(UseLocalDatabaseQuestion(text), 36, QStringLiteral("数据库错误")) != vbYes)
        return false;
    takeDatabasePath(LocalDatabasePath());
    return true;
}

bool ResolveDatabasePath(const QString &path)
{
    QString p = path;
    return ResolveDatabasePath(p);
}

void ShowWrongValue()
{
    MsgBox(kWrongValueText, 16, kWrongValueTitle);
}

int RefuseSpecialCharAt(const QStringList &texts, const QString &quoteText)
{
    for (int i = 0; i < texts.size(); ++i) {
        if (texts[i].contains(u'\'')) {
            MsgBox(quoteText, 48, QStringLiteral("提示："));
            return i;
        }
        if (!StorableText(texts[i])) {
            ShowWrongValue();
            return i;
        }
    }
    return -1;
}

bool RefuseSpecialChar(const QStringList &texts, const QString &quoteText)
{
    return RefuseSpecialCharAt(texts, quoteText) >= 0;
}

bool RefuseSpecialChar(const QString &text, const QString &quoteText)
{
    return RefuseSpecialCharAt(QStringList{text}, quoteText) >= 0;
}

int RefuseUnstorableAt(const QStringList &texts)
{
    for (int i = 0; i < texts.size(); ++i) {
        if (!StorableText(texts[i])) {
            ShowWrongValue();
            return i;
        }
    }
    return -1;
}

bool RefuseUnstorable(const QString &text)
{
    return RefuseUnstorableAt(QStringList{text}) >= 0;
}

void ShowUnknownError() { MsgBox(QStringLiteral("系统未知错误，不能继续！"), 16, QStringLiteral("未知错误")); }

void ShowDbBusy()
{
    MsgBox(DbBusyText(), 48, QStringLiteral("提示："));
}

bool ShowDatabaseTrouble(const DbError &e)
{
    if (e.kind() == DbError::Busy) {
        ShowDbBusy();
        return true;
    }
    if (e.kind() == DbError::Damaged || e.kind() == DbError::NotDatabase ||
        e.kind() == DbError::WrongPassword) {
        MsgBox(e.message(), 16, QStringLiteral("错误"));
        return true;
    }
    return false;
}

bool AcquireInstanceLock(const QString &name)
{
    if (instanceLock())
        return true;
    const QString file =
        QDir::temp().filePath(QStringLiteral("%1-%2.lock").arg(name).arg(quint64(::getuid())));
    auto lock = std::make_unique<QLockFile>(file);
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    instanceLock() = std::move(lock);
    return true;
}

void ReleaseInstanceLock() { instanceLock().reset(); }

} // namespace tv
