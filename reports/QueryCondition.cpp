#include "reports/QueryCondition.h"

#include "app/VbCompat.h"
#include "data/Database.h"

#include <algorithm>

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
            const std::optional<QString> glob = LikeGlob(value);
            if (!glob)
                throw UncomparableValue();
            args << *glob;
            return column + QStringLiteral(" GLOB ?");
        }
        args << value;
        return column + u' ' + op + QStringLiteral(" ?");
    }
    }
    return {};
}

QString dateText(const QDate &date) { return FormatDate(date); }

// ---- Like patterns -------------------------------------------------------------------------------

using Range = std::pair<char32_t, char32_t>;

// The range and the other case of the ASCII letters in it.
void addBothCases(QList<Range> &set, char32_t lo, char32_t hi)
{
    set.append({lo, hi});
    const auto image = [&](char32_t from, char32_t to, char32_t other) {
        const char32_t a = std::max(lo, from), b = std::min(hi, to);
        if (a <= b)
            set.append({a - from + other, b - from + other});
    };
    image(U'a', U'z', U'A');
    image(U'A', U'Z', U'a');
}

// One character of a GLOB pattern out of a set of ranges. GLOB reads "]" as a member only first, "^"
// first as the negation, and "-" between two members as a range: those three stand apart from the
// runs, "]" first, "^" and "-" last, where each is a plain member.
QString globSet(QList<Range> set, bool negated)
{
    std::sort(set.begin(), set.end());
    bool bracket = false, caret = false, dash = false;
    QList<char32_t> body;
    const auto run = [&](char32_t from, char32_t to) {
        if (from > to)
            return;
        body << from;
        if (to > from)
            body << U'-' << to;
    };
    for (qsizetype i = 0; i < set.size(); ++i) {
        auto [lo, hi] = set[i];
        // Merged with the ranges it overlaps or touches.
        while (i + 1 < set.size() && set[i + 1].first <= hi + 1)
            hi = std::max(hi, set[++i].second);
        for (const auto &[special, flag] : {std::pair{U'-', &dash}, {U']', &bracket}, {U'^', &caret}}) {
            if (special < lo || special > hi)
                continue;
            *flag = true;
            run(lo, special - 1);
            lo = special + 1;
        }
        run(lo, hi);
    }
    if (!negated && !bracket && body.isEmpty()) {
        if (!dash)
            return caret ? QStringLiteral("^") : QString(); // "^" is plain outside a set; "[]" is nothing
        body << U'-'; // first, a "-" is a member, and it keeps the "^" from being first
        dash = false;
    }
    QList<char32_t> out{U'['};
    if (negated)
        out << U'^';
    if (bracket)
        out << U']';
    out << body;
    if (caret)
        out << U'^';
    if (dash)
        out << U'-';
    out << U']';
    return QString::fromUcs4(out.constData(), out.size());
}

QString globLiteral(char32_t c)
{
    if (c == U'*' || c == U'?' || c == U'[' || (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z')) {
        QList<Range> set;
        addBothCases(set, c, c);
        return globSet(set, false);
    }
    return QString::fromUcs4(&c, 1);
}

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

std::optional<QString> LikeGlob(const QString &pattern)
{
    const QList<uint> p = pattern.toUcs4();
    const qsizetype n = p.size();
    QString glob;
    for (qsizetype i = 0; i < n;) {
        const char32_t c = p[i++];
        if (c == U'*' || c == U'?') {
            glob += QChar(c);
        } else if (c == U'#') {
            glob += QStringLiteral("[0-9]");
        } else if (c != U'[') {
            glob += globLiteral(c);
        } else {
            const bool negated = i < n && p[i] == U'!';
            if (negated)
                ++i;
            QList<Range> set;
            while (i < n && p[i] != U']') {
                const char32_t lo = p[i];
                char32_t hi = lo;
                if (i + 2 < n && p[i + 1] == U'-' && p[i + 2] != U']') {
                    hi = p[i + 2];
                    if (hi < lo)
                        return std::nullopt;
                    i += 3;
                } else {
                    ++i;
                }
                addBothCases(set, lo, hi);
            }
            if (i == n)
                return std::nullopt; // no "]"
            ++i;
            if (negated && set.isEmpty())
                glob += u'?'; // "[!]": any one character
            else
                glob += globSet(set, negated);
        }
    }
    return glob;
}

} // namespace tv
