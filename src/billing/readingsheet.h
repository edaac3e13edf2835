#pragma once

#include "data/billingcheck.h"
#include "data/billingstore.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The reading sheet (抄表单): the rows written for the meter readers, and
// reading a filled one back. Pure functions; the spreadsheet engine reads
// and writes the files.
namespace ReadingSheet {

// The columns of a sheet, in the order they are written.
enum Column { Community, Number, Name, LastElectricity, LastWater, ThisElectricity, ThisWater, ColumnCount };

// The headings written, one per column.
const QStringList &headings();

// Title row, headings row and one row per household; this month's columns
// empty.
QList<QStringList> sheetRows(const QList<Billing::SheetHousehold> &households, const QString &title);

// The column (from 0) of each field in a filled sheet, -1 when missing.
struct ColumnMap
{
    int column[ColumnCount] = {-1, -1, -1, -1, -1, -1, -1};
    int headingRow = -1;   // the row (from 0) the headings were found in
};

// Finds the headings among the first rows of the sheet: a heading is
// recognised by its words (户名/姓名, 户号, 社区/小区, 本月/上月 with
// 电/水); the first row naming the household is the headings row.
ColumnMap recognise(const QList<QStringList> &cells);

// The fields an import needs that the map lacks (name and this month's two
// readings), as their headings.
QStringList missingFields(const ColumnMap &map);
bool isRequired(Column column);

// The rows after the headings as sheet rows; blank rows are left out.
QList<Billing::SheetRow> rowsOf(const QList<QStringList> &cells, const ColumnMap &map);

// A comma-separated file as cells: UTF-8 (with or without its mark), else
// GBK as spreadsheet programs here save it; quoted fields with commas,
// doubled quotes and line breaks.
QList<QStringList> parseCsv(const QByteArray &data);

} // namespace ReadingSheet
