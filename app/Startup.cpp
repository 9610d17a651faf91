#include "app/Startup.h"

#include "admin/frmLogin.h"
#include "app/Globals.h"
#include "app/Seams.h"
#include "app/Shared.h"
#include "app/frmMain.h"
#include "data/Schema.h"
#include "data/Settings.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>

// The resources live in a static library, whose initialiser nothing else would pull in; the macro must
// stand outside any namespace.
static void initResources()
{
    Q_INIT_RESOURCE(tallyvane);
}

namespace tv {

void UseProgramIcon()
{
    initResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tallyvane.png")));
}

bool Main()
{
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    QCoreApplication::setApplicationName(exe);
    SetExeAppName(exe);
    if (!AcquireInstanceLock(exe)) {
        MsgBox(QStringLiteral("程序已经运行"));
        return false;
    }
    g_Idle = true;
    g_QuoteSource = GetSetting(kAppNameShared, QStringLiteral("frmup"), QStringLiteral("Code"));
    if (g_QuoteSource.isEmpty())
        g_QuoteSource = QStringLiteral("star");
    g_DbConnect = ConnectString();
    InstallStatusWriter();
    // The program ends when its last window is gone, not between the login, the splash and the main window.
    QApplication::setQuitOnLastWindowClosed(false);
    frmLogin::instance()->show();
    return true;
}

} // namespace tv
