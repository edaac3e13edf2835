#include "print/receiptbatch.h"

#include "common/apperror.h"
#include "common/apppaths.h"
#include "print/defaultprinter.h"
#include "print/receiptprint.h"
#include "print/sheetcopies.h"

#include <QTemporaryDir>

TemplateReceiptJob::TemplateReceiptJob()
    : m_copies(std::make_unique<SheetCopies>(AppPaths::inProgramDir(kTemplateFileName),
                                             SheetCopies::Texts{QStringLiteral("找不到单据模板：%1"),
                                                                QStringLiteral("打印任务已经生成，不能再加入单据"),
                                                                QStringLiteral("打印任务中没有单据"),
                                                                QStringLiteral("receipts.pdf")}))
{
}

TemplateReceiptJob::~TemplateReceiptJob() = default;

void TemplateReceiptJob::add(const QStringList &cells)
{
    const auto &layout = ReceiptCells();
    if (cells.size() != int(layout.size()))
        throw AppError(QStringLiteral("单据内容不完整：应有%1项，实有%2项").arg(layout.size()).arg(cells.size()));
    QList<SpreadsheetWorkbook::CellWrite> writes;
    writes.reserve(int(layout.size()));
    for (size_t i = 0; i < layout.size(); ++i)
        writes.append({layout[i].row, layout[i].column, cells[int(i)]});
    m_copies->add(writes);
}

int TemplateReceiptJob::count() const
{
    return m_copies->count();
}

void TemplateReceiptJob::exportPdf(const QString &path)
{
    m_copies->exportPdf(path);
}

void TemplateReceiptJob::render()
{
    if (count() == 0 || !m_pdf.isEmpty())
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
