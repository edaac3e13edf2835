#include "data/billingstore.h"

#include "data/demodm.h"
#include "data/receiptstore.h"
#include "data/serials.h"

namespace Billing {

Households::Readings previousReadings(TDemoDM &dm, const QString &name, const QString &nf, const QString &yf)
{
    const std::optional<ReceiptRow> current = Receipts::latestBefore(dm, Receipts::Table::Current, name, nf, yf);
    const std::optional<ReceiptRow> history = Receipts::latestBefore(dm, Receipts::Table::History, name, nf, yf);
    if (!current && !history)
        return Households::readings(dm, name).value_or(Households::Readings{});
    // The later period wins; with equal periods the current receipt.
    const ReceiptRow &use = (!current || (history && history->nf + history->yf > current->nf + current->yf))
        ? *history
        : *current;
    return {use.bccjd, use.bccjds};
}

QList<SheetHousehold> readingSheet(TDemoDM &dm, const QString &community, const QString &nf, const QString &yf)
{
    TNamedQuery &q = dm.qcount;
    if (community.isEmpty())
        q.openWith(QStringLiteral("select cmc,hh,hm from hhb order by cmc,hh,hm"));
    else
        q.openWith(QStringLiteral("select cmc,hh,hm from hhb where cmc= :cmc order by cmc,hh,hm"), {{"cmc", community}});
    QList<SheetHousehold> out;
    for (bool more = q.first(); more; more = q.next())
        out.append({q.value(QStringLiteral("cmc")).toString(), q.value(QStringLiteral("hh")).toString(),
                    q.value(QStringLiteral("hm")).toString(), {}});
    q.close();
    for (SheetHousehold &h : out)
        h.last = previousReadings(dm, h.hm, nf, yf);
    return out;
}

QStringList communities(TDemoDM &dm)
{
    TNamedQuery &q = dm.qcount;
    q.openWith(QStringLiteral("select distinct cmc from hhb where cmc is not null and cmc<>'' order by cmc"));
    QStringList out;
    for (bool more = q.first(); more; more = q.next())
        out.append(q.value(QStringLiteral("cmc")).toString());
    q.close();
    return out;
}

HouseholdFacts factsOf(TDemoDM &dm, const QString &name, const QString &nf, const QString &yf)
{
    HouseholdFacts f;
    TNamedQuery &q = dm.qcount;
    q.openWith(QStringLiteral("select hh,cmc from hhb where hm= :hm "), {{"hm", name}});
    if (!q.isEmpty()) {
        f.known = true;
        f.hh = q.value(QStringLiteral("hh")).toString();
        f.cmc = q.value(QStringLiteral("cmc")).toString();
    }
    q.close();
    const Households::Readings last = previousReadings(dm, name, nf, yf);
    f.lastElectricity = last.electricity;
    f.lastWater = last.water;
    // The last six receipts before the month, current and history alike.
    q.openWith(QStringLiteral("select count(*) as n, avg(cjdl) as e, avg(cjdls) as w from ("
                              " select cjdl,cjdls,nf,yf from P_ORDERD where bhmc= :a and (nf< :nf or (nf= :nf2 and yf< :yf))"
                              " union all"
                              " select cjdl,cjdls,nf,yf from P_ORDERDBAK where bhmc= :b and (nf< :nf3 or (nf= :nf4 and yf< :yf2))"
                              " order by nf desc, yf desc limit 6)"),
               {{"a", name}, {"nf", nf}, {"nf2", nf}, {"yf", yf}, {"b", name}, {"nf3", nf}, {"nf4", nf}, {"yf2", yf}});
    if (!q.isEmpty() && q.value(QStringLiteral("n")).toLongLong() > 0) {
        f.averageElectricity = q.value(QStringLiteral("e")).toDouble();
        f.averageWater = q.value(QStringLiteral("w")).toDouble();
    }
    q.close();
    f.billed = Receipts::hasPeriod(dm, Receipts::Table::Current, nf, yf, name)
        || Receipts::hasPeriod(dm, Receipts::Table::History, nf, yf, name);
    if (const std::optional<Households::Fees> fees = Households::rememberedFees(dm, name)) {
        f.other = fees->other;
        f.rent = fees->rent;
    }
    return f;
}

QStringList storeBills(TDemoDM &dm, const QList<ReceiptRow> &bills)
{
    QStringList serials;
    if (bills.isEmpty())
        return serials;
    DbTransaction tx(dm);
    for (ReceiptRow row : bills) {
        Households::saveReadings(dm, row.bhh, row.bhmc, row.cmc, {row.bccjd, row.bccjds});
        row.sjxh = Serials::FreeSerial(dm, row.lbmc);
        Receipts::insert(dm, row);
        Serials::IssueSerial(dm, row.sjxh, row.lbmc);
        serials.append(row.sjxh);
    }
    Serials::RenumberCurrentReceipts(dm);
    tx.commit();
    return serials;
}

QList<ReceiptRow> unpaidBills(TDemoDM &dm, const QString &nf, const QString &yf)
{
    TNamedQuery &q = dm.qcount;
    QString sql = QStringLiteral("select sjxh,lbmc from P_ORDERD where fkzt= :fkzt ");
    TNamedQuery::Binds binds{{"fkzt", kUnpaid}};
    if (!nf.isEmpty()) {
        sql += QStringLiteral(" and nf= :nf and yf= :yf ");
        binds.append({"nf", nf});
        binds.append({"yf", yf});
    }
    q.openWith(sql + QStringLiteral(" order by cmc, bhh, sjxh"), binds);
    QList<std::pair<QString, QString>> keys;
    for (bool more = q.first(); more; more = q.next())
        keys.append({q.value(QStringLiteral("sjxh")).toString(), q.value(QStringLiteral("lbmc")).toString()});
    q.close();
    QList<ReceiptRow> out;
    for (const auto &[sjxh, lbmc] : keys)
        if (std::optional<ReceiptRow> row = Receipts::load(dm, sjxh, lbmc))
            out.append(*row);
    return out;
}

} // namespace Billing
