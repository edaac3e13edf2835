#pragma once

#include <QString>

// Checks and steps on a database file other than the open one (a backup, a
// file about to be restored). Each uses a connection of its own and leaves
// the data module's connection alone.
namespace DatabaseFile {

// Whether the file opens as a sound database of this program: SQLite's
// integrity check passes and the household, employee and receipt tables are
// there. Opens the file read only. False and a reason otherwise.
bool isSound(const QString &path, QString *why);

// Brings the receipt numbering of the database file `into` up to that of the
// database file `from`: every registered serial number of `from` is
// registered in `into` too, and each category's counter becomes the highest
// of both counters and of every registered number. Nothing else of `into`
// changes; all of it happens in one transaction. False and a reason when it
// cannot (then `into` is as it was).
bool carryNumbering(const QString &from, const QString &into, QString *why);

} // namespace DatabaseFile
