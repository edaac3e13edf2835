#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QEventLoop;
class QWidget;
class ReceiptJob;
class TFormdyts;

// What batch printing needs from outside: the range dialog and the
// spreadsheet engine. defaults() gives the real ones.
struct BatchPrintServices
{
    // Runs the range dialog; returns whether it was accepted.
    std::function<bool(TFormdyts *)> runRangeDialog;
    // Fills the receipt template with the twenty cell texts and saves the
    // filled copy at outputPath; throws AppError when it cannot.
    std::function<void(const QString &outputPath, const QStringList &cells)> fillReceipt;
    // Prints the first sheet of the workbook at path once on the default
    // printer; false (or an AppError with the reason) when it did not print.
    std::function<bool(const QString &path)> printFirstSheet;
    // Starts the one print job of a batch with "合并为一个打印任务"
    // (default: a TemplateReceiptJob); throws like FillReceiptTemplate.
    std::function<std::unique_ptr<ReceiptJob>()> startReceiptJob;

    static BatchPrintServices defaults();
};

// "批量打印": prints the history receipts numbered first to last (pxxh),
// one after another with a pause, or gathered into one print job. The
// screen that starts it shows its progress from the signals.
class TBatchPrinting : public QObject
{
    Q_OBJECT
public:
    // The range dialog is a child of dialogParent.
    explicit TBatchPrinting(QWidget *dialogParent);
    ~TBatchPrinting() override;

    // Created once; keeps the numbers entered last time.
    TFormdyts *rangeDialog() const { return m_formdyts; }

    // Asks for the range and prints it. Closing `window` while the batch
    // runs asks first and then stops it after the receipt in hand. Throws
    // AppError / TextError for an unexpected failure (the caller shows it).
    void doBatch(const BatchPrintServices &services, QWidget *window);

    // The pause after each number of a batch, in milliseconds (3000).
    void setBatchPauseMs(int ms) { m_batchPauseMs = ms; }
    // The numbers of the last batch that had a receipt but did not print
    // (as one job: that could not be filled and were left out of the job).
    QList<qint64> lastBatchFailures() const { return m_batchFailures; }
    // The most receipts one job takes (3000): a larger range is refused
    // before anything is filled.
    void setOneJobLimit(int receipts) { m_oneJobLimit = receipts; }
    static constexpr int kOneJobLimit = 3000;
    // The print job of the last batch sent as one job (0: none was sent).
    int lastBatchJobId() const { return m_batchJobId; }
    bool batchRunning() const { return m_batchRunning; }
    // Ends a running batch after the receipt in hand; the pause is cut short.
    void stopBatch();
    // Whether the last batch ended through stopBatch.
    bool batchStopped() const { return m_batchStop; }

signals:
    // The batch runs (the progress shows) / has ended.
    void batchStarted();
    void batchFinished();
    // The line that says what the batch does ("" clears it).
    void statusText(const QString &text);
    // The progress: value of maximum.
    void progressChanged(int value, int maximum);
    // After every number with whether a receipt of that number was sent to
    // the printer (as one job: put into the job).
    void batchStep(qint64 number, bool printed);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void doBatchOneJob(const BatchPrintServices &services, qint64 firstNo, qint64 lastNo);
    bool openBatchReceipt(qint64 number, QStringList *cells, QString *unreadable = nullptr);
    void setBatchProgress(qint64 done, qint64 span);
    void pause(int ms);

    TFormdyts *m_formdyts;
    int m_batchPauseMs = 3000;
    bool m_batchRunning = false;
    bool m_batchStop = false;
    QEventLoop *m_pauseLoop = nullptr;    // the batch's pause while it waits
    QPointer<QWidget> m_batchWindow;      // the window watched for closing during a batch
    QList<qint64> m_batchFailures;
    QString m_batchFailureReason;  // why the first failed print failed
    int m_batchJobId = 0;
    int m_oneJobLimit = kOneJobLimit;
};
