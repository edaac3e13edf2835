#include "app/entryprinting.h"

#include "common/apperror.h"
#include "data/community.h"
#include "entry/currentreceipts.h"
#include "entry/entryfield.h"
#include "entry/entrytab.h"
#include "entry/zozudexcombobox.h"
#include "print/receiptpreview.h"
#include "print/receiptprint.h"
#include "ui_entrytab.h"

#include <QComboBox>
#include <QPushButton>

ReceiptPrintData ReadPrintData(const TEntryTab *entry)
{
    const Ui::TEntryTab *f = entry->form();
    ReceiptPrintData d;
    d.Edit1 = f->Edit1->text();
    d.edit2 = f->edit2->currentText();
    d.Edit3 = f->Edit3->text();
    d.edit41 = f->edit41->currentText();
    d.Edit21 = f->Edit21->text();
    d.Edit22 = f->Edit22->text();
    d.Edit8 = f->Edit8->text();
    d.Edit27 = f->Edit27->text();
    d.Edit28 = f->Edit28->text();
    d.Edit29 = f->Edit29->text();
    d.Edit30 = f->Edit30->text();
    d.Edit31 = f->Edit31->text();
    d.Edit24 = f->Edit24->text();
    d.Edit32 = f->Edit32->text();
    d.Edit33 = f->Edit33->text();
    d.Edit34 = f->Edit34->text();
    d.Edit36 = f->Edit36->text();
    d.Edit37 = f->Edit37->text();
    d.Edit35 = f->Edit35->text();
    d.cbyf = f->cbyf->currentText();
    d.cblb = f->cblb->currentText();
    d.cbskr = f->cbskr->currentText();
    d.cbcbr = f->cbcbr->currentText();
    return d;
}

namespace {

// After a preview or print: the focus where a failed check asks for it,
// and the household picker no longer active.
void finish(TEntryTab *entry, const ReceiptPrintResult &result)
{
    if (!result.focus.isEmpty())
        if (auto *w = entry->findChild<QWidget *>(result.focus))
            w->setFocus();
    if (result.checksPassed)
        entry->setHouseholdPickerActive(false);
}

} // namespace

void PreviewReceipt(TEntryTab *entry)
{
    TFieldEvents::run([entry] {
        entry->form()->edit2->setEditText(kCommunity);
        const ReceiptPrintResult result = TReceiptPrinting::instance().SpeedButton9Click(
            ReadPrintData(entry), [entry] {
                entry->BitBtn2Click();
                return ReadPrintData(entry);
            });
        finish(entry, result);
    });
}

bool PrintReceipt(TEntryTab *entry)
{
    bool done = false;
    TFieldEvents::run([entry, &done] {
        const ReceiptPrintResult result = TReceiptPrinting::instance().BitBtn13Click(ReadPrintData(entry));
        finish(entry, result);
        done = result.done;
    });
    return done;
}

void ConnectPrintingToEntry(TEntryTab *entry, TCurrentReceipts *receipts)
{
    Ui::TEntryTab *f = entry->form();
    QObject::connect(f->SpeedButton9, &QPushButton::clicked, entry, [entry] { PreviewReceipt(entry); });
    QObject::connect(f->BitBtn13, &QPushButton::clicked, entry, [entry] { PrintReceipt(entry); });
    QObject::connect(f->BitBtn12, &QPushButton::clicked, entry, [] { TReceiptPrinting::instance().BitBtn12Click(); });
    receipts->setPrintReceipt([entry] { return PrintReceipt(entry); });
}
