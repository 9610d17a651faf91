#include "journal/Catalog.h"

#include "app/VbCompat.h"
#include "data/Database.h"

namespace tv {

QString NormaliseNumberText(const QString &text) { return NumText(Val(text)); }

// ---- Categories --------------------------------------------------------------------------------

QList<CategoryRow> LoadCategories(Database &db)
{
    QList<CategoryRow> out;
    const RowSet rs = db.openQuery(QStringLiteral("SELECT 证券类别, 股东账号 FROM Catalog ORDER BY rowid"));
    for (int i = 0; i < rs.recordCount(); ++i)
        out << CategoryRow{rs.text(i, 0), rs.text(i, 1)};
    return out;
}

int CategoryCount(Database &db) { return db.scalar(QStringLiteral("SELECT count(*) FROM Catalog")).toInt(); }

CatalogOutcome AddCategory(Database &db, const QString &name, const QString &account)
{
    const QString n = Trim(name);
    const QString a = Trim(account);
    Transaction tx(db);
    if (db.exists(QStringLiteral("SELECT 1 FROM Catalog WHERE 证券类别 = ?"), {n}))
        return CatalogOutcome::NameTaken;
    // The account ties a category to its securities: two categories may never share one.
    if (db.exists(QStringLiteral("SELECT 1 FROM Catalog WHERE 股东账号 = ?"), {a}))
        return CatalogOutcome::AccountTaken;
    db.execute(QStringLiteral("INSERT INTO Catalog (证券类别, 股东账号) VALUES (?, ?)"), {n, a});
    tx.commit();
    return CatalogOutcome::Done;
}

CatalogOutcome RenameCategory(Database &db, const QString &oldName, const QString &oldAccount, const QString &name,
                              const QString &account)
{
    const QString n = Trim(name);
    const QString a = Trim(account);
    Transaction tx(db);
    if (db.exists(QStringLiteral("SELECT 1 FROM Catalog WHERE 证券类别 = ? AND 股东账号 = ?"), {n, a}))
        return CatalogOutcome::PairTaken;
    const QVariant id = db.scalar(
        QStringLiteral("SELECT rowid FROM Catalog WHERE 证券类别 = ? AND 股东账号 = ? ORDER BY rowid LIMIT 1"),
        {oldName, oldAccount});
    if (!id.isValid() || id.isNull())
        return CatalogOutcome::Missing;
    if (db.exists(QStringLiteral("SELECT 1 FROM Catalog WHERE 证券类别 = ? AND rowid <> ?"), {n, id}))
        return CatalogOutcome::NameTaken;
    if (db.exists(QStringLiteral("SELECT 1 FROM Catalog WHERE 股东账号 = ? AND rowid <> ?"), {a, id}))
        return CatalogOutcome::AccountTaken;
    db.execute(QStringLiteral("UPDATE Catalog SET 证券类别 = ?, 股东账号 = ? WHERE rowid = ?"), {n, a, id});
    db.execute(QStringLiteral("UPDATE Detail SET 股东账号 = ? WHERE 股东账号 = ?"), {a, oldAccount});
    // The trade modes are found by the category's name: they go with it.
    db.execute(QStringLiteral("UPDATE machcom SET 证券类别 = ? WHERE 证券类别 = ?"), {n, oldName});
    tx.commit();
    return CatalogOutcome::Done;
}

CatalogOutcome DeleteCategory(Database &db, const QString &name, const QString &account,
                              QStringList *deletedCodes)
{
    Transaction tx(db);
    if (CategoryCount(db) <= 1)
        return CatalogOutcome::LastCategory;
    QStringList codes;
    const RowSet securities = db.openQuery(
        QStringLiteral("SELECT 证券代码 FROM Detail WHERE 股东账号 = ? ORDER BY rowid"), {account});
    for (int i = 0; i < securities.recordCount(); ++i)
        codes << securities.text(i, 0);
    db.execute(QStringLiteral("DELETE FROM rep WHERE 证券代码 IN (SELECT 证券代码 FROM Detail WHERE 股东账号 = ?)"),
               {account});
    db.execute(QStringLiteral("DELETE FROM machcom WHERE 证券类别 = ?"), {name});
    db.execute(QStringLiteral("DELETE FROM Detail WHERE 股东账号 = ?"), {account});
    db.execute(QStringLiteral("DELETE FROM Catalog WHERE 股东账号 = ?"), {account});
    tx.commit();
    if (deletedCodes)
        *deletedCodes = codes;
    return CatalogOutcome::Done;
}

// ---- Trade modes -------------------------------------------------------------------------------

namespace {
const QString kFeeColumns =
    QStringLiteral("手续费, 手续费下, 印花税, 印花税下, 过户费, 过户费下, 其它费用, 其它费用下");

void insertTradeMode(Database &db, const QString &category, const TradeModeRow &row)
{
    QVariantList args{row.name};
    for (double fee : row.fees)
        args << fee;
    args << category;
    db.execute(QStringLiteral("INSERT INTO machcom (交易方式, %1, 证券类别) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                   .arg(kFeeColumns),
               args);
}

// Names are compared as the database compares them (without regard to case) and without their
// surrounding blanks, so " 证券买入 " is the same trade mode as "证券买入".
bool tradeModeNameTaken(Database &db, const QString &category, const QString &name, const QVariant &exceptName)
{
    if (exceptName.isNull())
        return db.exists(QStringLiteral("SELECT 1 FROM machcom WHERE 证券类别 = ? AND "
                                        "trim(交易方式, ' ') = ? COLLATE NOCASE"),
                         {category, Trim(name)});
    return db.exists(QStringLiteral("SELECT 1 FROM machcom WHERE 证券类别 = ? AND "
                                    "trim(交易方式, ' ') = ? COLLATE NOCASE AND 交易方式 <> ?"),
                     {category, Trim(name), exceptName});
}
} // namespace

QStringList TradeModeNames(Database &db, const QString &category)
{
    QStringList out;
    const RowSet rs =
        db.openQuery(QStringLiteral("SELECT 交易方式 FROM machcom WHERE 证券类别 = ? ORDER BY rowid"), {category});
    for (int i = 0; i < rs.recordCount(); ++i)
        out << rs.text(i, 0);
    return out;
}

bool LoadTradeMode(Database &db, const QString &category, const QString &name, TradeModeRow &row)
{
    const RowSet rs = db.openQuery(
        QStringLiteral("SELECT 交易方式, %1 FROM machcom WHERE 证券类别 = ? AND 交易方式 = ? ORDER BY rowid LIMIT 1")
            .arg(kFeeColumns),
        {category, name});
    if (rs.isEmpty())
        return false;
    row.name = rs.text(0, 0);
    for (int i = 0; i < kFeeValues; ++i)
        row.fees[i] = rs.number(0, i + 1);
    return true;
}

TradeModeOutcome AddTradeMode(Database &db, const QString &category, const TradeModeRow &row)
{
    Transaction tx(db);
    if (tradeModeNameTaken(db, category, row.name, QVariant()))
        return TradeModeOutcome::NameTaken;
    insertTradeMode(db, category, row);
    tx.commit();
    return TradeModeOutcome::Done;
}

TradeModeOutcome ModifyTradeMode(Database &db, const QString &category, const QString &oldName,
                                 const TradeModeRow &row)
{
    Transaction tx(db);
    if (tradeModeNameTaken(db, category, row.name, oldName))
        return TradeModeOutcome::NameTaken;
    db.execute(QStringLiteral("DELETE FROM machcom WHERE 证券类别 = ? AND 交易方式 = ?"), {category, oldName});
    insertTradeMode(db, category, row);
    tx.commit();
    return TradeModeOutcome::Done;
}

void DeleteTradeMode(Database &db, const QString &category, const QString &name)
{
    Transaction tx(db);
    db.execute(QStringLiteral("DELETE FROM machcom WHERE 证券类别 = ? AND 交易方式 = ?"), {category, name});
    tx.commit();
}

// ---- Securities --------------------------------------------------------------------------------

bool SecurityCodeTaken(Database &db, const QString &code, const QString &exceptCode)
{
    if (exceptCode.isNull())
        return db.exists(QStringLiteral("SELECT 1 FROM Detail WHERE 证券代码 = ?"), {code});
    return db.exists(QStringLiteral("SELECT 1 FROM Detail WHERE 证券代码 = ? AND 证券代码 <> ?"), {code, exceptCode});
}

bool SecurityNameTaken(Database &db, const QString &name, const QString &exceptCode)
{
    if (exceptCode.isNull())
        return db.exists(QStringLiteral("SELECT 1 FROM Detail WHERE 证券名称 = ?"), {name});
    return db.exists(QStringLiteral("SELECT 1 FROM Detail WHERE 证券名称 = ? AND 证券代码 <> ?"), {name, exceptCode});
}

namespace {
void insertSecurity(Database &db, const SecurityRow &row)
{
    const auto &b = row.boxes;
    // The four price boxes are numbers; the dialogs hand them over normalised.
    db.execute(QStringLiteral("INSERT INTO Detail (证券代码, 证券名称, 基本面, 分析评论, 目标价, 市场价格, 涨跌幅, "
                              "更新日期, 止损位, 买入点, 股东账号) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
               {b[0], b[1], b[2], b[3], Val(b[4]), Val(b[5]), b[6], b[7], Val(b[8]), Val(b[9]), row.account});
}
} // namespace

SecurityOutcome AddSecurity(Database &db, const SecurityRow &row)
{
    Transaction tx(db);
    if (SecurityCodeTaken(db, row.boxes[0]))
        return SecurityOutcome::CodeTaken;
    if (SecurityNameTaken(db, row.boxes[1]))
        return SecurityOutcome::NameTaken;
    insertSecurity(db, row);
    tx.commit();
    return SecurityOutcome::Saved;
}

SecurityOutcome ReplaceSecurity(Database &db, const QString &oldCode, const SecurityRow &row)
{
    Transaction tx(db);
    if (SecurityCodeTaken(db, row.boxes[0], oldCode))
        return SecurityOutcome::CodeTaken;
    if (SecurityNameTaken(db, row.boxes[1], oldCode))
        return SecurityOutcome::NameTaken;
    db.execute(QStringLiteral("DELETE FROM Detail WHERE 证券代码 = ?"), {oldCode});
    insertSecurity(db, row);
    tx.commit();
    return SecurityOutcome::Saved;
}

} // namespace tv
