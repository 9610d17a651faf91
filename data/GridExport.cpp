#include "data/GridExport.h"

#include "app/Globals.h"
#include "app/Seams.h"
#include "app/VbCompat.h"
#include "data/Spreadsheet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tv {

namespace {

const QString kCannotExport = QStringLiteral("系统错误Excel未安装或版本不符，不能继续！");

bool writeWorkbook(const QList<QStringList> &rows, const QString &path,
                   const std::function<void(int written)> &afterRow, ExportEvents events, int headerRow)
{
    QList<bool> textColumn;
    for (const QString &caption : rows.value(headerRow))
        textColumn << IsTextColumn(caption);
    SpreadsheetWriter sheet(path);
    bool ok = sheet.isOpen();
    for (int r = 0; ok && r < rows.size(); ++r) {
        const QStringList &row = rows[r];
        for (int c = 0; ok && c < row.size(); ++c) {
            const bool text = r <= headerRow || textColumn.value(c);
            ok = sheet.setCell(r + 1, c + 1, row[c], text ? CellKind::Text : CellKind::Typed);
        }
        if (!ok)
            break;
        if (afterRow)
            afterRow(r + 1);
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

bool ExportToSpreadsheet(const QList<QStringList> &rows, const QString &path,
                         const std::function<void(int written)> &afterRow, ExportEvents events, int headerRow)
{
    bool written = false;
    try {
        written = writeWorkbook(rows, path, afterRow, events, headerRow);
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
