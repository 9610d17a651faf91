#pragma once

// A new .xlsx workbook of one worksheet, filled cell by cell (rows and columns counted from 1).
// Texts that read as plain numbers are written as numbers, as a spreadsheet takes typed values;
// a code with a leading zero ("000001") stays text.

#include <QString>

struct lxw_workbook;
struct lxw_worksheet;

namespace tv {

class SpreadsheetWriter
{
public:
    explicit SpreadsheetWriter(const QString &path);
    ~SpreadsheetWriter();
    SpreadsheetWriter(const SpreadsheetWriter &) = delete;
    SpreadsheetWriter &operator=(const SpreadsheetWriter &) = delete;

    bool isOpen() const { return m_book != nullptr; }
    bool setCell(int row, int column, const QString &text);
    // Writes the file; false with the reason when it could not be written.
    bool close(QString *error = nullptr);

private:
    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    bool m_failed = false;
};

// True when a cell text is taken as a number.
bool IsNumericCell(const QString &text, double *value = nullptr);

// A new file name for an export in the temporary folder.
QString NewExportPath(const QString &stem);

} // namespace tv
