#include "data/Spreadsheet.h"

#include "app/Seams.h"
#include "app/VbCompat.h"

#include <QDir>
#include <QFileInfo>
#include <xlsxwriter.h>

namespace tv {

std::optional<double> NumberCellValue(const QString &text)
{
    const std::optional<double> v = DecimalNumber(text);
    if (!v || NumText(*v) != text)
        return std::nullopt;
    // A spreadsheet shows 15 digits: 1e17 is exact, yet would not show as the 18 digits of its text.
    int significant = 0;
    for (const QChar c : text) {
        if (c.isDigit() && (significant > 0 || c != u'0'))
            ++significant;
    }
    if (significant > 15)
        return std::nullopt;
    return v;
}

SpreadsheetWriter::SpreadsheetWriter(const QString &path)
{
    lxw_workbook_options options = {};
    options.constant_memory = LXW_FALSE;
    m_book = workbook_new_opt(QDir::toNativeSeparators(path).toUtf8().constData(), &options);
    if (m_book)
        m_sheet = workbook_add_worksheet(m_book, nullptr);
    if (!m_sheet) {
        if (m_book)
            workbook_close(m_book);
        m_book = nullptr;
    }
}

SpreadsheetWriter::~SpreadsheetWriter()
{
    if (m_book)
        close();
}

bool SpreadsheetWriter::setCell(int row, int column, const QString &text, CellKind kind)
{
    if (!m_sheet || row < 1 || column < 1)
        return false;
    const std::optional<double> number = kind == CellKind::Typed ? NumberCellValue(text) : std::nullopt;
    lxw_error rc;
    if (number)
        rc = worksheet_write_number(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), *number, nullptr);
    else
        rc = worksheet_write_string(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), text.toUtf8().constData(),
                                    nullptr);
    if (rc != LXW_NO_ERROR)
        m_failed = true;
    return rc == LXW_NO_ERROR;
}

bool SpreadsheetWriter::close(QString *error)
{
    if (!m_book) {
        if (error)
            *error = QStringLiteral("工作簿没有建立");
        return false;
    }
    const lxw_error rc = workbook_close(m_book);
    m_book = nullptr;
    m_sheet = nullptr;
    if (rc != LXW_NO_ERROR || m_failed) {
        if (error)
            *error = QString::fromUtf8(lxw_strerror(rc));
        return false;
    }
    return true;
}

QString FreeXlsxPath(const QString &folder, const QString &base)
{
    const QDir dir(folder);
    QString path = dir.filePath(base + QStringLiteral(".xlsx"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("%1-%2.xlsx").arg(base).arg(n));
    return path;
}

QString NewExportPath(const QString &stem)
{
    return FreeXlsxPath(QDir::tempPath(), stem + u'-' + Now().toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

} // namespace tv
