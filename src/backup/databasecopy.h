#pragma once

#include <QString>

// File steps of the backup and the restore of the database file. None of
// them touches the data module's connection; the callers close it first.
namespace DatabaseCopy {

// Copies a file byte for byte to dest (created or truncated) and flushes it
// to the disk. False and a reason when any step fails.
bool copyFile(const QString &source, const QString &dest, QString *why);

// Whether the file opens as a sound database of this program: SQLite's
// integrity check passes and the household and employee tables are there.
// Uses a connection of its own, read only.
bool isSoundDatabase(const QString &path, QString *why);

// Moves from over to (replacing a file of that name in one step).
bool replaceFile(const QString &from, const QString &to, QString *why);

// Whether two paths name the same file or folder (after links).
bool sameEntry(const QString &a, const QString &b);

} // namespace DatabaseCopy
