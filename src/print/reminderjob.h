#pragma once

#include "data/paymentstore.h"
#include "print/noticejob.h"

#include <QList>
#include <QString>

// Reminders (催费通知单) to households in arrears: each household fills a
// copy of the first worksheet of the template "催费通知单模板.xls" in the
// program folder, listing its unpaid receipts; all reminders go to the
// printer as one job, or into one PDF file, a page per household. The user
// may change the template's texts and looks; the cells below are the ones
// the program writes.

inline const QString kReminderTemplateFileName = QStringLiteral("催费通知单模板.xls");

// The first row of the list of unpaid receipts; each receipt takes a row:
// number, month, "NO." and the receipt number, amount (columns A to D).
inline constexpr int kReminderFirstLine = 8;

// The cells of one household's reminder dated `date` (yyyy-mm-dd): name B2,
// number D2, community B3, date D3, months B4, sum D4, the sum in capital
// numerals B5, then the list.
QList<SpreadsheetWorkbook::CellWrite> ReminderCells(const Payments::ArrearsLine &line, const QString &date);

class ReminderJob
{
public:
    // Opens the template; throws as TemplatePages does.
    ReminderJob();

    // Adds the reminder of one household.
    void add(const Payments::ArrearsLine &line, const QString &date) { m_pages.add(ReminderCells(line, date)); }
    int count() const { return m_pages.count(); }
    void exportPdf(const QString &path) { m_pages.exportPdf(path); }
    int print(const QString &title) { return m_pages.print(title); }

private:
    TemplatePages m_pages;
};
