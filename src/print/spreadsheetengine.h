#pragma once

#include <QString>
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

class EngineUnavailable : public AppError
{
public:
    using AppError::AppError;
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
    void saveAs(const QString &path);
    // Writes the first worksheet as a PDF file at path.
    void exportFirstSheetPdf(const QString &path);

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
    // Ends the application (also done when the QCoreApplication goes).
    static void shutdown();

    // Opens the workbook at path, hidden. Starts the application when it is
    // not running, and starts it once more when it has died.
    static std::unique_ptr<SpreadsheetWorkbook> open(const QString &path);

    // Whether the application is up and answering (starts it if needed).
    static bool isAvailable();

    // For tests and odd installations: the program started as the
    // application ("" = the installed soffice), and how long a start may
    // take before the application counts as missing.
    static void setProgramPath(const QString &path);
    static QString programPath();
    static void setStartTimeoutMs(int ms);
    // The process id of the running application, or 0.
    static qint64 processId();
};

// The message shown when the spreadsheet application cannot be used.
inline const QString kEngineMissingMessage = QStringLiteral("请确认您已安装Excel");
