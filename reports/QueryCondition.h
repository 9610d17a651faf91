#pragma once

// The conditions of the query window: terms of column, operator and value, joined newest first. A
// condition renders the text the window keeps in g_RepWhere (dates as "yyyy-MM-dd" between "#",
// texts between single quotes) and runs as SQLite with every value bound.

#include <QDate>
#include <QList>
#include <QString>
#include <QVariantList>
#include <optional>
#include <stdexcept>

namespace tv {

struct QueryTerm
{
    enum class Kind { Date, Text, Column, Number };
    QString column;
    QString op; // "=", "<", ">", "<>", "<=", ">=", "Like"
    Kind kind = Kind::Text;
    QVariant value; // a QDate, the text as typed, another column's name, or a double
    QString text;   // the term as the condition text shows it
};

class QueryCondition
{
public:
    QueryCondition() = default;
    QueryCondition(std::initializer_list<QueryTerm> newestFirst) : m_terms(newestFirst) {}

    // The new term in front of everything joined so far.
    QueryCondition joinedInFront(const QueryTerm &term) const;

    bool isEmpty() const { return m_terms.isEmpty(); }
    const QList<QueryTerm> &terms() const { return m_terms; }
    QString text() const;      // the terms' texts joined by " and "
    QString sql() const;       // for a WHERE clause; "1" when empty
    QVariantList args() const; // the bound values, in the order of sql()

private:
    QList<QueryTerm> m_terms;
};

const QString kDateColumn = QStringLiteral("交收日期");
const QString kCodeColumn = QStringLiteral("证券代码");
const QString kNameColumn = QStringLiteral("证券名称");
const QString kPriceColumn = QStringLiteral("市场价格");

// 交收日期, two blanks, the operator, " #", the date, "#": the bounds of ranges and periods.
QueryTerm DateBound(const QString &op, const QDate &date);
// Tab 3's settlement date: "交收日期 =#date#", with a blank before "#" when it is joined to another.
QueryTerm SettlementDateTerm(const QString &op, const QDate &date, bool joined);
// column, " ", operator, " '", value, "'"; trailing blanks of the value do not take part in the match.
QueryTerm TextTerm(const QString &column, const QString &op, const QString &value);
// 市场价格 against 买入点, 止损位, 目标价 or a plain decimal (DecimalNumber), as numbers ("Like" is
// equality); nothing for any other value.
std::optional<QueryTerm> ThresholdTerm(const QString &op, const QString &value);

QueryCondition DateRangeCondition(const QDate &from, const QDate &to);
QueryCondition DailyCondition(const QDate &day);
QueryCondition MonthlyCondition(const QDate &date); // the month of the date
QueryCondition YearlyCondition(const QDate &date);  // the year of the date
QueryCondition CashCondition(const QDate &date);    // every row on or before the date
QueryCondition HoldingCondition(const QString &code, const QDate &date);

// A value that no condition can compare: a price bound that is neither a threshold nor a number, a
// Like pattern that is malformed. The query window shows its wrong-value message for it.
class UncomparableValue : public std::runtime_error
{
public:
    UncomparableValue() : std::runtime_error("uncomparable value") {}
};

// A Like pattern as the equivalent pattern of SQLite's GLOB: "*" any run, "?" any one character, "#"
// one digit, "[list]" and "[!list]" one character in or not in the list, with ranges such as "a-z" and
// a "-" first or last standing for itself; "[]" stands for no character at all, and a bracketed "*", "?", "#"
// or "[" stands for itself. Letters match in either case, as the text columns compare them; every other
// character stands for itself ("%" and "_" too). Nothing for a "[" that is not closed or a range that
// runs backwards.
std::optional<QString> LikeGlob(const QString &pattern);

} // namespace tv
