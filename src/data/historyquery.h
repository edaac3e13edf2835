#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

class TDemoDM;
class TNamedQuery;

// The queries of the history tab: the list of the archived (or deleted)
// receipts that meet the operator's conditions, its count and total, and
// the list as the export writes it. Every step throws AppError when a
// statement fails.
namespace HistoryQuery {

// The operator's conditions; an empty one does not restrict.
struct Filter
{
    bool history = true;     // the archived receipts; false: the deleted ones
    QString namePrefix;      // the household name begins with it
    QString serial;          // the serial number is exactly it
    QDateTime from, to;      // the date lies in [from, to] (invalid: open)
    QString year, month;     // billing year and month (the archived receipts only)
};

// The table the filter lists.
QString table(const Filter &filter);

// The filter's conditions as one expression with named parameters, and
// the values they are bound to.
struct Condition
{
    QString sql;
    QList<QPair<QString, QVariant>> binds;
};
Condition condition(const Filter &filter);

// The order of the list (and of its numbers).
inline const QString kListOrder = QStringLiteral("nf,yf,sjxh,iid");


// The listed history receipts numbered first to last (see openList), in
// the order of their numbers: each row's number and values by column.
// Only rows the filter still lists count, so a receipt archived since
// the query with a number of its own is not mistaken for a listed one.
struct NumberedRows
{
    QStringList names;          // the columns
    QList<qint64> numbers;      // of each row, ascending
    QList<QList<QVariant>> rows;
};
NumberedRows numberedRows(const Filter &filter, qint64 first, qint64 last);

struct Totals
{
    qint64 count = 0;
    double total = 0;
};
// The count and total of the list's result, in one statement.
Totals totals(TDemoDM &dm, const Filter &filter);

// Opens the list into `list`, in list order. For the archived receipts the
// k-th receipt of the result gets the number k and every other one 0 first
// (a result without rows changes no number). Returns whether the list has
// rows; without rows the list is closed. The result's count and total come
// back in `totals` (when given).
bool openList(TDemoDM &dm, TNamedQuery &list, const Filter &filter, Totals *totals = nullptr);

// Opens the export's rows into `query`: the archived receipts that meet
// the filter (year and month apply whatever the filter's table), with the
// export's titles, in the order of year, month and household.
void openExport(TNamedQuery &query, const Filter &filter);

// The statement of an opened query run once more, forward only: the rows
// are read as they are asked for and not kept.
class ForwardRows
{
public:
    explicit ForwardRows(const TNamedQuery &query);
    // The number of rows of the result, counted before the first is read.
    qint64 count() const { return m_count; }
    // Each column's name.
    QStringList names() const;
    // The next row's values; false after the last row.
    bool next(QVariantList *row);

private:
    QSqlQuery m_query;
    qint64 m_count = 0;
    int m_columns = 0;
};

} // namespace HistoryQuery
