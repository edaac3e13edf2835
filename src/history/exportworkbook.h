#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

#include "common/apperror.h"

class TNamedQuery;
class QWidget;

// Writing a query's rows into a spreadsheet file.
namespace WorkbookExport {

// One row of cells: numbers (double, qlonglong) become number cells,
// everything else text cells.
using Row = QVariantList;

// Thrown out of RowSource::next when the operator cancelled the export.
class ExportCancelled : public AppError
{
public:
    ExportCancelled() : AppError(QStringLiteral("导出已取消")) {}
};

// The rows of an export, handed over block by block, so that no more than a
// block is held at a time however long the result is.
class RowSource
{
public:
    virtual ~RowSource() = default;
    // The titles: each field's name.
    virtual Row titles() const = 0;
    // The number of records (rows after the titles).
    virtual qint64 count() const = 0;
    // Up to `max` further records; empty when all were handed over. Throws
    // ExportCancelled when the operator cancelled.
    virtual QList<Row> next(int max) = 0;
};

// Writes the titles and every record of the source into a new workbook at
// path, in the format its extension names (.xls, .xlsx, .ods). Throws
// EngineUnavailable when there is no spreadsheet engine, AppError when the
// file could not be written completely, ExportCancelled when the operator
// cancelled.
using Writer = std::function<void(const QString &path, RowSource &rows)>;

// The rows of one block in a writer's hands.
constexpr int kBlockRows = 2000;

// A flat OpenDocument spreadsheet (one sheet), which the engine turns into
// the format asked for, in three pieces: the head, any number of blocks of
// rows, the foot.
QByteArray flatSpreadsheetHead();
QByteArray flatSpreadsheetRows(const QList<Row> &rows);
QByteArray flatSpreadsheetFoot();
inline QByteArray flatSpreadsheet(const QList<Row> &rows)
{
    return flatSpreadsheetHead() + flatSpreadsheetRows(rows) + flatSpreadsheetFoot();
}

// The most rows (the titles' row included) one sheet of the format the
// path's extension names can hold: 65,536 for .xls, 1,048,576 for .xlsx
// and .ods.
qint64 formatRowLimit(const QString &path);

// The message for a result of `records` rows that the path's format cannot
// hold, naming the formats that can ("" when the format holds it).
QString tooLargeMessage(const QString &path, qint64 records);

// Progress of an export: called after every block with the records handed
// over so far and their number; returns false when the operator cancelled.
using ProgressStep = std::function<bool(qint64 done, qint64 total)>;

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
    TooLarge,     // more rows than the format holds: nothing written
    Stopped,      // the operator cancelled during the export: nothing written
};

// The real save dialog.
SavePathChooser fileDialog(QWidget *parent);

// The path the export writes to: ".xls" added when the path has no dot.
// A path whose extension is not one of the three formats gets .xls content.
QString completedPath(const QString &chosen);

// The titles (each field's name) and every record of the query's
// statement, read afresh from the first record on and forward only.
std::unique_ptr<RowSource> queryRows(TNamedQuery &query, const ProgressStep &progress = {});

// Asks for the path (preset to the title), refuses a result larger than the
// path's format holds before anything is written, asks before replacing a
// file, writes the query's rows through the writer and shows the messages
// of a failure. An existing file is replaced only by a completely written
// one. Progress goes to `progress`, or, when none is given, to a progress
// box that shows for an export of more than a second and can cancel it; a
// cancelled export leaves no file.
Result ExportQueryToWorkbook(TNamedQuery &query, const QString &title, const SavePathChooser &choosePath,
                             const Writer &writer, const ProgressStep &progress = {});

} // namespace WorkbookExport
