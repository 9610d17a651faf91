#pragma once

// The operators of table User: listing them with their passwords in clear, adding one under the
// duplicate test, and deleting one without ever leaving the table empty. Every failure is a DbError.

#include <QList>
#include <QString>

namespace tv {

struct OperatorRow
{
    QString name;
    QString password; // in clear
    QString right;
};

// Every operator in table order.
QList<OperatorRow> LoadOperators();

enum class AddOperatorResult { Added, Exists };
// Refused when the name exists already, whatever its letter case; the password is stored encoded.
AddOperatorResult AddOperator(const QString &name, const QString &password, const QString &right);

enum class DeleteOperatorResult { Deleted, LastOne, NotFound };
// Deletes the operator of exactly that name, unless that would leave no operator at all.
DeleteOperatorResult DeleteOperatorNamed(const QString &name);

// Whether a password is a storable text (StorableText) whose stored form is one too: lowering every
// character by 3 gives a NUL from U+0003, a byte-order mark from "＂" and halves of pairs from a character
// beyond the basic plane.
bool PasswordStorable(const QString &password);

// One update of the operator's own row, which keeps its place in the list and its right; a DbError when
// the operator is gone.
void ChangeOperatorPassword(const QString &name, const QString &password);

} // namespace tv
