#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "data/Settings.h"

#include <QApplication>
#include <QFileInfo>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    QCoreApplication::setApplicationName(exe);
    tv::SetExeAppName(exe);
    if (!tv::AcquireInstanceLock(exe)) {
        tv::MsgBox(QStringLiteral("程序已经运行"));
        return 0;
    }
    tv::g_Idle = true;
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("证券交易记录"));
    window.resize(800, 600);
    window.show();
    return app.exec();
}
