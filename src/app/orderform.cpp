#include "app/orderform.h"
#include "ui_orderform.h"

#include "backup/helptab.h"
#include "billing/billingtab.h"
#include "collection/collect.h"
#include "collection/collectiontab.h"
#include "basedata/basedatatab.h"
#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/gridmodel.h"
#include "data/community.h"
#include "data/demodm.h"
#include "data/employeestore.h"
#include "entry/currentreceipts.h"
#include "entry/entrytab.h"
#include "history/historytab.h"
#include "login/formdl.h"
#include "settings/global.h"
#include "app/startup.h"
#include "print/receiptpreview.h"
#include "print/receiptprint.h"
#include "data/schema.h"
#include "entry/entryfield.h"
#include "text/datetext.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

TOrderForm::TOrderForm(QWidget *parent) : QWidget(parent), ui(new Ui::TOrderForm)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("OrderForm"));

    m_entry = new TEntryTab(ui->TabSheet1);
    ui->TabSheet1Layout->addWidget(m_entry);
    m_receipts = new TCurrentReceipts(m_entry, this);
    m_baseData = new TBaseDataTab(ui->TabSheet2);
    ui->TabSheet2Layout->addWidget(m_baseData);
    m_history = new THistoryTab(ui->TabSheet3);
    ui->TabSheet3Layout->addWidget(m_history);
    m_help = new THelpTab(ui->TabSheet4);
    ui->TabSheet4Layout->addWidget(m_help);
    // The month's billing comes last, so the other pages keep their places.
    m_billing = new TBillingTab;
    ui->PageControl1->addTab(m_billing, QStringLiteral("抄表计费"));
    connect(m_billing, &TBillingTab::billsStored, this, [this] {
        TFieldEvents::run([this] {
            m_receipts->OpenCurrentReceipts();
            m_collection->reload();
            // A new receipt on the entry form is offered the next free number.
            if (!m_receipts->loadedMode())
                m_entry->showNextSerial(Schema::kReceiptCategory);
        });
    });
    m_collection = new TCollectionTab;
    ui->PageControl1->addTab(m_collection, QStringLiteral("收费管理"));
    ui->PageControl1->setCurrentIndex(0);

    m_printing = new TReceiptPrinting(this);

    // "收款" from each list that shows receipts.
    const auto collect = [this](const QString &sjxh, const QString &lbmc) { collectPayment(sjxh, lbmc); };
    connect(m_receipts, &TCurrentReceipts::collectRequested, this, collect);
    connect(m_history, &THistoryTab::collectRequested, this, collect);
    connect(m_collection, &TCollectionTab::collectRequested, this, collect);

    // The entry tab's preview and print, and the print that a new save runs
    // when direct printing is on.
    connect(m_entry, &TEntryTab::previewRequested, this, &TOrderForm::previewReceipt);
    connect(m_entry, &TEntryTab::printRequested, this, &TOrderForm::printReceipt);
    m_receipts->setServices({.printReceipt = [this] { return printReceipt(); }});
    // Archiving is started by the entry tab's "单据导出到历史表"; it empties the
    // list of current receipts and starts a new receipt. A restored receipt
    // is loaded into the entry form.
    connect(m_entry, &TEntryTab::archiveRequested, m_history, &THistoryTab::SpeedButton20Click);
    connect(m_history, &THistoryTab::archived, this, [this] {
        TFieldEvents::run([this] {
            m_receipts->OpenCurrentReceipts();
            m_receipts->setLoadedMode(false);
        });
    });
    connect(m_history, &THistoryTab::newReceiptRequested, this,
            [this] { TFieldEvents::run([this] { m_receipts->SpeedButton10Click(); }); });
    connect(m_history, &THistoryTab::receiptRestored, this, &TOrderForm::showRestoredReceipt);
    connect(ui->PageControl1, &QTabWidget::currentChanged, this, &TOrderForm::PageControl1Change);
    connect(m_help->templateButton(), &QPushButton::clicked, m_printing, &TReceiptPrinting::SpeedButton35Click);
    // A backup or restore closes the connection and every list with it: the
    // lists that were open come back.
    connect(m_help, &THelpTab::databaseReconnected, this, [this](bool dataReplaced) {
        TFieldEvents::run([this, dataReplaced] {
            m_entry->ReopenPickerLists();
            m_receipts->OpenCurrentReceipts();
            if (m_startupDone)
                m_baseData->reload();
            m_history->reopenList(dataReplaced);
        });
    });
    // A restored backup replaces every row: the entry tab starts afresh on it.
    connect(m_help, &THelpTab::restored, this, [this] {
        TFieldEvents::run([this] {
            m_entry->ReopenPickerLists();
            m_receipts->OpenCurrentReceipts();
            m_receipts->SpeedButton10Click();
        });
    });

    FormCreate();
}

TOrderForm::~TOrderForm()
{
    try {
        m_printing->FormDestroy();
    } catch (...) {
    }
    delete ui;
}

void TOrderForm::previewReceipt()
{
    TFieldEvents::run([this] {
        m_entry->setAreaText(kCommunity);
        // The category is remembered before the checks, the payee and the
        // meter reader once they passed.
        ReceiptPrintData data = m_entry->printData();
        Global().strsjlx = data.cblb;
        const ReceiptPrintResult result = m_printing->SpeedButton9Click(data, [this] {
            m_entry->BitBtn2Click();
            return m_entry->printData();
        });
        afterPrinting(data, result);
    });
}

bool TOrderForm::printReceipt()
{
    bool done = false;
    TFieldEvents::run([this, &done] {
        const ReceiptPrintData data = m_entry->printData();
        Global().strsjlx = data.cblb;
        const ReceiptPrintResult result = m_printing->BitBtn13Click(data);
        afterPrinting(data, result);
        done = result.done;
    });
    return done;
}

bool TOrderForm::collectPayment(const QString &sjxh, const QString &lbmc)
{
    const bool paid = Collection::collect(DemoDM(), sjxh, lbmc, m_entry->printData().cbskr,
                                          QDateTime(DateText::today(), QTime::currentTime()),
                                          [this](const ReceiptRow &row) { return m_printing->printStored(row).done; });
    if (!paid)
        return false;
    // Committed: the lists show the payment.
    TFieldEvents::run([this] {
        m_receipts->OpenCurrentReceipts();
        m_history->reopenList(false);
        m_collection->reload();
    });
    return true;
}

void TOrderForm::afterPrinting(const ReceiptPrintData &data, const ReceiptPrintResult &result)
{
    if (result.checksPassed) {
        Global().str_skr = data.cbskr;
        Global().str_cbr = data.cbcbr;
    }
    // The focus where a failed check asks for it, and the household picker
    // no longer active.
    m_entry->focusField(result.focus);
    if (result.checksPassed)
        m_entry->setHouseholdPickerActive(false);
}

void TOrderForm::showRestoredReceipt(const QString &sjxh)
{
    ui->PageControl1->setCurrentIndex(0);
    TFieldEvents::run([this, &sjxh] {
        m_receipts->OpenCurrentReceipts();
        // The first listed receipt whose number begins with sjxh; the list
        // stays on its first row when there is none.
        TGridModel *m = m_receipts->listModel();
        int found = -1;
        for (int r = 0; found < 0; ++r) {
            if (r >= m->rowCount()) {
                if (!m->canFetchMore({}))
                    break;
                m->fetchMore({});
                if (r >= m->rowCount())
                    break;
            }
            if (m->fieldValue(r, QStringLiteral("sjxh")).toString().startsWith(sjxh, Qt::CaseInsensitive))
                found = r;
        }
        m_entry->selectListedReceipt(found);
        m_receipts->OrderDDbgDblClick();
    });
}

void TOrderForm::FormCreate()
{
    // 929 × 696, centred on the desktop.
    resize(929, 696);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(width() / 2, height() / 2));
    }
    setWindowTitle(kProductTitle);
    Dialogs::setParentWidget(this);
}

void TOrderForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        QTimer::singleShot(0, this, &TOrderForm::FormShow);
    }
}

void TOrderForm::endProgram()
{
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void TOrderForm::FormShow()
{
    // The billing year and month start at today's.
    const QDate today = DateText::today();
    m_entry->setBillingPeriod(today.year(), today.month());

    // A database that went missing after earlier use is not replaced by an
    // empty one (its receipt numbers would start again): the latest backup
    // is offered instead, and the program ends.
    if (const TGlobal *g = TGlobal::instance(); g && Startup::databaseMissingAfterUse(g->path())) {
        Startup::offerRestoreOfMissingDatabase(g->path());
        endProgram();
        return;
    }

    // Log in first. The login dialog opens the database itself; leaving it
    // through "退出" (or a database that cannot be opened) ends the program.
    if (TFormdl *login = Formdl()) {
        if (login->exec() != QDialog::Accepted) {
            endProgram();
            return;
        }
    }
    TDemoDM *dm = TDemoDM::instance();
    if (dm && !dm->isOpen() && !dm->open()) {
        Dialogs::message(QStringLiteral("data error"));
        endProgram();
        return;
    }
    runStartupSteps();
    m_startupDone = true;
}

namespace {

// The names of the employees of one type, in entry order.
QStringList employeesOfType(const QString &type)
{
    return Employees::namesOfType(DemoDM(), type);
}

} // namespace

void TOrderForm::runStartupSteps()
{
    TGlobal &g = Global();

    // Every field change below runs that field's change rules; the first
    // failure ends the sequence and is shown (the window stays as it is).
    TFieldEvents::run([&] {
        // The pickers' sources: every household, every community.
        m_entry->ReopenPickerLists();

        // The entry fields' start state.
        m_entry->resetStartFields(g.str_bt);

        // The current receipts, newest first.
        m_receipts->OpenCurrentReceipts();

        // The category and the number on offer (nothing is written).
        g.strsjlx = Schema::kReceiptCategory;
        m_entry->setCategory(Schema::kReceiptCategory);
        m_entry->showNextSerial(Schema::kReceiptCategory);

        m_entry->setPaymentState(QStringLiteral("已付款"));

        // Payees and meter readers from the employee table.
        m_entry->setEmployees(employeesOfType(QStringLiteral("收款人")), employeesOfType(QStringLiteral("抄表人")),
                              g.str_skr, g.str_cbr);

        const QDate today = DateText::today();
        m_entry->setReceiptDate(today);

        m_entry->clearPickers();

        // The history query's date range: the last twenty days.
        m_history->setDateRange(today.addDays(-20), today);

        setWindowTitle(kProductTitle);

        // The unit prices last used.
        m_entry->setUnitPrices(g.str_dj, g.str_djs);
    });
}

void TOrderForm::PageControl1Change(int index)
{
    // A tab that comes to the front shows fresh data.
    if (!m_startupDone)
        return;
    TFieldEvents::run([&] {
        switch (index) {
        case 0:
            m_entry->ReopenPickerLists();
            break;
        case 1:
            m_baseData->reload();
            break;
        case 2:
            m_history->reload();
            break;
        default:
            if (ui->PageControl1->widget(index) == m_collection)
                m_collection->reload();
            break;
        }
    });
}

void TOrderForm::bringToFront()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void TOrderForm::FormClose()
{
    // The preview copy goes with the window.
    m_printing->FormClose();
}

void TOrderForm::closeEvent(QCloseEvent *event)
{
    try {
        FormClose();
    } catch (...) {
    }
    QWidget::closeEvent(event);
}
