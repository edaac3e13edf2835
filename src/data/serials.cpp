#include "data/serials.h"

#include "common/apperror.h"
#include "data/demodm.h"
#include "data/schema.h"
#include "text/numtext.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace Serials {

QString SerialText(qint64 number)
{
    if (number < 0 || number > 99999999)
        return QString();
    return QStringLiteral("%1").arg(number, 8, 10, QLatin1Char('0'));
}

qint64 ReadCounter(TDemoDM &dm, const QString &category)
{
    // No row or NULL reads as 0.
    return dm.qxh.count(QStringLiteral("select max(sjxh) as expr1001 from sjxhb where lbmc= :lbmc "), {{"lbmc", category}});
}

QString NextReceiptSerial(TDemoDM &dm, const QString &category)
{
    const qint64 counter = ReadCounter(dm, category);
    if (counter == 0)
        return QStringLiteral("00000001");
    return SerialText(counter + 1);
}

bool IsSerialIssued(TDemoDM &dm, const QString &serial, const QString &category)
{
    return dm.qpd.count(QStringLiteral("select count(*) as expr1001 from bciidb where sjxh= :sjxh and lbmc= :lbmc "),
                        {{"sjxh", serial}, {"lbmc", category}})
        != 0;
}

QString FreeSerial(TDemoDM &dm, const QString &category)
{
    for (qint64 n = ReadCounter(dm, category) + 1;; ++n) {
        const QString text = SerialText(n);
        if (text.isEmpty())
            throw AppError(kSerialsUsedUp);
        if (!IsSerialIssued(dm, text, category))
            return text;
    }
}

qint64 SerialNumber(const QString &serial)
{
    bool ok = false;
    const qint64 number = serial.trimmed().toLongLong(&ok);
    if (!ok)
        throw AppError(QStringLiteral("“%1”不是有效的整数").arg(serial));
    return number;
}

void RegisterSerial(TDemoDM &dm, const QString &serial, const QString &category)
{
    dm.qins.run(QStringLiteral("insert into bciidb(sjxh,lbmc) values(:sjxh,:lbmc)"), {{"sjxh", serial}, {"lbmc", category}});
}

void IssueSerial(TDemoDM &dm, const QString &serial, const QString &category)
{
    // The number must be readable before anything is written.
    const qint64 number = SerialNumber(serial);
    DbTransaction tx(dm);
    RegisterSerial(dm, serial, category);
    TNamedQuery &u = dm.qup;
    u.run(QStringLiteral("update sjxhb set sjxh= :sjxh where lbmc= :lbmc "), {{"sjxh", number}, {"lbmc", category}});
    if (u.rowsAffected() == 0) {
        // A category met for the first time gets its counter row, so the
        // counter always advances.
        u.run(QStringLiteral("insert into sjxhb(lbmc,sjxh) values(:lbmc,:sjxh)"), {{"sjxh", number}, {"lbmc", category}});
    }
    tx.commit();
}

void RenumberCurrentReceipts(TDemoDM &dm)
{
    // One pass over the table in entry order; rows already in place are
    // not rewritten, so appending a receipt touches one row.
    DbTransaction tx(dm);
    dm.qup.run(QStringLiteral(
        "update p_orderd set pxxh = r.k"
        " from (select iid, row_number() over (order by iid) as k from p_orderd) as r"
        " where p_orderd.iid = r.iid and p_orderd.pxxh is not r.k"));
    tx.commit();
}

namespace {

qint64 rebuildIndexFrom = 100000;

QSqlQuery resultOrderQuery()
{
    return QSqlQuery(QSqlDatabase::database(TDemoDM::kConnectionName, false));
}

void runPlain(QSqlQuery &q, const QString &sql)
{
    if (!q.exec(sql))
        throw AppError(q.lastError().text());
}

// An empty table of the result's order, keyed by iid for the updates below.
void clearResultOrder(QSqlQuery &q)
{
    runPlain(q, QStringLiteral("create temp table if not exists result_order (iid integer primary key, k integer)"));
    runPlain(q, QStringLiteral("delete from temp.result_order"));
}

// The k-th receipt of the result gets k, every other history receipt 0.
// Only rows whose number changes are written, and only the numbered rows
// of the last result and the rows of this one are read: the reset walks
// the rows whose number is not 0 (an index of just those rows keeps that
// short), the numbering looks up the result's rows by iid.
void applyResultOrder(TDemoDM &dm, QSqlQuery &q)
{
    dm.qup2.run(QStringLiteral("update P_ORDERDBAK  set pxxh= :pxxh where pxxh is not 0"
                               " and iid not in (select iid from temp.result_order)"),
                {{"pxxh", 0}});
    dm.qup2.run(QStringLiteral("update P_ORDERDBAK  set pxxh= (select r.k from temp.result_order r where r.iid = P_ORDERDBAK.iid)"
                               " where iid in (select iid from temp.result_order)"
                               " and pxxh is not (select r.k from temp.result_order r where r.iid = P_ORDERDBAK.iid)"));
    runPlain(q, QStringLiteral("delete from temp.result_order"));
}

} // namespace

void RenumberHistoryResult(TDemoDM &dm, const QList<qint64> &resultIids)
{
    DbTransaction tx(dm);
    QSqlQuery q = resultOrderQuery();
    clearResultOrder(q);
    if (!resultIids.isEmpty()) {
        QSqlQuery ins = resultOrderQuery();
        if (!ins.prepare(QStringLiteral("insert or ignore into temp.result_order(iid, k) values(?, ?)")))
            throw AppError(ins.lastError().text());
        qint64 k = 0;
        for (qint64 iid : resultIids) {
            ins.bindValue(0, iid);
            ins.bindValue(1, ++k);
            if (!ins.exec())
                throw AppError(ins.lastError().text());
        }
    }
    applyResultOrder(dm, q);
    tx.commit();
}

qint64 RebuildIndexFrom()
{
    return rebuildIndexFrom;
}

void SetRebuildIndexFrom(qint64 rows)
{
    rebuildIndexFrom = rows;
}

bool RenumberHistoryResult(TDemoDM &dm, const QString &condition, const QString &order,
                           const QList<QPair<QString, QVariant>> &binds, qint64 resultRows)
{
    DbTransaction tx(dm);
    auto run = [&binds](const QString &sql) {
        QSqlQuery q = resultOrderQuery();
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            throw AppError(q.lastError().text());
        for (const auto &b : binds)
            if (sql.contains(QLatin1Char(':') + b.first))
                q.bindValue(QLatin1Char(':') + b.first, TNamedQuery::toDbValue(b.second));
        if (!q.exec())
            throw AppError(q.lastError().text());
        return q.next() ? q.value(0).toLongLong() : 0;
    };
    if (resultRows < 0)
        resultRows = run(QStringLiteral("select count(*) from P_ORDERDBAK where %1").arg(condition));
    // A result without rows leaves every number as it was.
    if (resultRows == 0)
        return false;
    // When the result is most of a long history nearly every row gets a new
    // number; building the index of the numbered rows afresh afterwards then
    // costs less than moving a million entries in it one by one (it saves
    // about a tenth of the time at a million rows). In the transaction: a failure
    // or a stop in between leaves the index as it was.
    const bool rebuildIndex = resultRows >= RebuildIndexFrom()
        && resultRows * 2 >= run(QStringLiteral("select count(*) from P_ORDERDBAK"));
    if (rebuildIndex)
        run(QStringLiteral("drop index if exists %1").arg(Schema::kNumberedHistoryIndexName));
    // Nothing of the result is read into the program, however long it is.
    // First the result's rows whose position changed get it; the old number
    // travels with the position, so an unchanged row is passed over before
    // it is looked up again.
    run(QStringLiteral("update P_ORDERDBAK set pxxh = r.k"
                       " from (select iid, pxxh as old, row_number() over (order by %1) as k from P_ORDERDBAK where %2) as r"
                       " where r.old is not r.k and P_ORDERDBAK.iid = r.iid")
            .arg(order, condition));
    if (rebuildIndex)
        run(Schema::numberedHistoryIndex());
    // Then the numbered rows outside the result go back to 0 (a row for
    // which the condition is unknown is outside). The result's rows now hold
    // 1 to resultRows once each, so when no more rows are numbered than
    // that (counted in the index of the numbered rows) there are none.
    if (run(QStringLiteral("select count(*) from P_ORDERDBAK where pxxh is not 0")) != resultRows)
        run(QStringLiteral("update P_ORDERDBAK set pxxh = 0 where pxxh is not 0 and not coalesce((%1), 0)").arg(condition));
    tx.commit();
    return true;
}

} // namespace Serials
