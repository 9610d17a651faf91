#include "app/Shared.h"

#include "app/Globals.h"
#include "app/Seams.h"
#include "data/Database.h"
#include "data/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <memory>
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

QString LocalDatabasePath() { return ProgramFolder() + QStringLiteral("/data/File.zqd"); }

QString NetworkPathMessage()
{
    const QString crlf = QStringLiteral("\r\n");
    return crlf + QStringLiteral("网 络 路 径 错 误 , 现 在 启 用 本 地 数 据 库 。") + QString(8, u' ') + crlf + crlf +
           QStringLiteral("如 果 需 要 , 请 重 新 定 义 网 络 数 据 库 的 路 径  ！") + QString(4, u' ');
}

void ResolveDatabasePath(QString &path)
{
    if (path.isEmpty())
        path = GetSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path"));
    QFile probe(path);
    if (!path.isEmpty() && probe.open(QIODevice::ReadOnly)) {
        probe.close();
        g_DbPath = path;
    } else {
        MsgBox(NetworkPathMessage(), 48, QStringLiteral("网络路径错误"));
        g_DbPath = LocalDatabasePath();
    }
    SaveSetting(ExeAppName(), QStringLiteral("Data"), QStringLiteral("Path"), g_DbPath);
}

void ResolveDatabasePath(const QString &path)
{
    QString p = path;
    ResolveDatabasePath(p);
}

bool HasSpecialChar(const QString &text) { return text.contains(u'\''); }

bool RefuseSpecialChar(const QStringList &texts)
{
    for (const QString &t : texts) {
        if (HasSpecialChar(t)) {
            MsgBox(kSpecialCharText, 48, QStringLiteral("提示："));
            return true;
        }
    }
    return false;
}

bool RefuseSpecialChar(const QString &text) { return RefuseSpecialChar(QStringList{text}); }

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
    if (e.kind() == DbError::Damaged) {
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
