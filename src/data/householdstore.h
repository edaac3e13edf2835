#pragma once

#include <QString>
#include <optional>

class QSqlQueryModel;
class TDemoDM;
class TNamedQuery;

// The households (table hhb: number, name, community, their pinyin
// initials and the last readings) and the fees remembered per household
// name (table kdfb). Every step runs on the data module's named query
// objects and throws AppError when it fails.
namespace Households {

struct Readings
{
    double electricity = 0;   // dd
    double water = 0;         // dds
};

struct Fees
{
    double other = 0;   // kdf
    double rent = 0;    // hzf
};

// The remembered fees of a household name.
std::optional<Fees> rememberedFees(TDemoDM &dm, const QString &name);
// Remembers the fees of a household name (a new name gets its row).
void rememberFees(TDemoDM &dm, const QString &name, const Fees &fees);

// The last readings stored with the household of that name.
std::optional<Readings> readings(TDemoDM &dm, const QString &name);
// Stores the readings with the household of that name; a name met for the
// first time becomes a household with that number and community.
void saveReadings(TDemoDM &dm, const QString &number, const QString &name, const QString &community,
                  const Readings &readings);
// Sets the readings of a household back to 0: known by its number, or,
// without one, by its name.
void clearReadings(TDemoDM &dm, const QString &number, const QString &name);

// Opens every household in entry order for the base data list (qsp) and
// gives the model that shows them.
QSqlQueryModel *openList(TDemoDM &dm);

// Saves a household from the base data form: every household of that name
// gets the community and the number; a new name becomes a household with
// the pinyin initials of its name, community and number.
void save(TDemoDM &dm, const QString &number, const QString &name, const QString &community);

// How many receipts name the household: still to be issued, and issued.
struct ReceiptCounts
{
    qint64 current = 0;   // P_ORDERD
    qint64 history = 0;   // P_ORDERDBAK
};
ReceiptCounts receiptCounts(TDemoDM &dm, const QString &name);

// Removes the one household row with that iid.
void remove(TDemoDM &dm, qint64 iid);

// Opens the other base lists of the data module: remarks (qbz), units
// (qspdw), payers (qdw) and receipt categories (qlb).
void openOtherLists(TDemoDM &dm);

// Opens every household, and every community once (the pickers' lists).
void openAll(TNamedQuery &query);
void openCommunities(TNamedQuery &query);

} // namespace Households
