#pragma once

// The seven tables with their columns in physical order, the password check a file carries, and the
// making of a new database file.

#include <QList>
#include <QString>
#include <QStringList>

namespace tv {

class Database;

struct ColumnDef
{
    QString name;
    QString type; // the SQLite declaration
};

struct TableDef
{
    QString name;
    QList<ColumnDef> columns;
    QStringList columnNames() const;
};

const QList<TableDef> &Tables();
const TableDef &Table(const QString &name);

inline const QString kDbPassword = QStringLiteral("plovermint");
inline const QString kMetaTable = QStringLiteral("tv_meta");
constexpr int kApplicationId = 0x5456414E; // "TVAN"

QString ConnectString(const QString &password = kDbPassword); // ";UID=;PWD=" + password
QString PasswordOfConnect(const QString &connect);
QString PasswordCheck(const QString &salt, const QString &password);

// The tables the file lacks, by name; empty for a complete database.
QStringList MissingTables(Database &db);

// A new file with the tables, their indexes and the password check. Refuses an existing path.
void CreateDatabaseFile(const QString &path, const QString &connect);

// The first operator and the starting rows of a new database.
struct StarterData
{
    QString operatorName = QStringLiteral("admin");
    QString operatorPassword = QStringLiteral("123456");
    QString operatorRight = QStringLiteral("超级权限");
    QString companyName = QStringLiteral("Fernwick软件开发工作室");
    QString category = QStringLiteral("A股");
    QString account = QStringLiteral("A000000001");
};

// CreateDatabaseFile plus the first operator, the Config row, and one category of A shares with the ten
// trade modes the trade entry knows and their fee schedules.
void CreateEmptyDatabase(const QString &path, const QString &connect, const StarterData &starter = {});

} // namespace tv
