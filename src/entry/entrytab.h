#pragma once

#include "common/screenkeys.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "print/receiptprint.h"

namespace Ui {
class TEntryTab;
}
class TEntryField;
class TNamedQuery;
class QDate;
class TReceiptFields;
class QKeyEvent;
class QInputMethodEvent;

// The first tab, "单据录入打印": the receipt being written, the payee and
// meter-reader selectors, the action buttons and the list of current
// receipts. The receipt has no record in memory: every value is the text of
// its field, and derived values are written back into their fields as the
// operator types.
//
// Every handler below is public so that the start-up sequence, the save,
// load and print operations can run them. Called from outside a running
// handler, a handler shows its own error box; called from inside one (for
// instance the total computation inside a save), it throws the AppError on
// so that the caller stops too.
class TEntryTab : public QWidget
{
    Q_OBJECT
public:
    explicit TEntryTab(QWidget *parent = nullptr);
    ~TEntryTab() override;

    // Set when the household picker edit41 receives the focus; cleared by
    // every reset of the form. A pick fills the form only while it is set.
    bool householdPickerActive() const { return m_householdPickerActive; }
    void setHouseholdPickerActive(bool active) { m_householdPickerActive = active; }

    // The payee chosen becomes the remembered one.
    void cbskrChange();

    // "计算总金额": recomputes every usage, amount and the total.
    void BitBtn2Click();

    // Focus handlers.
    void Edit1Enter();
    void Edit1Exit();
    void BitBtn1Click();       // ">>>": the date picker
    void edit41Enter();
    void edit41Exit();         // remembered other fees and rent
    void Edit20Enter();        // previous readings
    void cbyfExit();           // month check
    void Edit27Exit();
    void Edit32Exit();
    void Edit29Enter();
    void Edit30Enter();

    // A key typed into the household picker; Enter runs the search.
    void edit41KeyPress(QChar &key);
    // The household search of the picker (Enter in edit41).
    void HouseholdSearch();

    // The picker lists back on all households and all communities (after a
    // save, and when the tab becomes active again).
    void ReopenPickerLists();

    // The start of the program (the frame runs these in this order, each
    // field's change rules running as the field is set):
    // the readings, prices and amounts the form starts from, and the title;
    void resetStartFields(const QString &title);
    // the receipt category;
    void setCategory(const QString &category);
    // the payees and meter readers to choose from, and the ones remembered;
    void setEmployees(const QStringList &payees, const QStringList &readers,
                      const QString &payee, const QString &reader);
    // the receipt's date;
    void setReceiptDate(const QDate &date);
    // no household, no community, no amount in words;
    void clearPickers();
    // the unit prices last used.
    void setUnitPrices(const QString &electricity, const QString &water);

    // The billing year and month ("01" .. "12").
    void setBillingPeriod(int year, int month);
    // Offers the next free receipt number of the category (nothing is written).
    void showNextSerial(const QString &category);
    // The payment state of the receipt ("已付款").
    void setPaymentState(const QString &state);

    // The field texts that printing reads, as they stand.
    ReceiptPrintData printData() const;
    // Sets the hidden area field (its change rules run).
    void setAreaText(const QString &area);
    // Gives the focus to the field of that object name ("" or unknown: none).
    void focusField(const QString &name);

    // Selects the row of the list of current receipts (-1: it stays where
    // it is) and gives the list the focus.
    void selectListedReceipt(int row);

    // The field that Enter moves to from `field` (nullptr when none).
    QWidget *enterTarget(QWidget *field) const;
    // Whether the numeric key filter applies to `field`.
    bool isFiltered(QWidget *field) const;

signals:
    // "单据打印预览", "real_prt", "单据导出到历史表": done by printing and
    // the history.
    void previewRequested();
    void printRequested();
    void archiveRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The list of current receipts and the saves work on the controls.
    friend class TCurrentReceipts;

    void wireFields();
    void wirePicker();
    void fieldEntered(QWidget *field);
    void fieldExited(QWidget *field);
    bool fieldKeyPress(QWidget *field, QKeyEvent *event);
    bool filterCommittedText(QWidget *field, QInputMethodEvent *event);
    void runPick(int row);
    void afterPickerClosed();

    // Handler bodies (throw AppError; the public wrappers run them).
    void doZeroFill(const QList<TEntryField *> &set);
    void usageFromReadings(TEntryField *usage, TEntryField *thisMonth, TEntryField *lastMonth);
    void usageWithLoss(TEntryField *usage, TEntryField *thisMonth, TEntryField *lastMonth, TEntryField *loss);
    void amountOf(TEntryField *amount, TEntryField *price, TEntryField *usage);
    void totalOfAmounts();
    void doTotalComputation();
    void doPreviousReadings();
    void doRememberedFees();
    void doHouseholdSearch();

    Ui::TEntryTab *ui;
    std::unique_ptr<const TReceiptFields> m_fields;   // the receipt's fields, for what printing reads
    QList<TEntryField *> m_setR;
    QList<TEntryField *> m_setRL;
    QList<TEntryField *> m_setRLF;
    QHash<TEntryField *, std::function<void()>> m_bodies;
    TEnterChain m_enterChain{Qt::TabFocusReason};
    QList<QWidget *> m_filtered;
    TFocusHighlight *m_highlight = new TFocusHighlight(this);
    QPointer<QWidget> m_current;   // the field whose enter handler ran last
    bool m_householdPickerActive = false;
};
