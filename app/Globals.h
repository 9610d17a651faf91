#pragma once

// Module state shared by every window for the whole run. All of it starts empty, false or 0.
// Money and quantities are doubles: single precision loses cents above 100,000.

#include <QString>
#include <array>
#include <functional>

class QObject;

namespace tv {

constexpr int kWatchSize = 31; // watch arrays run 0 to 30
constexpr int kMaxWatchHoldings = kWatchSize - 2; // elements 2 to 30, after the index row

using TextArray = std::array<QString, kWatchSize>;
using NumberArray = std::array<double, kWatchSize>;
using FlagArray = std::array<bool, kWatchSize>;

// Login state
extern QString g_DbPath;
extern QString g_DbConnect;
extern QString g_CurUser;
extern QString g_UserRight;
extern QString g_AppDir;
extern std::array<QString, 6> g_CompanyInfo;
extern QString g_CompanyName;

// Quote and network settings
extern QString g_QuoteSource;
extern QString g_ProxyServer;
extern QString g_ProxyPort;
extern QString g_ProxyUser;
extern QString g_ProxyPassword;
extern QString g_ProxyMode;
extern bool g_WakeBrowser;

// Run state
extern bool g_Idle;
extern bool g_ExitPending;
extern bool g_ManagerOpen;

// Current selection of the journal
extern QString g_CurCategory;
extern QString g_CurAccount;
extern QString g_CurSecurity;
extern QString g_CurCode;

// Query state
extern QString g_RepWhere;
extern QString g_LastWhere;
extern int g_ListRows;

// Watch list: element 1 is the index row, elements 2 to g_ListRows + 1 the holdings.
extern TextArray g_WatchCode;
extern TextArray g_WatchName;
extern NumberArray g_WatchQty;
extern TextArray g_WatchPrice;
extern TextArray g_WatchChange;
extern NumberArray g_WatchTarget;
extern NumberArray g_WatchStop;
extern int g_WatchRow;

// Totals of the holdings analysis and the watch window
extern double g_Cash;
extern double g_MarketValue;
extern double g_TotalAssets;

// Alerts: g_AlertsOn switches them on; g_AlertArmed[i] marks watch row i (1 to 30) whose mail is still to
// be sent.
extern QString g_AlertEmail;
extern bool g_AlertsOn;
extern FlagArray g_AlertArmed;
extern bool g_TickerDocked;

// Back to the state of a fresh start (g_Idle true), for tests.
void ResetModuleState();

// Holds g_Idle false for the length of one web fetch. Only the guard that found g_Idle true and cleared
// it sets it back, so an early return or an exception can never leave it false, and a nested fetch
// started while another runs does not end the outer one's busy state.
class IdleGuard
{
public:
    IdleGuard();
    ~IdleGuard();
    IdleGuard(const IdleGuard &) = delete;
    IdleGuard &operator=(const IdleGuard &) = delete;
    bool owns() const { return m_owns; }
    void release();

private:
    bool m_owns;
};

// A window asked to close while a fetch runs is closed by the command that owns the fetch: once that
// command's guard has let g_Idle go, every close asked for meanwhile is carried out, each window once, in
// the order asked, by CarryOutDeferredCloses at the command's end, or at the latest as soon as the command
// has returned to the event loop it runs from. Never inside an event loop the command opens after letting
// g_Idle go (a message box): the window may be the one whose handler waits below it, so a
// CarryOutDeferredCloses from there (another command's end, run by that loop) does nothing. A window that
// is gone by then is left alone. `close` is what closing means for that window; its close() slot when it
// is not given.
void CloseWhenIdle(QObject *window, std::function<void()> close = {});
void CarryOutDeferredCloses();               // nothing while a fetch runs, or inside its box
bool IsCloseDeferred(const QObject *window); // for tests

} // namespace tv
