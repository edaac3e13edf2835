#pragma once

#include <QDate>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <memory>

#include "data/historyquery.h"
#include "data/receiptstore.h"
#include "history/exportworkbook.h"

namespace Ui {
class THistoryTab;
}
class TFormdyts;
class TGridModel;
class QLabel;
class QEventLoop;
class ReceiptJob;

// The third tab, "历史单据查询": finds archived (or deleted) receipts by
// household name, serial number, date range, year and month, numbers the
// listed history receipts 1, 2, 3 ... in pxxh, shows count and total, and
// works on the list: restore a receipt for change, delete it, print a range
// of the numbers, export the list to a spreadsheet file. It also owns the
// archiving of all current receipts (the entry tab's "单据导出到历史表").
class THistoryTab : public QWidget
{
    Q_OBJECT
public:
    explicit THistoryTab(QWidget *parent = nullptr);
    ~THistoryTab() override;

    Ui::THistoryTab *form() const { return ui; }
    TFormdyts *rangeDialog() const { return m_formdyts; }
    TGridModel *listModel() const { return m_list; }

    // Showing the tab: the current year, no month, then the query.
    void reload();

    // Whether a result of a query is on the list (closing the connection
    // closes it; see reopenList).
    bool listShown() const;
    // After the connection was closed and opened again: a list that was
    // shown comes back on the same row. dataReplaced (a restore): the
    // query runs again, numbering the rows of the new data; otherwise the
    // same statement is opened again and the numbers stay as they were.
    void reopenList(bool dataReplaced);

    // Handlers.
    void SpeedButton21Click();   // 查询
    void rbb1Click();            // 历史数据
    void rbb2Click();            // 删除数据
    void SpeedButton5Click();    // 修改/重打印: back to the current receipts
    void SpeedButton23Click();   // 删除一张单据
    void SpeedButton37Click();   // 批量打印
    void SpeedButton29Click();   // 导出Excel
    void SpeedButton20Click();   // 单据导出到历史表 (the button is on the entry tab)
    void BitBtn7Click();         // date picker of Edit17
    void BitBtn8Click();         // date picker of Edit18
    void deleteSelectedRow();    // Ctrl+Delete in DBGrid5

    // The row of DBGrid5 that the operations work on (-1: none).
    int selectedRow() const;

    // What the main window does around the moves (set by the main window).
    // After archiving, before the success message: re-read the list of
    // current receipts and leave "修改保存" disabled.
    std::function<void()> onArchived;
    // After the success message of archiving: start a new receipt.
    std::function<void()> onNewReceipt;
    // After a receipt was restored: show the entry tab, select the current
    // receipt whose number begins with sjxh and load it into the form.
    std::function<void(const QString &sjxh)> onReceiptRestored;

    // Seams for tests and for the parts that talk to the outside.
    // The date picker: given the field's date, true and the chosen date on OK.
    std::function<bool(const QDate &shown, QDate *chosen)> pickDate;
    // The pause after each number of a batch, in milliseconds (3000).
    void setBatchPauseMs(int ms) { m_batchPauseMs = ms; }
    // Runs the range dialog; returns whether it was accepted.
    std::function<bool(TFormdyts *)> runRangeDialog;
    // The save dialog of the export: given the preset name, the chosen path
    // ("" when cancelled).
    std::function<QString(const QString &presetName)> chooseSavePath;
    // The spreadsheet engine as batch printing and export use it.
    // Fills the receipt template with the twenty cell texts and saves the
    // filled copy at outputPath; throws AppError when it cannot.
    std::function<void(const QString &outputPath, const QStringList &cells)> fillReceipt;
    // Prints the first sheet of the workbook at path once on the default
    // printer; false when it did not print.
    std::function<bool(const QString &path)> printFirstSheet;
    // Starts the one print job of a batch with "合并为一个打印任务"
    // (default: a TemplateReceiptJob); throws like FillReceiptTemplate.
    std::function<std::unique_ptr<ReceiptJob>()> startReceiptJob;
    // Writes the export file (see WorkbookExport::Writer).
    WorkbookExport::Writer writeWorkbook;
    // The export's progress (see WorkbookExport::ProgressStep); when unset,
    // a progress box that shows after a second and can cancel.
    WorkbookExport::ProgressStep exportProgress;
    // Called after every number of a batch with the number and whether a
    // receipt with that number was sent to the printer (for watching a batch).
    std::function<void(qint64 number, bool printed)> onBatchStep;

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
    // Closing the main window during a batch asks first and then does this.
    void stopBatch();
    // Whether the last batch ended through stopBatch.
    bool batchStopped() const { return m_batchStop; }

    // The cell texts of a stored receipt, in the order of the receipt cells
    // (A2, E2, M2, B4, G4, J4, K4, L4, M4, N4, B5, G5, J5, K5, L5, M5, N5,
    // B6, B7, K7), read from the current row of a query of a receipt table.
    static QStringList storedReceiptCells(const std::function<QVariant(const QString &)> &field);
    static QStringList storedReceiptCells(const ReceiptRow &row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The conditions of the query fields; a date that is not a date throws
    // before anything runs.
    HistoryQuery::Filter filter(bool history) const;
    void doQuery();
    void doRestore();
    void doDelete();
    void doBatch();
    void doBatchOneJob(qint64 firstNo, qint64 lastNo);
    bool openBatchReceipt(qint64 number, QStringList *cells, QString *unreadable = nullptr);
    void setBatchProgress(qint64 done, qint64 span);
    void doExport();
    void doArchive();
    void pickInto(int which);
    void setStatus(const QString &count, const QString &total);
    void showEmptyList();
    void pause(int ms);

    Ui::THistoryTab *ui;
    TGridModel *m_list;
    TFormdyts *m_formdyts;
    QLabel *m_sbPanels[4] = {};
    Receipts::Table m_listTable = Receipts::Table::History;   // the table the list shows
    int m_rowBeforeReset = 0;    // the list's row before its last reset
    int m_batchPauseMs = 3000;
    bool m_batchRunning = false;
    bool m_batchStop = false;
    QEventLoop *m_pauseLoop = nullptr;   // the batch's pause while it waits
    QWidget *m_batchWindow = nullptr;    // the window watched for closing during a batch
    QList<qint64> m_batchFailures;
    QString m_batchFailureReason;  // why the first failed print failed
    int m_batchJobId = 0;
    int m_oneJobLimit = kOneJobLimit;
};
