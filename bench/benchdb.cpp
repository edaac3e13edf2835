#include "benchdb.h"

#include "common/apppaths.h"
#include "data/demodm.h"
#include "data/serials.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>

BenchDatabase::BenchDatabase()
{
    AppPaths::setProgramDir(m_dir.path());
    // For looking at a seeded file afterwards with the sqlite3 shell.
    if (qEnvironmentVariableIsSet("MTRFEE_BENCH_KEEP")) {
        m_dir.setAutoRemove(false);
        std::fprintf(stderr, "bench: database kept in %s\n", qPrintable(m_dir.path()));
    }
    m_dm = std::make_unique<TDemoDM>();
    if (!m_dm->open())
        std::fprintf(stderr, "bench: cannot open database: %s\n", qPrintable(m_dm->lastOpenError()));
}

BenchDatabase::~BenchDatabase()
{
    m_dm.reset();
}

void BenchDatabase::exec(const QString &sql)
{
    QSqlQuery q(QSqlDatabase::database(TDemoDM::kConnectionName));
    if (!q.exec(sql))
        std::fprintf(stderr, "bench: %s: %s\n", qPrintable(sql), qPrintable(q.lastError().text()));
}

namespace {
void addReceipts(const QString &table, int count, int serialBase)
{
    QSqlDatabase db = QSqlDatabase::database(TDemoDM::kConnectionName);
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral(
                  "insert into %1 (BILLID, ITEMNO, GOODSID, QTY, PRICE, TAXRATE, DISC, EXEQTY, STOPED, CANCELED, rq, jkdw, sjxh,"
                  " sppy, Bzsm, zg, kj, skr, cost, pxxh, lbmc, fkzt, cmc, nf, yf, bzsm1, bhmc, bhh, sccjd, bccjd, bl, cjdl,"
                  " bdl, hbdl, hjdl, dj, cbr, sccjds, bccjds, cjdls, djs, jed, jes, shsld, shsls, qtfy, fzfy)"
                  " values (1,1,1,1,1,1,1,1,1,1, ?, '1', ?, '    ', '    ', '  ', '  ', '张三', ?, 0, '销售单', '已付款', '温州',"
                  " ?, ?, ?, ?, ?, ?, ?, 1, ?, 0, 0, 0, 0.5, '李四', ?, ?, ?, 2, ?, ?, 0, 0, 0, 100)")
                  .arg(table));
    for (int i = 0; i < count; ++i) {
        const int year = 2015 + (i / 12000) % 10;
        const int month = 1 + (i / 1000) % 12;
        const QString nf = QString::number(year);
        const QString yf = QStringLiteral("%1").arg(month, 2, 10, QLatin1Char('0'));
        q.addBindValue(QStringLiteral("%1-%2-05").arg(nf, yf));
        q.addBindValue(Serials::SerialText(serialBase + i + 1));
        q.addBindValue(156.1);
        q.addBindValue(nf);
        q.addBindValue(yf);
        q.addBindValue(nf + QStringLiteral("年") + yf + QStringLiteral("月电费"));
        q.addBindValue(QStringLiteral("%1号楼%2").arg(i % 50 + 1).arg(100 + i % 1000));
        q.addBindValue(QStringLiteral("%1-%2").arg(i % 50 + 1).arg(100 + i % 1000));
        q.addBindValue(1000.0 + i);
        q.addBindValue(1050.0 + i);
        q.addBindValue(50.0);
        q.addBindValue(20.0);
        q.addBindValue(35.0);
        q.addBindValue(15.0);
        q.addBindValue(25.0);
        q.addBindValue(30.0);
        if (!q.exec()) {
            std::fprintf(stderr, "bench: insert: %s\n", qPrintable(q.lastError().text()));
            break;
        }
    }
    db.commit();
}
} // namespace

void BenchDatabase::addCurrentReceipts(int count)
{
    addReceipts(QStringLiteral("P_ORDERD"), count, 0);
}

void BenchDatabase::addHistoryReceipts(int count)
{
    addReceipts(QStringLiteral("P_ORDERDBAK"), count, 1000000);
}

void BenchDatabase::seedHistory(int count)
{
    const int perMonth = (count + 119) / 120;
    QSqlDatabase db = QSqlDatabase::database(TDemoDM::kConnectionName);
    db.transaction();
    exec(QStringLiteral(
             "with recursive n(i) as (select 0 union all select i + 1 from n where i + 1 < @COUNT@),"
             " g as (select i, i / @PER@ as m, (i % @PER@) % 2000 as h from n)"
             " insert into P_ORDERDBAK (BILLID, ITEMNO, GOODSID, QTY, PRICE, TAXRATE, DISC, EXEQTY, STOPED, CANCELED,"
             " rq, jkdw, sjxh, sppy, Bzsm, zg, kj, skr, cost, pxxh, lbmc, fkzt, cmc, nf, yf, bzsm1, bhmc, bhh,"
             " sccjd, bccjd, bl, cjdl, bdl, hbdl, hjdl, dj, cbr, sccjds, bccjds, cjdls, djs, jed, jes, shsld, shsls,"
             " qtfy, fzfy)"
             " select 1,1,1,1,1,1,1,1,0,0,"
             " printf('%04d-%02d-05', 2015 + m / 12, 1 + m % 12), '1', printf('%08d', i + 1),"
             " '    ', '    ', '  ', '  ', '张三', 100 + (i % 97) * 0.5, 0, '销售单', '已付款',"
             " printf('小区%02d', h / 100 + 1), printf('%04d', 2015 + m / 12), printf('%02d', 1 + m % 12),"
             " printf('%04d年%02d月电费', 2015 + m / 12, 1 + m % 12),"
             " printf('%s区小区%02d-%d号楼%d', substr('东西南北', h / 500 + 1, 1), h / 100 + 1, (h % 100) / 20 + 1,"
             " 101 + h % 20),"
             " printf('%02d-%d-%d', h / 100 + 1, (h % 100) / 20 + 1, 101 + h % 20),"
             " 1000 + m * 50, 1050 + m * 50, 1, 50, 0, 0, 50, 0.5, '李四', 300 + m * 5, 305 + m * 5, 5, 2, 25, 10,"
             " 0, 0, 0, 100 from g")
             .replace(QStringLiteral("@COUNT@"), QString::number(count))
             .replace(QStringLiteral("@PER@"), QString::number(perMonth)));
    db.commit();
}

bool BenchDatabase::hasNumberedIndex()
{
    QSqlQuery q(QSqlDatabase::database(TDemoDM::kConnectionName));
    return q.exec(QStringLiteral("select count(*) from sqlite_master where type = 'index' and name = 'P_ORDERDBAK_numbered'"))
        && q.next() && q.value(0).toInt() > 0;
}

void BenchDatabase::addHouseholds(int count)
{
    QSqlDatabase db = QSqlDatabase::database(TDemoDM::kConnectionName);
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("insert into hhb(hh, hm, cmc, hmpy, cmcpy, hhpy, dd, dds) values(?, ?, '温州', ?, 'wz', ?, 0, 0)"));
    static const char *const initials = "abcdefghjklmnpqrstwxyz";
    for (int i = 0; i < count; ++i) {
        const QString hh = QStringLiteral("%1-%2").arg(i / 1000 + 1).arg(i % 1000 + 100);
        QString py;
        for (int k = 0, v = i; k < 3; ++k, v /= 22)
            py += QLatin1Char(initials[v % 22]);
        q.addBindValue(hh);
        q.addBindValue(QStringLiteral("住户%1").arg(i));
        q.addBindValue(py);
        q.addBindValue(hh);
        q.exec();
    }
    db.commit();
}
