#pragma once

#include <QSqlDatabase>
#include <QString>

// The tables of the database file and the content of a new file.
namespace Schema {

// Version written to PRAGMA user_version; upgrades add indexes and tables
// to an older file without touching its rows.
int currentVersion();

// Creates every table, index and the initial rows in an empty database.
// Throws AppError on failure.
void create(QSqlDatabase &db);

// Brings an existing file up to the current version (adds what is missing).
void upgrade(QSqlDatabase &db);

// Whether the tables this program reads and writes are all there.
bool hasProgramTables(QSqlDatabase &db);

// The index of the numbered history receipts (pxxh not 0). Renumbering the
// better part of a long history drops it and builds it again afterwards,
// which costs less than keeping it up to date row by row.
QString numberedHistoryIndex();
inline const QString kNumberedHistoryIndexName = QStringLiteral("P_ORDERDBAK_numbered");

// The employee every new database starts with; the login hint names the password.
inline const QString kFirstEmployeeName = QStringLiteral("管理员");
inline const QString kFirstEmployeeCode = QStringLiteral("admin");
inline const QString kDefaultPassword = QStringLiteral("888888");
inline const QString kReceiptCategory = QStringLiteral("销售单");

// The most characters a text column holds (0: no limit). Table names of the
// three receipt tables are all accepted; names match without regard to case.
// The entry fields that feed a column take their maximum length from here.
int textSize(const QString &table, const QString &column);

} // namespace Schema
