// Payments at the desk, the arrears and the takings lists, and the upgrade
// of a version 5 file, on a fresh database.
#include "common/apperror.h"
#include "data/demodm.h"
#include "data/paymentstore.h"
#include "data/receiptstore.h"
#include "data/schema.h"
#include "scratchdir.h"
#include "testdatabase.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {

const QString kCat = QStringLiteral("销售单");

struct Db
{
    ScratchDir dir;
    TDemoDM dm;
    Db() { QVERIFY2(dm.open(), qPrintable(dm.lastOpenError())); }

    void exec(const QString &sql) const { DemoDM().qup.run(sql); }
    qint64 count(const QString &sql) const { return DemoDM().qcx.count(sql); }
    QString fkzt(const QString &table, const QString &sjxh) const
    {
        TNamedQuery &q = DemoDM().qcx;
        q.openWith(QStringLiteral("select fkzt from %1 where sjxh= :s").arg(table), {{"s", sjxh}});
        const QString v = q.isEmpty() ? QStringLiteral("<none>") : q.value(QStringLiteral("fkzt")).toString();
        q.close();
        return v;
    }
};

struct Bill
{
    QString sjxh;
    QString cmc;
    QString bhh;
    QString bhmc;
    QString nf;
    QString yf;
    double cost;
    QString fkzt = Payments::kUnpaid;
    bool archived = false;
};

// Stores the receipt as a current one; an archived one is then moved as
// archiving moves rows (whole, with every column).
void store(const Bill &b)
{
    ReceiptRow row;
    row.sjxh = b.sjxh;
    row.lbmc = kCat;
    row.cmc = b.cmc;
    row.bhh = b.bhh;
    row.bhmc = b.bhmc;
    row.nf = b.nf;
    row.yf = b.yf;
    row.cost = b.cost;
    row.fkzt = b.fkzt;
    row.rq = b.nf + QStringLiteral("-") + b.yf.rightJustified(2, QLatin1Char('0')) + QStringLiteral("-01");
    Receipts::insert(DemoDM(), row);
    if (b.archived) {
        const TNamedQuery::Binds key{{"sjxh", b.sjxh}};
        DemoDM().qup.run(QStringLiteral("insert into P_ORDERDBAK select * from P_ORDERD where sjxh= :sjxh"), key);
        DemoDM().qup.run(QStringLiteral("delete from P_ORDERD where sjxh= :sjxh"), key);
    }
}

// Two communities, current and archived receipts, paid and unpaid, months
// across a year's end and a month written with and without its zero.
const QList<Bill> &fixtureBills()
{
    static const QList<Bill> bills{
        {"00000001", "东区", "A01", "张三", "2023", "12", 100.5, Payments::kUnpaid, true},
        {"00000002", "东区", "A01", "张三", "2024", "01", 80.25, Payments::kUnpaid, true},
        {"00000003", "东区", "A01", "张三", "2024", "2", 90, Payments::kUnpaid, false},
        {"00000004", "东区", "A02", "李四", "2024", "01", 70, Payments::kPaid, true},
        {"00000005", "东区", "A02", "李四", "2024", "02", 60, Payments::kUnpaid, false},
        {"00000006", "西区", "B01", "王五", "2024", "01", 55.5, Payments::kUnpaid, true},
        {"00000007", "西区", "B01", "王五", "2024", "02", 44, Payments::kPaid, false},
        {"00000008", "西区", "B02", "张三丰", "2024", "03", 33.3, Payments::kUnpaid, false},
    };
    return bills;
}

QString lineText(const Payments::ArrearsLine &l)
{
    QStringList months;
    for (const auto &r : l.receipts)
        months << r.sjxh;
    return QStringLiteral("%1/%2/%3 %4 %5 [%6]")
        .arg(l.cmc, l.bhh, l.bhmc)
        .arg(l.months)
        .arg(l.sum, 0, 'f', 2)
        .arg(months.join(QLatin1Char(',')));
}

QDateTime at(int day, int hour)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, 5, 0));
}

} // namespace

class TestPayments : public QObject
{
    Q_OBJECT

private slots:
    // A receipt is paid once, wherever it is; a receipt entered at the desk
    // (paid when it was made) and a missing one cannot be paid.
    void payOnceOnly_data()
    {
        QTest::addColumn<bool>("archived");
        QTest::newRow("current") << false;
        QTest::newRow("archived") << true;
    }
    void payOnceOnly()
    {
        QFETCH(bool, archived);
        Db db;
        store({"00000001", "东区", "A01", "张三", "2024", "03", 123.45, Payments::kUnpaid, archived});
        store({"00000002", "东区", "A02", "李四", "2024", "03", 10, Payments::kPaid, archived});
        const QString table = archived ? Receipts::kHistoryTable : Receipts::kCurrentTable;

        const Payments::Payment p = Payments::pay(DemoDM(), "00000001", kCat, "微信", "收款员甲", at(5, 10));
        QCOMPARE(p.je, 123.45);
        QCOMPARE(p.sksj, QStringLiteral("2024-03-05 10:05:00"));
        QCOMPARE(db.fkzt(table, "00000001"), Payments::kPaid);
        const auto stored = Payments::paymentOf(DemoDM(), "00000001", kCat);
        QVERIFY(stored);
        QCOMPARE(stored->skfs, QStringLiteral("微信"));
        QCOMPARE(stored->skr, QStringLiteral("收款员甲"));

        const auto refused = [](const QString &sjxh, const QString &method) -> QString {
            try {
                Payments::pay(DemoDM(), sjxh, kCat, method, "收款员乙", at(6, 9));
            } catch (const AppError &e) {
                return e.message();
            }
            return QString();
        };
        const QString again = refused("00000001", "现金");
        QVERIFY2(again.contains(QStringLiteral("不能重复收款")) && again.contains("2024-03-05 10:05:00"), qPrintable(again));
        QVERIFY(refused("00000002", "现金").contains(QStringLiteral("不能收款")));
        QVERIFY(refused("00000099", "现金").contains(QStringLiteral("找不到收据")));
        QVERIFY(refused("00000001", "支票").contains(QStringLiteral("无效")));
        QCOMPARE(db.count("select count(*) as expr1001 from skjlb"), 1);
        QCOMPARE(db.fkzt(table, "00000002"), Payments::kPaid);

        // The database itself keeps one payment per receipt.
        bool rejected = false;
        try {
            db.exec("insert into skjlb(sksj, skr, skfs, je, sjxh, lbmc) values('2024-03-07 08:00:00', 'x', '现金', 1, '00000001', '销售单')");
        } catch (const AppError &) {
            rejected = true;
        }
        QVERIFY(rejected);
        QCOMPARE(DemoDM().transactionDepth(), 0);
    }

    // The payment and the receipt's new state are stored together: a failure
    // at either step leaves neither.
    void paymentAndStateTogether_data()
    {
        QTest::addColumn<bool>("archived");
        QTest::addColumn<QString>("trigger");
        QTest::newRow("payment fails") << false
            << "create trigger fault before insert on skjlb begin select raise(abort, 'injected fault'); end";
        QTest::newRow("state of a current receipt fails") << false
            << "create trigger fault before update of fkzt on P_ORDERD begin select raise(abort, 'injected fault'); end";
        QTest::newRow("state of an archived receipt fails") << true
            << "create trigger fault before update of fkzt on P_ORDERDBAK begin select raise(abort, 'injected fault'); end";
    }
    void paymentAndStateTogether()
    {
        QFETCH(bool, archived);
        QFETCH(QString, trigger);
        Db db;
        store({"00000001", "东区", "A01", "张三", "2024", "03", 50, Payments::kUnpaid, archived});
        db.exec(trigger);
        bool failed = false;
        try {
            Payments::pay(DemoDM(), "00000001", kCat, "现金", "甲", at(5, 10));
        } catch (const AppError &e) {
            failed = e.message().contains(QStringLiteral("injected fault"));
        }
        QVERIFY(failed);
        QCOMPARE(DemoDM().transactionDepth(), 0);
        QCOMPARE(db.count("select count(*) as expr1001 from skjlb"), 0);
        QCOMPARE(db.fkzt(archived ? Receipts::kHistoryTable : Receipts::kCurrentTable, "00000001"), Payments::kUnpaid);
        // Once the fault is gone the same receipt can be paid.
        db.exec("drop trigger fault");
        Payments::pay(DemoDM(), "00000001", kCat, "现金", "甲", at(5, 11));
        QCOMPARE(db.count("select count(*) as expr1001 from skjlb"), 1);
    }

    void arrearsListExactlyTheUnpaid_data()
    {
        QTest::addColumn<QString>("cmc");
        QTest::addColumn<QString>("household");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("total");
        QTest::newRow("all") << "" << "" << 0 << 0
            << QStringList{"东区/A01/张三 3 270.75 [00000001,00000002,00000003]", "东区/A02/李四 1 60.00 [00000005]",
                           "西区/B01/王五 1 55.50 [00000006]", "西区/B02/张三丰 1 33.30 [00000008]"}
            << 6 << 419.55;
        QTest::newRow("community") << "西区" << "" << 0 << 0
            << QStringList{"西区/B01/王五 1 55.50 [00000006]", "西区/B02/张三丰 1 33.30 [00000008]"} << 2 << 88.8;
        QTest::newRow("name part") << "" << "张三" << 0 << 0
            << QStringList{"东区/A01/张三 3 270.75 [00000001,00000002,00000003]", "西区/B02/张三丰 1 33.30 [00000008]"}
            << 4 << 304.05;
        QTest::newRow("household number") << "" << "A02" << 0 << 0 << QStringList{"东区/A02/李四 1 60.00 [00000005]"}
            << 1 << 60.0;
        QTest::newRow("wildcards are plain text") << "" << "%" << 0 << 0 << QStringList{} << 0 << 0.0;
        QTest::newRow("months across the year's end") << "" << "" << 202312 << 202401
            << QStringList{"东区/A01/张三 2 180.75 [00000001,00000002]", "西区/B01/王五 1 55.50 [00000006]"} << 3
            << 236.25;
        QTest::newRow("from a month written without zero") << "东区" << "" << 202402 << 202402
            << QStringList{"东区/A01/张三 1 90.00 [00000003]", "东区/A02/李四 1 60.00 [00000005]"} << 2 << 150.0;
    }
    void arrearsListExactlyTheUnpaid()
    {
        QFETCH(QString, cmc);
        QFETCH(QString, household);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QStringList, lines);
        QFETCH(int, count);
        QFETCH(double, total);
        Db db;
        for (const Bill &b : fixtureBills())
            store(b);
        const Payments::Arrears a = Payments::arrears(DemoDM(), {cmc, household, from, to});
        QStringList got;
        for (const auto &l : a.lines)
            got << lineText(l);
        QCOMPARE(got, lines);
        QCOMPARE(a.count, count);
        QCOMPARE(a.total, total);

        // Paying takes a receipt off the list, archived or not.
        Payments::pay(DemoDM(), "00000001", kCat, "现金", "甲", at(1, 9));
        Payments::pay(DemoDM(), "00000003", kCat, "现金", "甲", at(1, 9));
        const Payments::Arrears after = Payments::arrears(DemoDM(), {});
        QCOMPARE(lineText(after.lines.first()), QStringLiteral("东区/A01/张三 1 80.25 [00000002]"));
        QCOMPARE(after.count, 4);
    }

    // The arrears query reads the unpaid receipts through their own index.
    void arrearsUseTheUnpaidIndex()
    {
        Db db;
        QSqlQuery q(QSqlDatabase::database(TDemoDM::kConnectionName));
        for (const QString &t : {QStringLiteral("P_ORDERD"), QStringLiteral("P_ORDERDBAK")}) {
            QVERIFY(q.exec(QStringLiteral("explain query plan select cost from %1 where fkzt = '未付款' and cmc = 'x'").arg(t)));
            QString plan;
            while (q.next())
                plan += q.value(3).toString();
            QVERIFY2(plan.contains(t + QStringLiteral("_unpaid")), qPrintable(plan));
        }
    }

    void takingsByMethod()
    {
        Db db;
        for (int i = 1; i <= 6; ++i)
            store({QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0')), "东区", QStringLiteral("A%1").arg(i),
                   QStringLiteral("户%1").arg(i), "2024", "02", 10.0 * i + 0.25, Payments::kUnpaid, i % 2 == 0});
        Payments::pay(DemoDM(), "00000001", kCat, "现金", "甲", at(4, 23));   // the day before
        Payments::pay(DemoDM(), "00000002", kCat, "现金", "甲", at(5, 0));
        Payments::pay(DemoDM(), "00000003", kCat, "微信", "乙", at(5, 12));
        Payments::pay(DemoDM(), "00000004", kCat, "现金", "乙", at(5, 23));
        Payments::pay(DemoDM(), "00000005", kCat, "银行转账", "甲", at(6, 0)); // the day after

        const auto text = [](const Payments::Takings &t) {
            QStringList out;
            for (const auto &m : t.byMethod)
                out << QStringLiteral("%1 %2 %3").arg(m.method).arg(m.count).arg(m.sum, 0, 'f', 2);
            QStringList rows;
            for (const auto &r : t.rows)
                rows << r.payment.sjxh.right(1) + r.bhmc;
            return QStringLiteral("%1 | %2 | %3 %4").arg(out.join(", "), rows.join(","), QString::number(t.count), QString::number(t.total, 'f', 2));
        };
        QCOMPARE(text(Payments::takings(DemoDM(), {QDate(2024, 3, 5), QDate(2024, 3, 5), {}})),
                 QStringLiteral("现金 2 60.50, 微信 1 30.25 | 2户2,3户3,4户4 | 3 90.75"));
        QCOMPARE(text(Payments::takings(DemoDM(), {QDate(2024, 3, 5), QDate(2024, 3, 5), "乙"})),
                 QStringLiteral("现金 1 40.25, 微信 1 30.25 | 3户3,4户4 | 2 70.50"));
        QCOMPARE(text(Payments::takings(DemoDM(), {QDate(2024, 3, 4), QDate(2024, 3, 6), "甲"})),
                 QStringLiteral("现金 2 30.50, 银行转账 1 50.25 | 1户1,2户2,5户5 | 3 80.75"));
        QCOMPARE(text(Payments::takings(DemoDM(), {QDate(2024, 3, 7), QDate(2024, 3, 31), {}})), QStringLiteral(" |  | 0 0.00"));
    }

    // A file of the previous version gets the payments table and indexes;
    // every receipt, current, archived and deleted, is still there as it was.
    void upgradeFromVersion5()
    {
        ScratchDir dir;
        const QString path = dir.file(TDemoDM::kDatabaseFileName);
        QStringList before;
        {
            QVERIFY(OldDatabase::write(path, 5, false));
            QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("v5"));
            old.setDatabaseName(path);
            QVERIFY(old.open());
            QSqlQuery q(old);
            int n = 0;
            for (const QString &t : {QStringLiteral("P_ORDERD"), QStringLiteral("P_ORDERDBAK"), QStringLiteral("p_orderd_del")})
                for (const QString &state : {Payments::kPaid, Payments::kUnpaid}) {
                    ++n;
                    QVERIFY(q.exec(QStringLiteral("insert into %1(sjxh, lbmc, bhmc, cmc, nf, yf, cost, fkzt, rq, pxxh, dj, jed) "
                                                  "values('%2', '销售单', '户%2', '东区', '2024', '03', %3, '%4', '2024-03-01', %5, 0.5123, 12.3456)")
                                   .arg(t, QString::number(n).rightJustified(8, QLatin1Char('0')))
                                   .arg(n * 1.25)
                                   .arg(state)
                                   .arg(n)));
                }
            q.finish();
            for (const QString &t : {QStringLiteral("P_ORDERD"), QStringLiteral("P_ORDERDBAK"), QStringLiteral("p_orderd_del")})
                before << TestSql::rows(old, t);
            old.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("v5"));

        TDemoDM dm;
        QVERIFY2(dm.open(), qPrintable(dm.lastOpenError()));
        QSqlQuery q(QSqlDatabase::database(TDemoDM::kConnectionName));
        QVERIFY(q.exec(QStringLiteral("PRAGMA user_version")) && q.next());
        QCOMPARE(q.value(0).toInt(), Schema::currentVersion());
        q.finish();
        QStringList after;
        for (const QString &t : {QStringLiteral("P_ORDERD"), QStringLiteral("P_ORDERDBAK"), QStringLiteral("p_orderd_del")})
            after << TestSql::rows(QSqlDatabase::database(TDemoDM::kConnectionName), t);
        QCOMPARE(after.size(), 6);
        QCOMPARE(after, before);
        // The upgraded file takes payments and lists its arrears.
        QCOMPARE(Payments::arrears(dm, {}).count, 2);
        Payments::pay(dm, "00000002", kCat, "支付宝", "甲", at(5, 10));
        QCOMPARE(Payments::arrears(dm, {}).count, 1);
    }
};

QTEST_GUILESS_MAIN(TestPayments)
#include "test_payments.moc"
