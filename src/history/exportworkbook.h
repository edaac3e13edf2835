#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

class TNamedQuery;
class QWidget;

// Writing a query's rows into a spreadsheet file.
namespace WorkbookExport {

// One row of cells: numbers (double, qlonglong) become number cells,
// everything else text cells.
using Row = QVariantList;

// Writes the rows (the first one the titles) into a new workbook at path,
// in the format its extension names (.xls, .xlsx, .ods). Throws
// EngineUnavailable when there is no spreadsheet engine, AppError when the
// file could not be written completely.
using Writer = std::function<void(const QString &path, const QList<Row> &rows)>;

// The rows as a flat OpenDocument spreadsheet (one sheet), which the
// engine turns into the format asked for.
QByteArray flatSpreadsheet(const QList<Row> &rows);

// A cell as the export shows it: numbers in the general form, without grouping.
QString cellText(const QVariant &value);

// The save dialog: given the preset file name, the chosen path or "" when
// cancelled.
using SavePathChooser = std::function<QString(const QString &presetName)>;

enum class Result {
    Written,      // the file is complete at its path
    Cancelled,    // the save dialog was cancelled
    Declined,     // the operator chose not to replace an existing file
    NotOpen,      // the query was not open: nothing to export
    NoEngine,     // no spreadsheet engine: nothing written, an existing file untouched
    Failed,       // the file could not be written; an existing file is untouched
};

// The real save dialog.
SavePathChooser fileDialog(QWidget *parent);

// The path the export writes to: ".xls" added when the path has no dot.
// A path whose extension is not one of the three formats gets .xls content.
QString completedPath(const QString &chosen);

// The titles (each field's name) and one row per record, from the first
// record on.
QList<Row> queryRows(TNamedQuery &query);

// Asks for the path (preset to the title), asks before replacing a file,
// writes the query's rows through the writer and shows the messages of a
// failure. An existing file is replaced only by a completely written one.
Result ExportQueryToWorkbook(TNamedQuery &query, const QString &title, const SavePathChooser &choosePath,
                             const Writer &writer);

} // namespace WorkbookExport
