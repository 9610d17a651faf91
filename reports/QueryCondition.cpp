#include "reports/QueryCondition.h"

#include "app/VbCompat.h"
#include "data/Database.h"

namespace tv {

namespace {

const QStringList kThresholdColumns = {QStringLiteral("买入点"), QStringLiteral("止损位"), QStringLiteral("目标价")};

bool isLike(const QString &op) { return op.compare(QLatin1String("Like"), Qt::CaseInsensitive) == 0; }

// Only the comparison operators of the window pass into SQL.
QString sqlOperator(const QString &op)
{
    static const QStringList known = {QStringLiteral("="),  QStringLiteral("<"),  QStringLiteral(">"),
                                      QStringLiteral("<>"), QStringLiteral("<="), QStringLiteral(">=")};
    if (isLike(op))
        return QStringLiteral("LIKE");
    if (!known.contains(op))
        throw DbError(DbError::Statement, QStringLiteral("不能识别的操作符：%1").arg(op));
    return op;
}

QString identifier(const QString &column)
{
    if (column.isEmpty() || column.contains(u'"'))
        throw DbError(DbError::Statement, QStringLiteral("不能识别的字段：%1").arg(column));
    return u'"' + column + u'"';
}

QString termSql(const QueryTerm &t, QVariantList &args)
{
    const QString column = identifier(t.column);
    const QString op = sqlOperator(t.op);
    switch (t.kind) {
    case QueryTerm::Kind::Column:
        return QStringLiteral("CAST(%1 AS REAL) %2 CAST(%3 AS REAL)")
            .arg(column, isLike(t.op) ? QStringLiteral("=") : op, identifier(t.value.toString()));
    case QueryTerm::Kind::Number:
        args << t.value.toDouble();
        return QStringLiteral("CAST(%1 AS REAL) %2 ?").arg(column, isLike(t.op) ? QStringLiteral("=") : op);
    case QueryTerm::Kind::Date:
    case QueryTerm::Kind::Text: {
        const QString value =
            t.kind == QueryTerm::Kind::Date ? FormatDate(t.value.toDate()) : RTrim(t.value.toString());
        if (isLike(t.op)) {
            args << LikePattern(value);
            return column + QStringLiteral(" LIKE ? ESCAPE '\\'");
        }
        args << value;
        return column + u' ' + op + QStringLiteral(" ?");
    }
    }
    return {};
}

QString dateText(const QDate &date) { return FormatDate(date); }

} // namespace

QueryCondition QueryCondition::joinedInFront(const QueryTerm &term) const
{
    QueryCondition c;
    c.m_terms << term << m_terms;
    return c;
}

QString QueryCondition::text() const
{
    QStringList texts;
    for (const QueryTerm &t : m_terms)
        texts << t.text;
    return texts.join(QStringLiteral(" and "));
}

QString QueryCondition::sql() const
{
    if (m_terms.isEmpty())
        return QStringLiteral("1");
    QVariantList unused;
    QStringList parts;
    for (const QueryTerm &t : m_terms)
        parts << termSql(t, unused);
    return parts.join(QStringLiteral(" AND "));
}

QVariantList QueryCondition::args() const
{
    QVariantList args;
    for (const QueryTerm &t : m_terms)
        termSql(t, args);
    return args;
}

QueryTerm DateBound(const QString &op, const QDate &date)
{
    return {kDateColumn, op, QueryTerm::Kind::Date, date,
            kDateColumn + QStringLiteral(" ") + QStringLiteral(" ") + op + QStringLiteral(" #") + dateText(date) +
                QStringLiteral("#")};
}

QueryTerm SettlementDateTerm(const QString &op, const QDate &date, bool joined)
{
    return {kDateColumn, op, QueryTerm::Kind::Date, date,
            kDateColumn + QStringLiteral(" ") + op + (joined ? QStringLiteral(" #") : QStringLiteral("#")) +
                dateText(date) + QStringLiteral("#")};
}

QueryTerm TextTerm(const QString &column, const QString &op, const QString &value)
{
    return {column, op, QueryTerm::Kind::Text, value,
            column + QStringLiteral(" ") + op + QStringLiteral(" '") + value + QStringLiteral("'")};
}

std::optional<QueryTerm> ThresholdTerm(const QString &op, const QString &value)
{
    const QString text = kPriceColumn + QStringLiteral(" ") + op + QStringLiteral(" ") + value;
    const QString v = Trim(value);
    if (kThresholdColumns.contains(v))
        return QueryTerm{kPriceColumn, op, QueryTerm::Kind::Column, v, text};
    const std::optional<double> number = DecimalNumber(v);
    if (!number)
        return std::nullopt;
    return QueryTerm{kPriceColumn, op, QueryTerm::Kind::Number, *number, text};
}

QueryCondition DateRangeCondition(const QDate &from, const QDate &to)
{
    return {DateBound(QStringLiteral("<="), to), DateBound(QStringLiteral(">="), from)};
}

QueryCondition DailyCondition(const QDate &day)
{
    return {DateBound(QStringLiteral("<"), day.addDays(1)), DateBound(QStringLiteral(">="), day)};
}

QueryCondition MonthlyCondition(const QDate &date)
{
    const QDate first(date.year(), date.month(), 1);
    return {DateBound(QStringLiteral("<"), first.addMonths(1)), DateBound(QStringLiteral(">="), first)};
}

QueryCondition YearlyCondition(const QDate &date)
{
    const QDate first(date.year(), 1, 1);
    return {DateBound(QStringLiteral("<"), first.addYears(1)), DateBound(QStringLiteral(">="), first)};
}

QueryCondition CashCondition(const QDate &date) { return {DateBound(QStringLiteral("<="), date)}; }

QueryCondition HoldingCondition(const QString &code, const QDate &date)
{
    const QueryTerm codeTerm{kCodeColumn, QStringLiteral("="), QueryTerm::Kind::Text, code,
                             kCodeColumn + QStringLiteral(" ='") + code + QStringLiteral("'")};
    return CashCondition(date).joinedInFront(codeTerm);
}

QString LikePattern(const QString &pattern)
{
    QString out;
    out.reserve(pattern.size() + 4);
    for (const QChar ch : pattern) {
        if (ch == u'\\' || ch == u'%' || ch == u'_')
            out += u'\\';
        if (ch == u'*')
            out += u'%';
        else if (ch == u'?')
            out += u'_';
        else
            out += ch;
    }
    return out;
}

} // namespace tv
