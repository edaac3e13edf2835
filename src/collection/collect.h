#pragma once

#include "data/receiptrow.h"

#include <QDateTime>
#include <QString>
#include <functional>

class TDemoDM;

// "收款" on one receipt at the desk.
namespace Collection {

// Takes the payment of the receipt (current or archived): refuses a receipt
// that cannot be paid (paid already, gone, not unpaid) and a missing payee
// with a message; asks the method through the dialog service; records the
// payment at `when` in one transaction; then, after the commit, hands the
// receipt as stored to `print`, which returns whether it was printed (it
// shows its own failure; the operator is then told that the payment is
// kept). Returns whether a payment was recorded. A failure is shown, never
// thrown.
bool collect(TDemoDM &dm, const QString &sjxh, const QString &lbmc, const QString &payee, const QDateTime &when,
             const std::function<bool(const ReceiptRow &)> &print);

} // namespace Collection
