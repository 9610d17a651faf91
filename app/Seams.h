#pragma once

// The desktop seams: everything that would block a test or reach outside the program goes through one
// replaceable function here. Tests install their own; the program keeps the defaults.

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

namespace tv {

// Answers of a message box, as the windows test them.
enum MsgBoxResult { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

// Styles: low digit the buttons (0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No,
// 5 Retry/Cancel), 16/32/48/64 the icon, 256 makes the second button the default. An empty title is the
// application's title.
int MsgBox(const QString &text, int style = 0, const QString &title = QString());

QDateTime Now();
QDate Today();

bool OpenDocument(const QString &pathOrUrl); // a file, a link or a mailto: address
// A web or mail address (http:, https:, ftp: or mailto:, in any letter case, blanks around it allowed),
// which the desktop opener takes as it is; any other text names a local file.
bool IsWebAddress(const QString &text);
// The filter as Qt writes it, "caption (patterns)"; the chooser shows the caption alone. Patterns match
// in any letter case.
QString ChooseOpenFile(QWidget *parent, const QString &caption, const QString &dir, const QString &filter);
QString ChooseFolder(QWidget *parent, const QString &caption, const QString &dir);
void Beep();

namespace seams {
using MsgBoxFn = std::function<int(const QString &text, int style, const QString &title)>;
using NowFn = std::function<QDateTime()>;
using OpenFn = std::function<bool(const QUrl &)>;
using OpenFileFn = std::function<QString(QWidget *, const QString &, const QString &, const QString &)>;
using FolderFn = std::function<QString(QWidget *, const QString &, const QString &)>;
using BeepFn = std::function<void()>;

extern MsgBoxFn msgBox;
extern NowFn now;
extern OpenFn openUrl;
extern OpenFileFn openFile;
extern FolderFn chooseFolder;
extern BeepFn beep;

void reset(); // back to the real desktop
} // namespace seams

} // namespace tv
