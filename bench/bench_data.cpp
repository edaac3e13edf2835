// Serial numbers and sort index: renumbering current receipts and the
// history result, each beside the same work as one bare SQL statement.
#include "benchcommon.h"
#include "benchdb.h"

#include "data/demodm.h"
#include "data/serials.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

void bareInTransaction(const QString &sql)
{
    QSqlDatabase db = QSqlDatabase::database(TDemoDM::kConnectionName);
    db.transaction();
    QSqlQuery q(db);
    q.exec(sql);
    db.commit();
}

const Bench::Register renumberCurrent(QStringLiteral("renumber-current"), [] {
    BenchDatabase b;
    b.addCurrentReceipts(10000);
    const int reps = 15;
    // Every row out of place: a full rewrite.
    auto scramble = [&b] { b.exec(QStringLiteral("update P_ORDERD set pxxh = 0")); };
    Bench::report(QStringLiteral("renumber-current-10k"),
                  Bench::medianMs(reps, [&b] { Serials::RenumberCurrentReceipts(b.dm()); }, scramble));
    Bench::report(QStringLiteral("renumber-current-10k-bare"),
                  Bench::medianMs(reps, [] {
                      bareInTransaction(QStringLiteral(
                          "update p_orderd set pxxh = r.k from (select iid, row_number() over (order by iid) as k"
                          " from p_orderd) as r where p_orderd.iid = r.iid"));
                  }, scramble));
    // The usual case after a save: one new receipt at the end.
    Serials::RenumberCurrentReceipts(b.dm());
    auto appendOne = [&b] {
        b.exec(QStringLiteral("delete from P_ORDERD where iid = (select max(iid) from P_ORDERD)"));
        b.addCurrentReceipts(1);
    };
    Bench::report(QStringLiteral("renumber-current-10k-after-save"),
                  Bench::medianMs(reps, [&b] { Serials::RenumberCurrentReceipts(b.dm()); }, appendOne));
});

const Bench::Register renumberHistory(QStringLiteral("renumber-history"), [] {
    BenchDatabase b;
    b.addHistoryReceipts(100000);
    const int reps = 7;
    auto resultIids = [](const QString &where) {
        QList<qint64> iids;
        QSqlQuery q(QSqlDatabase::database(TDemoDM::kConnectionName));
        q.exec(QStringLiteral("select iid from P_ORDERDBAK %1 order by nf, yf, sjxh").arg(where));
        while (q.next())
            iids << q.value(0).toLongLong();
        return iids;
    };
    const QList<qint64> all = resultIids(QString());
    const QList<qint64> oneMonth = resultIids(QStringLiteral("where nf = '2016' and yf = '03'"));
    auto scramble = [&b] { b.exec(QStringLiteral("update P_ORDERDBAK set pxxh = 7")); };
    Bench::report(QStringLiteral("renumber-history-100k"),
                  Bench::medianMs(reps, [&] { Serials::RenumberHistoryResult(b.dm(), all); }, scramble));
    Bench::report(QStringLiteral("renumber-history-100k-bare"),
                  Bench::medianMs(reps, [] {
                      bareInTransaction(QStringLiteral(
                          "update P_ORDERDBAK set pxxh = coalesce((select r.k from (select iid, row_number() over"
                          " (order by nf, yf, sjxh) as k from P_ORDERDBAK) r where r.iid = P_ORDERDBAK.iid), 0)"));
                  }, scramble));
    // A result of one month (1,000 rows) after an earlier full result.
    auto previousFull = [&] { Serials::RenumberHistoryResult(b.dm(), all); };
    Bench::report(QStringLiteral("renumber-history-100k-month-result"),
                  Bench::medianMs(reps, [&] { Serials::RenumberHistoryResult(b.dm(), oneMonth); }, previousFull));
    Bench::report(QStringLiteral("renumber-history-100k-month-result-bare"),
                  Bench::medianMs(reps, [] {
                      bareInTransaction(QStringLiteral(
                          "update P_ORDERDBAK set pxxh = coalesce((select r.k from (select iid, row_number() over"
                          " (order by nf, yf, sjxh) as k from P_ORDERDBAK where nf = '2016' and yf = '03') r"
                          " where r.iid = P_ORDERDBAK.iid), 0)"));
                  }, previousFull));
});

} // namespace
