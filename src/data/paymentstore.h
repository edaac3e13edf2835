#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class TDemoDM;

// Payments taken at the desk (table skjlb) and the lists built on them: the
// households' arrears and the takings of a period. A receipt is paid once;
// its payment names it by serial number and category, so it stays with the
// receipt when the receipt is archived or restored.
namespace Payments {

inline const QString kPaid = QStringLiteral("已付款");
inline const QString kUnpaid = QStringLiteral("未付款");

// The ways a household can pay, in the order they are offered.
const QStringList &methods();

struct Payment
{
    QString sksj;   // date and time, "yyyy-mm-dd hh:mm:ss"
    QString skr;    // payee
    QString skfs;   // method
    double je = 0;  // amount
    QString sjxh;
    QString lbmc;
};

// Why the receipt cannot be paid (missing, paid already, not unpaid), as
// the operator is told; empty when it can.
QString refusal(TDemoDM &dm, const QString &sjxh, const QString &lbmc);

// Records the payment of the unpaid receipt (current or archived) and marks
// it paid, both or neither. Throws AppError with a message for the operator
// when the receipt is missing, already paid, or the method is not one of
// methods(); the caller's transaction, if any, decides what is kept.
Payment pay(TDemoDM &dm, const QString &sjxh, const QString &lbmc, const QString &method, const QString &payee,
            const QDateTime &when);

// The payment recorded for the receipt, if any.
std::optional<Payment> paymentOf(TDemoDM &dm, const QString &sjxh, const QString &lbmc);

// Year and month as one number (2024-03 is 202403), 0 for no bound.
inline int period(int year, int month) { return year * 100 + month; }

struct ArrearsFilter
{
    QString cmc;        // community; empty: all
    QString household;  // part of the household's name, or its number; empty: all
    int fromPeriod = 0;
    int toPeriod = 0;
};

struct UnpaidReceipt
{
    QString sjxh;
    QString lbmc;
    QString nf;
    QString yf;
    double cost = 0;
    bool archived = false;
};

struct ArrearsLine
{
    QString cmc;
    QString bhh;
    QString bhmc;
    int months = 0;     // distinct billing months
    double sum = 0;
    QList<UnpaidReceipt> receipts;  // by year and month
};

struct Arrears
{
    QList<ArrearsLine> lines;  // by community, household number and name
    int count = 0;             // unpaid receipts
    double total = 0;
};

// Unpaid receipts of current and history receipts, per household.
Arrears arrears(TDemoDM &dm, const ArrearsFilter &filter);

struct TakingsFilter
{
    QDate from;     // first day
    QDate to;       // last day, included
    QString payee;  // empty: every payee
};

struct TakingsRow
{
    Payment payment;
    QString cmc;
    QString bhh;
    QString bhmc;
    QString nf;
    QString yf;
};

struct MethodSum
{
    QString method;
    int count = 0;
    double sum = 0;
};

struct Takings
{
    QList<MethodSum> byMethod;  // every method that took something, in methods() order
    QList<TakingsRow> rows;     // by time of payment
    int count = 0;
    double total = 0;
};

Takings takings(TDemoDM &dm, const TakingsFilter &filter);

// The text of a month's bill for lists and notices: "2024年3月".
QString monthText(const QString &nf, const QString &yf);

} // namespace Payments
