#pragma once

#include <QList>
#include <QPair>
#include <QVariant>
#include <QString>

class TDemoDM;

// Receipt serial numbers (eight digits, unique per category) and the sort
// index pxxh of current and history receipts.
namespace Serials {

inline const QString kSerialsUsedUp = QStringLiteral("收据序号已用完，无法保存新单据");

// 1 -> "00000001". Numbers of more than eight digits have no text: "".
QString SerialText(qint64 number);

// The number of a serial text ("00000012" -> 12). Throws AppError when the
// text is not a number.
qint64 SerialNumber(const QString &serial);

// The counter of a category (0 when it has no row or holds nothing).
qint64 ReadCounter(TDemoDM &dm, const QString &category);

// The serial number text to offer next; reads only.
QString NextReceiptSerial(TDemoDM &dm, const QString &category);

// The first number from the category's counter on that the register does
// not hold: a number already issued is never given to a second receipt.
// Reads only. Throws AppError when the eight-digit numbers are used up.
QString FreeSerial(TDemoDM &dm, const QString &category);

// True when the register holds that number in that category.
bool IsSerialIssued(TDemoDM &dm, const QString &serial, const QString &category);

// Adds the pair to the register alone; the counter stays.
void RegisterSerial(TDemoDM &dm, const QString &serial, const QString &category);

// Adds the pair to the register and sets the category's counter to the
// number; a category without a counter row gets one. Throws AppError when
// the serial text is not a number.
void IssueSerial(TDemoDM &dm, const QString &serial, const QString &category);

// Rewrites pxxh of all current receipts: 1..n in entry (iid) order.
void RenumberCurrentReceipts(TDemoDM &dm);

// Rewrites pxxh of all history receipts: the k-th receipt of the result
// (given by iid, in result order) gets k, every other history receipt 0.
void RenumberHistoryResult(TDemoDM &dm, const QList<qint64> &resultIids);

// The same for the result of a query of the history: the history rows that
// meet `condition` (an expression on P_ORDERDBAK with named parameters, bound
// from `binds`) in the order `order`. resultRows is the result's count when
// the caller has it (-1: counted here). Returns whether the result has rows;
// a result without rows changes no number.
bool RenumberHistoryResult(TDemoDM &dm, const QString &condition, const QString &order,
                           const QList<QPair<QString, QVariant>> &binds, qint64 resultRows = -1);

// From this many rows (100,000 unless set), when they are at least half the
// history, the index of the numbered rows is built afresh rather than kept
// up to date. Tests set it low to take that way on a small history.
qint64 RebuildIndexFrom();
void SetRebuildIndexFrom(qint64 rows);

} // namespace Serials
