#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A list (rows of cell texts from A1) in a new workbook of the spreadsheet
// engine: saved as a file, or printed on the default printer as one job.
// A plain decimal number goes in as a number, anything else as text.
namespace RowSheet {

// Saves the rows at path in the format its extension names (.xlsx, .ods,
// .xls). Throws EngineUnavailable / AppError as the engine does.
void save(const QString &path, const QList<QStringList> &rows);

// Prints the rows as one job titled `title`; returns the job's number.
// Throws AppError when there is no default printer.
int print(const QList<QStringList> &rows, const QString &title);

} // namespace RowSheet
