#include "data/GridExport.h"

#include "app/Seams.h"
#include "data/Spreadsheet.h"

#include <QCoreApplication>
#include <QFile>

namespace tv {

bool ExportToSpreadsheet(const QList<QStringList> &rows, const QString &path,
                         const std::function<void(int written)> &afterRow, ExportEvents events)
{
    bool ok = false;
    {
        SpreadsheetWriter sheet(path);
        ok = sheet.isOpen();
        for (int r = 0; ok && r < rows.size(); ++r) {
            const QStringList &row = rows[r];
            for (int c = 0; ok && c < row.size(); ++c)
                ok = sheet.setCell(r + 1, c + 1, row[c]);
            if (!ok)
                break;
            if (afterRow)
                afterRow(r + 1);
            if (events == ExportEvents::RunAfterEachRow)
                QCoreApplication::processEvents();
        }
        ok = sheet.close() && ok;
    }
    if (ok && OpenDocument(path))
        return true;
    QFile::remove(path);
    return false;
}

} // namespace tv
