#include "collection/collect.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "data/paymentstore.h"
#include "data/receiptstore.h"
#include "text/numtext.h"

namespace Collection {

namespace {

std::optional<ReceiptRow> stored(TDemoDM &dm, const QString &sjxh, const QString &lbmc)
{
    if (auto row = Receipts::load(dm, Receipts::Table::Current, sjxh, lbmc))
        return row;
    return Receipts::load(dm, Receipts::Table::History, sjxh, lbmc);
}

} // namespace

bool collect(TDemoDM &dm, const QString &sjxh, const QString &lbmc, const QString &payee, const QDateTime &when,
             const std::function<bool(const ReceiptRow &)> &print)
{
    try {
        if (const QString refused = Payments::refusal(dm, sjxh, lbmc); !refused.isEmpty()) {
            Dialogs::message(refused, QStringLiteral("收款"));
            return false;
        }
        if (payee.trimmed().isEmpty()) {
            Dialogs::message(QStringLiteral("请先在收据录入页选择收款人，再收款。"), QStringLiteral("收款"));
            return false;
        }
        const std::optional<ReceiptRow> row = stored(dm, sjxh, lbmc);
        if (!row) {
            Dialogs::message(QStringLiteral("找不到收据 %1，它可能已被删除。").arg(sjxh), QStringLiteral("收款"));
            return false;
        }
        const int method = Dialogs::choose(QStringLiteral("收据 NO.%1　%2　%3　应收 %4 元\n收款人：%5\n请选择收款方式：")
                                               .arg(sjxh, row->bhmc, Payments::monthText(row->nf, row->yf),
                                                    FormatMoney(row->cost), payee.trimmed()),
                                           Payments::methods(), QStringLiteral("收款"));
        if (method < 0 || method >= Payments::methods().size())
            return false;
        const Payments::Payment p = Payments::pay(dm, sjxh, lbmc, Payments::methods()[method], payee.trimmed(), when);
        // The receipt as it now stands (paid), for the printer.
        const std::optional<ReceiptRow> paid = stored(dm, sjxh, lbmc);
        if (print && !print(paid ? *paid : *row))
            Dialogs::message(QStringLiteral("收据 NO.%1 的收款已记录（%2，%3 元），收据没有打印出来，可以稍后在收据列表中重新打印。")
                                 .arg(sjxh, p.skfs, FormatMoney(p.je)),
                             QStringLiteral("收款"));
        return true;
    } catch (const AppError &e) {
        Dialogs::error(e.message());
        return false;
    }
}

} // namespace Collection
