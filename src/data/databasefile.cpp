#include "data/databasefile.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace DatabaseFile {

namespace {

// Runs the statements in order on db; the first failure gives its text.
bool runAll(QSqlDatabase &db, const QStringList &statements, const QString &bindPath, QString *why)
{
    for (const QString &sql : statements) {
        QSqlQuery q(db);
        if (!q.prepare(sql)) {
            *why = q.lastError().text();
            return false;
        }
        if (sql.contains(QLatin1Char('?')))
            q.addBindValue(bindPath);
        if (!q.exec()) {
            *why = q.lastError().text();
            return false;
        }
    }
    return true;
}

} // namespace

bool isSound(const QString &path, QString *why)
{
    if (!QFileInfo(path).isFile()) {
        *why = QStringLiteral("no file %1").arg(path);
        return false;
    }
    static const QString kName = QStringLiteral("mtrfee_copy_check");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            *why = db.lastError().text();
        } else {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next()) {
                *why = q.lastError().text();
            } else if (q.value(0).toString() != QLatin1String("ok")) {
                *why = q.value(0).toString();
            } else {
                q.finish();
                if (q.exec(QStringLiteral("select count(*) from sqlite_master where type='table' "
                                          "and name in ('hhb', 'zgxxb', 'P_ORDERD', 'P_ORDERDBAK')"))
                    && q.next() && q.value(0).toInt() == 4)
                    ok = true;
                else
                    *why = QStringLiteral("not a database of this program");
            }
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(kName);
    return ok;
}

bool carryNumbering(const QString &from, const QString &into, QString *why)
{
    if (!QFileInfo(from).isFile() || !QFileInfo(into).isFile()) {
        *why = QStringLiteral("no file %1").arg(QFileInfo(from).isFile() ? into : from);
        return false;
    }
    static const QString kName = QStringLiteral("mtrfee_number_carry");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
        db.setDatabaseName(into);
        if (!db.open()) {
            *why = db.lastError().text();
        } else if (runAll(db, {QStringLiteral("ATTACH DATABASE ? AS kept")}, from, why)) {
            // Register first, then every counter up to the highest number
            // known on either side, so the next number offered was never
            // used in either file.
            const QStringList carry{
                QStringLiteral("BEGIN IMMEDIATE"),
                QStringLiteral("INSERT INTO main.bciidb(sjxh, lbmc) SELECT DISTINCT k.sjxh, k.lbmc FROM kept.bciidb k "
                               "WHERE NOT EXISTS (SELECT 1 FROM main.bciidb b WHERE b.sjxh = k.sjxh AND b.lbmc = k.lbmc)"),
                QStringLiteral("INSERT INTO main.sjxhb(lbmc, sjxh) SELECT DISTINCT c.lbmc, 0 FROM "
                               "(SELECT lbmc FROM kept.sjxhb UNION SELECT lbmc FROM main.bciidb) c "
                               "WHERE c.lbmc IS NOT NULL "
                               "AND NOT EXISTS (SELECT 1 FROM main.sjxhb s WHERE s.lbmc = c.lbmc)"),
                QStringLiteral("UPDATE main.sjxhb SET sjxh = max(coalesce(sjxh, 0), "
                               "coalesce((SELECT max(k.sjxh) FROM kept.sjxhb k WHERE k.lbmc = sjxhb.lbmc), 0), "
                               "coalesce((SELECT max(cast(b.sjxh AS INTEGER)) FROM main.bciidb b "
                               "WHERE b.lbmc = sjxhb.lbmc), 0))"),
                QStringLiteral("COMMIT"),
            };
            ok = runAll(db, carry, QString(), why);
            if (!ok) {
                QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            }
            QSqlQuery(db).exec(QStringLiteral("DETACH DATABASE kept"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(kName);
    return ok;
}

} // namespace DatabaseFile
