#include "print/receiptbatch.h"

#include "common/apperror.h"
#include "common/apppaths.h"
#include "print/defaultprinter.h"
#include "print/receiptprint.h"
#include "print/spreadsheetengine.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

TemplateReceiptJob::TemplateReceiptJob()
{
    const QString templatePath = AppPaths::inProgramDir(kTemplateFileName);
    if (!QFileInfo(templatePath).isFile())
        throw AppError(QStringLiteral("找不到单据模板：%1").arg(QDir::toNativeSeparators(templatePath)));
    m_book = SpreadsheetEngine::open(templatePath);
    // Only the receipt form is copied and printed.
    for (int n = m_book->sheetCount(); n > 1; --n)
        m_book->removeSheet(n);
}

TemplateReceiptJob::~TemplateReceiptJob() = default;

void TemplateReceiptJob::add(const QStringList &cells)
{
    const auto &layout = ReceiptCells();
    if (cells.size() != int(layout.size()))
        throw AppError(QStringLiteral("单据内容不完整：应有%1项，实有%2项").arg(layout.size()).arg(cells.size()));
    if (m_exported)
        throw AppError(QStringLiteral("打印任务已经生成，不能再加入单据"));
    QList<SpreadsheetWorkbook::CellWrite> writes;
    writes.reserve(int(layout.size()));
    for (size_t i = 0; i < layout.size(); ++i)
        writes.append({layout[i].row, layout[i].column, cells[int(i)]});
    // Sheet 1 stays the untouched form; each receipt gets a copy of it.
    const int sheet = m_book->addSheetCopy(1);
    try {
        m_book->setCellTexts(sheet, writes);
    } catch (const EngineUnavailable &) {
        throw;
    } catch (const AppError &) {
        m_book->removeSheet(sheet);   // a half-filled receipt is not printed
        throw;
    }
    ++m_count;
}

void TemplateReceiptJob::exportPdf(const QString &path)
{
    if (m_count == 0)
        throw AppError(QStringLiteral("打印任务中没有单据"));
    if (!m_exported) {
        m_book->removeSheet(1);
        m_exported = true;
    }
    // The export grows with the receipts: the usual limit, and a second
    // for every 10 receipts more.
    m_book->exportPdf(path, SpreadsheetEngine::callTimeoutMs() + 100 * m_count);
}

void TemplateReceiptJob::render()
{
    if (m_count == 0 || !m_pdf.isEmpty())
        return;
    if (DefaultPrinter::name().isEmpty())
        throw AppError(DefaultPrinter::kNoDefaultPrinterMessage);
    auto dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid())
        throw AppError(QStringLiteral("无法建立临时文件夹：%1").arg(dir->errorString()));
    const QString pdf = dir->filePath(QStringLiteral("receipts.pdf"));
    exportPdf(pdf);
    m_dir = std::move(dir);
    m_pdf = pdf;
}

int TemplateReceiptJob::send(const QString &title)
{
    if (m_pdf.isEmpty())
        return 0;
    return DefaultPrinter::printPdf(m_pdf, title);
}
