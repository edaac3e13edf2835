#pragma once

#include "data/receiptrow.h"

#include <QString>
#include <optional>

class TDemoDM;
class TNamedQuery;

// The current receipts (table P_ORDERD) and the look-ups the entry form
// makes in the current and the history receipts. Every step runs on the
// data module's named query objects and throws AppError when it fails;
// the caller's transaction decides what is kept.
namespace Receipts {

inline const QString kCurrentTable = QStringLiteral("P_ORDERD");
inline const QString kHistoryTable = QStringLiteral("P_ORDERDBAK");
inline const QString kDeletedTable = QStringLiteral("p_orderd_del");

enum class Table { Current, History, Deleted };

// Stores a new current receipt (every column but the key).
void insert(TDemoDM &dm, const ReceiptRow &row);
// Rewrites the updatable columns of the current receipt with the row's
// number and category; returns how many receipts that changed (0 when it
// is gone).
int update(TDemoDM &dm, const ReceiptRow &row);
// The current receipt with that number and category.
std::optional<ReceiptRow> load(TDemoDM &dm, const QString &sjxh, const QString &lbmc);
// The receipt of the table with that number and category.
std::optional<ReceiptRow> load(TDemoDM &dm, Table table, const QString &sjxh, const QString &lbmc);
// Keeps a copy of the current receipt among the deleted ones, then removes it.
void removeKeepingCopy(TDemoDM &dm, const QString &sjxh, const QString &lbmc);
// Removes one current receipt by its key, without a copy.
void removeRow(TDemoDM &dm, qint64 iid);
// Removes one receipt of the table by its key, without a copy.
void removeRow(TDemoDM &dm, Table table, qint64 iid);

// How many receipts the table holds.
qint64 count(TDemoDM &dm, Table table);
// Moves every current receipt into the history, in one transaction: either
// all are archived and none is left current, or nothing moved.
void archiveAll(TDemoDM &dm);
// Whether the history holds a receipt with that number.
bool inHistory(TDemoDM &dm, const QString &sjxh);
// Moves the history receipt with that number (and its detail rows) back
// among the current receipts, replacing a current receipt of that number,
// and numbers the current receipts again; one transaction.
void restore(TDemoDM &dm, const QString &sjxh);
// Moves the history receipt with that number and category among the
// deleted receipts; one transaction.
void removeFromHistory(TDemoDM &dm, const QString &sjxh, const QString &lbmc);

// Opens the list of current receipts, newest first (for the grid).
void openList(TNamedQuery &query);
// The total of all current receipts.
double currentTotal(TDemoDM &dm);

// Whether the table holds a receipt of that household for that year and month.
bool hasPeriod(TDemoDM &dm, Table table, const QString &nf, const QString &yf, const QString &bhmc);
// Whether the table holds a receipt of that household, known by its number
// (bhh) or, without one, by its name (bhmc).
bool hasHousehold(TDemoDM &dm, Table table, const QString &bhh, const QString &bhmc);
// The latest receipt of that household of a period before the given one
// (an earlier year, or the same year and an earlier month); within one
// period the one entered last.
std::optional<ReceiptRow> latestBefore(TDemoDM &dm, Table table, const QString &bhmc, const QString &nf,
                                       const QString &yf);

// The history receipt listed under that sort number (pxxh, not 0), if any.
std::optional<ReceiptRow> historyBySortNumber(TDemoDM &dm, qint64 pxxh);
// How many history receipts have a sort number from first to last.
qint64 historyInSortRange(TDemoDM &dm, qint64 first, qint64 last);

} // namespace Receipts
