#pragma once

// The stored rules behind the security dialogs and the categories window: the categories with their
// accounts, the trade modes with their fee schedules, and the saving of one security. Every write runs
// in one transaction and leaves the file as it was when it fails (a DbError reaches the caller).

#include <QList>
#include <QString>
#include <QStringList>
#include <array>

namespace tv {

class Database;

// A number box as it is stored: the number the text starts with, written back as plain decimal text
// without trailing zeros ("12.50" gives "12.5", "", "-" and "." give "0").
QString NormaliseNumberText(const QString &text);

// ---- Categories --------------------------------------------------------------------------------

struct CategoryRow
{
    QString name;    // 证券类别
    QString account; // 股东账号
};

// Every category in stored order.
QList<CategoryRow> LoadCategories(Database &db);
int CategoryCount(Database &db);

enum class CatalogOutcome {
    Done,
    NameTaken,    // another category has this name
    AccountTaken, // another category has this account
    PairTaken,    // a category has this very name and account already
    Missing,      // the category to change is no longer stored
    LastCategory, // the last category is never deleted
};

// Adds a category; name and account are stored trimmed.
CatalogOutcome AddCategory(Database &db, const QString &name, const QString &account);

// Gives the category (oldName, oldAccount) a new name and account, both trimmed. Its securities follow
// the account and its trade modes follow the name.
CatalogOutcome RenameCategory(Database &db, const QString &oldName, const QString &oldAccount, const QString &name,
                              const QString &account);

// Deletes the category with its securities, their trade records and its trade modes; deletedCodes, when
// given, receives the codes of the securities deleted.
CatalogOutcome DeleteCategory(Database &db, const QString &name, const QString &account,
                              QStringList *deletedCodes = nullptr);

// ---- Trade modes -------------------------------------------------------------------------------

constexpr int kFeeValues = 8; // rate and minimum of commission, stamp duty, transfer fee, other fees

struct TradeModeRow
{
    QString name;                              // 交易方式
    std::array<double, kFeeValues> fees{};     // 手续费, 手续费下, 印花税, 印花税下, 过户费, 过户费下, 其它费用, 其它费用下
};

// The names of a category's trade modes in stored order.
QStringList TradeModeNames(Database &db, const QString &category);
// The first trade mode of this name in the category; false when there is none.
bool LoadTradeMode(Database &db, const QString &category, const QString &name, TradeModeRow &row);

enum class TradeModeOutcome { Done, NameTaken };

// Adds a trade mode; the name is stored as typed, and refused when, without its surrounding blanks, the
// category already has it.
TradeModeOutcome AddTradeMode(Database &db, const QString &category, const TradeModeRow &row);
// Replaces the category's trade mode oldName by row; refused when another trade mode of the category
// already has the new name.
TradeModeOutcome ModifyTradeMode(Database &db, const QString &category, const QString &oldName,
                                 const TradeModeRow &row);
void DeleteTradeMode(Database &db, const QString &category, const QString &name);

// ---- Securities --------------------------------------------------------------------------------

// One Detail row as the dialogs' boxes hold it, box by box (0 code, 1 name, 2 document, 3 comment,
// 4 target, 5 price, 6 change, 7 update date, 8 stop loss, 9 buy point), with its account.
struct SecurityRow
{
    std::array<QString, 10> boxes;
    QString account;
};

enum class SecurityOutcome { Saved, CodeTaken, NameTaken };

// True when a security other than the one of exceptCode has this code (or this name).
bool SecurityCodeTaken(Database &db, const QString &code, const QString &exceptCode = QString());
bool SecurityNameTaken(Database &db, const QString &name, const QString &exceptCode = QString());

// Stores a new security; its code and name must be new.
SecurityOutcome AddSecurity(Database &db, const SecurityRow &row);
// Replaces the security of oldCode by row in one transaction; the code and name must not belong to any
// other security.
SecurityOutcome ReplaceSecurity(Database &db, const QString &oldCode, const SecurityRow &row);

} // namespace tv
