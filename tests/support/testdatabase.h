#pragma once

#include "data/demodm.h"
#include "scratchdir.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

// A fresh program folder with a new database opened by the data module.
struct TestDatabase
{
    ScratchDir dir;
    std::unique_ptr<TDemoDM> dm;

    TestDatabase();
    ~TestDatabase();
};

// Statements of a test on the data module's database, beside the program's
// own stores: to set rows up by hand and to read what the program wrote.
namespace TestSql {

using Binds = TNamedQuery::Binds;

// Runs one change through the data module (qup); throws AppError on failure.
void exec(const QString &sql, const Binds &binds = {});
// The first column of the first row (invalid when there is none).
QVariant value(const QString &sql, const Binds &binds = {});
// The first column of every row.
QVariantList column(const QString &sql, const Binds &binds = {});
// Every row of the tables, in rowid order, as one text: "table:" and each
// row's values as "v|v|...|;", a line a table.
QString snapshot(const QStringList &tables);

// Every row of a table of db in rowid order, each as "table|v|v|...", a
// value as its type and text ("QString:甲", "double:0.5") or "NULL".
QStringList rows(const QSqlDatabase &db, const QString &table, const QString &columns = QStringLiteral("*"));

// Runs the statements of a file (separated by ";" at a line's end).
// False, with a warning naming the statement, when one fails.
bool runFile(QSqlDatabase &db, const QString &path);

} // namespace TestSql

// Database files of earlier versions of the program, from the statements in
// tests/support/schema: each version's file is made as the program of that
// version made and upgraded it.
namespace OldDatabase {

// The statement file of a version's step (v1.sql: the whole first version)
// or of the rows "rows.sql".
QString fixture(const QString &name);

// Writes a database file of that version at path. With rows, the rows of
// rows.sql go in after version 1 was made, as a file in use has them.
bool write(const QString &path, int version, bool withRows);

} // namespace OldDatabase
