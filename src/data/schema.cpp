#include "data/schema.h"

#include "common/apperror.h"
#include "data/passwords.h"
#include "data/receiptcolumns.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

QString detailTable(const char *name)
{
    return QStringLiteral(
               "CREATE TABLE %1 (iid INTEGER PRIMARY KEY AUTOINCREMENT, spmc TEXT COLLATE NOCASE,"
               " jkdw TEXT COLLATE NOCASE, je REAL, rq TEXT, lbmc TEXT COLLATE NOCASE,"
               " sjxh TEXT COLLATE NOCASE)")
        .arg(QLatin1String(name));
}

void run(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw AppError(q.lastError().text() + QStringLiteral("\n") + sql);
}

// Version 1: the tables, the counter row and the first employee.
QStringList version1()
{
    QStringList s;
    // Text columns compare without regard to letter case, as the statements
    // of the program expect of "=" and "like".
    for (const char *t : {"P_ORDERD", "P_ORDERDBAK", "p_orderd_del"})
        s << ReceiptColumns::createStatement(QLatin1String(t));
    s << detailTable("sjmxb") << detailTable("sjmxbbak") << detailTable("sjmxb_del");
    s << QStringLiteral(
        "CREATE TABLE hhb (hh TEXT COLLATE NOCASE, hm TEXT COLLATE NOCASE, cmc TEXT COLLATE NOCASE,"
        " hmpy TEXT COLLATE NOCASE, cmcpy TEXT COLLATE NOCASE, hhpy TEXT COLLATE NOCASE,"
        " dd REAL, dds REAL, iid INTEGER PRIMARY KEY AUTOINCREMENT)");
    s << QStringLiteral(
        "CREATE TABLE zgxxb (zgxm TEXT COLLATE NOCASE, py TEXT COLLATE NOCASE, mm TEXT COLLATE NOCASE,"
        " bz TEXT COLLATE NOCASE, iid INTEGER PRIMARY KEY AUTOINCREMENT)");
    s << QStringLiteral("CREATE TABLE sjxhb (lbmc TEXT COLLATE NOCASE, sjxh INTEGER)");
    s << QStringLiteral("CREATE TABLE bciidb (sjxh TEXT COLLATE NOCASE, lbmc TEXT COLLATE NOCASE)");
    s << QStringLiteral("CREATE TABLE kdfb (hm TEXT COLLATE NOCASE, kdf REAL, hzf REAL)");
    s << QStringLiteral("CREATE TABLE spdwb (iid INTEGER PRIMARY KEY AUTOINCREMENT, spdwmc TEXT COLLATE NOCASE)");
    s << QStringLiteral("CREATE TABLE bzb (iid INTEGER PRIMARY KEY AUTOINCREMENT, bzsm TEXT COLLATE NOCASE)");
    s << QStringLiteral("CREATE TABLE jkdwmcb (iid INTEGER PRIMARY KEY AUTOINCREMENT, jkdwmc TEXT COLLATE NOCASE)");
    s << QStringLiteral("CREATE TABLE lbb (iid INTEGER PRIMARY KEY AUTOINCREMENT, lbmc TEXT COLLATE NOCASE)");

    // Look-ups by key and by prefix (LIKE with NOCASE can use these).
    s << QStringLiteral("CREATE UNIQUE INDEX sjxhb_lbmc ON sjxhb(lbmc)");
    s << QStringLiteral("CREATE UNIQUE INDEX bciidb_key ON bciidb(sjxh, lbmc)");
    s << QStringLiteral("CREATE UNIQUE INDEX zgxxb_py ON zgxxb(py)");
    s << QStringLiteral("CREATE INDEX hhb_hm ON hhb(hm)");
    s << QStringLiteral("CREATE INDEX hhb_hmpy ON hhb(hmpy)");
    s << QStringLiteral("CREATE INDEX hhb_hh ON hhb(hh)");
    s << QStringLiteral("CREATE INDEX kdfb_hm ON kdfb(hm)");
    for (const char *t : {"P_ORDERD", "P_ORDERDBAK", "p_orderd_del"}) {
        s << QStringLiteral("CREATE INDEX %1_sjxh ON %1(sjxh, lbmc)").arg(QLatin1String(t));
        s << QStringLiteral("CREATE INDEX %1_bhmc ON %1(bhmc, nf, yf)").arg(QLatin1String(t));
    }
    s << QStringLiteral("CREATE INDEX P_ORDERDBAK_pxxh ON P_ORDERDBAK(pxxh)");
    s << QStringLiteral("CREATE INDEX P_ORDERDBAK_rq ON P_ORDERDBAK(rq)");
    s << QStringLiteral("CREATE INDEX sjmxbbak_sjxh ON sjmxbbak(sjxh, lbmc)");

    s << QStringLiteral("INSERT INTO sjxhb(lbmc, sjxh) VALUES ('%1', 0)").arg(Schema::kReceiptCategory);
    s << QStringLiteral("INSERT INTO lbb(lbmc) VALUES ('%1')").arg(Schema::kReceiptCategory);
    s << QStringLiteral("INSERT INTO zgxxb(zgxm, py, mm, bz) VALUES ('%1', '%2', '%3', '收款人')")
             .arg(Schema::kFirstEmployeeName, Schema::kFirstEmployeeCode, Schema::kDefaultPassword);
    return s;
}

// Version 2: the history list's order (year, month, number) needs no sort.
QStringList version2()
{
    return {QStringLiteral("CREATE INDEX P_ORDERDBAK_order ON P_ORDERDBAK(nf, yf, sjxh)"),
            QStringLiteral("CREATE INDEX p_orderd_del_order ON p_orderd_del(nf, yf, sjxh)")};
}

// Version 3: every history query rewrites the sort index of the whole
// history, and an index on it made that write twice as heavy; the batch
// print's look-up by sort index reads one receipt per three seconds and
// needs no index.
QStringList version3()
{
    return {QStringLiteral("DROP INDEX IF EXISTS P_ORDERDBAK_pxxh")};
}

// Version 4: login passwords are kept as hashes; plain-text passwords of an
// older file are converted, and their old bytes overwritten in the file.
void version4(QSqlDatabase &db)
{
    QSqlQuery read(db);
    if (!read.exec(QStringLiteral("SELECT iid, mm FROM zgxxb")))
        throw AppError(read.lastError().text());
    QList<std::pair<qint64, QString>> plain;
    while (read.next()) {
        const QString mm = read.value(1).toString();
        if (!Passwords::isHashed(mm))
            plain.append({read.value(0).toLongLong(), mm});
    }
    read.finish();
    QSqlQuery update(db);
    if (!update.prepare(QStringLiteral("UPDATE zgxxb SET mm = :mm WHERE iid = :iid")))
        throw AppError(update.lastError().text());
    for (const auto &[iid, mm] : plain) {
        update.bindValue(QStringLiteral(":mm"), Passwords::hash(mm));
        update.bindValue(QStringLiteral(":iid"), iid);
        if (!update.exec())
            throw AppError(update.lastError().text());
    }
}

// Version 5: a history query renumbers only the rows that carry a number:
// the receipts of the last result, found through their own small index.
QStringList version5()
{
    return {Schema::numberedHistoryIndex()};
}

// Version 6: collection at the desk. A payment names its receipt by serial
// number and category, which stay with the receipt wherever it moves; one
// payment per receipt. The arrears list reads only the unpaid receipts
// through their own small indexes.
QStringList version6()
{
    QStringList s;
    s << QStringLiteral(
        "CREATE TABLE IF NOT EXISTS skjlb (iid INTEGER PRIMARY KEY AUTOINCREMENT,"
        " sksj TEXT NOT NULL,"                 // date and time of the payment
        " skr TEXT COLLATE NOCASE,"            // payee
        " skfs TEXT COLLATE NOCASE NOT NULL,"  // method
        " je REAL NOT NULL,"                   // amount
        " sjxh TEXT COLLATE NOCASE NOT NULL, lbmc TEXT COLLATE NOCASE NOT NULL,"
        " UNIQUE (sjxh, lbmc))");
    s << QStringLiteral("CREATE INDEX IF NOT EXISTS skjlb_sksj ON skjlb(sksj)");
    for (const char *t : {"P_ORDERD", "P_ORDERDBAK"})
        s << QStringLiteral("CREATE INDEX IF NOT EXISTS %1_unpaid ON %1(cmc, bhmc, nf, yf) WHERE fkzt = '未付款'")
                 .arg(QLatin1String(t));
    return s;
}

struct Step
{
    QStringList (*statements)() = nullptr;
    void (*code)(QSqlDatabase &) = nullptr;
};

// Each entry brings a file from version i to i + 1.
const QList<Step> &steps()
{
    static const QList<Step> list{{&version1}, {&version2}, {&version3}, {nullptr, &version4}, {&version5}, {&version6}};
    return list;
}

int userVersion(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        throw AppError(q.lastError().text());
    return q.value(0).toInt();
}

void applyFrom(QSqlDatabase &db, int from)
{
    const auto &all = steps();
    if (from >= all.size())
        return;
    if (!db.transaction())
        throw AppError(db.lastError().text());
    try {
        for (int v = from; v < all.size(); ++v) {
            if (all[v].statements)
                for (const QString &sql : all[v].statements())
                    run(db, sql);
            if (all[v].code)
                all[v].code(db);
        }
        run(db, QStringLiteral("PRAGMA user_version = %1").arg(all.size()));
        if (!db.commit())
            throw AppError(db.lastError().text());
    } catch (...) {
        db.rollback();
        throw;
    }
}

} // namespace

namespace Schema {

QString numberedHistoryIndex()
{
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON P_ORDERDBAK(pxxh) WHERE pxxh IS NOT 0")
        .arg(kNumberedHistoryIndexName);
}

int currentVersion()
{
    return int(steps().size());
}

void create(QSqlDatabase &db)
{
    applyFrom(db, 0);
}

void upgrade(QSqlDatabase &db)
{
    const int v = userVersion(db);
    if (v == 0) {
        // A file of ours always carries a version; a file without one that
        // already has tables is someone else's and is left alone.
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && q.next() && q.value(0).toInt() > 0)
            return;
    }
    applyFrom(db, v);
}

bool hasProgramTables(QSqlDatabase &db)
{
    static const QStringList tables{"P_ORDERD", "P_ORDERDBAK", "p_orderd_del", "sjmxb", "sjmxbbak", "sjmxb_del",
                                    "hhb", "zgxxb", "sjxhb", "bciidb", "kdfb", "spdwb", "bzb", "jkdwmcb", "lbb"};
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name COLLATE NOCASE IN ('%1')")
                    .arg(tables.join(QStringLiteral("','"))))
        || !q.next())
        return false;
    return q.value(0).toInt() == tables.size();
}

int textSize(const QString &table, const QString &column)
{
    // Receipts keep what the entry screen and the base data write into them;
    // a household's name and number and an employee's name end up there.
    static const QHash<QString, int> sizes{
        {QStringLiteral("receipt.jkdw"), 200}, {QStringLiteral("receipt.sjxh"), 20},
        {QStringLiteral("receipt.sppy"), 100}, {QStringLiteral("receipt.bzsm"), 20},
        {QStringLiteral("receipt.zg"), 20},    {QStringLiteral("receipt.kj"), 20},
        {QStringLiteral("receipt.skr"), 20},   {QStringLiteral("receipt.lbmc"), 100},
        {QStringLiteral("receipt.fkzt"), 20},  {QStringLiteral("receipt.cmc"), 100},
        {QStringLiteral("receipt.nf"), 4},     {QStringLiteral("receipt.yf"), 2},
        {QStringLiteral("receipt.bzsm1"), 60}, {QStringLiteral("receipt.bhmc"), 100},
        {QStringLiteral("receipt.bhh"), 30},   {QStringLiteral("receipt.cbr"), 255},
        {QStringLiteral("hhb.hm"), 100},       {QStringLiteral("hhb.hh"), 30},
        {QStringLiteral("hhb.cmc"), 100},      {QStringLiteral("zgxxb.zgxm"), 20},
        {QStringLiteral("zgxxb.py"), 20},      {QStringLiteral("zgxxb.bz"), 20},
        {QStringLiteral("zgxxb.mm"), 64},
    };
    QString t = table.toLower();
    if (t == QLatin1String("p_orderd") || t == QLatin1String("p_orderdbak") || t == QLatin1String("p_orderd_del"))
        t = QStringLiteral("receipt");
    return sizes.value(t + QLatin1Char('.') + column.toLower(), 0);
}

} // namespace Schema
