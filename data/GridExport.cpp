#include "data/GridExport.h"

#include "app/Globals.h"
#include "app/Seams.h"
#include "app/VbCompat.h"
#include "data/Spreadsheet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <vector>

namespace tv {

namespace {

const QString kCannotExport = QStringLiteral("系统错误Excel未安装或版本不符，不能继续！");

bool writeWorkbook(const GridRows &rows, qsizetype count, const QString &path,
                   const std::function<void(int written)> &afterRow, ExportEvents events, int headerRow)
{
    QList<bool> textColumn;
    for (const QString &caption : rows.value(headerRow))
        textColumn << IsTextColumn(caption);
    const auto kind = [&](qsizetype r, int c) {
        return r <= headerRow || textColumn.value(c) ? CellKind::Text : CellKind::Typed;
    };
    const PackedRows *packed = rows.packed();
    std::vector<QByteArrayView> cells(packed ? packed->columnCount() : 0);
    SpreadsheetWriter sheet(path);
    bool ok = sheet.isOpen();
    for (qsizetype r = 0; ok && r < count; ++r) {
        if (const QStringList *row = rows.own(r)) {
            for (int c = 0; ok && c < row->size(); ++c)
                ok = sheet.setCell(int(r + 1), c + 1, (*row)[c], kind(r, c));
        } else {
            packed->cells(int(r - rows.packedStart()), cells.data());
            for (int c = 0; ok && c < int(cells.size()); ++c)
                ok = sheet.setCell(int(r + 1), c + 1, cells[c], kind(r, c));
        }
        if (!ok)
            break;
        if (afterRow)
            afterRow(int(r + 1));
        if (events == ExportEvents::RunAfterEachRow)
            QCoreApplication::processEvents();
    }
    return sheet.close() && ok;
}

// The workbook where the user finds it again; where it cannot be moved it stays where it is.
QString keep(const QString &path)
{
    const QString folder = KeptExportFolder();
    if (!QDir().mkpath(folder))
        return path;
    const QString kept = FreeXlsxPath(folder, QFileInfo(path).completeBaseName());
    return QFile::rename(path, kept) ? kept : path;
}

} // namespace

bool IsTextColumn(const QString &caption)
{
    static const QStringList captions = {QStringLiteral("证券代码"), QStringLiteral("合同号"),
                                         QStringLiteral("id"), QStringLiteral("日期"),
                                         QStringLiteral("交收日期")};
    return captions.contains(Trim(caption));
}

QString KeptExportFolder()
{
    return QFileInfo(g_DbPath).absoluteDir().filePath(QStringLiteral("导出"));
}

bool ExportToSpreadsheet(const GridRows &rows, const QString &path,
                         const std::function<void(int written)> &afterRow, ExportEvents events, int headerRow,
                         qsizetype rowCount)
{
    const qsizetype count = rowCount < 0 ? rows.size() : std::min(rowCount, rows.size());
    bool written = false;
    try {
        written = writeWorkbook(rows, count, path, afterRow, events, headerRow);
    } catch (const std::exception &) {
        written = false;
    }
    if (!written) {
        QFile::remove(path);
        MsgBox(kCannotExport, 16, QStringLiteral("不能导出"));
        return false;
    }
    if (OpenDocument(path))
        return true;
    const QString kept = keep(path);
    MsgBox(kCannotExport + QStringLiteral("\n工作簿保存在：\n") + QDir::toNativeSeparators(kept), 16,
           QStringLiteral("不能导出"));
    return false;
}

} // namespace tv
