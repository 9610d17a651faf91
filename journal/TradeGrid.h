#pragma once

// The trade-record grid of one security: its rows as text cells (row 0 the header, 1 to n the records,
// n + 1 the totals row " 合计", n + 2 empty), the holding and the flow total kept from a load, and the
// profit-or-loss texts.

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

namespace tv {

class Database;

constexpr int kGridColumns = 16;
constexpr int kGridKeyColumn = 14; // repid of a record row

// Column widths in twips; 0 hides a column, -1 keeps the default.
const QList<int> &GridColumnWidths();
QStringList GridHeaders();

// A record row is one whose first cell (the settlement date) has at least 6 characters.
bool IsRecordRow(const QString &firstCell);

// The number formatted "###.##" and read back: at most two decimals, "0" for zero, "0.5" for a half.
QString TwoDecimalText(double value);

struct TradeGrid
{
    QList<QStringList> rows; // every row has kGridColumns cells
    int recordCount = 0;
    double holding = 0;   // 证券余额 of the last record row
    double flowTotal = 0; // sum of 收支金额 as the totals row shows it

    QString text(int row, int column) const;
};

// Reads every rep row of the code in date, then key order, and the totals.
TradeGrid LoadTradeGrid(Database &db, const QString &code);

// The profit or loss: holding at the market price plus the net flow of the records.
double ProfitOrLoss(double holding, double price, double flowTotal);
QString ProfitTextAfterLoad(double profit);   // at most two decimals, "0" for zero: 0.5 -> "0.5"
QString ProfitTextAfterUpdate(double profit); // "####.##" as it stands, a lone "." -> "0": 0.5 -> ".5"
unsigned int ProfitColour(const QString &profitText); // &H8080FF above 0, &HC000 at or below

// The rows of a TradeGrid for a view: model row i is grid row i + 1, the header comes from grid row 0.
class TradeGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setGrid(TradeGrid grid);
    void clear();
    const TradeGrid &grid() const { return m_grid; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    TradeGrid m_grid;
};

} // namespace tv
