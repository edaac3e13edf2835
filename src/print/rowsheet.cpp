#include "print/rowsheet.h"

#include "common/apperror.h"
#include "print/sheetcopies.h"
#include "print/spreadsheetengine.h"

namespace RowSheet {

void save(const QString &path, const QList<QStringList> &rows)
{
    const std::unique_ptr<SpreadsheetWorkbook> book = SpreadsheetEngine::createBlank();
    book->setRows(1, 1, rows);
    book->saveAs(path);
}

int print(const QList<QStringList> &rows, const QString &title)
{
    return PrintPdfMadeBy(title, QStringLiteral("list.pdf"), [&](const QString &pdf) {
        const std::unique_ptr<SpreadsheetWorkbook> book = SpreadsheetEngine::createBlank();
        book->setRows(1, 1, rows);
        book->exportPdf(pdf, SpreadsheetEngine::callTimeoutMs() + 10 * int(rows.size()));
    });
}

} // namespace RowSheet
