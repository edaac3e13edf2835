#pragma once

#include "data/receiptrow.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <variant>

class QSqlRecord;

// The columns of the receipt tables, declared once: the statements that
// write and read a receipt are built from this list, and the entry form
// finds the column each of its fields shows here.
namespace ReceiptColumns {

enum class Type {
    Integer,
    Real,
    Money,   // a real that keeps four decimals (TDemoDM::money)
    Text,
};

enum Use : unsigned {
    Key = 0x1,         // given by the database; never written
    Updatable = 0x2,   // rewritten when a stored receipt is changed
    ExactText = 0x4,   // text compared as it stands (dates); other text
                       // compares without regard to letter case
};

using Member = std::variant<qint64 ReceiptRow::*, double ReceiptRow::*, QString ReceiptRow::*>;

struct Column
{
    QString name;    // as the tables spell it
    Type type;
    Member member;
    QString field;   // the entry form's field that shows it ("" for none)
    unsigned use = 0;
};

// Every column, in the tables' order.
const QList<Column> &all();
// The column of that name (case-insensitive), or nullptr.
const Column *find(const QString &name);

QStringList names();
// "INTEGER", "REAL" or "TEXT": the type the schema gives the column.
QString sqlType(Type type);

// The column as a table declares it: "name TYPE", the key with
// "PRIMARY KEY AUTOINCREMENT", text with "COLLATE NOCASE" unless ExactText.
QString definition(const Column &column);
// "CREATE TABLE <table> (every column's definition)": the three receipt
// tables are made with it.
QString createStatement(const QString &table);

// The column's value in the row.
QVariant value(const ReceiptRow &row, const Column &column);
// The value as a statement binds it: money keeps four decimals.
QVariant boundValue(const ReceiptRow &row, const Column &column);
// Stores a value read from the database (NULL: the type's zero) in the row.
void setValue(ReceiptRow &row, const Column &column, const QVariant &value);

// "insert into <table>(every column but the key) values(:column, ...)".
QString insertStatement(const QString &table);
// "update <table> set column= :column, ... where sjxh= :key_sjxh and
// lbmc= :key_lbmc" over the updatable columns.
QString updateStatement(const QString &table);

} // namespace ReceiptColumns
