#include "data/receiptstore.h"

#include "data/demodm.h"
#include "data/receiptcolumns.h"
#include "data/serials.h"

namespace Receipts {

namespace {

QString tableName(Table table)
{
    switch (table) {
    case Table::Current:
        return kCurrentTable;
    case Table::History:
        return kHistoryTable;
    case Table::Deleted:
        break;
    }
    return kDeletedTable;
}

// The row the query stands on.
ReceiptRow readRow(const TNamedQuery &q)
{
    ReceiptRow row;
    for (const ReceiptColumns::Column &c : ReceiptColumns::all())
        ReceiptColumns::setValue(row, c, q.value(c.name));
    return row;
}

} // namespace

void insert(TDemoDM &dm, const ReceiptRow &row)
{
    TNamedQuery &q = dm.qinshz;
    q.close();
    q.setSql(ReceiptColumns::insertStatement(kCurrentTable));
    for (const ReceiptColumns::Column &c : ReceiptColumns::all())
        if (!(c.use & ReceiptColumns::Key))
            q.bind(c.name, ReceiptColumns::boundValue(row, c));
    q.exec();
}

int update(TDemoDM &dm, const ReceiptRow &row)
{
    TNamedQuery &q = dm.qup;
    q.close();
    q.setSql(ReceiptColumns::updateStatement(kCurrentTable));
    for (const ReceiptColumns::Column &c : ReceiptColumns::all())
        if (c.use & ReceiptColumns::Updatable)
            q.bind(c.name, ReceiptColumns::boundValue(row, c));
    q.bind(QStringLiteral("sjxh"), row.sjxh);
    q.bind(QStringLiteral("lbmc"), row.lbmc);
    q.exec();
    return q.rowsAffected();
}

std::optional<ReceiptRow> load(TDemoDM &dm, const QString &sjxh, const QString &lbmc)
{
    return load(dm, Table::Current, sjxh, lbmc);
}

std::optional<ReceiptRow> load(TDemoDM &dm, Table table, const QString &sjxh, const QString &lbmc)
{
    TNamedQuery &q = dm.qcx;
    q.openWith(QStringLiteral("select * from %1 where sjxh= :sjxh and lbmc= :lbmc ").arg(tableName(table)),
               {{"sjxh", sjxh}, {"lbmc", lbmc}});
    std::optional<ReceiptRow> row;
    if (!q.isEmpty())
        row = readRow(q);
    q.close();
    return row;
}

void removeKeepingCopy(TDemoDM &dm, const QString &sjxh, const QString &lbmc)
{
    const TNamedQuery::Binds key{{"sjxh", sjxh}, {"lbmc", lbmc}};
    dm.qup.run(QStringLiteral("insert into p_orderd_del select * from p_orderd where sjxh= :sjxh and lbmc= :lbmc"), key);
    dm.qup.run(QStringLiteral("delete from P_ORDERD where sjxh= :sjxh and lbmc= :lbmc "), key);
}

void removeRow(TDemoDM &dm, qint64 iid)
{
    dm.qup.run(QStringLiteral("delete from P_ORDERD where iid= :iid"), {{"iid", iid}});
}

void removeRow(TDemoDM &dm, Table table, qint64 iid)
{
    dm.qup.run(QStringLiteral("delete from %1 where iid= :iid").arg(tableName(table)), {{"iid", iid}});
}

qint64 count(TDemoDM &dm, Table table)
{
    return dm.qcx.count(QStringLiteral("select count(*) as expr1001 from %1").arg(tableName(table)));
}

void archiveAll(TDemoDM &dm)
{
    DbTransaction tx(dm);
    dm.qup.run(QStringLiteral("insert into P_ORDERDBAK select * from P_ORDERD"));
    dm.qup.run(QStringLiteral("delete from P_ORDERD"));
    tx.commit();
}

bool inHistory(TDemoDM &dm, const QString &sjxh)
{
    return dm.qcx.count(QStringLiteral("select count(*) as expr1001 from P_ORDERDBAK where sjxh= :sjxh "), {{"sjxh", sjxh}})
        > 0;
}

void restore(TDemoDM &dm, const QString &sjxh)
{
    const TNamedQuery::Binds key{{"sjxh", sjxh}};
    DbTransaction tx(dm);
    TNamedQuery &u = dm.qup;
    u.run(QStringLiteral("delete from sjmxb where sjxh= :sjxh "), key);
    u.run(QStringLiteral("insert into sjmxb select * from sjmxbbak where sjxh= :sjxh "), key);
    u.run(QStringLiteral("delete from P_ORDERD where sjxh= :sjxh "), key);
    u.run(QStringLiteral("insert into P_ORDERD select * from P_ORDERDBAK where sjxh= :sjxh "), key);
    u.run(QStringLiteral("delete from P_ORDERDBAK where sjxh= :sjxh "), key);
    u.run(QStringLiteral("delete from sjmxbbak where sjxh= :sjxh "), key);
    Serials::RenumberCurrentReceipts(dm);
    tx.commit();
}

void removeFromHistory(TDemoDM &dm, const QString &sjxh, const QString &lbmc)
{
    const TNamedQuery::Binds key{{"sjxh", sjxh}, {"lbmc", lbmc}};
    DbTransaction tx(dm);
    dm.qup.run(QStringLiteral("insert into p_orderd_del select * from P_ORDERDbak where sjxh= :sjxh and lbmc= :lbmc"), key);
    dm.qup.run(QStringLiteral("delete from P_ORDERDbak where sjxh= :sjxh and lbmc= :lbmc "), key);
    tx.commit();
}

void openList(TNamedQuery &query)
{
    query.openWith(QStringLiteral("SELECT * FROM P_OrderD order by iid desc"));
}

double currentTotal(TDemoDM &dm)
{
    TNamedQuery &q = dm.qcount;
    q.openWith(QStringLiteral("select sum(cost) as expr1001 from P_ORDERD"));
    const double total = q.isEmpty() ? 0 : q.value(QStringLiteral("expr1001")).toDouble();
    q.close();
    return total;
}

bool hasPeriod(TDemoDM &dm, Table table, const QString &nf, const QString &yf, const QString &bhmc)
{
    return dm.qcx.count(QStringLiteral("select count(*) as expr1001 from %1 where nf= :nf and yf= :yf and bhmc= :bhmc ")
                            .arg(tableName(table)),
                        {{"nf", nf}, {"yf", yf}, {"bhmc", bhmc}})
        != 0;
}

bool hasHousehold(TDemoDM &dm, Table table, const QString &bhh, const QString &bhmc)
{
    const QString sql = QStringLiteral("select count(*) as expr1001  from %1 where %2= :%2 ").arg(tableName(table));
    if (!bhh.isEmpty())
        return dm.qcx.count(sql.arg(QStringLiteral("bhh")), {{"bhh", bhh}}) != 0;
    return dm.qcx.count(sql.arg(QStringLiteral("bhmc")), {{"bhmc", bhmc}}) != 0;
}

std::optional<ReceiptRow> latestBefore(TDemoDM &dm, Table table, const QString &bhmc, const QString &nf,
                                       const QString &yf)
{
    TNamedQuery &q = dm.qsq;
    q.openWith(QStringLiteral("select * from %1 where  bhmc= :bhmc and (nf< :nf or (nf= :nf2 and yf< :yf)) order by nf, yf, iid ")
                   .arg(tableName(table)),
               {{"bhmc", bhmc}, {"nf", nf}, {"nf2", nf}, {"yf", yf}});
    std::optional<ReceiptRow> row;
    if (q.last())
        row = readRow(q);
    q.close();
    return row;
}

std::optional<ReceiptRow> historyBySortNumber(TDemoDM &dm, qint64 pxxh)
{
    TNamedQuery &q = dm.qlsmx;
    // "is not 0" lets the index of the numbered rows find it (no number
    // asked for is 0).
    q.openWith(QStringLiteral("select * from P_ORDERDBAK where pxxh= :pxxh and pxxh is not 0"), {{"pxxh", pxxh}});
    std::optional<ReceiptRow> row;
    if (!q.isEmpty())
        row = readRow(q);
    q.close();
    return row;
}

qint64 historyInSortRange(TDemoDM &dm, qint64 first, qint64 last)
{
    return dm.qlsmx.count(QStringLiteral("select count(*) as expr1001 from P_ORDERDBAK where pxxh between :a and :b"
                                         " and pxxh is not 0"),
                          {{"a", first}, {"b", last}});
}

} // namespace Receipts
