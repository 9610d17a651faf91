#pragma once

// The asset notebook's snapshots (table qixst): the list of a date range as grid text, what selecting a
// row of that list gives, and the three writes with the checks they make first.

#include "reports/QueryGrid.h"

#include <QDate>
#include <optional>

namespace tv {

class Database;

constexpr int kBookKeyColumn = 7;
constexpr int kBookBoxes = 6; // 资金余额, 证券市值, 资产总值, 上证指数, 涨跌幅, 备注
constexpr int kBookNumberBoxes = 4; // the first four hold numbers

// The column of qixst that box i (0 to 5) of the edit and insert areas writes.
QString BookBoxColumn(int box);

TextGrid BookLayout(); // the 8 columns of the list, header only; the key column is 0 wide

struct BookList
{
    TextGrid grid; // header, one row per snapshot in date then key order, one empty row
    int rows = 0;  // snapshots listed; a row whose 资金余额 is Null is counted but stays empty
};

// The snapshots dated from `from` to `to`, both days included.
BookList ListSnapshots(Database &db, const QDate &from, const QDate &to);

// What selecting a grid row gives. Only a listed snapshot's row gives a date and a key: the header, the
// empty last row and a row left empty give empty boxes, and the date picker keeps its date.
struct BookSelection
{
    QStringList boxes; // the texts of columns 1 to 6
    std::optional<QDate> date;
    std::optional<qint64> key;
};
BookSelection SelectBookRow(const TextGrid &grid, int row);

// A message that stops a write before it starts, and the box the focus goes back to.
struct BookRefusal
{
    QString text;
    int style = 64;
    QString title;
    int box = 0;
};

// The checks of an update (insert false) or an insert of the six box texts: the insert needs a cash
// value, and each of the four number boxes must be empty or read entirely as a number, blanks around
// it aside.
std::optional<BookRefusal> CheckSnapshot(const QStringList &boxes, bool insert);

// Each write is one transaction; a failing statement throws DbError and leaves the table as it was.
// The boxes must have passed CheckSnapshot. Empty number boxes store Null.

// Replaces the snapshot's values with the trimmed texts and the date; false when the row is gone.
bool UpdateSnapshot(Database &db, qint64 key, const QStringList &boxes, const QDate &date);
// False when the row is gone.
bool DeleteSnapshot(Database &db, qint64 key);
// A new snapshot of the day; 涨跌幅 and 备注 are stored as typed. Returns its key.
qint64 InsertSnapshot(Database &db, const QStringList &boxes, const QDate &day);

} // namespace tv
