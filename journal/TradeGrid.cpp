#include "journal/TradeGrid.h"

#include "app/VbCompat.h"
#include "data/Database.h"

namespace tv {

const QList<int> &GridColumnWidths()
{
    static const QList<int> widths = {1100, 1000, 800, 1000, 1000, 1100, 1000, 800,
                                      800,  700,  800, 1200, 0,    0,    0,    -1};
    return widths;
}

QStringList GridHeaders()
{
    return {QStringLiteral("交收日期"), QStringLiteral("交易类别"), QStringLiteral("成交价格"), QStringLiteral("成交数量"),
            QStringLiteral("证券余额"), QStringLiteral("成交金额"), QStringLiteral("资金余额"), QStringLiteral("手续费"),
            QStringLiteral("印花税"),   QStringLiteral("过户费"),   QStringLiteral("其它费用"), QStringLiteral("收支金额"),
            QStringLiteral("id"),       QString(),                  QString(),                  QString()};
}

bool IsRecordRow(const QString &firstCell) { return firstCell.size() >= 6; }

QString TwoDecimalText(double value) { return NumText(Val(Format(value, QStringLiteral("###.##")))); }

QString TradeGrid::text(int row, int column) const
{
    if (row < 0 || row >= rows.size() || column < 0 || column >= kGridColumns)
        return QString();
    return rows[row][column];
}

TradeGrid LoadTradeGrid(Database &db, const QString &code)
{
    TradeGrid g;
    const RowSet records = db.openQuery(
        QStringLiteral("SELECT * FROM rep WHERE 证券代码 = ? ORDER BY 交收日期 ASC, repid ASC"), {code});
    const int n = records.recordCount();
    g.recordCount = n;
    g.rows.reserve(n + 3);
    g.rows << GridHeaders();
    QStringList blank;
    for (int c = 0; c < kGridColumns; ++c)
        blank << QString();
    for (int r = 0; r < n; ++r) {
        QStringList row = blank;
        if (!records.value(r, 2).isNull()) {
            // Grid columns 0 to 14 show rep positions 2, 1, 3, 4, ..., 15.
            row[0] = records.text(r, 2);
            row[1] = records.text(r, 1);
            for (int c = 2; c <= 14; ++c)
                row[c] = records.text(r, c + 1);
        }
        g.rows << row;
    }
    QStringList totals = blank;
    totals[0] = QStringLiteral(" 合计");
    if (n < 1) {
        for (int c : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11})
            totals[c] = QStringLiteral("0");
    } else {
        const RowSet sums = db.openQuery(
            QStringLiteral("SELECT SUM(成交数量), SUM(成交金额), SUM(收支金额), SUM(手续费), SUM(印花税), SUM(过户费), "
                           "SUM(其它费用) FROM rep WHERE 证券代码 = ?"),
            {code});
        const QStringList &last = g.rows[n];
        totals[1] = QString::number(n);
        totals[3] = sums.text(0, 0);
        totals[4] = last[4];
        totals[5] = TwoDecimalText(sums.number(0, 1));
        totals[6] = last[6];
        totals[7] = TwoDecimalText(sums.number(0, 3));
        totals[8] = TwoDecimalText(sums.number(0, 4));
        totals[9] = sums.text(0, 5);
        totals[10] = sums.text(0, 6);
        totals[11] = TwoDecimalText(sums.number(0, 2));
        g.holding = Val(last[4]);
        g.flowTotal = Val(totals[11]);
    }
    g.rows << totals << blank;
    return g;
}

double ProfitOrLoss(double holding, double price, double flowTotal) { return holding * price + flowTotal; }

QString ProfitTextAfterLoad(double profit)
{
    return NumText(Val(Format(Val(NumText(profit)), QStringLiteral("####.##"))));
}

QString ProfitTextAfterUpdate(double profit)
{
    const QString text = Format(profit, QStringLiteral("####.##"));
    return Trim(text) == QLatin1String(".") ? QStringLiteral("0") : text;
}

unsigned int ProfitColour(const QString &profitText) { return Val(profitText) > 0 ? 0x8080FF : 0xC000; }

void TradeGridModel::setGrid(TradeGrid grid)
{
    beginResetModel();
    m_grid = std::move(grid);
    endResetModel();
}

void TradeGridModel::clear() { setGrid({}); }

int TradeGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(0, int(m_grid.rows.size()) - 1);
}

int TradeGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || m_grid.rows.isEmpty() ? 0 : kGridColumns;
}

QVariant TradeGridModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DisplayRole)
        return m_grid.text(index.row() + 1, index.column());
    if (role == Qt::TextAlignmentRole)
        return int(index.column() <= 1 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TradeGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_grid.text(0, section);
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

} // namespace tv
