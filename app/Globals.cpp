#include "app/Globals.h"

#include <QList>
#include <QPointer>
#include <QThread>

#include <algorithm>

namespace tv {

QString g_DbPath;
QString g_DbConnect;
QString g_CurUser;
QString g_UserRight;
QString g_AppDir;
std::array<QString, 6> g_CompanyInfo;
QString g_CompanyName;

QString g_QuoteSource;
QString g_ProxyServer;
QString g_ProxyPort;
QString g_ProxyUser;
QString g_ProxyPassword;
QString g_ProxyMode;
bool g_WakeBrowser = false;

bool g_Idle = true;
bool g_ExitPending = false;
bool g_ManagerOpen = false;

QString g_CurCategory;
QString g_CurAccount;
QString g_CurSecurity;
QString g_CurCode;

QString g_RepWhere;
QString g_LastWhere;
int g_ListRows = 0;

TextArray g_WatchCode;
TextArray g_WatchName;
NumberArray g_WatchQty{};
TextArray g_WatchPrice;
TextArray g_WatchChange;
NumberArray g_WatchTarget{};
NumberArray g_WatchStop{};
int g_WatchRow = 0;

double g_Cash = 0;
double g_MarketValue = 0;
double g_TotalAssets = 0;

QString g_AlertEmail;
bool g_AlertsOn = false;
FlagArray g_AlertArmed{};
bool g_TickerDocked = false;

namespace {
struct DeferredClose
{
    QPointer<QObject> window;
    std::function<void()> close;
};
QList<DeferredClose> s_deferredCloses;
// The event loop level of the command that let g_Idle go with closes waiting; -1 when none waits. A loop
// deeper than it is one that command opened afterwards (a message box), whose window may still be on the
// stack below.
int s_closeLevel = -1;

int LoopLevel()
{
    return QThread::currentThread()->loopLevel();
}
} // namespace

void CarryOutDeferredCloses()
{
    if (!g_Idle)
        return; // another fetch has begun: its own end carries them out
    if (s_deferredCloses.isEmpty() || (s_closeLevel >= 0 && LoopLevel() > s_closeLevel))
        return;
    s_closeLevel = -1;
    QList<DeferredClose> closes;
    closes.swap(s_deferredCloses);
    for (const DeferredClose &c : closes) {
        if (c.window && c.close)
            c.close();
        else if (c.window)
            QMetaObject::invokeMethod(c.window, "close");
    }
}

void CloseWhenIdle(QObject *window, std::function<void()> close)
{
    for (DeferredClose &c : s_deferredCloses)
        if (c.window == window) {
            c.close = std::move(close);
            return;
        }
    s_deferredCloses.append({window, std::move(close)});
}

bool IsCloseDeferred(const QObject *window)
{
    for (const DeferredClose &c : s_deferredCloses)
        if (c.window == window)
            return true;
    return false;
}

void ResetModuleState()
{
    s_deferredCloses.clear();
    s_closeLevel = -1;
    g_DbPath.clear();
    g_DbConnect.clear();
    g_CurUser.clear();
    g_UserRight.clear();
    g_AppDir.clear();
    g_CompanyInfo = {};
    g_CompanyName.clear();
    g_QuoteSource.clear();
    g_ProxyServer.clear();
    g_ProxyPort.clear();
    g_ProxyUser.clear();
    g_ProxyPassword.clear();
    g_ProxyMode.clear();
    g_WakeBrowser = false;
    g_Idle = true;
    g_ExitPending = false;
    g_ManagerOpen = false;
    g_CurCategory.clear();
    g_CurAccount.clear();
    g_CurSecurity.clear();
    g_CurCode.clear();
    g_RepWhere.clear();
    g_LastWhere.clear();
    g_ListRows = 0;
    g_WatchCode = {};
    g_WatchName = {};
    g_WatchQty = {};
    g_WatchPrice = {};
    g_WatchChange = {};
    g_WatchTarget = {};
    g_WatchStop = {};
    g_WatchRow = 0;
    g_Cash = g_MarketValue = g_TotalAssets = 0;
    g_AlertEmail.clear();
    g_AlertsOn = false;
    g_AlertArmed = {};
    g_TickerDocked = false;
}

IdleGuard::IdleGuard() : m_owns(g_Idle)
{
    g_Idle = false;
}

IdleGuard::~IdleGuard()
{
    release();
}

void IdleGuard::release()
{
    if (!m_owns)
        return;
    m_owns = false;
    g_Idle = true;
    if (s_deferredCloses.isEmpty())
        return;
    const int level = LoopLevel();
    s_closeLevel = s_closeLevel < 0 ? level : std::min(s_closeLevel, level);
    // Carried out by the command itself once its own work is done, or failing that, once it has returned.
    // A deferred delete, unlike a timer, is delivered only when control is back in the loop the command
    // runs from, never inside a loop the command opens meanwhile.
    auto *runner = new QObject;
    QObject::connect(runner, &QObject::destroyed, [] { CarryOutDeferredCloses(); });
    runner->deleteLater();
}

} // namespace tv
