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
    return [](const QString &path, WorkbookExport::RowSource &rows) {
        // The rows go to the engine as one file, written block by block as
        // they are read, rather than cell by cell; the engine then reads it
        // and saves it in the format asked for, in two calls.
        QTemporaryDir work;
        if (!work.isValid())
            throw AppError(QStringLiteral("无法创建临时文件夹"));
        const QString flat = work.filePath(QStringLiteral("export.fods"));
        QFile f(flat);
        auto put = [&f, &flat](const QByteArray &bytes) {
            if (f.write(bytes) != bytes.size())
                throw AppError(QStringLiteral("无法写入临时文件：%1").arg(flat));
        };
        if (!f.open(QIODevice::WriteOnly))
            throw AppError(QStringLiteral("无法写入临时文件：%1").arg(flat));
        put(WorkbookExport::flatSpreadsheetHead());
        put(WorkbookExport::flatSpreadsheetRows({rows.titles()}));
        for (;;) {
            const QList<WorkbookExport::Row> block = rows.next(WorkbookExport::kBlockRows);
            if (block.isEmpty())
                break;
            put(WorkbookExport::flatSpreadsheetRows(block));
        }
        put(WorkbookExport::flatSpreadsheetFoot());
        if (!f.flush())
            throw AppError(QStringLiteral("无法写入临时文件：%1").arg(flat));
        f.close();
        std::unique_ptr<SpreadsheetWorkbook> book = SpreadsheetEngine::open(flat);
        book->saveAs(path);
        book->close();
    };
}

} // namespace HistoryPrinting

