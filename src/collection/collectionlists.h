#pragma once

#include "data/paymentstore.h"

#include <QList>
#include <QString>
#include <QStringList>

// The arrears and the takings as the collection screen lists, exports and
// prints them: plain rows of cell texts, built without a window.
namespace CollectionLists {

// The months a household owes for, in order, each once: "2024年3月、2024年4月".
QString monthsOf(const Payments::ArrearsLine &line);

// The arrears list: a title row, the headings, a row per household
// (community, number, name, months, sum, the months owed), the total row.
QList<QStringList> arrearsRows(const Payments::Arrears &arrears, const QString &title);

// The takings: a title row, the sums by method with their total, an empty
// row, then every payment (time, payee, method, amount, receipt, community,
// number, name, month).
QList<QStringList> takingsRows(const Payments::Takings &takings, const QString &title);

// The title of a takings list: "收费日报 2024-03-01 至 2024-03-31 收款人：全部".
QString takingsTitle(const Payments::TakingsFilter &filter);

// A period bound from a year and a month field: 0 (no bound) when the year
// is empty; throws AppError with a message when the year is not four digits
// or the month not 1 to 12.
int periodOf(const QString &year, const QString &month, const QString &which);

} // namespace CollectionLists
