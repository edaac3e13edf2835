#pragma once

#include "billing/readingsheet.h"
#include "data/billingcheck.h"

#include <QList>
#include <QString>
#include <QStringList>

class TDemoDM;

// The month's billing without its window: the checked preview of a filled
// sheet, and the bills of its accepted rows.
namespace BillingRun {

// Reads a filled sheet's file into cells: .csv directly, .xlsx, .xls and
// .ods through the spreadsheet engine. Throws AppError (EngineUnavailable
// when the engine is needed and missing).
QList<QStringList> readCells(const QString &path);

// Writes the cells as a new workbook at path (.xlsx, .ods or .xls) through
// the spreadsheet engine.
void writeCells(const QString &path, const QList<QStringList> &cells);

// The sheet's rows, checked against the database for year nf, month yf.
QList<Billing::CheckedRow> preview(TDemoDM &dm, const QList<Billing::SheetRow> &rows, const QString &nf,
                                   const QString &yf);

// Creates the households of the rows marked unknown (number, name and
// community from the sheet, readings 0), all or none. Returns how many.
int createUnknownHouseholds(TDemoDM &dm, const QList<Billing::CheckedRow> &rows);

struct Skipped
{
    int line = 0;
    QString name;
    QString reason;
};

struct Result
{
    int stored = 0;
    double total = 0;
    QStringList serials;
    QList<Skipped> skipped;

    // "已生成N张收据，合计…元" with every skipped row and its reason.
    QString summary() const;
};

// Stores one unpaid receipt per accepted row (see Billing::storeBills: all
// or none). A row whose amounts cannot be computed or stored (a price that
// is not a number, an amount too large for its column) is skipped with its
// reason. Throws AppError when storing fails; nothing is stored then.
Result generate(TDemoDM &dm, const QList<Billing::CheckedRow> &rows, const Billing::BillSettings &settings);

} // namespace BillingRun
