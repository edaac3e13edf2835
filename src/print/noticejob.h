#pragma once

#include "data/receiptrow.h"
#include "print/spreadsheetengine.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

class SheetCopies;

// Payment notices (缴费通知单) of unpaid receipts: each receipt fills a copy
// of the first worksheet of the notice template "缴费通知单模板.xls" in the
// program folder; all copies go to the printer as one job, or into one PDF
// file, a page per notice. The user may change the template's texts and
// looks; the cells below are the ones the program writes.

inline const QString kNoticeTemplateFileName = QStringLiteral("缴费通知单模板.xls");

struct NoticeCell
{
    const char *name;   // "B2"
    int row;            // from 1
    int column;         // from 1
};

// Name, number, community, period; the electricity row (this month, last
// month, usage, price, amount) and the water row; other fees, rent, the
// total in capital numerals, the total; the serial number and the date.
const std::array<NoticeCell, 20> &NoticeCells();

// The twenty cell texts of a receipt's notice, dated `date` (yyyy-mm-dd).
QStringList NoticeCellTexts(const ReceiptRow &receipt, const QString &date);

// The template of the program folder; an installed program copies the
// package's one there first, so that the user has a copy to edit.
QString NoticeTemplatePath();
// The same for any template delivered beside the program.
QString ProgramTemplatePath(const QString &fileName);

// Pages filled from a template of the program folder: every page is a copy
// of the template's first worksheet with the program's cells written; all
// pages go to the printer as one job, or into one PDF file.
class TemplatePages
{
public:
    // Opens the template; `what` names the pages in messages ("缴费通知单").
    // Throws AppError when it is missing or not a workbook,
    // EngineUnavailable when there is no spreadsheet engine.
    TemplatePages(const QString &templateFileName, const QString &what);
    ~TemplatePages();

    // Adds a page with the cells written. Throws AppError when it cannot be
    // filled (the page is then not in the job).
    void add(const QList<SpreadsheetWorkbook::CellWrite> &cells);
    int count() const;
    // Writes all pages as one PDF file at path; ends the job.
    void exportPdf(const QString &path);
    // Sends all pages to the default printer as one job and returns its
    // number (0 when the job is empty); ends the job.
    int print(const QString &title);

private:
    std::unique_ptr<SheetCopies> m_copies;
};

class NoticeJob
{
public:
    // Opens the template; throws as TemplatePages does.
    NoticeJob();

    // Adds the notice of one receipt. Throws AppError when it cannot be
    // filled (the notice is then not in the job).
    void add(const ReceiptRow &receipt, const QString &date);
    int count() const { return m_pages.count(); }
    void exportPdf(const QString &path) { m_pages.exportPdf(path); }
    int print(const QString &title) { return m_pages.print(title); }

private:
    TemplatePages m_pages;
};
