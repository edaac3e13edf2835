#pragma once

#include <QStringList>
#include <memory>

class QTemporaryDir;
class SheetCopies;

// Receipts gathered into one print job: each receipt is written into a copy
// of the template's first worksheet, all copies in one workbook, which goes
// to the engine's PDF export once and to the default printer as one job.
class ReceiptJob
{
public:
    virtual ~ReceiptJob() = default;
    // Adds one receipt (the twenty cell texts). Throws AppError when it
    // cannot be filled; the receipt is then not in the job and the job can
    // go on. Throws EngineUnavailable when the engine is gone (the job is
    // then lost).
    virtual void add(const QStringList &cells) = 0;
    // The receipts in the job.
    virtual int count() const = 0;
    // Lays every receipt of the job out as the document that is sent: one
    // long engine call that cannot be broken off, so a stop asked for while
    // it runs is seen after it. Ends the job: nothing can be added
    // afterwards. Does nothing when the job is empty.
    virtual void render() = 0;
    // Sends the rendered document to the default printer as one job and
    // returns its number; nothing is sent when the job is empty or was not
    // rendered (returns 0).
    virtual int send(const QString &title) = 0;
};

// The job on the spreadsheet engine and the template "收据模板.xls" of the
// program folder.
class TemplateReceiptJob : public ReceiptJob
{
public:
    // Opens the template. Throws like FillReceiptTemplate.
    TemplateReceiptJob();
    ~TemplateReceiptJob() override;

    void add(const QStringList &cells) override;
    int count() const override;
    // Into a PDF file of a folder of its own, kept until the job goes.
    // Throws AppError without a default printer (before the engine works).
    void render() override;
    int send(const QString &title) override;
    // Writes the receipts as one PDF file at path, a page per receipt (as
    // the template sets its first sheet out). Ends the job: nothing can be
    // added afterwards.
    void exportPdf(const QString &path);

private:
    std::unique_ptr<SheetCopies> m_copies;
    std::unique_ptr<QTemporaryDir> m_dir;   // holds the rendered PDF
    QString m_pdf;                          // "" until rendered
};
