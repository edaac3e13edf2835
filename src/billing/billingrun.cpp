#include "billing/billingrun.h"
#include "print/rowsheet.h"

#include "common/apperror.h"
#include "data/billingstore.h"
#include "data/demodm.h"
#include "print/spreadsheetengine.h"
#include "text/numtext.h"
#include "text/textlimits.h"

#include <QFile>
#include <QFileInfo>

namespace BillingRun {

QList<QStringList> readCells(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv")) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            throw AppError(QStringLiteral("无法打开文件 %1：%2").arg(path, f.errorString()));
        return ReadingSheet::parseCsv(f.readAll());
    }
    if (suffix != QLatin1String("xlsx") && suffix != QLatin1String("xls") && suffix != QLatin1String("ods"))
        throw AppError(QStringLiteral("不支持的文件类型：%1（可导入 .xlsx、.xls、.ods、.csv）").arg(path));
    const std::unique_ptr<SpreadsheetWorkbook> book = SpreadsheetEngine::open(path);
    return book->sheetTexts(1);
}

void writeCells(const QString &path, const QList<QStringList> &cells)
{
    RowSheet::save(path, cells);
}

QList<Billing::CheckedRow> preview(TDemoDM &dm, const QList<Billing::SheetRow> &rows, const QString &nf,
                                   const QString &yf)
{
    return Billing::checkRows(rows, [&](const QString &name) { return Billing::factsOf(dm, name, nf, yf); });
}

int createUnknownHouseholds(TDemoDM &dm, const QList<Billing::CheckedRow> &rows)
{
    QStringList done;
    DbTransaction tx(dm);
    for (const Billing::CheckedRow &r : rows) {
        if (!r.problems.contains(Billing::Problem::UnknownHousehold) || r.sheet.bhmc.isEmpty()
            || done.contains(r.sheet.bhmc, Qt::CaseInsensitive))
            continue;
        Households::saveReadings(dm, r.sheet.bhh, r.sheet.bhmc, r.sheet.cmc, {0, 0});
        done.append(r.sheet.bhmc);
    }
    tx.commit();
    return int(done.size());
}

QString Result::summary() const
{
    QString text = QStringLiteral("已生成%1张收据，合计%2元。").arg(stored).arg(FormatMoney(total));
    if (!skipped.isEmpty()) {
        text += QStringLiteral("\n跳过%1行：").arg(skipped.size());
        for (const Skipped &s : skipped)
            text += QStringLiteral("\n第%1行 %2：%3").arg(s.line).arg(s.name, s.reason);
    }
    return text;
}

Result generate(TDemoDM &dm, const QList<Billing::CheckedRow> &rows, const Billing::BillSettings &settings)
{
    Result result;
    QList<ReceiptRow> bills;
    for (const Billing::CheckedRow &r : rows) {
        if (!r.accepted()) {
            result.skipped.append({r.sheet.line, r.sheet.bhmc, r.reason()});
            continue;
        }
        try {
            ReceiptRow bill = Billing::billOf(r, settings);
            for (double v : {bill.dj, bill.jed, bill.djs, bill.jes, bill.qtfy, bill.fzfy, bill.cost})
                if (!FitsMoneyColumn(v))
                    throw AppError(QStringLiteral("金额超出能保存的范围（整数部分最多15位）"));
            bills.append(bill);
        } catch (const AppError &e) {
            result.skipped.append({r.sheet.line, r.sheet.bhmc, e.message()});
        }
    }
    result.serials = Billing::storeBills(dm, bills);
    result.stored = int(bills.size());
    for (const ReceiptRow &b : bills)
        result.total += b.cost;
    return result;
}

} // namespace BillingRun
