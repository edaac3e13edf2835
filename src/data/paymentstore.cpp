#include "data/paymentstore.h"

#include "common/apperror.h"
#include "data/demodm.h"
#include "data/receiptstore.h"

#include <QMap>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QSet>

namespace Payments {

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

Payment readPayment(const TNamedQuery &q)
{
    Payment p;
    p.sksj = q.value(QStringLiteral("sksj")).toString();
    p.skr = q.value(QStringLiteral("skr")).toString();
    p.skfs = q.value(QStringLiteral("skfs")).toString();
    p.je = q.value(QStringLiteral("je")).toDouble();
    p.sjxh = q.value(QStringLiteral("sjxh")).toString();
    p.lbmc = q.value(QStringLiteral("lbmc")).toString();
    return p;
}

struct Found
{
    QString table;
    double cost = 0;
    QString fkzt;
};

// The receipt among the current receipts, else among the archived ones.
std::optional<Found> findReceipt(TDemoDM &dm, const QString &sjxh, const QString &lbmc)
{
    for (const QString &table : {Receipts::kCurrentTable, Receipts::kHistoryTable}) {
        TNamedQuery &q = dm.qcx;
        q.openWith(QStringLiteral("select cost, fkzt from %1 where sjxh= :sjxh and lbmc= :lbmc ").arg(table),
                   {{"sjxh", sjxh}, {"lbmc", lbmc}});
        std::optional<Found> found;
        if (!q.isEmpty())
            found = Found{table, q.value(QStringLiteral("cost")).toDouble(), q.value(QStringLiteral("fkzt")).toString()};
        q.close();
        if (found)
            return found;
    }
    return std::nullopt;
}

QString sumText(double value)
{
    return QString::number(TDemoDM::money(value), 'f', 2);
}

} // namespace

const QStringList &methods()
{
    static const QStringList list{QStringLiteral("现金"), QStringLiteral("微信"), QStringLiteral("支付宝"),
                                  QStringLiteral("银行转账")};
    return list;
}

QString monthText(const QString &nf, const QString &yf)
{
    bool ok = false;
    const int month = yf.toInt(&ok);
    return nf + QStringLiteral("年") + (ok ? QString::number(month) : yf) + QStringLiteral("月");
}

std::optional<Payment> paymentOf(TDemoDM &dm, const QString &sjxh, const QString &lbmc)
{
    TNamedQuery &q = dm.qcx;
    q.openWith(QStringLiteral("select * from skjlb where sjxh= :sjxh and lbmc= :lbmc "), {{"sjxh", sjxh}, {"lbmc", lbmc}});
    std::optional<Payment> p;
    if (!q.isEmpty())
        p = readPayment(q);
    q.close();
    return p;
}

QString refusal(TDemoDM &dm, const QString &sjxh, const QString &lbmc)
{
    if (const auto done = paymentOf(dm, sjxh, lbmc))
        return QStringLiteral("收据 %1 已于 %2 收款（%3，%4 元），不能重复收款。")
            .arg(sjxh, done->sksj, done->skfs, sumText(done->je));
    const auto found = findReceipt(dm, sjxh, lbmc);
    if (!found)
        return QStringLiteral("找不到收据 %1，它可能已被删除。").arg(sjxh);
    if (found->fkzt != kUnpaid)
        return QStringLiteral("收据 %1 的付款状态是“%2”，不是未付款的收据，不能收款。").arg(sjxh, found->fkzt);
    return {};
}

Payment pay(TDemoDM &dm, const QString &sjxh, const QString &lbmc, const QString &method, const QString &payee,
            const QDateTime &when)
{
    if (!methods().contains(method))
        throw AppError(QStringLiteral("收款方式“%1”无效，请选择%2。").arg(method, methods().join(QStringLiteral("、"))));
    DbTransaction tx(dm);
    if (const QString refused = refusal(dm, sjxh, lbmc); !refused.isEmpty())
        throw AppError(refused);
    const auto found = findReceipt(dm, sjxh, lbmc);

    Payment p{when.toString(kTimeFormat), payee, method, TDemoDM::money(found->cost), sjxh, lbmc};
    dm.qins.run(QStringLiteral("insert into skjlb(sksj, skr, skfs, je, sjxh, lbmc) values(:sksj, :skr, :skfs, :je, :sjxh, :lbmc)"),
                {{"sksj", p.sksj}, {"skr", p.skr}, {"skfs", p.skfs}, {"je", p.je}, {"sjxh", sjxh}, {"lbmc", lbmc}});
    TNamedQuery &u = dm.qup;
    u.run(QStringLiteral("update %1 set fkzt= :paid where sjxh= :sjxh and lbmc= :lbmc and fkzt= :unpaid ").arg(found->table),
          {{"paid", kPaid}, {"sjxh", sjxh}, {"lbmc", lbmc}, {"unpaid", kUnpaid}});
    if (u.rowsAffected() != 1)
        throw AppError(QStringLiteral("收据 %1 的付款状态没能改为已付款，收款没有记录。").arg(sjxh));
    tx.commit();
    return p;
}

Arrears arrears(TDemoDM &dm, const ArrearsFilter &filter)
{
    TNamedQuery::Binds binds;
    QString pattern = filter.household;
    pattern.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("\\%"))
        .replace(QLatin1Char('_'), QStringLiteral("\\_"));
    const QString periodExpr = QStringLiteral("(cast(nf as integer) * 100 + cast(yf as integer))");
    // The condition for one of the two tables; its parameters carry the
    // table's own suffix. fkzt is compared as the partial indexes state it,
    // so only the unpaid receipts are read.
    const auto where = [&](const QString &suffix) {
        QString w = QStringLiteral(" where fkzt = '未付款'");
        const auto add = [&](const QString &condition, const QString &name, const QVariant &value) {
            w += QStringLiteral(" and ") + QString(condition).replace(QStringLiteral(":p"), QLatin1Char(':') + name + suffix);
            binds.append({name + suffix, value});
        };
        if (!filter.cmc.isEmpty())
            add(QStringLiteral("cmc= :p"), QStringLiteral("cmc"), filter.cmc);
        if (!filter.household.isEmpty()) {
            add(QStringLiteral("(bhh= :p"), QStringLiteral("bhh"), filter.household);
            w += QStringLiteral(" or bhmc like :bhmc%1 escape '\\')").arg(suffix);
            binds.append({QStringLiteral("bhmc") + suffix, QStringLiteral("%") + pattern + QStringLiteral("%")});
        }
        if (filter.fromPeriod > 0)
            add(periodExpr + QStringLiteral(" >= :p"), QStringLiteral("p1"), filter.fromPeriod);
        if (filter.toPeriod > 0)
            add(periodExpr + QStringLiteral(" <= :p"), QStringLiteral("p2"), filter.toPeriod);
        return w;
    };
    const QString cols = QStringLiteral("select cmc, bhh, bhmc, nf, yf, sjxh, lbmc, cost, %1 as archived,"
                                         " cast(nf as integer) as nfi, cast(yf as integer) as yfi from %2");
    const QString sql = cols.arg(QStringLiteral("0"), Receipts::kCurrentTable) + where(QStringLiteral("_c"))
        + QStringLiteral(" union all ") + cols.arg(QStringLiteral("1"), Receipts::kHistoryTable)
        + where(QStringLiteral("_h"))
        + QStringLiteral(" order by cmc, bhh, bhmc, nfi, yfi, sjxh");

    Arrears out;
    TNamedQuery &q = dm.qsq;
    q.openWith(sql, binds);
    QSet<int> periods;
    for (bool more = q.first(); more; more = q.next()) {
        // The row read once: a look-up by name reads the whole row each time.
        const QSqlRecord rec = q.model()->record(q.row());
        const QString cmc = rec.value(QStringLiteral("cmc")).toString();
        const QString bhh = rec.value(QStringLiteral("bhh")).toString();
        const QString bhmc = rec.value(QStringLiteral("bhmc")).toString();
        if (out.lines.isEmpty() || out.lines.last().cmc != cmc || out.lines.last().bhh != bhh
            || out.lines.last().bhmc != bhmc) {
            out.lines.append(ArrearsLine{cmc, bhh, bhmc, 0, 0, {}});
            periods.clear();
        }
        ArrearsLine &line = out.lines.last();
        UnpaidReceipt r{rec.value(QStringLiteral("sjxh")).toString(), rec.value(QStringLiteral("lbmc")).toString(),
                        rec.value(QStringLiteral("nf")).toString(),   rec.value(QStringLiteral("yf")).toString(),
                        rec.value(QStringLiteral("cost")).toDouble(), rec.value(QStringLiteral("archived")).toInt() != 0};
        const int p = period(r.nf.toInt(), r.yf.toInt());
        if (!periods.contains(p)) {
            periods.insert(p);
            ++line.months;
        }
        line.sum = TDemoDM::money(line.sum + r.cost);
        out.total = TDemoDM::money(out.total + r.cost);
        ++out.count;
        line.receipts.append(r);
    }
    q.close();
    return out;
}

Takings takings(TDemoDM &dm, const TakingsFilter &filter)
{
    QString sql = QStringLiteral(
        "select p.sksj, p.skr, p.skfs, p.je, p.sjxh, p.lbmc,"
        " coalesce(c.cmc, h.cmc) as cmc, coalesce(c.bhh, h.bhh) as bhh, coalesce(c.bhmc, h.bhmc) as bhmc,"
        " coalesce(c.nf, h.nf) as nf, coalesce(c.yf, h.yf) as yf"
        " from skjlb p"
        " left join P_ORDERD c on c.sjxh = p.sjxh and c.lbmc = p.lbmc"
        " left join P_ORDERDBAK h on h.sjxh = p.sjxh and h.lbmc = p.lbmc"
        " where p.sksj >= :t1 and p.sksj < :t2");
    TNamedQuery::Binds binds{{"t1", filter.from.toString(QStringLiteral("yyyy-MM-dd"))},
                             {"t2", filter.to.addDays(1).toString(QStringLiteral("yyyy-MM-dd"))}};
    if (!filter.payee.isEmpty()) {
        sql += QStringLiteral(" and p.skr= :skr");
        binds.append({QStringLiteral("skr"), filter.payee});
    }
    sql += QStringLiteral(" order by p.sksj, p.iid");

    Takings out;
    QMap<QString, MethodSum> sums;
    TNamedQuery &q = dm.qsq;
    q.openWith(sql, binds);
    for (bool more = q.first(); more; more = q.next()) {
        TakingsRow row{readPayment(q),
                       q.value(QStringLiteral("cmc")).toString(),
                       q.value(QStringLiteral("bhh")).toString(),
                       q.value(QStringLiteral("bhmc")).toString(),
                       q.value(QStringLiteral("nf")).toString(),
                       q.value(QStringLiteral("yf")).toString()};
        MethodSum &m = sums[row.payment.skfs];
        m.method = row.payment.skfs;
        ++m.count;
        m.sum = TDemoDM::money(m.sum + row.payment.je);
        ++out.count;
        out.total = TDemoDM::money(out.total + row.payment.je);
        out.rows.append(row);
    }
    q.close();
    for (const QString &m : methods())
        if (sums.contains(m))
            out.byMethod.append(sums.take(m));
    for (const MethodSum &rest : std::as_const(sums))  // methods of older records, if any
        out.byMethod.append(rest);
    return out;
}

} // namespace Payments
