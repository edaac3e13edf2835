#include "print/noticejob.h"

#include "common/apperror.h"
#include "common/apppaths.h"
#include "print/sheetcopies.h"
#include "print/spreadsheetengine.h"
#include "text/capital.h"
#include "text/numtext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

TemplatePages::TemplatePages(const QString &templateFileName, const QString &what)
    : m_copies(std::make_unique<SheetCopies>(ProgramTemplatePath(templateFileName),
                                             SheetCopies::Texts{QStringLiteral("找不到") + what + QStringLiteral("模板：%1"),
                                                                QStringLiteral("打印任务已经生成，不能再加入") + what,
                                                                QStringLiteral("没有要打印的") + what,
                                                                QStringLiteral("pages.pdf")}))
{
}

TemplatePages::~TemplatePages() = default;

void TemplatePages::add(const QList<SpreadsheetWorkbook::CellWrite> &writes)
{
    m_copies->add(writes);
}

int TemplatePages::count() const
{
    return m_copies->count();
}

void TemplatePages::exportPdf(const QString &path)
{
    m_copies->exportPdf(path);
}

int TemplatePages::print(const QString &title)
{
    return m_copies->print(title);
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
