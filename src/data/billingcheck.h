#pragma once

#include "data/receiptrow.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The checks of a month's imported readings, before anything is stored:
// pure functions over the sheet's rows and what the database knows of each
// household.
namespace Billing {

// One row of a filled reading sheet, its cells as texts.
struct SheetRow
{
    int line = 0;        // the row's number in the sheet (for messages)
    QString cmc;         // community
    QString bhh;         // household number
    QString bhmc;        // household name
    QString bccjd;       // electricity: this month's reading
    QString bccjds;      // water: this month's reading
};

// What the database knows of one household for the month being billed.
struct HouseholdFacts
{
    bool known = false;          // a household of that name exists
    QString hh;                  // its number and community
    QString cmc;
    double lastElectricity = 0;  // last month's readings (the entry screen's rule)
    double lastWater = 0;
    std::optional<double> averageElectricity;   // mean usage of its last six receipts (none without receipts)
    std::optional<double> averageWater;
    bool billed = false;         // a receipt of the household for the month is stored
    double other = 0;            // remembered other fees and rent
    double rent = 0;
};

enum class Problem {
    UnknownHousehold,   // no household of that name
    NotANumber,         // a reading that is empty or not a number
    BelowLastMonth,     // this month's reading below last month's
    UnusualUsage,       // usage more than three times the household's average
    Duplicate,          // the household is in the sheet more than once
    AlreadyBilled,      // a receipt of that household for that month is stored
};

// A problem stops the row from becoming a bill, except an unusual usage,
// which is only pointed out.
bool blocks(Problem problem);

struct CheckedRow
{
    SheetRow sheet;
    HouseholdFacts facts;
    double electricity = 0;   // this month's readings, read
    double water = 0;
    QList<Problem> problems;
    QStringList messages;     // one per problem, in the same order

    bool accepted() const;
    // The messages joined ("" when the row is clean).
    QString reason() const;
};

// How many times the average usage counts as unusual.
constexpr double kUnusualFactor = 3;

// Checks every row; `facts` is asked once per distinct household name.
QList<CheckedRow> checkRows(const QList<SheetRow> &rows,
                            const std::function<HouseholdFacts(const QString &name)> &facts);

// The settings a bill is made with.
struct BillSettings
{
    QString nf;           // billing year and month ("2024", "03")
    QString yf;
    QString rq;           // the date stored (as DateText::fromDateTime gives it)
    QString dj;           // unit prices as the settings hold them
    QString djs;
    QString skr;          // payee and meter reader
    QString cbr;
};

// The unpaid receipt of an accepted row, amounts computed as the entry
// screen computes them; the serial number is left empty. Throws AppError
// when a price is not a number or an amount is out of range.
ReceiptRow billOf(const CheckedRow &row, const BillSettings &settings);

inline const QString kUnpaid = QStringLiteral("未付款");
inline const QString kPaid = QStringLiteral("已付款");

} // namespace Billing
