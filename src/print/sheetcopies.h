#pragma once

#include "print/spreadsheetengine.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>

// Sends a PDF file made for the occasion to the default printer as one job
// and returns the job's number: checks first that there is a default
// printer, then lets `write` make the file (named pdfName, in a temporary
// folder that goes afterwards). Throws AppError.
int PrintPdfMadeBy(const QString &title, const QString &pdfName, const std::function<void(const QString &pdfPath)> &write);

// A workbook of copies of a template's first worksheet, one filled copy per
// item, that goes out as one PDF file or one print job. The template's own
// sheet stays untouched until the job is exported and is not part of it.
class SheetCopies
{
public:
    // The texts of one kind of job.
    struct Texts
    {
        QString missingTemplate;   // "%1": the template's path
        QString closed;            // an item added after the export
        QString empty;             // an export without items
        QString pdfName;           // the file name of the print job's PDF
    };

    // Opens the template. Throws AppError when it is missing or not a
    // workbook, EngineUnavailable when there is no spreadsheet engine.
    SheetCopies(const QString &templatePath, Texts texts);
    ~SheetCopies();

    // Adds one item: a copy of the form with the cells written. Throws
    // AppError when it cannot be filled (the copy is then dropped, so that a
    // half-filled form is never printed), EngineUnavailable when the engine
    // is gone.
    void add(const QList<SpreadsheetWorkbook::CellWrite> &writes);
    int count() const { return m_count; }
    // Writes every item as one PDF file at path; ends the job.
    void exportPdf(const QString &path);
    // Sends every item to the default printer as one job and returns its
    // number (0, and nothing sent, when the job is empty); ends the job.
    int print(const QString &title);

private:
    std::unique_ptr<SpreadsheetWorkbook> m_book;
    Texts m_texts;
    int m_count = 0;
    bool m_exported = false;
};
