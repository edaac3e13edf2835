#include "collection/collectionlists.h"

#include "common/apperror.h"
#include "text/numtext.h"

#include <QRegularExpression>

namespace CollectionLists {

QString monthsOf(const Payments::ArrearsLine &line)
{
    QStringList months;
    for (const Payments::UnpaidReceipt &r : line.receipts) {
        const QString m = Payments::monthText(r.nf, r.yf);
        if (!months.contains(m))
            months.append(m);
    }
    return months.join(QStringLiteral("、"));
}

QList<QStringList> arrearsRows(const Payments::Arrears &arrears, const QString &title)
{
    QList<QStringList> rows{{title},
                            {QStringLiteral("社区"), QStringLiteral("户号"), QStringLiteral("户名"), QStringLiteral("欠费月数"),
                             QStringLiteral("欠费金额"), QStringLiteral("欠费月份")}};
    for (const Payments::ArrearsLine &l : arrears.lines)
        rows.append({l.cmc, l.bhh, l.bhmc, QString::number(l.months), FormatMoney(l.sum), monthsOf(l)});
    rows.append({QStringLiteral("合计"), QStringLiteral("%1户").arg(arrears.lines.size()),
                 QStringLiteral("%1张收据").arg(arrears.count), QString(), FormatMoney(arrears.total)});
    return rows;
}

QList<QStringList> takingsRows(const Payments::Takings &takings, const QString &title)
{
    QList<QStringList> rows{{title}, {QStringLiteral("收款方式"), QStringLiteral("笔数"), QStringLiteral("金额")}};
    for (const Payments::MethodSum &m : takings.byMethod)
        rows.append({m.method, QString::number(m.count), FormatMoney(m.sum)});
    rows.append({QStringLiteral("合计"), QString::number(takings.count), FormatMoney(takings.total)});
    rows.append(QStringList());
    rows.append({QStringLiteral("收款时间"), QStringLiteral("收款人"), QStringLiteral("收款方式"), QStringLiteral("金额"),
                 QStringLiteral("收据号"), QStringLiteral("社区"), QStringLiteral("户号"), QStringLiteral("户名"),
                 QStringLiteral("月份")});
    for (const Payments::TakingsRow &r : takings.rows)
        rows.append({r.payment.sksj, r.payment.skr, r.payment.skfs, FormatMoney(r.payment.je),
                     // "NO." keeps the number text, leading zeros and all.
                     QStringLiteral("NO.") + r.payment.sjxh, r.cmc, r.bhh, r.bhmc, Payments::monthText(r.nf, r.yf)});
    return rows;
}

QString takingsTitle(const Payments::TakingsFilter &filter)
{
    return QStringLiteral("收费日报 %1 至 %2 收款人：%3")
        .arg(filter.from.toString(QStringLiteral("yyyy-MM-dd")), filter.to.toString(QStringLiteral("yyyy-MM-dd")),
             filter.payee.isEmpty() ? QStringLiteral("全部") : filter.payee);
}

int periodOf(const QString &year, const QString &month, const QString &which)
{
    const QString y = year.trimmed();
    if (y.isEmpty())
        return 0;
    static const QRegularExpression fourDigits(QStringLiteral("^\\d{4}$"));
    if (!fourDigits.match(y).hasMatch())
        throw AppError(QStringLiteral("%1的年份应为4位数字，比如2024。").arg(which));
    bool ok = false;
    const int m = month.trimmed().toInt(&ok);
    if (!ok || m < 1 || m > 12)
        throw AppError(QStringLiteral("%1的月份应为1到12。").arg(which));
    return Payments::period(y.toInt(), m);
}

} // namespace CollectionLists
