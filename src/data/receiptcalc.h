#pragma once

#include "data/receiptrow.h"

#include <QString>

// The amounts of a receipt from its readings, prices, losses, other fees
// and rent: the one place that holds the rules. The entry screen computes
// its fields with the steps below; a receipt made without the screen (the
// month's bills) goes through ReceiptCalc::compute, which takes the same
// steps in the same order and reads every intermediate value back from the
// text the screen would show, so both give the same amounts to the last
// digit.
namespace ReceiptCalc {

// One meter: usage = this month − last month + loss.
double usageWithLoss(double thisMonth, double lastMonth, double loss);
// Usage and amounts are kept to one decimal (one 角), ties to even.
double roundToTenth(double value);
// Amount = price × usage.
double amountOf(double price, double usage);
// Total = ((electricity + water) + other fees) + rent.
double totalOf(double electricity, double water, double other, double rent);

// The number texts of a receipt as the operator types them; an empty text
// counts as 0.
struct Inputs
{
    QString bccjd;    // electricity: this month's reading
    QString sccjd;    //   last month's reading
    QString shsld;    //   loss
    QString dj;       //   unit price
    QString bccjds;   // water: this month's reading
    QString sccjds;   //   last month's reading
    QString shsls;    //   loss
    QString djs;      //   unit price
    QString qtfy;     // other fees
    QString fzfy;     // rent
};

// What the screen shows after "计算总金额", as values and as texts.
struct Amounts
{
    double cjdl = 0, jed = 0;     // electricity usage and amount
    double cjdls = 0, jes = 0;    // water usage and amount
    double cost = 0;              // total
    QString cjdlText, jedText;    // "52.2", "26.10"
    QString cjdlsText, jesText;
    QString costText;             // "156.10"
    QString capitalText;          // the total in capital numerals
};

// The amounts of the inputs. Throws AppError naming the field (as the
// screen names it) when a text is not a number or a result is out of range.
Amounts compute(const Inputs &inputs);

// The inputs of a stored or prepared receipt row, and the row with the
// computed amounts written in.
Inputs inputsOf(const ReceiptRow &row);
void applyTo(const Amounts &amounts, ReceiptRow &row);

} // namespace ReceiptCalc
