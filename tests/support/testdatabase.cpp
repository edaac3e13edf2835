#include "testdatabase.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

TestDatabase::TestDatabase() : dm(std::make_unique<TDemoDM>())
{
    if (!dm->open())
        qFatal("database not opened: %s", qPrintable(dm->lastOpenError()));
}

TestDatabase::~TestDatabase()
{
    dm.reset();
}

namespace TestSql {

void exec(const QString &sql, const Binds &binds)
{
    DemoDM().qup.run(sql, binds);
}

QVariantList column(const QString &sql, const Binds &binds)
{
    TNamedQuery &q = DemoDM().qcx;
    q.close();
    q.setSql(sql);
    for (const auto &[name, v] : binds)
        q.bind(name, v);
    q.open();
    QVariantList out;
    const QString first = q.model()->record().fieldName(0);
    for (bool more = q.first(); more; more = q.next())
        out << q.value(first);
    q.close();
    return out;
}

QVariant value(const QString &sql, const Binds &binds)
{
    const QVariantList values = column(sql, binds);
    return values.isEmpty() ? QVariant() : values.first();
}

QString snapshot(const QStringList &tables)
{
    QString out;
    for (const QString &table : tables) {
        QSqlQuery q(QSqlDatabase::database(TDemoDM::kConnectionName));
        q.exec(QStringLiteral("select * from %1 order by rowid").arg(table));
        out += table + QLatin1Char(':');
        while (q.next()) {
            for (int c = 0; c < q.record().count(); ++c)
                out += q.value(c).toString() + QLatin1Char('|');
            out += QLatin1Char(';');
        }
        out += QLatin1Char('\n');
    }
    return out;
}

QStringList rows(const QSqlDatabase &db, const QString &table, const QString &columns)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select %1 from %2 order by rowid").arg(columns, table)))
        return {q.lastError().text()};
    QStringList out;
    while (q.next()) {
        QStringList values{table};
        for (int c = 0; c < q.record().count(); ++c) {
            const QVariant v = q.value(c);
            values << (v.isNull() ? QStringLiteral("NULL") : QString::fromLatin1(v.typeName()) + QLatin1Char(':') + v.toString());
        }
        out << values.join(QLatin1Char('|'));
    }
    return out;
}

bool runFile(QSqlDatabase &db, const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        qWarning("cannot read %s", qPrintable(path));
        return false;
    }
    QSqlQuery q(db);
    for (const QString &sql : QString::fromUtf8(f.readAll()).split(QStringLiteral(";\n"), Qt::SkipEmptyParts)) {
        if (sql.trimmed().isEmpty())
            continue;
        if (!q.exec(sql)) {
            qWarning("%s: %s\n%s", qPrintable(path), qPrintable(q.lastError().text()), qPrintable(sql));
            return false;
        }
    }
    return true;
}

} // namespace TestSql

namespace OldDatabase {

QString fixture(const QString &name)
{
    return QStringLiteral(MTRFEE_TEST_SCHEMA_DIR "/") + name;
}

bool write(const QString &path, int version, bool withRows)
{
    const QString connection = QStringLiteral("olddatabase");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        ok = db.open() && TestSql::runFile(db, fixture(QStringLiteral("v1.sql")));
        if (ok && withRows)
            ok = TestSql::runFile(db, fixture(QStringLiteral("rows.sql")));
        for (int v = 2; ok && v <= version; ++v)
            ok = TestSql::runFile(db, fixture(QStringLiteral("v%1.sql").arg(v)));
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

} // namespace OldDatabase
