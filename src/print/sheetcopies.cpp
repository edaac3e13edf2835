#include "print/sheetcopies.h"

#include "common/apperror.h"
#include "print/defaultprinter.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

int PrintPdfMadeBy(const QString &title, const QString &pdfName, const std::function<void(const QString &pdfPath)> &write)
{
    if (DefaultPrinter::name().isEmpty())
        throw AppError(DefaultPrinter::kNoDefaultPrinterMessage);
    QTemporaryDir dir;
    if (!dir.isValid())
        throw AppError(QStringLiteral("无法建立临时文件夹：%1").arg(dir.errorString()));
    const QString pdf = dir.filePath(pdfName);
    write(pdf);
    return DefaultPrinter::printPdf(pdf, title);
}

SheetCopies::SheetCopies(const QString &templatePath, Texts texts) : m_texts(std::move(texts))
{
    if (!QFileInfo(templatePath).isFile())
        throw AppError(m_texts.missingTemplate.arg(QDir::toNativeSeparators(templatePath)));
    m_book = SpreadsheetEngine::open(templatePath);
    // Only the form itself is copied and printed.
    for (int n = m_book->sheetCount(); n > 1; --n)
        m_book->removeSheet(n);
}

SheetCopies::~SheetCopies() = default;

void SheetCopies::add(const QList<SpreadsheetWorkbook::CellWrite> &writes)
{
    if (m_exported)
        throw AppError(m_texts.closed);
    // Sheet 1 stays the untouched form; each item gets a copy of it.
    const int sheet = m_book->addSheetCopy(1);
    try {
        m_book->setCellTexts(sheet, writes);
    } catch (const EngineUnavailable &) {
        throw;
    } catch (const AppError &) {
        m_book->removeSheet(sheet);
        throw;
    }
    ++m_count;
}

void SheetCopies::exportPdf(const QString &path)
{
    if (m_count == 0)
        throw AppError(m_texts.empty);
    if (!m_exported) {
        m_book->removeSheet(1);
        m_exported = true;
    }
    // The export grows with the items: the usual limit, and a second for
    // every 10 items more.
    m_book->exportPdf(path, SpreadsheetEngine::callTimeoutMs() + 100 * m_count);
}

int SheetCopies::print(const QString &title)
{
    if (m_count == 0)
        return 0;
    return PrintPdfMadeBy(title, m_texts.pdfName, [this](const QString &pdf) { exportPdf(pdf); });
}
