#include "admin/Operators.h"

#include "app/Globals.h"
#include "data/Database.h"
#include "data/Password.h"

namespace tv {

QList<OperatorRow> LoadOperators()
{
    Database db(g_DbPath, g_DbConnect);
    const RowSet users = db.openTable(QStringLiteral("User"));
    QList<OperatorRow> out;
    out.reserve(users.recordCount());
    for (int r = 0; r < users.recordCount(); ++r)
        out.append({users.text(r, 0), DecodePassword(users.text(r, 1)), users.text(r, 2)});
    return out;
}

AddOperatorResult AddOperator(const QString &name, const QString &password, const QString &right)
{
    Database db(g_DbPath, g_DbConnect);
    // The test and the insert under one write lock, so two workstations cannot add the same name.
    Transaction tx(db);
    // UID compares without regard to case.
    if (db.exists(QStringLiteral("SELECT 1 FROM User WHERE UID = ?"), {name}))
        return AddOperatorResult::Exists;
    db.execute(QStringLiteral("INSERT INTO User (UID, PWD, 权限) VALUES (?, ?, ?)"),
               {name, EncodePassword(password), right});
    tx.commit();
    return AddOperatorResult::Added;
}

DeleteOperatorResult DeleteOperatorNamed(const QString &name)
{
    Database db(g_DbPath, g_DbConnect);
    Transaction tx(db);
    // Exactly the row shown, not its case-variants; and the count is taken again here, since another
    // workstation may have deleted operators since the list was read.
    const int changed = db.execute(QStringLiteral("DELETE FROM User WHERE UID = ? COLLATE BINARY"), {name});
    if (changed == 0)
        return DeleteOperatorResult::NotFound;
    if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM User")).toInt() == 0)
        return DeleteOperatorResult::LastOne; // rolled back
    tx.commit();
    return DeleteOperatorResult::Deleted;
}

bool PasswordStorable(const QString &password)
{
    return StorableText(password) && StorableText(EncodePassword(password));
}

void ChangeOperatorPassword(const QString &name, const QString &password)
{
    Database db(g_DbPath, g_DbConnect);
    Transaction tx(db);
    const int changed =
        db.execute(QStringLiteral("UPDATE User SET PWD = ? WHERE UID = ?"), {EncodePassword(password), name});
    if (changed != 1)
        throw DbError(DbError::Statement, QStringLiteral("没有找到操作员 %1").arg(name));
    tx.commit();
}

} // namespace tv
