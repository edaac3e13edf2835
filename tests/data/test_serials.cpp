#include "common/apperror.h"
#include "data/demodm.h"
#include "data/serials.h"
#include "scratchdir.h"
#include "testdatabase.h"

#include <QScopeGuard>
#include <QTest>

namespace {

void execSql(const QString &sql)
{
    TestSql::exec(sql);
}

QList<qint64> column(const QString &sql)
{
    QList<qint64> out;
    for (const QVariant &v : TestSql::column(sql))
        out << v.toLongLong();
    return out;
}

void addCurrent(int n)
{
    for (int i = 0; i < n; ++i)
        execSql(QStringLiteral("insert into P_ORDERD(sjxh, lbmc, pxxh) values('%1', '销售单', 1)")
                    .arg(Serials::SerialText(i + 1)));
}

const QString kCat = QStringLiteral("销售单");

} // namespace

class SerialsTest : public QObject
{
    Q_OBJECT

private slots:
    void serialText_data()
    {
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("1") << qint64(1) << "00000001";
        QTest::newRow("12") << qint64(12) << "00000012";
        QTest::newRow("eight digits") << qint64(12345678) << "12345678";
        QTest::newRow("largest") << qint64(99999999) << "99999999";
        QTest::newRow("nine digits") << qint64(100000000) << "";
    }
    void serialText()
    {
        QFETCH(qint64, number);
        QFETCH(QString, text);
        QCOMPARE(Serials::SerialText(number), text);
    }

    void freshDatabaseOffersOneThenTwo()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        QCOMPARE(Serials::NextReceiptSerial(dm, kCat), QStringLiteral("00000001"));
        QVERIFY(!Serials::IsSerialIssued(dm, QStringLiteral("00000001"), kCat));
        // Asking again writes nothing and offers the same number.
        QCOMPARE(Serials::NextReceiptSerial(dm, kCat), QStringLiteral("00000001"));

        Serials::IssueSerial(dm, QStringLiteral("00000001"), kCat);
        QVERIFY(Serials::IsSerialIssued(dm, QStringLiteral("00000001"), kCat));
        QVERIFY(!Serials::IsSerialIssued(dm, QStringLiteral("00000001"), QStringLiteral("普通收据")));
        QCOMPARE(Serials::ReadCounter(dm, kCat), 1);
        QCOMPARE(Serials::NextReceiptSerial(dm, kCat), QStringLiteral("00000002"));

        // The counter follows the number issued; the register only grows.
        Serials::IssueSerial(dm, QStringLiteral("00000002"), kCat);
        QCOMPARE(Serials::NextReceiptSerial(dm, kCat), QStringLiteral("00000003"));
        QCOMPARE(column(QStringLiteral("select count(*) as v from bciidb")), QList<qint64>{2});
    }

    void categoryWithoutCounterRowGetsOne()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        const QString other = QStringLiteral("普通收据");
        QCOMPARE(Serials::NextReceiptSerial(dm, other), QStringLiteral("00000001"));
        Serials::IssueSerial(dm, QStringLiteral("00000001"), other);
        QCOMPARE(Serials::NextReceiptSerial(dm, other), QStringLiteral("00000002"));
        Serials::IssueSerial(dm, QStringLiteral("00000002"), other);
        QCOMPARE(Serials::NextReceiptSerial(dm, other), QStringLiteral("00000003"));
        QCOMPARE(column(QStringLiteral("select count(*) as v from sjxhb")), QList<qint64>{2});
        // The other category is untouched.
        QCOMPARE(Serials::NextReceiptSerial(dm, kCat), QStringLiteral("00000001"));
    }

    void serialThatIsNotANumberWritesNothing()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        QVERIFY_THROWS_EXCEPTION(AppError, Serials::IssueSerial(dm, QString(), kCat));
        QVERIFY_THROWS_EXCEPTION(AppError, Serials::IssueSerial(dm, QStringLiteral("12a"), kCat));
        QCOMPARE(column(QStringLiteral("select count(*) as v from bciidb")), QList<qint64>{0});
        QCOMPARE(Serials::ReadCounter(dm, kCat), 0);
    }

    void freeSerialSkipsIssuedNumbers()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        QCOMPARE(Serials::FreeSerial(dm, kCat), QStringLiteral("00000001"));
        Serials::IssueSerial(dm, QStringLiteral("00000003"), kCat);
        // Numbers past the counter that are already registered are passed over.
        Serials::RegisterSerial(dm, QStringLiteral("00000004"), kCat);
        Serials::RegisterSerial(dm, QStringLiteral("00000005"), kCat);
        QCOMPARE(Serials::FreeSerial(dm, kCat), QStringLiteral("00000006"));
        // Another category's register does not count; asking writes nothing.
        QCOMPARE(Serials::FreeSerial(dm, QStringLiteral("普通收据")), QStringLiteral("00000001"));
        QCOMPARE(Serials::FreeSerial(dm, kCat), QStringLiteral("00000006"));
        QCOMPARE(column(QStringLiteral("select count(*) as v from bciidb")), QList<qint64>{3});
    }

    void freeSerialPastTheLastNumberThrows()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        Serials::IssueSerial(dm, QStringLiteral("99999998"), kCat);
        Serials::RegisterSerial(dm, QStringLiteral("99999999"), kCat);
        try {
            Serials::FreeSerial(dm, kCat);
            QFAIL("no error past the last number");
        } catch (const AppError &e) {
            QCOMPARE(e.message(), Serials::kSerialsUsedUp);
        }
    }

    void renumberCurrentReceiptsClosesGaps()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        addCurrent(5);
        Serials::RenumberCurrentReceipts(dm);
        QCOMPARE(column(QStringLiteral("select pxxh as v from P_ORDERD order by iid")), (QList<qint64>{1, 2, 3, 4, 5}));
        execSql(QStringLiteral("delete from P_ORDERD where pxxh = 3"));
        QCOMPARE(column(QStringLiteral("select pxxh as v from P_ORDERD order by iid")), (QList<qint64>{1, 2, 4, 5}));
        Serials::RenumberCurrentReceipts(dm);
        QCOMPARE(column(QStringLiteral("select pxxh as v from P_ORDERD order by iid")), (QList<qint64>{1, 2, 3, 4}));

        // A restored receipt with an old iid takes its place in entry order.
        execSql(QStringLiteral("insert into P_ORDERD(iid, sjxh, lbmc, pxxh) values(3, '00000003', '销售单', 99)"));
        Serials::RenumberCurrentReceipts(dm);
        QCOMPARE(column(QStringLiteral("select iid as v from P_ORDERD order by pxxh")), (QList<qint64>{1, 2, 3, 4, 5}));
        QCOMPARE(column(QStringLiteral("select pxxh as v from P_ORDERD order by iid")), (QList<qint64>{1, 2, 3, 4, 5}));
    }

    void renumberHistoryResultZeroesTheRest()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        for (int i = 1; i <= 6; ++i)
            execSql(QStringLiteral("insert into P_ORDERDBAK(iid, sjxh, lbmc, pxxh) values(%1, '%2', '销售单', %1)")
                        .arg(i).arg(Serials::SerialText(i)));
        execSql(QStringLiteral("update P_ORDERDBAK set pxxh = null where iid = 6"));
        // A result in its own order: 5, 2, 3.
        Serials::RenumberHistoryResult(dm, {5, 2, 3});
        QCOMPARE(column(QStringLiteral("select pxxh as v from P_ORDERDBAK order by iid")), (QList<qint64>{0, 2, 3, 0, 1, 0}));
        // An empty result leaves every history receipt at 0.
        Serials::RenumberHistoryResult(dm, {});
        QCOMPARE(column(QStringLiteral("select count(*) as v from P_ORDERDBAK where pxxh = 0")), QList<qint64>{6});
    }

    // A renumbering of most of the history drops the index of the numbered
    // rows and builds it again; a failure in between (here the fourth row's
    // new number is refused) leaves every number and the index as they were.
    void failureWhileTheIndexIsRebuiltKeepsNumbersAndIndex()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        const qint64 usual = Serials::RebuildIndexFrom();
        Serials::SetRebuildIndexFrom(1);
        const auto restoreUsual = qScopeGuard([usual] { Serials::SetRebuildIndexFrom(usual); });
        for (int i = 1; i <= 6; ++i)
            execSql(QStringLiteral("insert into P_ORDERDBAK(iid, sjxh, lbmc, nf, pxxh) values(%1, '%2', '销售单', '2024', %3)")
                        .arg(i).arg(Serials::SerialText(i)).arg(7 - i));
        const QString indexSql = QStringLiteral("select sql as v from sqlite_master where name = 'P_ORDERDBAK_numbered'");
        const QVariantList index = TestSql::column(indexSql);
        QCOMPARE(index.size(), 1);
        execSql(QStringLiteral("create trigger refuse before update of pxxh on P_ORDERDBAK when new.iid = 4"
                               " begin select raise(abort, 'refused'); end"));
        QVERIFY_THROWS_EXCEPTION(AppError, Serials::RenumberHistoryResult(dm, QStringLiteral("nf = :nf"),
                                                                          QStringLiteral("iid"), {{"nf", "2024"}}));
        QCOMPARE(column(QStringLiteral("select pxxh as v from P_ORDERDBAK order by iid")), (QList<qint64>{6, 5, 4, 3, 2, 1}));
        QCOMPARE(TestSql::column(indexSql), index);

        execSql(QStringLiteral("drop trigger refuse"));
        QVERIFY(Serials::RenumberHistoryResult(dm, QStringLiteral("nf = :nf"), QStringLiteral("iid"), {{"nf", "2024"}}));
        QCOMPARE(column(QStringLiteral("select pxxh as v from P_ORDERDBAK order by iid")), (QList<qint64>{1, 2, 3, 4, 5, 6}));
        QCOMPARE(TestSql::column(indexSql), index);
        QCOMPARE(column(QStringLiteral("select count(*) as v from P_ORDERDBAK indexed by P_ORDERDBAK_numbered where pxxh is not 0 and pxxh > 3")),
                 QList<qint64>{3});
    }
};

QTEST_GUILESS_MAIN(SerialsTest)
#include "test_serials.moc"
