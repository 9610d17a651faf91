#include "journal/TradeEntry.h"

#include "app/VbCompat.h"
#include "data/Database.h"

namespace tv {

namespace {

const QString kCashWarning = QStringLiteral(" 资金余额不够,请重新输入！");
const QString kHoldingWarning = QStringLiteral(" 股票余额不够,请重新输入！");
const QString kWarningTitle = QStringLiteral("警告!");

QList<EntryNotice> balanceWarnings(const TradeEntry &e)
{
    QList<EntryNotice> out;
    if (e.value(kCashBox) < 0)
        out.append({kCashWarning, 48, kWarningTitle});
    if (e.value(kHoldingBox) < 0)
        out.append({kHoldingWarning, 48, kWarningTitle});
    return out;
}

void roundBox(TradeEntry &e, int index)
{
    e.set(index, RoundToCents(e.value(index)));
}

// The commission of a fund subscription is charged on top of the amount: A / (1 - r) * r, halves to even.
double fundCommission(double amount, double rate)
{
    return RoundHalfEven(amount / (1 - rate) * rate);
}

void raiseToMinimum(TradeEntry &e, int index, double minimum)
{
    if (minimum > e.value(index))
        e.set(index, minimum);
}

} // namespace

Balances BalanceAsOf(Database &db, const QDate &date, const QString &code)
{
    Balances b;
    const RowSet cash = db.openQuery(QStringLiteral("SELECT 资金余额 FROM rep WHERE 交收日期 <= ? "
                                                    "ORDER BY 交收日期 DESC, repid DESC LIMIT 1"),
                                     {date});
    if (!cash.isEmpty())
        b.cash = cash.number(0, 0);
    const RowSet holding =
        db.openQuery(QStringLiteral("SELECT 证券余额 FROM rep WHERE 证券代码 = ? AND 交收日期 <= ? "
                                    "ORDER BY 交收日期 DESC, repid DESC LIMIT 1"),
                     {code, date});
    if (!holding.isEmpty())
        b.holding = holding.number(0, 0);
    return b;
}

QString EntryRepWhere(const QString &code, const QDate &date)
{
    return QStringLiteral("证券代码 ='") + code + QStringLiteral("'") + QStringLiteral(" and ") +
           QStringLiteral("交收日期 ") + QStringLiteral(" ") + QStringLiteral("<=") + QStringLiteral(" #") +
           FormatDate(date) + QStringLiteral("#");
}

EntryOpening OpenTradeEntry(Database &db, const QString &account, const QString &code, const QDate &date)
{
    EntryOpening o;
    const RowSet catalog = db.openQuery(
        QStringLiteral("SELECT 证券类别 FROM Catalog WHERE 股东账号 = ? ORDER BY rowid LIMIT 1"), {account});
    if (catalog.isEmpty()) {
        o.result = EntryOpening::NoCategory;
        return o;
    }
    o.category = catalog.text(0, 0);
    const RowSet modes = db.openQuery(
        QStringLiteral("SELECT 交易方式 FROM machcom WHERE 证券类别 = ? ORDER BY rowid"), {o.category});
    for (int r = 0; r < modes.recordCount(); ++r)
        o.tradeModes << modes.text(r, 0);
    if (o.tradeModes.isEmpty()) {
        o.result = EntryOpening::NoTradeModes;
        return o;
    }
    o.balances = BalanceAsOf(db, date, code);
    o.repWhere = EntryRepWhere(code, date);
    o.result = EntryOpening::Opened;
    return o;
}

std::optional<FeeSchedule> LoadFeeSchedule(Database &db, const QString &category, const QString &tradeType)
{
    const RowSet rs =
        db.openQuery(QStringLiteral("SELECT 手续费, 手续费下, 印花税, 印花税下, 过户费, 过户费下, 其它费用, "
                                    "其它费用下 FROM machcom WHERE 证券类别 = ? AND 交易方式 = ? "
                                    "ORDER BY rowid LIMIT 1"),
                     {category, tradeType});
    if (rs.isEmpty())
        return std::nullopt;
    FeeSchedule f;
    f.commission = rs.number(0, 0);
    f.commissionMin = rs.number(0, 1);
    f.stamp = rs.number(0, 2);
    f.stampMin = rs.number(0, 3);
    f.transfer = rs.number(0, 4);
    f.transferMin = rs.number(0, 5);
    f.other = rs.number(0, 6);
    f.otherMin = rs.number(0, 7);
    return f;
}

double TradeEntry::value(int index) const
{
    return Val(box[index]);
}

void TradeEntry::set(int index, double v)
{
    box[index] = NumText(v);
}

void StartTradeEntry(TradeEntry &e, const EntryOpening &opening, const QString &marketPrice)
{
    e.category = opening.category;
    e.tradeType = opening.tradeModes.value(0);
    e.openingCash = opening.balances.cash;
    e.openingHolding = opening.balances.holding;
    e.flow = 0;
    e.box[kPriceBox] = marketPrice;
    e.set(kHoldingBox, e.openingHolding);
    e.set(kCashBox, e.openingCash);
}

double RoundToCents(double v)
{
    return Val(Format(v, QStringLiteral("####.##")));
}

QList<EntryNotice> PriceOrQuantityPath(TradeEntry &e, const std::optional<FeeSchedule> &fees)
{
    const QString &t = e.tradeType;
    const double price = e.value(kPriceBox);
    const double quantity = e.value(kQuantityBox);

    // Every pass starts again from the opening balances and a zero flow, so leaving a box twice never
    // takes the fees off twice, and a change of trade type keeps nothing of the type before it.
    e.flow = 0;
    e.set(kCashBox, e.openingCash);
    e.set(kHoldingBox, e.openingHolding);

    e.set(kAmountBox, price * quantity);
    if (t == trade::kSell || t == trade::kFundRedeem) {
        e.set(kCashBox, e.openingCash + e.value(kAmountBox));
        e.set(kHoldingBox, e.openingHolding - quantity);
        e.flow = e.value(kAmountBox);
    } else if (t == trade::kBuy) {
        e.set(kCashBox, e.openingCash - e.value(kAmountBox));
        e.set(kHoldingBox, e.openingHolding + quantity);
        e.flow = -e.value(kAmountBox);
    } else if (t == trade::kDividend) {
        // The price box holds the dividend per unit of the holding.
        e.set(kAmountBox, price * e.value(kHoldingBox));
        e.set(kCashBox, e.openingCash + e.value(kAmountBox));
    } else if (t == trade::kBonusShares) {
        e.set(kHoldingBox, e.openingHolding + quantity);
    }

    if (fees) {
        const FeeSchedule &r = *fees;
        e.set(kCommissionBox, r.commission * e.value(kAmountBox));
        if (t == trade::kFundSubscribe) {
            e.set(kAmountBox, RoundHalfEven(e.value(kAmountBox)));
            e.set(kCommissionBox, fundCommission(e.value(kAmountBox), r.commission));
            e.set(kHoldingBox, e.openingHolding + quantity);
        }
        raiseToMinimum(e, kCommissionBox, r.commissionMin);
        e.set(kStampBox, e.value(kAmountBox) * r.stamp);
        raiseToMinimum(e, kStampBox, r.stampMin);
        e.set(kTransferBox, r.transfer * quantity);
        raiseToMinimum(e, kTransferBox, r.transferMin);
        e.set(kOtherBox, r.other * e.value(kAmountBox));
        raiseToMinimum(e, kOtherBox, r.otherMin);

        // Shanghai ("60") pays both, Shenzhen ("00") no transfer fee, anything else neither.
        const QString market = e.code.left(2);
        if (market == QLatin1String("00")) {
            e.box[kTransferBox] = QStringLiteral("0");
        } else if (market != QLatin1String("60")) {
            e.box[kTransferBox] = QStringLiteral("0");
            e.box[kStampBox] = QStringLiteral("0");
        }
    }

    const double totalFees =
        e.value(kCommissionBox) + e.value(kStampBox) + e.value(kTransferBox) + e.value(kOtherBox);
    e.flow -= totalFees;
    e.set(kCashBox, e.value(kCashBox) - totalFees);

    for (int i : {kHoldingBox, kAmountBox, kCashBox, kCommissionBox, kStampBox})
        roundBox(e, i);
    return balanceWarnings(e);
}

QList<EntryNotice> AmountPath(TradeEntry &e, const std::optional<FeeSchedule> &fees)
{
    const QString &t = e.tradeType;
    const double amount = e.value(kAmountBox);
    const double quantity = e.value(kQuantityBox);
    if (t == trade::kBankToBroker || t == trade::kInterest || t == trade::kDividend) {
        e.set(kCashBox, e.openingCash + amount);
        e.flow = amount;
    } else if (t == trade::kBrokerToBank || t == trade::kInterestTax) {
        e.set(kCashBox, e.openingCash - amount);
        e.flow = -amount;
    } else if (t == trade::kFundSubscribe && fees) {
        e.set(kCommissionBox, fundCommission(amount, fees->commission));
        raiseToMinimum(e, kCommissionBox, fees->commissionMin);
        const double commission = e.value(kCommissionBox);
        e.set(kCashBox, e.openingCash - amount - commission);
        e.flow = -amount - commission;
        e.set(kHoldingBox, e.openingHolding + quantity);
    }
    roundBox(e, kCashBox);
    roundBox(e, kHoldingBox);
    return balanceWarnings(e);
}

std::optional<EntryNotice> SameCashWarning(Database &db, TradeEntry &e)
{
    e.set(kCashBox, e.value(kCashBox));
    const QString v = e.box[kCashBox];
    if (!db.exists(QStringLiteral("SELECT 1 FROM rep WHERE 资金余额 = ? AND 交收日期 = ?"), {Val(v), e.date}))
        return std::nullopt;
    return EntryNotice{FormatDate(e.date) + QStringLiteral(" 资金余额") + v +
                           QStringLiteral(" 元相同,录入下一个!"),
                       48, kWarningTitle};
}

void NormaliseEntryBoxes(TradeEntry &e)
{
    for (int i = kPriceBox; i < kContractBox; ++i)
        e.set(i, e.value(i));
    // A contract number is text: its digits never pass through a double.
    e.box[kContractBox] = LeadingNumberText(e.box[kContractBox]);
}

QList<EntryNotice> LeaveEntryBox(Database &db, TradeEntry &e, int index)
{
    QList<EntryNotice> notices;
    if ((index == kPriceBox || index == kQuantityBox) && !e.box[kQuantityBox].isEmpty())
        notices += PriceOrQuantityPath(e, LoadFeeSchedule(db, e.category, e.tradeType));
    if (index == kCashBox) {
        if (const auto same = SameCashWarning(db, e))
            notices << *same;
    }
    if (index == kAmountBox && !e.box[kAmountBox].isEmpty()) {
        const bool needsFees = e.tradeType == trade::kFundSubscribe;
        notices += AmountPath(e, needsFees ? LoadFeeSchedule(db, e.category, e.tradeType) : std::nullopt);
    }
    NormaliseEntryBoxes(e);
    return notices;
}

double SavedFlow(double flow)
{
    // The cent threshold is compared in single precision, so a flow a hair below 0.01 still counts.
    const float f = float(flow);
    if (f >= 0.01f || f <= -0.01f)
        return RoundToCents(flow);
    return 0;
}

double PlainNumber(const QString &text) { return Val(NumText(Val(text))); }

void SetTradeNumbers(TradeRow &r, const std::function<QString(int)> &boxText)
{
    r.price = PlainNumber(boxText(kPriceBox));
    r.quantity = PlainNumber(boxText(kQuantityBox));
    r.holding = PlainNumber(boxText(kHoldingBox));
    r.amount = PlainNumber(boxText(kAmountBox));
    r.cash = PlainNumber(boxText(kCashBox));
    r.commission = PlainNumber(boxText(kCommissionBox));
    r.stamp = PlainNumber(boxText(kStampBox));
    r.transfer = PlainNumber(boxText(kTransferBox));
    r.other = PlainNumber(boxText(kOtherBox));
}

TradeRow TradeRowOf(const TradeEntry &e, const QString &user)
{
    TradeRow r;
    r.code = e.code;
    r.tradeType = e.tradeType;
    r.date = e.date;
    SetTradeNumbers(r, [&e](int i) { return e.box[i]; });
    r.contract = LeadingNumberText(e.box[kContractBox]);
    r.flow = SavedFlow(e.flow);
    r.user = user;
    return r;
}

bool SavedByAmountPath(const QString &t)
{
    return t == trade::kBankToBroker || t == trade::kInterest || t == trade::kDividend ||
           t == trade::kBrokerToBank || t == trade::kInterestTax || t == trade::kFundSubscribe;
}

QList<EntryNotice> CompleteEntry(TradeEntry &e, const std::optional<FeeSchedule> &fees)
{
    QList<EntryNotice> notices;
    if (SavedByAmountPath(e.tradeType) && !e.box[kAmountBox].isEmpty())
        notices = AmountPath(e, e.tradeType == trade::kFundSubscribe ? fees : std::nullopt);
    NormaliseEntryBoxes(e);
    return notices;
}

QList<EntryNotice> RecomputeEntry(TradeEntry &e, const Balances &now, const std::optional<FeeSchedule> &fees)
{
    // Boxes that no path below computes again still follow the move.
    e.set(kCashBox, e.value(kCashBox) + (now.cash - e.openingCash));
    e.set(kHoldingBox, e.value(kHoldingBox) + (now.holding - e.openingHolding));
    e.openingCash = now.cash;
    e.openingHolding = now.holding;

    const QString &t = e.tradeType;
    const bool byQuantity =
        t == trade::kBuy || t == trade::kSell || t == trade::kFundRedeem || t == trade::kBonusShares;
    QList<EntryNotice> notices;
    if (byQuantity && !e.box[kQuantityBox].isEmpty())
        notices = PriceOrQuantityPath(e, fees);
    return notices + CompleteEntry(e, fees);
}

EntryNotice SecurityGoneNotice(const QString &code)
{
    return {QStringLiteral("证券 ") + code + QStringLiteral(" 已经不存在（已被删除），这条记录没有保存。"),
            48, QStringLiteral("提示：")};
}

EntryNotice BalancesMovedNotice()
{
    return {QStringLiteral("资金余额或证券余额已被其他工作站改变，已按新的余额重新计算，请核对后再保存。"),
            48, QStringLiteral("提示：")};
}

namespace {
const QString kInsertRep = QStringLiteral("INSERT INTO rep (证券代码, 交易类别, 交收日期, 成交价格, "
                                          "成交数量, 证券余额, 成交金额, 资金余额, 手续费, "
                                          "印花税, 过户费, 其它费用, 合同号, 收支金额, 录入者, repid) "
                                          "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");

// A row is written only for a security that is stored: one deleted here or on another workstation
// takes its records with it, and a row left behind would still count in every later cash balance.
bool securityStored(Database &db, const QString &code)
{
    return db.exists(QStringLiteral("SELECT 1 FROM Detail WHERE 证券代码 = ?"), {code});
}

// repid: the key to store the row under, or a null value for a new key.
void insertRow(Database &db, const TradeRow &r, const QVariant &repid)
{
    db.execute(kInsertRep, {r.code, r.tradeType, r.date, r.price, r.quantity, r.holding, r.amount, r.cash,
                            r.commission, r.stamp, r.transfer, r.other, r.contract, r.flow, r.user, repid});
}
} // namespace

SaveOutcome SaveTradeEntry(Database &db, TradeEntry &e, const QString &user)
{
    SaveOutcome out;
    // The write lock comes first: between this read and the insert no other workstation can save.
    Transaction tx(db);
    if (!securityStored(db, e.code)) {
        out.notices << SecurityGoneNotice(e.code);
        return out;
    }
    const Balances now = BalanceAsOf(db, e.date, e.code);
    const std::optional<FeeSchedule> fees = LoadFeeSchedule(db, e.category, e.tradeType);
    if (now.cash != e.openingCash || now.holding != e.openingHolding) {
        tx.rollback();
        out.notices << BalancesMovedNotice();
        out.notices += RecomputeEntry(e, now, fees);
        return out;
    }
    // The row is the one leaving the last box gives, whichever box the operator left last. Its warnings
    // were the amount box's to give; the row is saved as the panel stands.
    CompleteEntry(e, fees);
    insertRow(db, TradeRowOf(e, user), QVariant());
    out.repid = db.lastInsertId();
    tx.commit();
    out.saved = true;
    return out;
}

bool ReplaceTradeRow(Database &db, qint64 repid, const TradeRow &row)
{
    Transaction tx(db);
    if (!securityStored(db, row.code))
        return false;
    db.execute(QStringLiteral("DELETE FROM rep WHERE repid = ?"), {repid});
    insertRow(db, row, repid);
    tx.commit();
    return true;
}

double HoldingChange(const QString &tradeType, double quantity)
{
    if (tradeType == trade::kBuy || tradeType == trade::kBonusShares || tradeType == trade::kFundSubscribe)
        return quantity;
    if (tradeType == trade::kSell || tradeType == trade::kFundRedeem)
        return -quantity;
    return 0;
}

QString TradeRowCode(Database &db, qint64 repid)
{
    return db.scalar(QStringLiteral("SELECT 证券代码 FROM rep WHERE repid = ?"), {repid}).toString();
}

} // namespace tv
