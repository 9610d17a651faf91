#pragma once

// A grid's cell texts into a new spreadsheet, left open on the desktop for the user to look at, edit or
// save: sheet cell (r, c) is rows[r - 1][c - 1], every row with as many cells as it has.

#include <QList>
#include <QStringList>
#include <functional>

namespace tv {

// Whether pending events run after each row (the window repaints and stays responsive meanwhile) or
// nothing else runs until the workbook is written.
enum class ExportEvents { Hold, RunAfterEachRow };

// The rows are the caller's own copy, so nothing done while events run can change what goes out.
// afterRow(n) runs after the n-th row is written. False when the workbook could not be written at path or
// the desktop could not open it; no file is left behind then.
bool ExportToSpreadsheet(const QList<QStringList> &rows, const QString &path,
                         const std::function<void(int written)> &afterRow = {},
                         ExportEvents events = ExportEvents::Hold);

} // namespace tv
