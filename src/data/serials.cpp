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
    TNamedQuery &q = dm.qxh;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("select max(sjxh) as expr1001 from sjxhb where lbmc= :lbmc "));
    q.bind(QStringLiteral("lbmc"), category);
    q.open();
    qint64 value = 0;
    if (!q.isEmpty())
        value = q.value(QStringLiteral("expr1001")).toLongLong(); // NULL reads as 0
    q.close();
    return value;
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
    TNamedQuery &q = dm.qpd;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("select count(*) as expr1001 from bciidb where sjxh= :sjxh and lbmc= :lbmc "));
    q.bind(QStringLiteral("sjxh"), serial);
    q.bind(QStringLiteral("lbmc"), category);
    q.open();
    const bool issued = q.value(QStringLiteral("expr1001")).toLongLong() != 0;
    q.close();
    return issued;
}

void IssueSerial(TDemoDM &dm, const QString &serial, const QString &category)
{
    // The number must be readable before anything is written.
    bool ok = false;
    const qint64 number = serial.trimmed().toLongLong(&ok);
    if (!ok)
        throw AppError(QStringLiteral("“%1”不是有效的整数").arg(serial));

    DbTransaction tx(dm);
    TNamedQuery &q = dm.qins;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("insert into bciidb(sjxh,lbmc) values(:sjxh,:lbmc)"));
    q.bind(QStringLiteral("sjxh"), serial);
    q.bind(QStringLiteral("lbmc"), category);
    q.exec();

    TNamedQuery &u = dm.qup;
    u.close();
    u.clearSql();
    u.addSql(QStringLiteral("update sjxhb set sjxh= :sjxh where lbmc= :lbmc "));
    u.bind(QStringLiteral("sjxh"), number);
    u.bind(QStringLiteral("lbmc"), category);
    u.exec();
    if (u.rowsAffected() == 0) {
        // A category met for the first time gets its counter row, so the
        // counter always advances.
        u.close();
        u.clearSql();
        u.addSql(QStringLiteral("insert into sjxhb(lbmc,sjxh) values(:lbmc,:sjxh)"));
        u.bind(QStringLiteral("sjxh"), number);
        u.bind(QStringLiteral("lbmc"), category);
        u.exec();
    }
    tx.commit();
}

void RenumberCurrentReceipts(TDemoDM &dm)
{
    // One pass over the table in entry order; rows already in place are
    // not rewritten, so appending a receipt touches one row.
    DbTransaction tx(dm);
    TNamedQuery &u = dm.qup;
    u.close();
    u.clearSql();
    u.addSql(QStringLiteral(
        "update p_orderd set pxxh = r.k"
        " from (select iid, row_number() over (order by iid) as k from p_orderd) as r"
        " where p_orderd.iid = r.iid and p_orderd.pxxh is not r.k"));
    u.exec();
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

    // The k-th receipt of the result gets k, every other history receipt 0;
    // rows that already hold their number are not rewritten.
    TNamedQuery &u = dm.qup2;
    u.close();
    u.clearSql();
    u.addSql(QStringLiteral(
        "update P_ORDERDBAK  set pxxh= k from (select b.iid as bid, coalesce(r.k, :pxxh) as k"
        " from P_ORDERDBAK b left join temp.result_order r on r.iid = b.iid) as n"
        " where P_ORDERDBAK.iid = n.bid and P_ORDERDBAK.pxxh is not n.k"));
    u.bind(QStringLiteral("pxxh"), 0);
    u.exec();
    run(QStringLiteral("delete from temp.result_order"));
    tx.commit();
}

} // namespace Serials
