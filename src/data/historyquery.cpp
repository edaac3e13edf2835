#include "data/historyquery.h"

#include "common/apperror.h"
#include "data/demodm.h"
#include "data/receiptstore.h"
#include "data/serials.h"

#include <QSqlError>
#include <QSqlRecord>

namespace HistoryQuery {

namespace {

// The conditions, with or without those of year and month.
Condition conditionOf(const Filter &f, bool period)
{
    Condition c;
    c.sql = QStringLiteral("bhmc like :bhmc ");
    c.binds << qMakePair(QStringLiteral("bhmc"), QVariant(f.namePrefix + QLatin1Char('%')));
    auto add = [&c](const QString &line, const QString &param, const QVariant &value) {
        c.sql += line;
        c.binds << qMakePair(param, value);
    };
    if (!f.serial.isEmpty())
        add(QStringLiteral(" and sjxh= :sjxh "), QStringLiteral("sjxh"), f.serial);
    if (f.from.isValid())
        add(QStringLiteral(" and rq>= :rq0 "), QStringLiteral("rq0"), f.from);
    if (f.to.isValid())
        add(QStringLiteral(" and rq<= :rq1 "), QStringLiteral("rq1"), f.to);
    if (period) {
        if (!f.year.isEmpty())
            add(QStringLiteral(" and nf= :nf "), QStringLiteral("nf"), f.year);
        if (!f.month.isEmpty())
            add(QStringLiteral(" and yf= :yf "), QStringLiteral("yf"), f.month);
    }
    return c;
}

void prepare(TNamedQuery &q, const QString &sql, const QList<QPair<QString, QVariant>> &binds)
{
    q.close();
    q.setSql(sql);
    for (const auto &b : binds)
        q.bind(b.first, b.second);
}

} // namespace

QString table(const Filter &filter)
{
    return filter.history ? Receipts::kHistoryTable : QStringLiteral("P_ORDERD_del");
}

Condition condition(const Filter &filter)
{
    return conditionOf(filter, filter.history);
}

namespace {

// What the last numbering of the history left behind: the filter it
// numbered, the result's count and total, and the connection's count of
// changed rows right after it. As long as no row has changed since (on
// this connection or, by the file's version, any other), the same filter
// finds the same rows with the same numbers.
struct Numbered
{
    bool valid = false;
    QString key;
    Totals totals;
    qint64 changes = 0;
    qint64 dataVersion = 0;
};

Numbered &lastNumbered()
{
    static Numbered numbered;
    return numbered;
}

QString filterKey(const Filter &f)
{
    return QStringList{f.namePrefix, f.serial, f.from.toString(Qt::ISODateWithMs), f.to.toString(Qt::ISODateWithMs), f.year,
                       f.month}
        .join(QChar(0x1f));
}

bool plainQuery(QSqlQuery &q, const QString &sql)
{
    q.setForwardOnly(true);
    return q.exec(sql) && q.next();
}

// The connection's rows changed so far and the file's version; false when
// this connection did not number a result (the mark is in a table of the
// connection's own, so a connection opened afresh has none).
bool changesSince(const QString &key, qint64 *changes, qint64 *dataVersion)
{
    QSqlDatabase db = QSqlDatabase::database(TDemoDM::kConnectionName, false);
    QSqlQuery q(db);
    if (!plainQuery(q, QStringLiteral("select k, total_changes() from temp.history_numbered")) || q.value(0).toString() != key)
        return false;
    *changes = q.value(1).toLongLong();
    QSqlQuery v(db);
    if (!plainQuery(v, QStringLiteral("pragma data_version")))
        return false;
    *dataVersion = v.value(0).toLongLong();
    return true;
}

bool unchangedSinceNumbered(const QString &key, Totals *totals)
{
    const Numbered &n = lastNumbered();
    qint64 changes = 0;
    qint64 dataVersion = 0;
    if (!n.valid || n.key != key || !changesSince(key, &changes, &dataVersion))
        return false;
    if (changes != n.changes || dataVersion != n.dataVersion)
        return false;
    *totals = n.totals;
    return true;
}

void markNumbered(const QString &key, const Totals &totals)
{
    Numbered &n = lastNumbered();
    n.valid = false;
    QSqlDatabase db = QSqlDatabase::database(TDemoDM::kConnectionName, false);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("create temp table if not exists history_numbered (k text)"))
        || !q.exec(QStringLiteral("delete from temp.history_numbered")) || !q.prepare(QStringLiteral("insert into temp.history_numbered values (?)")))
        return;
    q.addBindValue(key);
    if (!q.exec())
        return;
    if (!changesSince(key, &n.changes, &n.dataVersion))
        return;
    n.key = key;
    n.totals = totals;
    n.valid = true;
}

} // namespace

bool openList(TDemoDM &dm, TNamedQuery &list, const Filter &filter, Totals *totals)
{
    const Condition c = condition(filter);
    list.close();
    // Count and total first: nothing listed stops here, and the count tells
    // the renumbering how many rows it numbers. One renumbering pass over
    // the listed receipts, in list order, unless no row changed since the
    // same filter numbered them.
    const QString key = filterKey(filter);
    Totals t;
    const bool unchanged = filter.history && unchangedSinceNumbered(key, &t);
    if (!unchanged)
        t = HistoryQuery::totals(dm, filter);
    if (totals)
        *totals = t;
    if (t.count == 0)
        return false;
    if (filter.history && !unchanged) {
        if (!Serials::RenumberHistoryResult(dm, c.sql, kListOrder, c.binds, t.count))
            return false;
        markNumbered(key, t);
    }
    // The history's rows are read by their numbers (numberedRows); the list
    // holds its first row. The deleted receipts are listed whole.
    if (filter.history)
        prepare(list,
                QStringLiteral("select * from %1 indexed by P_ORDERDBAK_numbered where pxxh is not 0 and (%2) order by pxxh limit 1")
                    .arg(Receipts::kHistoryTable, c.sql),
                c.binds);
    else
        prepare(list, QStringLiteral("select * from %1 where %2 order by %3 ").arg(table(filter), c.sql, kListOrder), c.binds);
    list.open();
    if (list.isEmpty()) {
        list.close();
        return false;
    }
    return true;
}

NumberedRows numberedRows(const Filter &filter, qint64 first, qint64 last)
{
    const Condition c = condition(filter);
    QSqlQuery q(QSqlDatabase::database(TDemoDM::kConnectionName, false));
    q.setForwardOnly(true);
    // The index of the numbered rows finds the stretch (named, so that no
    // index of the condition's columns is taken instead); the condition
    // only checks it.
    if (!q.prepare(QStringLiteral("select * from %1 indexed by P_ORDERDBAK_numbered"
                                  " where pxxh is not 0 and pxxh between :wfirst and :wlast and (%2) order by pxxh, %3")
                       .arg(Receipts::kHistoryTable, c.sql, kListOrder)))
        throw AppError(q.lastError().text());
    q.bindValue(QStringLiteral(":wfirst"), first);
    q.bindValue(QStringLiteral(":wlast"), last);
    for (const auto &b : c.binds)
        q.bindValue(QLatin1Char(':') + b.first, TNamedQuery::toDbValue(b.second));
    if (!q.exec())
        throw AppError(q.lastError().text());
    NumberedRows out;
    const QSqlRecord rec = q.record();
    const int columns = rec.count();
    int numberColumn = -1;
    for (int i = 0; i < columns; ++i) {
        out.names << rec.fieldName(i);
        if (rec.fieldName(i).compare(QLatin1String("pxxh"), Qt::CaseInsensitive) == 0)
            numberColumn = i;
    }
    if (numberColumn < 0)
        throw AppError(QStringLiteral("列表没有序号列"));
    while (q.next()) {
        const qint64 number = q.value(numberColumn).toLongLong();
        // Two rows of one number: the first in list order is the listed one.
        if (!out.numbers.isEmpty() && out.numbers.last() == number)
            continue;
        QList<QVariant> row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row << q.value(i);
        out.numbers << number;
        out.rows << std::move(row);
    }
    if (q.lastError().isValid())
        throw AppError(q.lastError().text());
    return out;
}

Totals totals(TDemoDM &dm, const Filter &filter)
{
    const Condition c = condition(filter);
    // Count and total in one pass over the result's rows, found through the
    // same index as the list's.
    TNamedQuery &t = dm.qcx;
    prepare(t, QStringLiteral("select sum(cost) as expr1001, count(*) as expr1002 from %1 where %2").arg(table(filter), c.sql),
            c.binds);
    t.open();
    Totals totals;
    if (!t.isEmpty()) {
        totals.total = t.value(QStringLiteral("expr1001")).toDouble();
        totals.count = t.value(QStringLiteral("expr1002")).toLongLong();
    }
    t.close();
    return totals;
}

void openExport(TNamedQuery &query, const Filter &filter)
{
    const Condition c = conditionOf(filter, true);
    prepare(query,
            QStringLiteral(
                "select pxxh as 序号,sjxh as 收据号,nf as 年度,yf as 月份,bhmc as 户名,bhh as 户号,sccjd as 上月抄电量,"
                "bccjd as 本月抄电量,shsld as 损耗电费量,cjdl as 用电量,dj as 电费单价,jed as 电费  "
                " ,sccjds as 上月抄水量,bccjds as 本月抄水量,shsls as 损耗水费量,cjdls as 用水量,djs as 水费单价,jes as 水费,"
                "qtfy as 其它费用,fzfy as 房租费用,cost as 总金额,cmc as 区域,cbr as 抄表人,skr as 收款人 ,rq as 填表日期 "
                "from P_ORDERDBAK where %1 order by nf,yf,bhmc ")
                .arg(c.sql),
            c.binds);
    query.open();
}

namespace {

void run(QSqlQuery &q, const QString &sql, const QHash<QString, QVariant> &binds)
{
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw AppError(q.lastError().text());
    // The names carry their colon and the values their stored form.
    for (auto it = binds.begin(); it != binds.end(); ++it)
        q.bindValue(it.key(), it.value());
    if (!q.exec())
        throw AppError(q.lastError().text());
}

} // namespace

ForwardRows::ForwardRows(const TNamedQuery &query) : m_query(QSqlDatabase::database(TDemoDM::kConnectionName, false))
{
    {
        QSqlQuery c(QSqlDatabase::database(TDemoDM::kConnectionName, false));
        run(c, QStringLiteral("select count(*) from (%1)").arg(query.sql()), query.bindings());
        m_count = c.next() ? c.value(0).toLongLong() : 0;
    }
    run(m_query, query.sql(), query.bindings());
    m_columns = m_query.record().count();
}

QStringList ForwardRows::names() const
{
    QStringList names;
    const QSqlRecord rec = m_query.record();
    for (int c = 0; c < rec.count(); ++c)
        names << rec.fieldName(c);
    return names;
}

bool ForwardRows::next(QVariantList *row)
{
    row->clear();
    if (!m_query.next())
        return false;
    row->reserve(m_columns);
    for (int c = 0; c < m_columns; ++c)
        *row << m_query.value(c);
    return true;
}

} // namespace HistoryQuery
