#pragma once

#include "data/billingcheck.h"
#include "data/householdstore.h"
#include "data/receiptrow.h"

#include <QList>
#include <QString>
#include <QStringList>

class TDemoDM;

// The database side of the month's billing: the households of a reading
// sheet, what the checks need to know of a household, and storing the
// month's bills. Every step throws AppError when a statement fails.
namespace Billing {

// Last month's readings of a household for a receipt of year nf, month yf,
// as the entry screen finds them: the household's latest receipt of an
// earlier period (current or history; the later period wins, with equal
// periods the current receipt), else the readings stored with the
// household, else 0.
Households::Readings previousReadings(TDemoDM &dm, const QString &name, const QString &nf, const QString &yf);

// One line of a reading sheet.
struct SheetHousehold
{
    QString cmc;
    QString hh;
    QString hm;
    Households::Readings last;
};

// The households of a community ("" = all), sorted by community and number,
// each with its readings before year nf, month yf.
QList<SheetHousehold> readingSheet(TDemoDM &dm, const QString &community, const QString &nf, const QString &yf);

// The communities, sorted.
QStringList communities(TDemoDM &dm);

// What the checks need to know of the household for year nf, month yf.
HouseholdFacts factsOf(TDemoDM &dm, const QString &name, const QString &nf, const QString &yf);

// Stores the bills as new current receipts, each with the next free serial
// number of its category, and the household's readings updated as a save
// does; then renumbers the current receipts. All in one transaction:
// when any step fails, nothing is stored, no number is issued and the
// error is thrown. Returns the serial numbers given, in order.
QStringList storeBills(TDemoDM &dm, const QList<ReceiptRow> &bills);

// The unpaid current receipts of year nf, month yf (empty: every month),
// by community, household number and serial number.
QList<ReceiptRow> unpaidBills(TDemoDM &dm, const QString &nf, const QString &yf);

} // namespace Billing
