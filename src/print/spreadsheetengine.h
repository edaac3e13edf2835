#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "common/apperror.h"

// The spreadsheet application the program prints and exports through:
// LibreOffice, run once per program as a hidden process with its own
// profile and driven over a pipe. Every call runs on the user-interface
// thread and blocks until the application answers.
//
// A call throws EngineUnavailable when the application cannot be started or
// reached in time (the caller shows "请确认您已安装Excel"), and AppError for
// any other failure (a file that cannot be opened or written).
//
// Every call to the application has a time limit: an application that does
// not answer within it (stopped, hung) is ended, started afresh in the
// background, and the call throws EngineNotAnswering.
//
// The application's profile, its temporary files and everything else it is
// given live in a folder only the user can enter (under $XDG_RUNTIME_DIR, or
// else the user's cache folder); files it writes are readable by the user
// only.

class EngineUnavailable : public AppError
{
public:
    using AppError::AppError;
};

class EngineNotAnswering : public EngineUnavailable
{
public:
    using EngineUnavailable::EngineUnavailable;
};

// One workbook open in the engine (hidden). Closed when destroyed.
class SpreadsheetWorkbook
{
public:
    ~SpreadsheetWorkbook();
    SpreadsheetWorkbook(const SpreadsheetWorkbook &) = delete;
    SpreadsheetWorkbook &operator=(const SpreadsheetWorkbook &) = delete;

    // Writes text into a cell of the first worksheet (row and column count
    // from 1). A plain decimal number goes in as a number, so the cell's
    // number format applies; everything else as text, never as a formula.
    void setCellText(int row, int column, const QString &text);
    // The text the cell shows, as formatted by the workbook.
    QString cellText(int row, int column) const;
    // Whether the cell holds a number (false for text and empty cells).
    bool cellIsNumber(int row, int column) const;

    // Saves a copy at path in the format its extension names (.xls, .xlsx,
    // .ods); an existing file is replaced. The opened file stays unchanged.
    // The copy is readable and writable by its owner only.
    void saveAs(const QString &path);
    // Writes the first worksheet as a PDF file at path (owner only, too).
    void exportFirstSheetPdf(const QString &path);

    // Worksheets by number, from 1.
    int sheetCount() const;
    // Adds a copy of worksheet `sheet` (formats, page setup and all) after
    // the last one and returns its number.
    int addSheetCopy(int sheet);
    void removeSheet(int sheet);
    // One cell write of setCellTexts.
    struct CellWrite
    {
        int row;      // from 1
        int column;   // from 1
        QString text;
    };
    // Writes the cells into worksheet `sheet` in one call to the
    // application, each as setCellText would.
    void setCellTexts(int sheet, const QList<CellWrite> &cells);
    // Writes every worksheet as one PDF file at path (owner only), each
    // starting on a page of its own. The call may take timeoutMs (-1: the
    // usual time limit).
    void exportPdf(const QString &path, int timeoutMs = -1);

    // Writes the rows into worksheet `sheet` from row `firstRow` (from 1),
    // column A on, in one call: a plain decimal number as a number, anything
    // else as text (never as a formula); short rows are padded with empty
    // cells.
    void setRows(int sheet, int firstRow, const QList<QStringList> &rows);
    // The texts of the used area of worksheet `sheet`, row by row from A1:
    // numbers in the general form (52.2, 1500), text as it stands, empty
    // cells as "". One call to the application.
    QList<QStringList> sheetTexts(int sheet) const;

    void close();

private:
    friend class SpreadsheetEngine;
    struct Impl;
    explicit SpreadsheetWorkbook(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

class SpreadsheetEngine
{
public:
    // Starts the application in the background; called once at program
    // start so the first preview does not wait for it. Never blocks.
    static void startInBackground();
    // Ends the application at once (also done when the QCoreApplication
    // goes) and removes what this run made: its temporary files, its pipe
    // and, when it had one of its own, its profile.
    static void shutdown();

    // Opens the workbook at path, hidden. Starts the application when it is
    // not running, and starts it once more when it has died. Throws AppError
    // when the file is not a spreadsheet with at least one worksheet (an
    // empty file, or one the application would only read as text).
    static std::unique_ptr<SpreadsheetWorkbook> open(const QString &path);
    // A new, empty workbook of one worksheet (hidden), to be filled and saved
    // with saveAs.
    static std::unique_ptr<SpreadsheetWorkbook> createBlank();

    // Whether the application is up and answering (starts it if needed).
    static bool isAvailable();

    // For tests and odd installations: the program started as the
    // application ("" = the installed soffice), and how long a start may
    // take before the application counts as missing.
    static void setProgramPath(const QString &path);
    static QString programPath();
    static void setStartTimeoutMs(int ms);
    // How long one call may take before the application counts as not
    // answering (default 15 s).
    static void setCallTimeoutMs(int ms);
    static int callTimeoutMs();
    // The process id of the running application, or 0.
    static qint64 processId();
    // The private folder the application's files live in. Throws
    // EngineUnavailable when no safe folder can be had.
    static QString workFolder();
    // The folder of this run inside it ("" before the first start).
    static QString runFolder();
};

// The message shown when the spreadsheet application cannot be used.
inline const QString kEngineMissingMessage = QStringLiteral("请确认您已安装Excel");
// The message of a call that ran out of time (%1: seconds).
inline const QString kEngineNotAnsweringMessage =
    QStringLiteral("表格程序%1秒内没有响应，已将其结束并重新启动；本次操作没有完成，请再试一次。");
