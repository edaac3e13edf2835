// Batch printing of the history list as one print job, through the real
// spreadsheet engine and the test's own CUPS queue.
#include "../history/historyfixture.h"
#include "printfixture.h"

#include "print/formdyts.h"
#include "print/receiptbatch.h"
#include "print/spreadsheetengine.h"
#include "controls.h"

#include <QCheckBox>
#include <QPushButton>
#include <QtTest>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <cups/cups.h>

using namespace history_test;
using namespace PrintFixture;

namespace {

// Accepts the range dialog with the given numbers and "合并为一个打印任务".
void runRange(THistoryTab *tab, const QString &first, const QString &last, bool oneJob)
{
    tab->services().printing.runRangeDialog = [=](TFormdyts *d) {
        d->show();
        control<QLineEdit>(d, "Edit1")->setText(first);
        control<QLineEdit>(d, "Edit2")->setText(last);
        control<QCheckBox>(d, "cbhbdy")->setChecked(oneJob);
        control<QPushButton>(d, "BitBtn1")->click();
        return d->accepted();
    };
}

// The jobs the test queue has, finished or not.
int jobCount()
{
    cups_job_t *jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    cupsFreeJobs(n, jobs);
    return n;
}

// The serial numbers ("NO.…") on each page of a PDF, in page order.
QStringList serialsByPage(const QString &pdf)
{
    QStringList out;
    const QStringList pages = pdfText(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    static const QRegularExpression serial(QStringLiteral("NO\\.(\\d+)"));
    for (const QString &page : pages) {
        if (page.trimmed().isEmpty())
            continue;
        QStringList onPage;
        for (auto it = serial.globalMatch(page); it.hasNext();)
            onPage << it.next().captured(1);
        out << onPage.join(QLatin1Char(','));
    }
    return out;
}

} // namespace

class TestBatchPrint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(ensurePrintServices(), "the test print scheduler did not start (scripts/test-services.sh start)");
        SpreadsheetEngine::startInBackground();
    }
    void cleanupTestCase() { SpreadsheetEngine::shutdown(); }

    // Three receipts as one job: one job, three pages, each page its own
    // receipt in the order of the list, and no copy "2.xls" left behind.
    void threeReceiptsOneJob()
    {
        Fixture fx;
        QVERIFY(installTemplate(fx.dir.path()));
        fx.insert("P_ORDERDBAK", {"00000011", "甲", "2024", "01", "2024-01-05", 25});
        fx.insert("P_ORDERDBAK", {"00000012", "乙", "2024", "02", "2024-02-05", 30});
        fx.insert("P_ORDERDBAK", {"00000013", "丙", "2024", "03", "2024-03-05", 12.5});
        fx.query();
        QCOMPARE(fx.listed(), (QStringList{"00000011", "00000012", "00000013"}));
        runRange(fx.history(), "1", "3", true);
        const int jobsBefore = jobCount();
        QElapsedTimer t;
        t.start();
        control<QPushButton>(fx.f(), "SpeedButton37")->click();
        QVERIFY2(fx.dialogs.count() == 0, qPrintable(fx.dialogs.texts().join('|')));
        QVERIFY(fx.history()->batchPrinting()->lastBatchFailures().isEmpty());
        const int job = fx.history()->batchPrinting()->lastBatchJobId();
        QVERIFY(job > 0);
        QCOMPARE(jobCount(), jobsBefore + 1);
        const QString document = jobDocument(job);
        QVERIFY2(QFileInfo(document).isReadable(), qPrintable(document));
        QCOMPARE(pdfPageCount(document), 3);
        QCOMPARE(serialsByPage(document), (QStringList{"00000011", "00000012", "00000013"}));
        const QString text = pdfText(document);
        for (const char *piece : {"甲 住户", "乙 住户", "丙 住户", "时间:2024年02月05日", "总合计金额：25 元",
                                  "总合计金额：12.5 元", "电费"})
            QVERIFY2(text.contains(QString::fromUtf8(piece)), qPrintable(QString::fromUtf8(piece) + "\n" + text));
        QVERIFY(!QFileInfo::exists(fx.dir.file("2.xls")));
        QCOMPARE(control<QLabel>(fx.f(), "ldyts")->text(), QString());
        QVERIFY(!control<QProgressBar>(fx.f(), "pbdyts")->isVisible());
        // The choice is remembered in the settings.
        QCOMPARE(Global().strhbdy, QStringLiteral("Y"));
        qInfo("3 receipts as one job: %lld ms", qint64(t.elapsed()));
    }

    // A receipt that cannot be filled (its stored date is unreadable) is
    // named at the end and left out; the others go as one job.
    void unfillableReceiptLeftOut()
    {
        Fixture fx;
        QVERIFY(installTemplate(fx.dir.path()));
        fx.insert("P_ORDERDBAK", {"00000021", "甲", "2024", "01", "2024-01-05"});
        fx.insert("P_ORDERDBAK", {"00000022", "乙", "2024", "02", "2024-02-05"});
        fx.insert("P_ORDERDBAK", {"00000023", "丙", "2024", "03", "2024-03-05"});
        fx.query();
        fx.exec("update P_ORDERDBAK set rq='不是日期' where sjxh='00000022'");
        runRange(fx.history(), "1", "3", true);
        const int jobsBefore = jobCount();
        control<QPushButton>(fx.f(), "SpeedButton37")->click();
        QCOMPARE(fx.history()->batchPrinting()->lastBatchFailures(), QList<qint64>{2});
        QCOMPARE(fx.dialogs.count(), 1);
        QVERIFY2(fx.dialogs.texts().first().startsWith(QStringLiteral("以下序号的单据无法填写，没有放入打印任务：2")),
                 qPrintable(fx.dialogs.texts().first()));
        QCOMPARE(jobCount(), jobsBefore + 1);
        const QString document = jobDocument(fx.history()->batchPrinting()->lastBatchJobId());
        QCOMPARE(pdfPageCount(document), 2);
        QCOMPARE(serialsByPage(document), (QStringList{"00000021", "00000023"}));
    }

    // Closing the window in the middle of a one-job batch (and saying yes)
    // sends nothing at all.
    void stoppedBatchSendsNoJob()
    {
        Fixture fx;
        QVERIFY(installTemplate(fx.dir.path()));
        for (int i = 1; i <= 4; ++i)
            fx.insert("P_ORDERDBAK", {QStringLiteral("0000003%1").arg(i), QStringLiteral("户%1").arg(i)});
        fx.query();
        fx.window->show();
        runRange(fx.history(), "1", "4", true);
        fx.dialogs.answer(true);
        QList<qint64> steps;
        QObject::connect(fx.history()->batchPrinting(), &TBatchPrinting::batchStep, [&](qint64 n, bool) {
            steps << n;
            if (n == 2)
                fx.window->close();
        });
        const int jobsBefore = jobCount();
        control<QPushButton>(fx.f(), "SpeedButton37")->click();
        QVERIFY(fx.history()->batchPrinting()->batchStopped());
        QCOMPARE(steps, (QList<qint64>{1, 2}));
        QCOMPARE(fx.history()->batchPrinting()->lastBatchJobId(), 0);
        QTest::qWait(500);
        QCOMPARE(jobCount(), jobsBefore);
    }
};

QTEST_MAIN(TestBatchPrint)
#include "test_batchprint.moc"
