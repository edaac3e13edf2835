#include "print/reminderjob.h"

#include "text/capital.h"
#include "text/numtext.h"

QList<SpreadsheetWorkbook::CellWrite> ReminderCells(const Payments::ArrearsLine &line, const QString &date)
{
    const QString sum = FormatMoney(line.sum);
    QList<SpreadsheetWorkbook::CellWrite> cells{
        {2, 2, line.bhmc}, {2, 4, line.bhh}, {3, 2, line.cmc}, {3, 4, date},
        {4, 2, QString::number(line.months)}, {4, 4, sum}, {5, 2, AmountToCapital(sum)},
    };
    int row = kReminderFirstLine;
    for (const Payments::UnpaidReceipt &r : line.receipts) {
        cells.append({row, 1, QString::number(row - kReminderFirstLine + 1)});
        cells.append({row, 2, Payments::monthText(r.nf, r.yf)});
        cells.append({row, 3, QStringLiteral("NO.") + r.sjxh});   // as text, the leading zeros kept
        cells.append({row, 4, FormatMoney(r.cost)});
        ++row;
    }
    return cells;
}

ReminderJob::ReminderJob() : m_pages(kReminderTemplateFileName, QStringLiteral("催费通知单")) {}
