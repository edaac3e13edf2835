#include "data/demodm.h"
#include "data/employeestore.h"
#include "data/householdstore.h"
#include "data/passwords.h"
#include "data/receiptstore.h"
#include "data/schema.h"
#include "scratchdir.h"
#include "testdatabase.h"

#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTest>
#include <memory>

namespace {

QStringList column(QSqlQueryModel *model, const QString &name)
{
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->record(r).value(name).toString();
    return out;
}

void addEmployee(const QString &name, const QString &code, const QString &type, const QString &pw = QStringLiteral("pw"))
{
    Employees::add(DemoDM(), {name, code, type, pw});
}

// The receipt tables' declaration as every file made so far stores it.
const char *const kStoredReceiptColumns =
    "iid INTEGER PRIMARY KEY AUTOINCREMENT,BILLID INTEGER, ITEMNO INTEGER, GOODSID INTEGER,QTY REAL, PRICE REAL, "
    "TAXRATE REAL, DISC REAL, EXEQTY REAL,STOPED INTEGER, CANCELED INTEGER,rq TEXT,jkdw TEXT COLLATE NOCASE,sjxh TEXT "
    "COLLATE NOCASE,sppy TEXT COLLATE NOCASE,Bzsm TEXT COLLATE NOCASE,zg TEXT COLLATE NOCASE,kj TEXT COLLATE NOCASE,skr "
    "TEXT COLLATE NOCASE,cost REAL,pxxh INTEGER,lbmc TEXT COLLATE NOCASE,fkzt TEXT COLLATE NOCASE,cmc TEXT COLLATE "
    "NOCASE,nf TEXT COLLATE NOCASE,yf TEXT COLLATE NOCASE,bzsm1 TEXT COLLATE NOCASE,bhmc TEXT COLLATE NOCASE,bhh TEXT "
    "COLLATE NOCASE,sccjd REAL, bccjd REAL, bl REAL, cjdl REAL, bdl REAL, hbdl REAL, hjdl REAL,dj REAL,cbr TEXT COLLATE "
    "NOCASE,sccjds REAL, bccjds REAL, cjdls REAL,djs REAL, jed REAL, jes REAL,shsld REAL, shsls REAL, qtfy REAL, fzfy REAL";

// The column definitions of a CREATE TABLE text, spacing aside.
QStringList definitions(const QString &create)
{
    const QString inner = create.section(QLatin1Char('('), 1).section(QLatin1Char(')'), 0, 0);
    QStringList out;
    for (const QString &part : inner.split(QLatin1Char(',')))
        out << part.simplified();
    return out;
}

} // namespace

class StoresTest : public QObject
{
    Q_OBJECT

private slots:
    // Lists keep entry order and filter by type exactly.
    void employeesOfATypeInEntryOrder_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("收款人") << QStringLiteral("收款人") << QStringList{"管理员", "张三", "李四"};
        QTest::newRow("抄表人") << QStringLiteral("抄表人") << QStringList{"王五"};
        QTest::newRow("none") << QStringLiteral("会计") << QStringList{};
    }
    void employeesOfATypeInEntryOrder()
    {
        QFETCH(QString, type);
        QFETCH(QStringList, names);
        TestDatabase db;
        addEmployee("张三", "zs", "收款人");
        addEmployee("王五", "ww", "抄表人");
        addEmployee("李四", "ls", "收款人");
        QCOMPARE(Employees::namesOfType(DemoDM(), type), names);
        QCOMPARE(Employees::codes(DemoDM()), (QStringList{Schema::kFirstEmployeeCode, "zs", "ww", "ls"}));
        QCOMPARE(column(Employees::openList(DemoDM()), "zgxm"), (QStringList{"管理员", "张三", "王五", "李四"}));
        QVERIFY(Employees::listIsOpen(DemoDM()));
    }

    void codeExistsIgnoresCase_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("exists");
        QTest::newRow("same") << QStringLiteral("zs") << true;
        QTest::newRow("upper") << QStringLiteral("ZS") << true;
        QTest::newRow("prefix") << QStringLiteral("z") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void codeExistsIgnoresCase()
    {
        QFETCH(QString, code);
        QFETCH(bool, exists);
        TestDatabase db;
        addEmployee("张三", "zs", "收款人");
        QCOMPARE(Employees::codeExists(DemoDM(), code), exists);
    }

    // The password is stored hashed; the check ignores case and the code's case.
    void passwordIsHashedAndChecked_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("matches");
        QTest::newRow("right") << QStringLiteral("zs") << QStringLiteral("Geheim1") << true;
        QTest::newRow("case") << QStringLiteral("ZS") << QStringLiteral("gEHEIM1") << true;
        QTest::newRow("wrong") << QStringLiteral("zs") << QStringLiteral("Geheim2") << false;
        QTest::newRow("empty") << QStringLiteral("zs") << QString() << false;
        QTest::newRow("other's") << QStringLiteral("zs") << Schema::kDefaultPassword << false;
        QTest::newRow("no code") << QStringLiteral("xx") << QStringLiteral("Geheim1") << false;
    }
    void passwordIsHashedAndChecked()
    {
        QFETCH(QString, code);
        QFETCH(QString, password);
        QFETCH(bool, matches);
        TestDatabase db;
        addEmployee("张三", "zs", "收款人", "Geheim1");
        QSqlQueryModel *list = Employees::openList(DemoDM());
        QVERIFY(Passwords::isHashed(list->record(1).value("mm").toString()));
        QCOMPARE(Employees::passwordMatches(DemoDM(), code, password), matches);
    }

    void setPasswordChangesOnlyThatEmployee()
    {
        TestDatabase db;
        addEmployee("张三", "zs", "收款人", "old");
        Employees::setPassword(DemoDM(), "zs", "new");
        QVERIFY(Employees::passwordMatches(DemoDM(), "zs", "new"));
        QVERIFY(!Employees::passwordMatches(DemoDM(), "zs", "old"));
        QVERIFY(Employees::passwordMatches(DemoDM(), Schema::kFirstEmployeeCode, Schema::kDefaultPassword));
    }

    // By name every row of it goes; by iid only the one row.
    void removeByNameOrById()
    {
        TestDatabase db;
        addEmployee("张三", "zs", "收款人");
        addEmployee("张三", "zs2", "抄表人");
        addEmployee("李四", "ls", "收款人");
        addEmployee("李四", "ls2", "收款人");
        Employees::removeByName(DemoDM(), "张三");
        QCOMPARE(Employees::codes(DemoDM()), (QStringList{Schema::kFirstEmployeeCode, "ls", "ls2"}));
        const qint64 iid = Employees::openList(DemoDM())->record(1).value("iid").toLongLong();
        Employees::remove(DemoDM(), iid);
        QCOMPARE(Employees::codes(DemoDM()), (QStringList{Schema::kFirstEmployeeCode, "ls2"}));
    }

    // Saving a new name adds it with its initials; a known name updates
    // every row of it and adds none.
    void saveHousehold_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<QStringList>("initials");
        QTest::newRow("two new") << QStringList{"张三", "李四"} << QStringList{"101", "102"} << QStringList{"zs", "ls"};
        QTest::newRow("same name twice") << QStringList{"张三", "张三"} << QStringList{"101", "201"} << QStringList{"zs"};
        QTest::newRow("name case") << QStringList{"Abc", "ABC"} << QStringList{"1", "2"} << QStringList{"Abc"};
    }
    void saveHousehold()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, numbers);
        QFETCH(QStringList, initials);
        TestDatabase db;
        for (int i = 0; i < names.size(); ++i)
            Households::save(DemoDM(), numbers[i], names[i], "温州");
        QSqlQueryModel *list = Households::openList(DemoDM());
        QCOMPARE(column(list, "hmpy"), initials);
        QCOMPARE(list->rowCount(), int(initials.size()));
        // The last number saved for a name is the one kept.
        QCOMPARE(column(list, "hh").last(), numbers.last());
        QCOMPARE(column(list, "cmc").last(), QStringLiteral("温州"));
    }

    void receiptCountsByTable()
    {
        TestDatabase db;
        ReceiptRow row;
        row.lbmc = Schema::kReceiptCategory;
        row.bhmc = "张三";
        for (const char *sjxh : {"1", "2"}) {
            row.sjxh = sjxh;
            Receipts::insert(DemoDM(), row);
        }
        DemoDM().qup.run(QStringLiteral("insert into P_ORDERDBAK(sjxh, lbmc, bhmc) values('3', :lbmc, '张三')"),
                         {{"lbmc", Schema::kReceiptCategory}});
        const Households::ReceiptCounts counts = Households::receiptCounts(DemoDM(), "张三");
        QCOMPARE(counts.current, 2);
        QCOMPARE(counts.history, 1);
        const Households::ReceiptCounts none = Households::receiptCounts(DemoDM(), "李四");
        QCOMPARE(none.current + none.history, 0);
    }

    void removeHouseholdById()
    {
        TestDatabase db;
        Households::save(DemoDM(), "1", "张三", "温州");
        Households::save(DemoDM(), "2", "李四", "温州");
        const qint64 iid = Households::openList(DemoDM())->record(0).value("iid").toLongLong();
        Households::remove(DemoDM(), iid);
        QCOMPARE(column(Households::openList(DemoDM()), "hm"), QStringList{"李四"});
    }

    // A new file declares its receipt tables column for column as the files
    // already stored do (types, key and letter-case rule alike).
    void newReceiptTablesAreDeclaredAsStoredOnes()
    {
        TestDatabase db;
        for (const QString &table : {Receipts::kCurrentTable, Receipts::kHistoryTable, Receipts::kDeletedTable}) {
            TNamedQuery &q = DemoDM().qcx;
            q.openWith(QStringLiteral("select sql from sqlite_master where type='table' and name= :n"), {{"n", table}});
            QVERIFY(!q.isEmpty());
            const QString stored = q.value("sql").toString();
            q.close();
            QVERIFY2(stored.startsWith(QStringLiteral("CREATE TABLE ") + table + QStringLiteral(" (")), qPrintable(stored));
            QCOMPARE(definitions(stored), definitions(QStringLiteral("(%1)").arg(QLatin1String(kStoredReceiptColumns))));
        }
    }

    void otherListsOpen()
    {
        TestDatabase db;
        Households::openOtherLists(DemoDM());
        for (TNamedQuery *q : {&DemoDM().qbz, &DemoDM().qspdw, &DemoDM().qdw, &DemoDM().qlb})
            QVERIFY2(q->isOpen(), qPrintable(q->name()));
        QCOMPARE(DemoDM().qlb.value("lbmc").toString(), Schema::kReceiptCategory);
    }
};

QTEST_GUILESS_MAIN(StoresTest)
#include "test_stores.moc"
