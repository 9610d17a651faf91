#include "reports/SnapshotBook.h"

#include "app/VbCompat.h"
#include "data/Database.h"
#include "reports/RowStream.h"

#include <QRegularExpression>
#include <cmath>
#include <stdexcept>

namespace tv {

namespace {

const QStringList kColumns = {QStringLiteral("资金余额"), QStringLiteral("证券市值"),
                              QStringLiteral("资产总值"), QStringLiteral("上证指数"),
                              QStringLiteral("涨跌幅"),   QStringLiteral("备注")};

// A whole text that is a number: digits with one optional point, a sign in front, an exponent after;
// no thousands separators and nothing else.
std::optional<double> wholeNumber(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    const QString t = Trim(text);
    if (!number.match(t).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// What a number box stores: Null when it is empty.
QVariant numberValue(const QString &text)
{
    if (Trim(text).isEmpty())
        return QVariant();
    const std::optional<double> v = wholeNumber(text);
    if (!v)
        throw std::invalid_argument("not a number");
    return *v;
}

} // namespace

QString BookBoxColumn(int box)
{
    return kColumns.value(box);
}

TextGrid BookLayout()
{
    return TextGrid::fromFormat(
        QStringLiteral("^ 日期 |^ 资金余额|^ 证券市值|^ 资产总值|^上证指数|^涨跌幅|^备注|^qixstID"),
        {1200, 1000, 1000, 1000, 1000, 1000, 1400, 0});
}

BookList ListSnapshots(Database &db, const QDate &from, const QDate &to)
{
    RowStream rs(db,
                 QStringLiteral(
                     "SELECT 日期, 资金余额, 证券市值, 资产总值, 上证指数, 涨跌幅, 备注, qixstid FROM qixst "
                     "WHERE 日期 <= ? AND 日期 >= ? ORDER BY 日期 ASC, qixstid ASC"),
                 {to, from});
    BookList list;
    list.grid = BookLayout();
    while (rs.next()) {
        QStringList row = list.grid.emptyRow();
        if (!rs.isNull(1))
            for (int c = 0; c < row.size(); ++c)
                row[c] = rs.text(c);
        list.grid.rows << row;
        ++list.rows;
    }
    list.grid.addRow();
    return list;
}

BookSelection SelectBookRow(const TextGrid &grid, int row)
{
    BookSelection s;
    for (int c = 1; c <= kBookBoxes; ++c)
        s.boxes << (row > 0 ? grid.text(row, c) : QString());
    if (row <= 0)
        return s;
    bool ok = false;
    const qint64 key = grid.text(row, kBookKeyColumn).toLongLong(&ok);
    if (!ok || key <= 0)
        return s;
    s.key = key;
    const QDate date = QDate::fromString(grid.text(row, 0), QStringLiteral("yyyy-MM-dd"));
    if (date.isValid())
        s.date = date;
    return s;
}

std::optional<BookRefusal> CheckSnapshot(const QStringList &boxes, bool insert)
{
    if (insert && Trim(boxes.value(0)).isEmpty())
        return BookRefusal{QStringLiteral("资金余额不能空，不能保存!"), 64, QStringLiteral("资金余额有错误"),
                           0};
    for (int i = 0; i < kBookNumberBoxes; ++i) {
        const QString text = boxes.value(i);
        if (!Trim(text).isEmpty() && !wholeNumber(text))
            return BookRefusal{kColumns[i] + QStringLiteral("不是数字，不能保存!"), 64,
                               kColumns[i] + QStringLiteral("有错误"), i};
    }
    return std::nullopt;
}

bool UpdateSnapshot(Database &db, qint64 key, const QStringList &boxes, const QDate &date)
{
    QVariantList args;
    for (int i = 0; i < kBookNumberBoxes; ++i)
        args << numberValue(boxes.value(i));
    args << Trim(boxes.value(4)) << Trim(boxes.value(5)) << date << key;
    Transaction tx(db);
    const int changed =
        db.execute(QStringLiteral("UPDATE qixst SET 资金余额 = ?, 证券市值 = ?, 资产总值 = ?, 上证指数 = ?, "
                                  "涨跌幅 = ?, 备注 = ?, 日期 = ? WHERE qixstid = ?"),
                   args);
    tx.commit();
    return changed > 0;
}

bool DeleteSnapshot(Database &db, qint64 key)
{
    Transaction tx(db);
    const int changed = db.execute(QStringLiteral("DELETE FROM qixst WHERE qixstid = ?"), {key});
    tx.commit();
    return changed > 0;
}

qint64 InsertSnapshot(Database &db, const QStringList &boxes, const QDate &day)
{
    QVariantList args;
    for (int i = 0; i < kBookNumberBoxes; ++i)
        args << numberValue(boxes.value(i));
    args << boxes.value(4) << day << boxes.value(5);
    Transaction tx(db);
    db.execute(
        QStringLiteral("INSERT INTO qixst (资金余额, 证券市值, 资产总值, 上证指数, 涨跌幅, 日期, 备注) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?)"),
        args);
    const qint64 key = db.lastInsertId();
    tx.commit();
    return key;
}

} // namespace tv
