// A database file of every older version, with receipts, households and
// employees in it, opens as the program opens its file at start: it is
// brought to the current version with every row as it was, and it then has
// the shape of a file made new.
#include "data/demodm.h"
#include "data/employeestore.h"
#include "data/householdstore.h"
#include "data/passwords.h"
#include "data/receiptstore.h"
#include "data/schema.h"
#include "data/serials.h"
#include "testdatabase.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {

const QString kCat = QStringLiteral("销售单");

// What must come through an upgrade unchanged. The passwords are apart:
// before version 4 they are plain text, which the upgrade replaces.
QStringList contents(QSqlDatabase db)
{
    QStringList all;
    for (const QString &t : {QStringLiteral("P_ORDERD"), QStringLiteral("P_ORDERDBAK"), QStringLiteral("p_orderd_del"),
                             QStringLiteral("hhb"), QStringLiteral("kdfb"), QStringLiteral("sjxhb"), QStringLiteral("bciidb"),
                             QStringLiteral("lbb")})
        all << TestSql::rows(db, t);
    all << TestSql::rows(db, QStringLiteral("zgxxb"), QStringLiteral("iid, zgxm, py, bz"));
    return all;
}

// The tables and indexes of a file, by kind and name.
QStringList shape(QSqlDatabase db)
{
    QSqlQuery q(db);
    q.exec(QStringLiteral("select type || ' ' || name || ' on ' || tbl_name from sqlite_master"
                          " where name not like 'sqlite_%' order by type, name"));
    QStringList out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

QStringList freshShape()
{
    QStringList out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fresh"));
        db.setDatabaseName(QStringLiteral(":memory:"));
        if (db.open()) {
            Schema::create(db);
            out = shape(db);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fresh"));
    return out;
}

} // namespace

class SchemaVersionsTest : public QObject
{
    Q_OBJECT

private slots:
    void olderFileOpensIntact_data()
    {
        QTest::addColumn<int>("version");
        for (int v = 1; v < Schema::currentVersion(); ++v)
            QTest::addRow("version %d", v) << v;
    }

    void olderFileOpensIntact()
    {
        QFETCH(int, version);
        QCOMPARE(Schema::currentVersion(), 6);   // a new version gets its fixture here
        ScratchDir dir;
        QStringList before;
        QStringList passwordsBefore;
        {
            // Made at version 1, used, then brought up step by step as the
            // program of each version did.
            QVERIFY(OldDatabase::write(dir.file(TDemoDM::kDatabaseFileName), version, true));
            QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
            old.setDatabaseName(dir.file(TDemoDM::kDatabaseFileName));
            QVERIFY(old.open());
            QSqlQuery q(old);
            QVERIFY(q.exec(QStringLiteral("PRAGMA user_version")) && q.next());
            QCOMPARE(q.value(0).toInt(), version);
            q.finish();
            before = contents(old);
            passwordsBefore = TestSql::rows(old, QStringLiteral("zgxxb"), QStringLiteral("mm"));
            old.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("old"));
        QCOMPARE(before.size(), 6 + 4 + 2 + 1 + 6 + 1 + 2);

        TDemoDM dm;
        QVERIFY2(dm.open(), qPrintable(dm.lastOpenError()));
        // The handle goes before the data module closes the connection.
        const auto db = [] { return QSqlDatabase::database(TDemoDM::kConnectionName); };
        {
            QSqlQuery q(db());
            QVERIFY(q.exec(QStringLiteral("PRAGMA user_version")) && q.next());
            QCOMPARE(q.value(0).toInt(), Schema::currentVersion());
        }
        QCOMPARE(contents(db()), before);
        QCOMPARE(shape(db()), freshShape());

        // The passwords are hashes that the login accepts, letter case aside;
        // those that were hashes already are kept as they were.
        const QStringList passwordsAfter = TestSql::rows(db(), QStringLiteral("zgxxb"), QStringLiteral("mm"));
        QCOMPARE(passwordsAfter.size(), 2);
        if (version >= 4)
            QCOMPARE(passwordsAfter, passwordsBefore);
        else
            QVERIFY(passwordsAfter != passwordsBefore);
        QVERIFY(Employees::passwordMatches(dm, QStringLiteral("admin"), Schema::kDefaultPassword));
        QVERIFY(Employees::passwordMatches(dm, QStringLiteral("LiSi"), QStringLiteral("LISI-pw")));
        QVERIFY(!Employees::passwordMatches(dm, QStringLiteral("lisi"), QStringLiteral("Lisi-PW ")));
        QCOMPARE(Employees::codes(dm), (QStringList{"admin", "lisi"}));
        QCOMPARE(Employees::namesOfType(dm, QStringLiteral("抄表人")), QStringList{"李四"});

        // The program's stores read what was there.
        QCOMPARE(Receipts::count(dm, Receipts::Table::Current), 2);
        QCOMPARE(Receipts::count(dm, Receipts::Table::History), 2);
        QCOMPARE(Receipts::count(dm, Receipts::Table::Deleted), 2);
        const std::optional<ReceiptRow> r = Receipts::load(dm, QStringLiteral("00000006"), kCat);
        QVERIFY(r);
        QCOMPARE(r->iid, 8);
        QCOMPARE(r->bhmc, QStringLiteral("O'Brien 李"));
        QCOMPARE(r->rq, QStringLiteral("2023-11-30 17:45:09"));
        QCOMPARE(r->bzsm1, QString());
        QCOMPARE(r->dj, 0.5123);
        QCOMPARE(r->jed, 27.8765);
        QCOMPARE(r->cost, 102.2256);
        QVERIFY(Receipts::inHistory(dm, QStringLiteral("00000002")));
        const std::optional<Households::Readings> readings = Households::readings(dm, QStringLiteral("O'Brien 李"));
        QVERIFY(readings);
        QCOMPARE(readings->electricity, 1252.5);
        QCOMPARE(readings->water, 90.0);
        const std::optional<Households::Fees> fees = Households::rememberedFees(dm, QStringLiteral("王小二"));
        QVERIFY(fees);
        QCOMPARE(fees->rent, 250.75);
        QCOMPARE(Serials::ReadCounter(dm, kCat), 6);
        QCOMPARE(Serials::FreeSerial(dm, kCat), QStringLiteral("00000007"));

        // Opened again it is left as it is.
        dm.close();
        QVERIFY(dm.open());
        QCOMPARE(contents(db()), before);
        dm.close();
    }
};

QTEST_GUILESS_MAIN(SchemaVersionsTest)
#include "test_schemaversions.moc"
