#pragma once

// The trade-entry computation: the balances as of a date, the opening of the entry panel, what leaving
// a box recomputes (amount, the four fees, cash, holding and the trade's cash flow), and the rep row a
// save inserts. Plain values in, plain values out: the manager window reads its boxes into a
// TradeEntry, calls these and writes the boxes back.

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

namespace tv {

class Database;

// The trade types the computation knows; any other name computes only the amount and the fees.
namespace trade {
inline const QString kBuy = QStringLiteral("证券买入");
inline const QString kSell = QStringLiteral("证券卖出");
inline const QString kDividend = QStringLiteral("红利入账");
inline const QString kBonusShares = QStringLiteral("红股入账");
inline const QString kFundSubscribe = QStringLiteral("基金申购拨出");
inline const QString kFundRedeem = QStringLiteral("基金赎回拨入");
inline const QString kBankToBroker = QStringLiteral("银行转券商");
inline const QString kBrokerToBank = QStringLiteral("券商转银行");
inline const QString kInterest = QStringLiteral("利息归本");
inline const QString kInterestTax = QStringLiteral("利息税代扣");
} // namespace trade

// What a saved row of this trade type does to the security's holding: + its quantity for a purchase,
// bonus shares and a fund subscription, − for a sale and a redemption, 0 for every other type, whatever
// quantity the row carries (a dividend keeps the holding it was paid on as its quantity).
double HoldingChange(const QString &tradeType, double quantity);

// Box numbers of the entry panel (Text1(1) to Text1(10)).
enum EntryBox {
    kPriceBox = 1,
    kQuantityBox = 2,
    kHoldingBox = 3,
    kAmountBox = 4,
    kCashBox = 5,
    kCommissionBox = 6,
    kStampBox = 7,
    kTransferBox = 8,
    kOtherBox = 9,
    kContractBox = 10,
};

struct Balances
{
    double cash = 0;    // 资金余额 of the last row on or before the date, over all securities
    double holding = 0; // 证券余额 of the security's own last row on or before the date
};

// The balances as of a date: rows ordered by 交收日期, then repid; 0 where no row qualifies.
Balances BalanceAsOf(Database &db, const QDate &date, const QString &code);

// What opening the entry panel finds.
struct EntryOpening
{
    enum Result { Opened, NoCategory, NoTradeModes };
    Result result = NoCategory;
    QString category;       // 证券类别 of the loaded account
    QStringList tradeModes; // 交易方式 of the category, in entry order
    Balances balances;      // as of the settlement date
    QString repWhere;       // the condition the opening leaves in g_RepWhere
};

EntryOpening OpenTradeEntry(Database &db, const QString &account, const QString &code, const QDate &date);

// The condition text of the opening: "证券代码 ='code' and 交收日期  <= #yyyy-MM-dd#".
QString EntryRepWhere(const QString &code, const QDate &date);

// A trade mode's fee schedule: rates with a minimum each; the transfer fee is per unit of quantity.
struct FeeSchedule
{
    double commission = 0, commissionMin = 0;
    double stamp = 0, stampMin = 0;
    double transfer = 0, transferMin = 0;
    double other = 0, otherMin = 0;
};

std::optional<FeeSchedule> LoadFeeSchedule(Database &db, const QString &category, const QString &tradeType);

// The panel's values: the boxes as text (index 1 to 10; 0 unused), the trade type, and the window
// fields of the opening and the computation.
struct TradeEntry
{
    QString code;     // the loaded security, taken when the panel opens
    QString category; // of the loaded account
    QDate date;       // settlement date
    QString tradeType;
    std::array<QString, 11> box{};
    double openingCash = 0;
    double openingHolding = 0;
    double flow = 0; // signed cash flow of the trade, money in > 0, fees deducted

    double value(int index) const; // the box's leading number, 0 for none
    void set(int index, double v); // the box := the plain decimal text of v
};

// The values an opening puts into the panel: the first trade mode, the market price, the balances,
// a flow of 0. The other boxes keep what they hold.
void StartTradeEntry(TradeEntry &e, const EntryOpening &opening, const QString &marketPrice);

struct EntryNotice
{
    QString text;
    int style = 48;
    QString title;
};

// Leaving box `index` (Combo1 counts as the quantity box). The caller refuses a single quote first.
// Returns the warnings to show; they block nothing.
QList<EntryNotice> LeaveEntryBox(Database &db, TradeEntry &e, int index);

// The parts of leaving a box, for tests and the benchmark.
QList<EntryNotice> PriceOrQuantityPath(TradeEntry &e, const std::optional<FeeSchedule> &fees);
QList<EntryNotice> AmountPath(TradeEntry &e, const std::optional<FeeSchedule> &fees);
std::optional<EntryNotice> SameCashWarning(Database &db, TradeEntry &e);
void NormaliseEntryBoxes(TradeEntry &e);
double RoundToCents(double v); // "####.##" read back

// The row a save inserts. The flow is rounded to the cent, and a flow smaller than a cent is 0.
struct TradeRow
{
    QString code, tradeType;
    QDate date;
    double price = 0, quantity = 0, holding = 0, amount = 0, cash = 0;
    double commission = 0, stamp = 0, transfer = 0, other = 0;
    QString contract; // the contract box's leading number, as text
    double flow = 0;
    QString user;
};

double SavedFlow(double flow);
TradeRow TradeRowOf(const TradeEntry &e, const QString &user);

// A box's text as it is stored: its leading number through its plain decimal text.
double PlainNumber(const QString &text);
// Boxes 1 to 9 (price to other fees) into the row as plain numbers; boxText gives a box's text.
void SetTradeNumbers(TradeRow &r, const std::function<QString(int)> &boxText);

// The trade types whose saved cash, flow and holding come from the amount-box path: transfers, interest,
// the interest tax, dividends and the fund subscription.
bool SavedByAmountPath(const QString &tradeType);

// What leaving the last box still computes into the saved row: for those types the amount-box path when
// the amount box holds something, then every box normalised. The price-or-quantity path is not run again
// (it ran when price or quantity was left), so an amount typed after it stays. Returns the warnings.
QList<EntryNotice> CompleteEntry(TradeEntry &e, const std::optional<FeeSchedule> &fees);

// The entry's balances moved under it (another workstation saved meanwhile): the opening balances
// become `now`, the cash and holding boxes follow the move, and the boxes are computed again from the
// typed values by the path that gives the saved balances of the trade type. Returns the warnings.
QList<EntryNotice> RecomputeEntry(TradeEntry &e, const Balances &now, const std::optional<FeeSchedule> &fees);

// What the save tells the panel when it found the balances moved.
EntryNotice BalancesMovedNotice();
// What a save tells when the security of the row is no longer stored.
EntryNotice SecurityGoneNotice(const QString &code);

struct SaveOutcome
{
    bool saved = false;
    qint64 repid = -1;          // the new row's key when saved
    QList<EntryNotice> notices; // when not saved: the moved-balance notice first, then any warnings
};

// The save of the entry panel: takes the write lock first; refuses a security that is no longer stored
// (SecurityGoneNotice); reads the balances as of the settlement date again, and inserts the entry's row,
// completed as CompleteEntry completes it, only when they are those the entry was computed from.
// Otherwise nothing is inserted and the entry is recomputed from the balances found (RecomputeEntry), to
// be checked and saved again. Throws DbError and writes nothing on failure.
SaveOutcome SaveTradeEntry(Database &db, TradeEntry &e, const QString &user);

// The trade-record edit: the row is replaced under its own key in one transaction, so it keeps its place
// among the rows of its day; if another workstation deleted it meanwhile it is stored again under that
// key. Nothing is recomputed, no other row is touched. False, with nothing written, when the row's
// security is no longer stored.
bool ReplaceTradeRow(Database &db, qint64 repid, const TradeRow &row);

// 证券代码 of a stored row, "" when there is no such row.
QString TradeRowCode(Database &db, qint64 repid);

} // namespace tv
