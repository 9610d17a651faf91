#pragma once

// Routines every window uses: the status line, the database path, the single-quote refusal and the
// one-instance lock.

#include <QString>
#include <QStringList>
#include <functional>

namespace tv {

class DbError;

// Writes the status line of the main window. The main window installs the writer when it exists.
void SetStatusText(const QString &message);
void SetStatusWriter(std::function<void(const QString &)> writer);
QString LastStatusText();
inline const QString kIdleText = QStringLiteral("待命状态...");

QString ProgramFolder();   // the folder of the executable
QString LocalDatabasePath(); // ProgramFolder() + "/data/File.zqd"

// Tests a database path (the stored one when `path` is empty), falls back to the local file with the
// network-path message, and sets and remembers g_DbPath.
void ResolveDatabasePath(QString &path);
void ResolveDatabasePath(const QString &path = QString());
QString NetworkPathMessage();

// The refusal of a single quote in user text: shows the message and returns true when any text holds one.
inline const QString kSpecialCharText = QStringLiteral("该项目之中有特殊字符") + QStringLiteral("<'>,请删除。");
bool HasSpecialChar(const QString &text);
bool RefuseSpecialChar(const QString &text);
bool RefuseSpecialChar(const QStringList &texts);

// The message of a failure the window cannot explain: "系统未知错误，不能继续！", style 16, "未知错误".
void ShowUnknownError();

// The troubles of the database file itself have one message in every window: held by another
// workstation past the busy time-out (style 48, "提示："), or damaged (style 16, "错误", naming the file
// and the restore). ShowDatabaseTrouble shows it and returns true when the error is one of those; a
// window shows its own message otherwise.
void ShowDbBusy();
bool ShowDatabaseTrouble(const DbError &e);

// True when this is the only running instance of the program for this user; the lock lasts for the run.
bool AcquireInstanceLock(const QString &name);
void ReleaseInstanceLock();

} // namespace tv
