#include "print/noticejob.h"

#include "common/apperror.h"
#include "common/apppaths.h"
#include "print/defaultprinter.h"
#include "print/spreadsheetengine.h"
#include "text/capital.h"
#include "text/numtext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

const std::array<NoticeCell, 20> &NoticeCells()
{
    static const std::array<NoticeCell, 20> cells{{
        {"B2", 2, 2}, {"E2", 2, 5}, {"B3", 3, 2}, {"E3", 3, 5},
        {"B5", 5, 2}, {"C5", 5, 3}, {"D5", 5, 4}, {"E5", 5, 5}, {"F5", 5, 6},
        {"B6", 6, 2}, {"C6", 6, 3}, {"D6", 6, 4}, {"E6", 6, 5}, {"F6", 6, 6},
        {"F7", 7, 6}, {"F8", 8, 6}, {"B9", 9, 2}, {"F9", 9, 6},
        {"B11", 11, 2}, {"E11", 11, 5},
    }};
    return cells;
}

QStringList NoticeCellTexts(const ReceiptRow &r, const QString &date)
{
    const QString total = FormatMoney(r.cost);
    return {r.bhmc, r.bhh, r.cmc, r.nf + QStringLiteral("年") + r.yf + QStringLiteral("月"),
            FloatToText(r.bccjd), FloatToText(r.sccjd), FloatToText(r.cjdl), FloatToText(r.dj), FormatMoney(r.jed),
            FloatToText(r.bccjds), FloatToText(r.sccjds), FloatToText(r.cjdls), FloatToText(r.djs), FormatMoney(r.jes),
            FormatMoney(r.qtfy), FormatMoney(r.fzfy), AmountToCapital(total), total,
            QStringLiteral("NO.") + r.sjxh, date};
}

QString NoticeTemplatePath()
{
    return ProgramTemplatePath(kNoticeTemplateFileName);
}

QString ProgramTemplatePath(const QString &fileName)
{
    const QString path = AppPaths::inProgramDir(fileName);
    if (QFileInfo(path).isFile())
        return path;
    const QString shipped = QDir(AppPaths::sharedDir()).filePath(fileName);
    if (QFileInfo(shipped).isFile() && QFileInfo(shipped).absoluteFilePath() != QFileInfo(path).absoluteFilePath()) {
        const QString part = path + QStringLiteral(".part");
        QFile::remove(part);
        if (QFile::copy(shipped, part)) {
            QFile::setPermissions(part, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            if (QFile::rename(part, path))
                return path;
        }
        QFile::remove(part);
        return shipped;   // printing still works; the user edits no copy
    }
    return path;
}

TemplatePages::TemplatePages(const QString &templateFileName, const QString &what) : m_what(what)
{
    const QString path = ProgramTemplatePath(templateFileName);
    if (!QFileInfo(path).isFile())
        throw AppError(QStringLiteral("找不到%1模板：%2").arg(what, QDir::toNativeSeparators(path)));
    m_book = SpreadsheetEngine::open(path);
    for (int n = m_book->sheetCount(); n > 1; --n)
        m_book->removeSheet(n);
}

TemplatePages::~TemplatePages() = default;

void TemplatePages::add(const QList<SpreadsheetWorkbook::CellWrite> &writes)
{
    if (m_done)
        throw AppError(QStringLiteral("打印任务已经生成，不能再加入%1").arg(m_what));
    // Sheet 1 stays the untouched form; each page gets a copy of it.
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

void TemplatePages::exportPdf(const QString &path)
{
    if (m_count == 0)
        throw AppError(QStringLiteral("没有要打印的%1").arg(m_what));
    if (!m_done) {
        m_book->removeSheet(1);
        m_done = true;
    }
    m_book->exportPdf(path, SpreadsheetEngine::callTimeoutMs() + 100 * m_count);
}

int TemplatePages::print(const QString &title)
{
    if (m_count == 0)
        return 0;
    if (DefaultPrinter::name().isEmpty())
        throw AppError(DefaultPrinter::kNoDefaultPrinterMessage);
    QTemporaryDir dir;
    if (!dir.isValid())
        throw AppError(QStringLiteral("无法建立临时文件夹：%1").arg(dir.errorString()));
    const QString pdf = dir.filePath(QStringLiteral("pages.pdf"));
    exportPdf(pdf);
    return DefaultPrinter::printPdf(pdf, title);
}

NoticeJob::NoticeJob() : m_pages(kNoticeTemplateFileName, QStringLiteral("缴费通知单")) {}

void NoticeJob::add(const ReceiptRow &receipt, const QString &date)
{
    const QStringList texts = NoticeCellTexts(receipt, date);
    const auto &cells = NoticeCells();
    QList<SpreadsheetWorkbook::CellWrite> writes;
    for (size_t i = 0; i < cells.size(); ++i)
        writes.append({cells[i].row, cells[i].column, texts[int(i)]});
    m_pages.add(writes);
}
