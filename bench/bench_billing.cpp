// The month's billing of 2,000 households: a filled reading sheet (as a
// comma-separated file) read, every row checked against the database (six
// months of earlier receipts each), and the 2,000 unpaid bills stored in one
// transaction.
#include "benchcommon.h"
#include "benchdb.h"

#include "billing/billingrun.h"
#include "billing/readingsheet.h"
#include "data/demodm.h"
#include "settings/global.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

const Bench::Register billing(QStringLiteral("billing-import-2000"), [] {
    constexpr int kHouseholds = 2000;
    BenchDatabase db;
    TGlobal global{db.dir() + QStringLiteral("/mtrfee.ini")};
    db.addHouseholds(kHouseholds);
    // Six earlier months of every household in the history.
    db.exec(QStringLiteral(
        "with recursive n(i) as (select 0 union all select i + 1 from n where i < %1)"
        " insert into P_ORDERDBAK(bhmc,nf,yf,cjdl,cjdls,bccjd,bccjds,sjxh,lbmc,fkzt)"
        " select '住户' || (i / 6), '2023', printf('%02d', 7 + i % 6), 50, 5, 1000 + (i % 6) * 50, 100 + (i % 6) * 5,"
        " printf('9%07d', i), '销售单', '已付款' from n").arg(kHouseholds * 6 - 1));
    QByteArray csv = "社区,户号,户名,上月电表数,上月水表数,本月电表数,本月水表数\n";
    for (int i = 0; i < kHouseholds; ++i)
        csv += QStringLiteral("温州,%1-%2,住户%3,,,%4,%5\n")
                   .arg(i / 1000 + 1).arg(i % 1000 + 100).arg(i).arg(1300 + i % 70 + 0.5).arg(130 + i % 9)
                   .toUtf8();
    const Billing::BillSettings settings{"2024", "01", "2024-01-31", "0.56", "3.15", "李四", "王五"};
    int stored = 0;
    const double ms = Bench::medianMs(
        5,
        [&] {
            const QList<QStringList> cells = ReadingSheet::parseCsv(csv);
            const QList<Billing::CheckedRow> rows =
                BillingRun::preview(db.dm(), ReadingSheet::rowsOf(cells, ReadingSheet::recognise(cells)), "2024", "01");
            stored = BillingRun::generate(db.dm(), rows, settings).stored;
        },
        [&] {
            db.exec(QStringLiteral("delete from P_ORDERD"));
            db.exec(QStringLiteral("delete from bciidb"));
            db.exec(QStringLiteral("update sjxhb set sjxh=0"));
        });
    Bench::report(QStringLiteral("billing-import-2000 (%1 bills)").arg(stored), ms);
});

} // namespace
