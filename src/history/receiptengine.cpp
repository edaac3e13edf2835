#include "history/receiptengine.h"
#include "history/exportworkbook.h"

#include "common/apperror.h"
#include "print/spreadsheetengine.h"

#include <QDir>
#include <QFile>
#include <memory>
#include <QTemporaryDir>

namespace HistoryPrinting {

WorkbookExport::Writer ExportWriter()
{
    return [](const QString &path, const QList<WorkbookExport::Row> &rows) {
        // The rows go to the engine in one file rather than cell by cell.
        QTemporaryDir work;
        if (!work.isValid())
            throw AppError(QStringLiteral("无法创建临时文件夹"));
        const QString flat = work.filePath(QStringLiteral("export.fods"));
        QFile f(flat);
        if (!f.open(QIODevice::WriteOnly) || f.write(WorkbookExport::flatSpreadsheet(rows)) < 0 || !f.flush())
            throw AppError(QStringLiteral("无法写入临时文件：%1").arg(flat));
        f.close();
        std::unique_ptr<SpreadsheetWorkbook> book = SpreadsheetEngine::open(flat);
        book->saveAs(path);
        book->close();
    };
}

} // namespace HistoryPrinting

