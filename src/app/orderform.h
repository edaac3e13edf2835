#pragma once

#include <QWidget>

namespace Ui {
class TOrderForm;
}
class TEntryTab;
class TBaseDataTab;
class THistoryTab;
class THelpTab;
class TBillingTab;
class TCollectionTab;
class TCurrentReceipts;
class TReceiptPrinting;
struct ReceiptPrintData;
struct ReceiptPrintResult;

// The main window: its tab pages, in this order: receipt entry and
// printing, base data, history, help and backup, the month's billing and
// the collection. It owns the pages and
// runs the start-up sequence when it is first shown.
class TOrderForm : public QWidget
{
    Q_OBJECT
public:
    explicit TOrderForm(QWidget *parent = nullptr);
    ~TOrderForm() override;

    static inline const QString kProductTitle = QStringLiteral("mtrfee 物业水电费收据管理系统");

    TEntryTab *entryTab() const { return m_entry; }
    TBaseDataTab *baseDataTab() const { return m_baseData; }
    THistoryTab *historyTab() const { return m_history; }
    THelpTab *helpTab() const { return m_help; }
    TBillingTab *billingTab() const { return m_billing; }
    TCollectionTab *collectionTab() const { return m_collection; }
    TCurrentReceipts *currentReceipts() const { return m_receipts; }
    TReceiptPrinting *receiptPrinting() const { return m_printing; }

    // "单据打印预览" and "real_prt" of the entry tab: the receipt as the
    // fields show it goes through the template workbook. The print returns
    // whether the receipt went to the printer.
    void previewReceipt();
    bool printReceipt();

    // "收款" on a receipt (from the current list, the history list or the
    // collection tab): the payment with the entry tab's payee, the receipt
    // printed as the entry tab prints, then every list that shows it read
    // again. Returns whether the payment was recorded.
    bool collectPayment(const QString &sjxh, const QString &lbmc);

    // The start-up sequence; runs once, queued from the first show.
    void FormShow();
    bool startupDone() const { return m_startupDone; }

    void bringToFront();

    // Another tab came to the front: it reloads its lists.
    void PageControl1Change(int index);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void runStartupSteps();
    void FormClose();
    void endProgram();
    void afterPrinting(const ReceiptPrintData &data, const ReceiptPrintResult &result);
    // A receipt restored from the history under the number sjxh: the entry
    // tab comes to the front, selects it in the list and loads it.
    void showRestoredReceipt(const QString &sjxh);

    Ui::TOrderForm *ui;
    TEntryTab *m_entry = nullptr;
    TBaseDataTab *m_baseData = nullptr;
    THistoryTab *m_history = nullptr;
    THelpTab *m_help = nullptr;
    TBillingTab *m_billing = nullptr;
    TCollectionTab *m_collection = nullptr;
    TCurrentReceipts *m_receipts = nullptr;
    TReceiptPrinting *m_printing = nullptr;
    bool m_shownOnce = false;
    bool m_startupDone = false;
};
