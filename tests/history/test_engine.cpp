// Batch printing and export through the real spreadsheet engine and a print
// scheduler of the test's own (tests/support/testprintserver.h).
#include "historyfixture.h"

#include "print/formdyts.h"
#include "print/spreadsheetengine.h"
#include "testprintserver.h"
#include "controls.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QLineEdit>
#include <cups/cups.h>

using namespace history_test;

namespace {

// The highest job id the default queue has seen, and the titles of the
// jobs above a given id.
int lastJobId()
{
    cups_job_t *jobs = nullptr;
    const int n = cupsGetJobs(&jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    int last = 0;
    for (int i = 0; i < n; ++i)
        last = qMax(last, jobs[i].id);
    cupsFreeJobs(n, jobs);
    return last;
}

int jobsAfter(int id)
{
    cups_job_t *jobs = nullptr;
    const int n = cupsGetJobs(&jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    int count = 0;
    for (int i = 0; i < n; ++i)
        if (jobs[i].id > id)
            ++count;
    cupsFreeJobs(n, jobs);
    return count;
}

// The template the build puts into the program folder.
QString builtTemplate()
{
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../../program/收据模板.xls"));
}

} // namespace

class TestHistoryEngine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { SpreadsheetEngine::shutdown(); }
    void batchPrintsTwoJobs();
    void exportReadsBack_data();
    void exportReadsBack();
};

void TestHistoryEngine::initTestCase()
{
    QVERIFY2(TestPrintServer::shared().isRunning(), qPrintable(TestPrintServer::shared().error()));
    QVERIFY(cupsGetDefault());
    if (!QFile::exists(builtTemplate()))
        QFAIL("the receipt template was not built");
    // A cold start on a busy machine may take a while.
    // The application restarts itself once on a fresh profile, which the
    // engine notices while events are handled: let it come up first.
    // The engine itself waits for that second start (within the start time).
    SpreadsheetEngine::setStartTimeoutMs(90000);
    SpreadsheetEngine::startInBackground();
    QVERIFY(SpreadsheetEngine::isAvailable());
}

void TestHistoryEngine::batchPrintsTwoJobs()
{
    Fixture fx;
    QVERIFY(QFile::copy(builtTemplate(), fx.dir.file("收据模板.xls")));
    fx.insert("P_ORDERDBAK", {"00000001", "一号楼101", "2024", "01"});
    fx.insert("P_ORDERDBAK", {"00000002", "一号楼102", "2024", "02"});
    fx.insert("P_ORDERDBAK", {"00000003", "一号楼103", "2024", "03", "2024-03-05", 25});
    fx.insert("P_ORDERDBAK", {"00000004", "一号楼104", "2024", "04"});
    fx.query();
    QCOMPARE(fx.listed().size(), 4);
    fx.history()->batchPrinting()->setBatchPauseMs(0);
    QList<QPair<qint64, bool>> steps;
    QString k7;
    QObject::connect(fx.history()->batchPrinting(), &TBatchPrinting::batchStep, [&](qint64 n, bool printed) {
        steps << qMakePair(n, printed);
        if (n == 3) {
            auto book = SpreadsheetEngine::open(fx.dir.file("2.xls"));
            k7 = book->cellText(7, 11);
        }
    });
    fx.history()->services().printing.runRangeDialog = [](TFormdyts *d) {
        d->show();
        control<QLineEdit>(d, "Edit1")->setText("3");
        control<QLineEdit>(d, "Edit2")->setText("5");
        control<QPushButton>(d, "BitBtn1")->click();
        return d->accepted();
    };
    const int before = lastJobId();
    control<QPushButton>(fx.f(), "SpeedButton37")->click();
    QCOMPARE(fx.dialogs.texts(), QStringList{});
    const QList<QPair<qint64, bool>> expected{{3, true}, {4, true}, {5, false}};
    QCOMPARE(steps, expected);
    QCOMPARE(k7, QStringLiteral("总合计金额：25 元"));
    QCOMPARE(jobsAfter(before), 2);
}

void TestHistoryEngine::exportReadsBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("xls") << "报表.xls";
    QTest::newRow("xlsx") << "报表.xlsx";
    QTest::newRow("ods") << "报表.ods";
}

void TestHistoryEngine::exportReadsBack()
{
    QFETCH(QString, name);
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000003", "乙", "2024", "03", "2024-03-10", 12.5});
    fx.insert("P_ORDERDBAK", {"00000001", "甲", "2024", "03", "2024-03-01", 25});
    fx.insert("P_ORDERDBAK", {"00000002", "=丙", "2024", "02", "2024-02-01", 3});
    fx.history()->services().chooseSavePath = [&](const QString &) { return fx.dir.file(name); };
    control<QPushButton>(fx.f(), "SpeedButton29")->click();
    QCOMPARE(fx.dialogs.texts(), QStringList{"数据导出完成！"});
    auto book = SpreadsheetEngine::open(fx.dir.file(name));
    const QStringList titles{"序号", "收据号", "年度", "月份", "户名", "户号", "上月抄电量", "本月抄电量", "损耗电费量",
                             "用电量", "电费单价", "电费", "上月抄水量", "本月抄水量", "损耗水费量", "用水量",
                             "水费单价", "水费", "其它费用", "房租费用", "总金额", "区域", "抄表人", "收款人", "填表日期"};
    for (int c = 0; c < 25; ++c)
        QCOMPARE(book->cellText(1, c + 1), titles[c]);
    QCOMPARE(book->cellText(1, 26), QString());
    // Three receipts, by year, month and name; nothing below.
    QCOMPARE(book->cellText(2, 5), QStringLiteral("=丙"));
    QCOMPARE(book->cellText(3, 5), QStringLiteral("乙"));
    QCOMPARE(book->cellText(4, 5), QStringLiteral("甲"));
    QCOMPARE(book->cellText(5, 1), QString());
    QCOMPARE(book->cellText(2, 2), QStringLiteral("00000002"));
    QVERIFY(!book->cellIsNumber(2, 2));
    QCOMPARE(book->cellText(3, 21), QStringLiteral("12.5"));
    QVERIFY(book->cellIsNumber(3, 21));
    QCOMPARE(book->cellText(3, 25), QStringLiteral("2024-03-10"));
}

QTEST_MAIN(TestHistoryEngine)
#include "test_engine.moc"
