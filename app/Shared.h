#pragma once

// Routines every window uses: the status line, the database path, the refusal of typed texts and the
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
void SetLocalDatabasePath(const QString &path); // for tests; empty gives the program folder's again

// Tests a database path (the stored one when `path` is empty) and sets and remembers g_DbPath. A path
// that cannot be read at all gives the network-path message and the local file. A file that can be read
// is opened as every action opens it, and is refused when that fails (no database of ours, another
// password, damaged, held by another workstation), with a message naming it: a path handed over leaves
// g_DbPath and the stored path as they were; the stored path stays in force unless the operator takes
// the local file instead, which is offered when it is a good database and another file. False when the
// path was refused; its message has been shown.
bool ResolveDatabasePath(QString &path);
bool ResolveDatabasePath(const QString &path = QString());
QString NetworkPathMessage();
// The question that offers the local file for a refused stored path; `trouble` is the refusal's text.
QString UseLocalDatabaseQuestion(const QString &trouble);

// The refusals of a user text where it is entered. A single quote has the program's own message (or a
// window's own wording, quoteText); a text that cannot be stored as typed (StorableText: a NUL, half of a
// surrogate pair, a byte-order mark) has the wrong-value message, style 16, title "不能进行运算".
inline const QString kSpecialCharText = QStringLiteral("该项目之中有特殊字符") + QStringLiteral("<'>,请删除。");
inline const QString kWrongValueText = QStringLiteral("数据类型不对，请修改！");
inline const QString kWrongValueTitle = QStringLiteral("不能进行运算");
// The title of the same message in the query window and the notebook.
inline const QString kQueryWrongValueTitle = QStringLiteral("不能进行查询");
void ShowWrongValue();
// Shows the refusal of the first text that holds a single quote or cannot be stored, and gives its index;
// -1 when none.
int RefuseSpecialCharAt(const QStringList &texts, const QString &quoteText = kSpecialCharText);
bool RefuseSpecialChar(const QStringList &texts, const QString &quoteText = kSpecialCharText);
bool RefuseSpecialChar(const QString &text, const QString &quoteText = kSpecialCharText);
// Where a single quote is taken as typed (a save, whose values are bound): refuses only a text that cannot
// be stored, with the wrong-value message, and gives its index; -1 when none.
int RefuseUnstorableAt(const QStringList &texts);
bool RefuseUnstorable(const QString &text);

// The message of a failure the window cannot explain: "系统未知错误，不能继续！", style 16, "未知错误".
void ShowUnknownError();

// The troubles of the database file itself have one message in every window: held by another
// workstation past the busy time-out (style 48, "提示："), or no database of ours, of another password
// or damaged (style 16, "错误", naming the file; for a damaged one also the restore). ShowDatabaseTrouble
// shows it and returns true when the error is one of those; a window shows its own message otherwise.
void ShowDbBusy();
bool ShowDatabaseTrouble(const DbError &e);

// True when this is the only running instance of the program for this user; the lock lasts for the run.
bool AcquireInstanceLock(const QString &name);
void ReleaseInstanceLock();

} // namespace tv
