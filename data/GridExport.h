#pragma once

// A grid's cell texts into a new spreadsheet, left open on the desktop for the user to look at, edit or
// save: sheet cell (r, c) is rows[r - 1][c - 1], every row with as many cells as it has.

#include "app/TextGrid.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace tv {

// Whether pending events run after each row (the window repaints and stays responsive meanwhile) or
// nothing else runs until the workbook is written.
enum class ExportEvents { Hold, RunAfterEachRow };

// The columns whose cells go out as text whatever they hold: codes, contract numbers and dates, known by
// the caption of the column, blanks around it aside. "id" is the journal grid's caption of 合同号.
bool IsTextColumn(const QString &caption);

// Where a workbook is kept that no program on the desktop could open: the folder 导出 beside the
// database file.
QString KeptExportFolder();

// The rows are the caller's own copy, so nothing done while events run can change what goes out (a copy
// of a grid's rows shares their packed block, whose UTF-8 cells go out as they are). The first rowCount
// rows go out, all of them where it is negative. rows[headerRow] holds the captions that tell the text
// columns; the rows above it are titles and go out as text. afterRow(n) runs after the n-th row is
// written.
//
// False, after the message box "系统错误Excel未安装或版本不符，不能继续！", when the workbook could not be
// written at path (nothing is left behind) or the desktop could not open it: the workbook is then moved
// into KeptExportFolder() and the message names it on a line of its own.
bool ExportToSpreadsheet(const GridRows &rows, const QString &path,
                         const std::function<void(int written)> &afterRow = {},
                         ExportEvents events = ExportEvents::Hold, int headerRow = 0,
                         qsizetype rowCount = -1);

} // namespace tv
