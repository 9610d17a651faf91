#include "app/Seams.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace tv {

namespace {

int realMsgBox(const QString &text, int style, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title.isEmpty() ? QCoreApplication::applicationName() : title);
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(shown);
    switch (style & 0xF0) {
    case 16: box.setIcon(QMessageBox::Critical); break;
    case 32: box.setIcon(QMessageBox::Question); break;
    case 48: box.setIcon(QMessageBox::Warning); break;
    case 64: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    struct Choice
    {
        QMessageBox::StandardButton button;
        int result;
    };
    QList<Choice> choices;
    switch (style & 0x0F) {
    case 1: choices = {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}}; break;
    case 2:
        choices = {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
        break;
    case 3: choices = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}}; break;
    case 4: choices = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}}; break;
    case 5: choices = {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}}; break;
    default: choices = {{QMessageBox::Ok, vbOK}}; break;
    }
    QMessageBox::StandardButtons buttons;
    for (const Choice &c : choices)
        buttons |= c.button;
    box.setStandardButtons(buttons);
    const int defaultIndex = (style & 0x300) >> 8;
    if (defaultIndex < choices.size())
        box.setDefaultButton(choices[defaultIndex].button);
    const int pressed = box.exec();
    for (const Choice &c : choices)
        if (pressed == c.button)
            return c.result;
    // Closed by the window's close box or Escape: the answer of the escape button.
    return choices.size() == 1 ? vbOK : (style & 0x0F) == 4 ? vbNo : vbCancel;
}

bool realOpenUrl(const QUrl &url) { return QDesktopServices::openUrl(url); }

QString realOpenFile(QWidget *parent, const QString &caption, const QString &dir, const QString &filter)
{
    // A filter reads as its caption alone: "所有文件(*.zqbd) (*.zqdb)" shows "所有文件(*.zqbd)".
    return QFileDialog::getOpenFileName(parent, caption, dir, filter, nullptr,
                                        QFileDialog::HideNameFilterDetails);
}

QString realChooseFolder(QWidget *parent, const QString &caption, const QString &dir)
{
    return QFileDialog::getExistingDirectory(parent, caption, dir);
}

void realBeep() { QApplication::beep(); }

} // namespace

namespace seams {
MsgBoxFn msgBox = realMsgBox;
NowFn now = [] { return QDateTime::currentDateTime(); };
OpenFn openUrl = realOpenUrl;
OpenFileFn openFile = realOpenFile;
FolderFn chooseFolder = realChooseFolder;
BeepFn beep = realBeep;

void reset()
{
    msgBox = realMsgBox;
    now = [] { return QDateTime::currentDateTime(); };
    openUrl = realOpenUrl;
    openFile = realOpenFile;
    chooseFolder = realChooseFolder;
    beep = realBeep;
}
} // namespace seams

int MsgBox(const QString &text, int style, const QString &title) { return seams::msgBox(text, style, title); }

QDateTime Now() { return seams::now(); }
QDate Today() { return seams::now().date(); }

bool OpenDocument(const QString &pathOrUrl)
{
    const QUrl url = QFileInfo::exists(pathOrUrl) ? QUrl::fromLocalFile(QFileInfo(pathOrUrl).absoluteFilePath())
                                                  : QUrl(pathOrUrl);
    return seams::openUrl(url);
}

bool IsWebAddress(const QString &text)
{
    const QString t = text.trimmed();
    for (const char *scheme : {"http://", "https://", "ftp://", "mailto:"})
        if (t.startsWith(QLatin1String(scheme), Qt::CaseInsensitive) && t.size() > int(qstrlen(scheme)))
            return true;
    return false;
}

QString ChooseOpenFile(QWidget *parent, const QString &caption, const QString &dir, const QString &filter)
{
    return seams::openFile(parent, caption, dir, filter);
}

QString ChooseFolder(QWidget *parent, const QString &caption, const QString &dir)
{
    return seams::chooseFolder(parent, caption, dir);
}

void Beep() { seams::beep(); }

} // namespace tv
