#include "app/historywiring.h"

#include "common/gridmodel.h"
#include "entry/currentreceipts.h"
#include "entry/entrytab.h"
#include "history/historytab.h"
#include "ui_entrytab.h"

#include <QPushButton>
#include <QTableView>

void ConnectHistoryToEntry(THistoryTab *history, TEntryTab *entry, TCurrentReceipts *receipts,
                           std::function<void()> showEntryTab)
{
    Ui::TEntryTab *f = entry ? entry->form() : nullptr;

    history->onArchived = [receipts] {
        receipts->OpenCurrentReceipts();
        receipts->setLoadedMode(false);
    };
    history->onNewReceipt = [receipts] { receipts->SpeedButton10Click(); };
    history->onReceiptRestored = [receipts, f, showEntryTab](const QString &sjxh) {
        if (showEntryTab)
            showEntryTab();
        receipts->OpenCurrentReceipts();
        if (!f)
            return;
        // The first listed receipt whose number begins with sjxh; the list
        // stays on its first row when there is none.
        TGridModel *m = receipts->listModel();
        for (int r = 0;; ++r) {
            if (r >= m->rowCount()) {
                if (!m->canFetchMore({}))
                    break;
                m->fetchMore({});
                if (r >= m->rowCount())
                    break;
            }
            if (m->fieldValue(r, QStringLiteral("sjxh")).toString().startsWith(sjxh, Qt::CaseInsensitive)) {
                f->OrderDDbg->setCurrentIndex(m->index(r, 0));
                break;
            }
        }
        f->OrderDDbg->setFocus();
        receipts->OrderDDbgDblClick();
    };
    if (f)
        QObject::connect(f->SpeedButton20, &QPushButton::clicked, history, &THistoryTab::SpeedButton20Click,
                         Qt::UniqueConnection);
}
