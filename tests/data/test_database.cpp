#include "common/apperror.h"
#include "data/demodm.h"
#include "data/employeestore.h"
#include "data/passwords.h"
#include "data/schema.h"
#include "data/serials.h"
#include "login/formdl.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "testdatabase.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <sys/stat.h>

namespace {

qint64 count(const QString &sql, const TestSql::Binds &binds = {})
{
    return TestSql::value(sql, binds).toLongLong();
}

void insertReceipt(const QString &table, const QString &sjxh, const QString &name, const QVariant &rq = QDate(2024, 3, 5))
{
    TestSql::exec(QStringLiteral("insert into %1 (BILLID, sjxh, lbmc, bhmc, rq, pxxh, cost) values (1, :sjxh, '销售单', :bhmc, :rq, 1, 10.5)").arg(table),
            {{"sjxh", sjxh}, {"bhmc", name}, {"rq", rq}});
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class DatabaseTest : public QObject
{
    Q_OBJECT

private slots:
    void firstOpenCreatesSchemaAndInitialRows()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(!QFile::exists(dir.file("qmvDemo.db")));
        QVERIFY2(dm.open(), qPrintable(dm.lastOpenError()));
        QVERIFY(QFile::exists(dir.file("qmvDemo.db")));
        QVERIFY(!QFile::exists(dir.file("qmvDemo.db.new")));

        const QStringList tables{"P_ORDERD", "P_ORDERDBAK", "p_orderd_del", "sjmxb", "sjmxbbak", "sjmxb_del",
                                 "hhb", "zgxxb", "sjxhb", "bciidb", "kdfb", "spdwb", "bzb", "jkdwmcb", "lbb"};
        for (const QString &t : tables)
            QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from sqlite_master where type='table' and name= :n"), {{"n", t}}), 1);
        QCOMPARE(count(QStringLiteral("select sjxh as expr1001 from sjxhb where lbmc='销售单'")), 0);
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from sjxhb")), 1);
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from zgxxb where py= :py and bz='收款人'"),
                       {{"py", Schema::kFirstEmployeeCode}}), 1);
        QVERIFY(Employees::passwordMatches(dm, Schema::kFirstEmployeeCode, Schema::kDefaultPassword));
        // The file and its side files are for the owner only, and the default
        // password is not in it as text.
        for (const QString &name : QDir(dir.path()).entryList({QStringLiteral("qmvDemo.db*")}, QDir::Files)) {
            struct stat st{};
            QCOMPARE(::stat(QFile::encodeName(dir.file(name)).constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, mode_t(0600));
        }
        QVERIFY(!fileBytes(dir.file("qmvDemo.db")).contains(Schema::kDefaultPassword.toUtf8()));

        // The three receipt tables have the same columns in the same order.
        QSqlDatabase db = QSqlDatabase::database(TDemoDM::kConnectionName);
        auto columns = [&db](const QString &table) {
            QStringList cols;
            QSqlQuery q(db);
            q.exec(QStringLiteral("pragma table_info(%1)").arg(table));
            while (q.next())
                cols << q.value(1).toString() + QLatin1Char(' ') + q.value(2).toString();
            return cols;
        };
        QCOMPARE(columns("P_ORDERDBAK"), columns("P_ORDERD"));
        QCOMPARE(columns("p_orderd_del"), columns("P_ORDERD"));
        QCOMPARE(columns("P_ORDERD").size(), 48);

        // A second open of the now existing file keeps its rows.
        TestSql::exec(QStringLiteral("insert into hhb(hm) values('张三')"));
        dm.close();
        QVERIFY(dm.open());
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from hhb")), 1);
    }

    void textComparisonsIgnoreCase()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        TestSql::exec(QStringLiteral("insert into hhb(hh, hm, hmpy) values('A-101', '阳光小区', 'ygxq')"));
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from zgxxb where py= :py "),
                       {{"py", Schema::kFirstEmployeeCode.toUpper()}}), 1);
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from hhb where hmpy like 'YG%'")), 1);
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from hhb where hmpy like :p"), {{"p", "YgX%"}}), 1);
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from hhb where hh = 'a-101'")), 1);
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from hhb where hm like '阳光%'")), 1);
        // Table names differ only in case in the statements.
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from P_ORDERDbak")), 0);
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from P_ORDERD_del")), 0);
    }

    void wholeRowCopiesKeepIid()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        insertReceipt("P_ORDERD", "00000001", "甲");
        insertReceipt("P_ORDERD", "00000002", "乙");
        insertReceipt("P_ORDERD", "00000003", "丙");
        TestSql::exec(QStringLiteral("delete from P_ORDERD where sjxh='00000001'"));

        TestSql::exec(QStringLiteral("insert into p_orderd_del select * from p_orderd where sjxh= :sjxh and lbmc= :lbmc"),
                {{"sjxh", "00000002"}, {"lbmc", "销售单"}});
        TestSql::exec(QStringLiteral("insert into P_ORDERDBAK select * from P_ORDERD"));
        QCOMPARE(count(QStringLiteral("select iid as expr1001 from p_orderd_del where sjxh='00000002'")),
                 count(QStringLiteral("select iid as expr1001 from P_ORDERD where sjxh='00000002'")));
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from P_ORDERDBAK b join P_ORDERD c on b.iid=c.iid and b.sjxh=c.sjxh and b.bhmc=c.bhmc and b.rq=c.rq and b.cost=c.cost")), 2);

        // Moving back and forth keeps the ids, and new rows never reuse one.
        TestSql::exec(QStringLiteral("delete from P_ORDERD"));
        TestSql::exec(QStringLiteral("insert into P_ORDERD select * from P_ORDERDBAK where sjxh='00000003'"));
        insertReceipt("P_ORDERD", "00000004", "丁");
        QCOMPARE(count(QStringLiteral("select iid as expr1001 from P_ORDERD where sjxh='00000003'")), 3);
        QCOMPARE(count(QStringLiteral("select iid as expr1001 from P_ORDERD where sjxh='00000004'")), 4);
    }

    void maxOfNoRowsReadsZero()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        QCOMPARE(count(QStringLiteral("select max(pxxh) as expr1001 from P_ORDERD")), 0);
        QCOMPARE(Serials::ReadCounter(dm, QStringLiteral("没有这个类别")), 0);
        QCOMPARE(Serials::NextReceiptSerial(dm, QStringLiteral("没有这个类别")), QStringLiteral("00000001"));
    }

    void datesCompareWhetherBoundAsDateOrDateTime()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        insertReceipt("P_ORDERDBAK", "00000001", "甲", QDate(2024, 3, 5));
        insertReceipt("P_ORDERDBAK", "00000002", "乙", QDateTime(QDate(2024, 3, 6), QTime(0, 0)));
        insertReceipt("P_ORDERDBAK", "00000003", "丙", QDateTime(QDate(2024, 3, 7), QTime(9, 30)));
        auto between = [](const QVariant &a, const QVariant &b) {
            return count(QStringLiteral("select count(*) as expr1001 from P_ORDERDBAK where rq>= :rq0 and rq<= :rq1"),
                         {{"rq0", a}, {"rq1", b}});
        };
        QCOMPARE(between(QDate(2024, 3, 5), QDate(2024, 3, 5)), 1);
        QCOMPARE(between(QDateTime(QDate(2024, 3, 5), QTime(0, 0)), QDate(2024, 3, 6)), 2);
        QCOMPARE(between(QDate(2024, 3, 6), QDateTime(QDate(2024, 3, 6), QTime(0, 0))), 1);
        QCOMPARE(between(QDate(2024, 3, 7), QDate(2024, 3, 7)), 0);   // 09:30 is after the day began
        QCOMPARE(between(QDate(2024, 3, 7), QDate(2024, 3, 8)), 1);
        QCOMPARE(between(QDate(2024, 1, 1), QDate(2024, 12, 31)), 3);
    }

    void failureInsideTransactionLeavesNothing()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        // An engine-side failure after the first statement of an operation.
        TestSql::exec(QStringLiteral("create trigger fail_second after insert on bciidb begin select raise(abort, 'injected failure'); end"));
        bool threw = false;
        try {
            DbTransaction tx(dm);
            insertReceipt("P_ORDERD", "00000001", "甲");
            Serials::IssueSerial(dm, QStringLiteral("00000001"), QStringLiteral("销售单"));
            tx.commit();
        } catch (const AppError &e) {
            threw = true;
            QVERIFY(e.message().contains(QStringLiteral("injected failure")));
        }
        QVERIFY(threw);
        QCOMPARE(dm.transactionDepth(), 0);
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from P_ORDERD")), 0);
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from bciidb")), 0);
        QCOMPARE(Serials::ReadCounter(dm, QStringLiteral("销售单")), 0);

        // The connection is usable afterwards and a later operation commits.
        TestSql::exec(QStringLiteral("drop trigger fail_second"));
        {
            DbTransaction tx(dm);
            insertReceipt("P_ORDERD", "00000001", "甲");
            Serials::IssueSerial(dm, QStringLiteral("00000001"), QStringLiteral("销售单"));
            tx.commit();
        }
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from P_ORDERD")), 1);
        QCOMPARE(Serials::ReadCounter(dm, QStringLiteral("销售单")), 1);
    }

    // A database of an earlier version keeps its passwords as plain text: the
    // first open hashes them, and the old text is gone from the file.
    void oldVersionPasswordsAreConverted()
    {
        ScratchDir dir;
        const QString path = dir.file("qmvDemo.db");
        {
            TDemoDM dm;
            QVERIFY(dm.open());
            TestSql::exec(QStringLiteral("insert into zgxxb(zgxm, py, mm, bz) values('王五', 'ww', 'Secret-Wang7', '抄表人')"));
            TestSql::exec(QStringLiteral("update zgxxb set mm='Geheim-Admin9' where py= :py"), {{"py", Schema::kFirstEmployeeCode}});
            TestSql::exec(QStringLiteral("PRAGMA user_version = 3"));
            dm.close();
            QVERIFY(fileBytes(path).contains("Secret-Wang7"));
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        }
        TDemoDM dm;
        QVERIFY2(dm.open(), qPrintable(dm.lastOpenError()));
        QSqlQuery v(QSqlDatabase::database(TDemoDM::kConnectionName));
        QVERIFY(v.exec(QStringLiteral("PRAGMA user_version")) && v.next());
        QCOMPARE(v.value(0).toInt(), Schema::currentVersion());
        v.finish();
        QCOMPARE(count(QStringLiteral("select count(*) as expr1001 from zgxxb where mm like '$argon2id$%'")), 2);
        QVERIFY(Employees::passwordMatches(dm, QStringLiteral("WW"), QStringLiteral("sECRET-wANG7")));
        QVERIFY(Employees::passwordMatches(dm, Schema::kFirstEmployeeCode, QStringLiteral("GEHEIM-ADMIN9")));
        QVERIFY(!Employees::passwordMatches(dm, QStringLiteral("ww"), QStringLiteral("Geheim-Admin9")));
        dm.close();
        const QByteArray bytes = fileBytes(path);
        QVERIFY(!bytes.contains("Secret-Wang7"));
        QVERIFY(!bytes.contains("Geheim-Admin9"));
        struct stat st{};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0600));
        // A second open changes nothing more.
        QVERIFY(dm.open());
        QVERIFY(Employees::passwordMatches(dm, QStringLiteral("ww"), QStringLiteral("secret-wang7")));
    }

    void missingFileIsNotMadeWhenTheCheckSaysNo_data()
    {
        QTest::addColumn<bool>("zeroBytes");
        QTest::newRow("missing") << false;
        QTest::newRow("zero bytes") << true;
    }
    void missingFileIsNotMadeWhenTheCheckSaysNo()
    {
        QFETCH(bool, zeroBytes);
        ScratchDir dir;
        const QString path = dir.file("qmvDemo.db");
        if (zeroBytes) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        TDemoDM::setCreationCheck([] { return false; });
        TDemoDM dm;
        const bool opened = dm.open();
        TDemoDM::setCreationCheck(nullptr);
        QVERIFY(!opened);
        QVERIFY(dm.missingDatabase());
        QCOMPARE(QFileInfo::exists(path), zeroBytes);
        QCOMPARE(QFileInfo(path).size(), 0);
        // With the check allowing it, a zero-byte file is replaced by a new database.
        QVERIFY(dm.open());
        QVERIFY(QFileInfo(path).size() > 0);
    }

    void badFileGivesDataErrorAndStaysUnchanged_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("garbage") << QByteArray("this is not a database at all, just some text\n").repeated(200);
        QByteArray header("SQLite format 3");
        header.append('\0');
        QTest::newRow("truncated header") << header + QByteArray(50, '\x01');
        QTest::newRow("empty-looking zeros") << QByteArray(4096, '\xff');
    }
    void badFileGivesDataErrorAndStaysUnchanged()
    {
        QFETCH(QByteArray, content);
        ScratchDir dir;
        const QString path = dir.file("qmvDemo.db");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        TDemoDM dm;
        QVERIFY(!dm.open());
        QVERIFY(!dm.isOpen());
        QCOMPARE(fileBytes(path), content);

        // The login dialog shows "data error" and ends the program.
        RecordingDialogs dlg;
        TFormdl login;
        login.FormShow();
        QCOMPARE(dlg.texts(), QStringList{QStringLiteral("data error")});
        QVERIFY(login.exitChosen());
        QVERIFY(login.databaseFailed());
        QCOMPARE(fileBytes(path), content);
    }
};

QTEST_MAIN(DatabaseTest)
#include "test_database.moc"
