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
#include "print/batchprint.h"

namespace Ui {
class THistoryTab;
}
class TBatchPrinting;
class TFormdyts;
class TGridModel;
class THistoryRows;
class QLabel;

// What the history tab needs from outside; defaults() gives the real ones.
struct THistoryServices
{
    // The date picker: given the field's date, true and the chosen date on OK.
    std::function<bool(const QDate &shown, QDate *chosen)> pickDate;
    // The save dialog of the export: given the preset name, the chosen path
    // ("" when cancelled).
    std::function<QString(const QString &presetName)> chooseSavePath;
    // Writes the export file (see WorkbookExport::Writer).
    WorkbookExport::Writer writeWorkbook;
    // The export's progress (see WorkbookExport::ProgressStep); when unset,
    // a progress box that shows after a second and can cancel.
    WorkbookExport::ProgressStep exportProgress;
    // The range dialog and the engine of batch printing.
    BatchPrintServices printing;

    // The dialogs are children of parent.
    static THistoryServices defaults(QWidget *parent);
};

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

    TFormdyts *rangeDialog() const;
    TGridModel *listModel() const { return m_list; }

    // Showing the tab: the current year, no month, then the query.
    void reload();
    // The query's date range (from, to), as dates are shown.
    void setDateRange(const QDate &from, const QDate &to);

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

    // What the tab needs from outside: the dialogs it opens and the
    // spreadsheet engine. The tab starts with defaults() of its own.
    THistoryServices &services() { return m_services; }
    void setServices(THistoryServices services) { m_services = std::move(services); }

    // "批量打印" (see TBatchPrinting): its range dialog, its state, its
    // progress signals.
    TBatchPrinting *batchPrinting() const { return m_batch; }
    // Closing the main window during a batch asks first and then stops it.
    void stopBatch();

signals:
    // After archiving, before the success message: the current receipts
    // are gone from their table.
    void archived();
    // After the success message of archiving: a new receipt starts.
    void newReceiptRequested();
    // A receipt was restored into the current receipts under the number sjxh.
    void receiptRestored(const QString &sjxh);
    // "收款" on the selected receipt (the list's context menu).
    void collectRequested(const QString &sjxh, const QString &lbmc);

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
    void doExport();
    void doArchive();
    void pickInto(int which);
    void setStatus(const QString &count, const QString &total);
    void showEmptyList();
    // After the receipt of the row left the list's table.
    void removeListedRow(int row);

    Ui::THistoryTab *ui;
    TGridModel *m_list;
    THistoryRows *m_rows;        // the rows of a history result, read as shown
    TBatchPrinting *m_batch;
    THistoryServices m_services;
    QLabel *m_sbPanels[4] = {};
    Receipts::Table m_listTable = Receipts::Table::History;   // the table the list shows
    int m_rowBeforeReset = 0;    // the list's row before its last reset
};
