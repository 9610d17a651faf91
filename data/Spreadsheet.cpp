#include "data/Spreadsheet.h"

#include "app/Seams.h"

#include <QDir>
#include <QRegularExpression>
#include <xlsxwriter.h>

namespace tv {

bool IsNumericCell(const QString &text, double *value)
{
    static const QRegularExpression number(QStringLiteral("^-?(0|[1-9][0-9]*)?(\\.[0-9]+)?$"));
    if (text.isEmpty() || text == QLatin1String("-") || !number.match(text).hasMatch())
        return false;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (ok && value)
        *value = v;
    return ok;
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

bool SpreadsheetWriter::setCell(int row, int column, const QString &text)
{
    if (!m_sheet || row < 1 || column < 1)
        return false;
    double v = 0;
    lxw_error rc;
    if (IsNumericCell(text, &v))
        rc = worksheet_write_number(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), v, nullptr);
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

QString NewExportPath(const QString &stem)
{
    return QDir::temp().filePath(QStringLiteral("%1-%2.xlsx").arg(stem, Now().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"))));
}

} // namespace tv
