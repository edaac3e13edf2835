#include "print/rowsheet.h"

#include "common/apperror.h"
#include "print/defaultprinter.h"
#include "print/spreadsheetengine.h"

#include <QTemporaryDir>

namespace RowSheet {

void save(const QString &path, const QList<QStringList> &rows)
{
    const std::unique_ptr<SpreadsheetWorkbook> book = SpreadsheetEngine::createBlank();
    book->setRows(1, 1, rows);
    book->saveAs(path);
}

int print(const QList<QStringList> &rows, const QString &title)
{
    if (DefaultPrinter::name().isEmpty())
        throw AppError(DefaultPrinter::kNoDefaultPrinterMessage);
    QTemporaryDir dir;
    if (!dir.isValid())
        throw AppError(QStringLiteral("无法建立临时文件夹：%1").arg(dir.errorString()));
    const std::unique_ptr<SpreadsheetWorkbook> book = SpreadsheetEngine::createBlank();
    book->setRows(1, 1, rows);
    const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
    book->exportPdf(pdf, SpreadsheetEngine::callTimeoutMs() + 10 * int(rows.size()));
    return DefaultPrinter::printPdf(pdf, title);
}

} // namespace RowSheet
