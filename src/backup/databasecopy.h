#pragma once

#include <QString>

// File steps of the backup and the restore of the database file. None of
// them touches the data module's connection; the callers close it first.
namespace DatabaseCopy {

// Copies a file byte for byte to dest (created or truncated, readable and
// writable by its owner only) and flushes it to the disk. False and a reason
// when any step fails.
bool copyFile(const QString &source, const QString &dest, QString *why);

// Creates one folder level, open to its owner only. False when it does not
// exist afterwards.
bool makeOwnFolder(const QString &path);

// Brings the receipt numbering of the database file `into` up to that of the
// database file `from` (see DatabaseFile::carryNumbering).
bool carryNumbering(const QString &from, const QString &into, QString *why);

// Whether the file opens as a sound database of this program (see
// DatabaseFile::isSound).
bool isSoundDatabase(const QString &path, QString *why);

// Whether two paths name the same file or folder (after links).
bool sameEntry(const QString &a, const QString &b);

} // namespace DatabaseCopy
