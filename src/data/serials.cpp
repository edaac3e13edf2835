#include "data/serials.h"

#include "common/apperror.h"
#include "data/demodm.h"
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

qint64 SerialNumber(const QString &serial)
{
    bool ok = false;
    const qint64 number = serial.trimmed().toLongLong(&ok);
    if (!ok)
        throw AppError(QStringLiteral("“%1”不是有效的整数").arg(serial));
    return number;
}

void IssueSerial(TDemoDM &dm, const QString &serial, const QString &category)
{
    // The number must be readable before anything is written.
    const qint64 number = SerialNumber(serial);
    DbTransaction tx(dm);
    dm.qins.run(QStringLiteral("insert into bciidb(sjxh,lbmc) values(:sjxh,:lbmc)"), {{"sjxh", serial}, {"lbmc", category}});
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

void RenumberHistoryResult(TDemoDM &dm, const QList<qint64> &resultIids)
{
    DbTransaction tx(dm);
    QSqlDatabase db = QSqlDatabase::database(TDemoDM::kConnectionName, false);
    QSqlQuery q(db);
    auto run = [&q](const QString &sql) {
        if (!q.exec(sql))
            throw AppError(q.lastError().text());
    };
    // The result's order, keyed by iid for the update below.
    run(QStringLiteral("create temp table if not exists result_order (iid integer primary key, k integer)"));
    run(QStringLiteral("delete from temp.result_order"));
    if (!resultIids.isEmpty()) {
        QSqlQuery ins(db);
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

    // The k-th receipt of the result gets k, every other history receipt 0.
    // Only rows whose number changes are written, and only the numbered rows
    // of the last result and the rows of this one are read: the reset walks
    // the rows whose number is not 0 (an index of just those rows keeps that
    // short), the numbering looks up the result's rows by iid.
    dm.qup2.run(QStringLiteral("update P_ORDERDBAK  set pxxh= :pxxh where pxxh is not 0"
                               " and iid not in (select iid from temp.result_order)"),
                {{"pxxh", 0}});
    dm.qup2.run(QStringLiteral("update P_ORDERDBAK  set pxxh= (select r.k from temp.result_order r where r.iid = P_ORDERDBAK.iid)"
                               " where iid in (select iid from temp.result_order)"
                               " and pxxh is not (select r.k from temp.result_order r where r.iid = P_ORDERDBAK.iid)"));
    run(QStringLiteral("delete from temp.result_order"));
    tx.commit();
}

} // namespace Serials
