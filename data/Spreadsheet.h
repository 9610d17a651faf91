#pragma once

// A new .xlsx workbook of one worksheet, filled cell by cell (rows and columns counted from 1), row after
// row: a cell of a row above the one being written is refused, as the rows above are already in the file.

#include <QByteArrayView>
#include <QString>
#include <optional>
#include <string>

struct lxw_workbook;
struct lxw_worksheet;

namespace tv {

// A text cell keeps its text whatever it looks like; a typed cell is a number where its text is exactly
// one (NumberCellValue) and text otherwise.
enum class CellKind { Text, Typed };

class SpreadsheetWriter
{
public:
    explicit SpreadsheetWriter(const QString &path);
    ~SpreadsheetWriter();
    SpreadsheetWriter(const SpreadsheetWriter &) = delete;
    SpreadsheetWriter &operator=(const SpreadsheetWriter &) = delete;

    bool isOpen() const { return m_book != nullptr; }
    // Every text reads back from the sheet as it was given, whatever characters it holds, except that a
    // surrogate without its pair becomes U+FFFD and the text ends at a NUL.
    bool setCell(int row, int column, const QString &text, CellKind kind = CellKind::Typed);
    // The same from the text's UTF-8 bytes, for grids that keep their cells so; bytes that are no UTF-8
    // read back as QString::fromUtf8 reads them.
    bool setCell(int row, int column, QByteArrayView utf8, CellKind kind = CellKind::Typed);
    // Writes the file; false with the reason when it could not be written.
    bool close(QString *error = nullptr);

private:
    QByteArrayView utf8(const QString &text);
    bool write(int row, int column, QByteArrayView text, CellKind kind, bool sheetText);

    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    bool m_failed = false;
    std::string m_utf8;
};

// The number a cell text is written as: only where the text is that number's own plain text (NumText)
// with at most 15 significant digits, so the sheet shows the very same digits. "12.5" and "-3" are
// numbers; "000003", "012", "1.50", ".5", "1e5" and an 18-digit contract number keep their text.
std::optional<double> NumberCellValue(const QString &text);
std::optional<double> NumberCellValue(QByteArrayView utf8);

// folder/base.xlsx, or base-2.xlsx, base-3.xlsx and so on: the first of these names that no file has.
QString FreeXlsxPath(const QString &folder, const QString &base);

// A new file name for an export in the temporary folder: the stem, the date and the time.
QString NewExportPath(const QString &stem);

} // namespace tv
