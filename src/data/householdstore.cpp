#include "data/householdstore.h"

#include "data/demodm.h"
#include "text/pinyin.h"

namespace Households {

namespace {

// Two numbers of the first row of `table` for the household name.
std::optional<std::pair<double, double>> firstPair(TNamedQuery &q, const char *table, const QString &name,
                                                   const char *first, const char *second)
{
    q.openWith(QStringLiteral("select * from %1 where hm= :hm ").arg(QLatin1String(table)), {{"hm", name}});
    std::optional<std::pair<double, double>> found;
    if (!q.isEmpty())
        found.emplace(q.value(QLatin1String(first)).toDouble(), q.value(QLatin1String(second)).toDouble());
    q.close();
    return found;
}

} // namespace

std::optional<Fees> rememberedFees(TDemoDM &dm, const QString &name)
{
    if (const auto found = firstPair(dm.qcx, "kdfb", name, "kdf", "hzf"))
        return Fees{found->first, found->second};
    return std::nullopt;
}

void rememberFees(TDemoDM &dm, const QString &name, const Fees &fees)
{
    const bool exists = rememberedFees(dm, name).has_value();
    const TNamedQuery::Binds binds{{"hm", name}, {"kdf", fees.other}, {"hzf", fees.rent}};
    if (exists)
        dm.qins.run(QStringLiteral("update kdfb set kdf= :kdf,hzf= :hzf where hm= :hm "), binds);
    else
        dm.qins.run(QStringLiteral("insert into kdfb(hm,kdf,hzf) values(:hm,:kdf,:hzf)"), binds);
}

std::optional<Readings> readings(TDemoDM &dm, const QString &name)
{
    if (const auto found = firstPair(dm.qsq, "hhb", name, "dd", "dds"))
        return Readings{found->first, found->second};
    return std::nullopt;
}

void saveReadings(TDemoDM &dm, const QString &number, const QString &name, const QString &community,
                  const Readings &readings)
{
    const qint64 n = dm.qcx.count(QStringLiteral("select count(*) as expr1001 from hhb where hm= :hm "), {{"hm", name}});
    if (n != 0) {
        dm.qins.run(QStringLiteral("update hhb set dd= :dd,dds= :dds where hm= :hm "),
                    {{"dd", readings.electricity}, {"dds", readings.water}, {"hm", name}});
        return;
    }
    dm.qins.run(
        QStringLiteral("insert into hhb(hh,hm,cmc,hmpy,cmcpy,dd,dds,hhpy) values(:hh,:hm,:cmc,:hmpy,:cmcpy,:dd,:dds,:hhpy)"),
        {{"hh", number},
         {"hm", name},
         {"cmc", community},
         {"hmpy", PinyinInitials(name)},
         {"cmcpy", PinyinInitials(community)},
         {"dd", readings.electricity},
         {"dds", readings.water},
         {"hhpy", PinyinInitials(number)}});
}

void clearReadings(TDemoDM &dm, const QString &number, const QString &name)
{
    if (!number.isEmpty())
        dm.qdc.run(QStringLiteral("update  hhb set dd= :dd ,dds= :dds  where hh= :hh "), {{"dd", 0}, {"dds", 0}, {"hh", number}});
    else
        dm.qdc.run(QStringLiteral("update  hhb set dd= :dd ,dds= :dds  where hm= :hm "), {{"dd", 0}, {"dds", 0}, {"hm", name}});
}

QSqlQueryModel *openList(TDemoDM &dm)
{
    dm.qsp.openWith(QStringLiteral("select * from hhb  order by iid"));
    return dm.qsp.model();
}

void save(TDemoDM &dm, const QString &number, const QString &name, const QString &community)
{
    const qint64 n = dm.qcx.count(QStringLiteral("select count(*) as expr1001 from hhb where hm= :hm"), {{"hm", name}});
    if (n != 0) {
        dm.qup.run(QStringLiteral("update hhb set cmc= :cmc,hh= :hh where hm= :hm"),
                   {{"cmc", community}, {"hh", number}, {"hm", name}});
        return;
    }
    dm.qup.run(QStringLiteral("insert into hhb (cmc, cmcpy, hm, hmpy, hh, hhpy) values (:cmc, :cmcpy, :hm, :hmpy, :hh, :hhpy)"),
               {{"cmc", community},
                {"cmcpy", PinyinInitials(community)},
                {"hm", name},
                {"hmpy", PinyinInitials(name)},
                {"hh", number},
                {"hhpy", PinyinInitials(number)}});
}

ReceiptCounts receiptCounts(TDemoDM &dm, const QString &name)
{
    ReceiptCounts counts;
    counts.current = dm.qcx.count(QStringLiteral("select count(*) as expr1001 from P_ORDERD where bhmc= :hm"), {{"hm", name}});
    counts.history = dm.qcx.count(QStringLiteral("select count(*) as expr1001 from P_ORDERDBAK where bhmc= :hm"), {{"hm", name}});
    return counts;
}

void remove(TDemoDM &dm, qint64 iid)
{
    dm.qup.run(QStringLiteral("delete from hhb where iid= :iid"), {{"iid", iid}});
}

void openOtherLists(TDemoDM &dm)
{
    dm.qbz.openWith(QStringLiteral("select * from bzb  order by iid"));
    dm.qspdw.openWith(QStringLiteral("select * from spdwb  order by iid"));
    dm.qdw.openWith(QStringLiteral("select * from jkdwmcb  order by iid"));
    dm.qlb.openWith(QStringLiteral("select * from lbb order by iid"));
}

void openAll(TNamedQuery &query)
{
    query.openWith(QStringLiteral("select * from hhb"));
}

void openCommunities(TNamedQuery &query)
{
    query.openWith(QStringLiteral("select distinct cmc from hhb"));
}

} // namespace Households
