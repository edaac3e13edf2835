// Batch printing and export of the history list, with the spreadsheet
// engine replaced by a recorder so that the tab's own rules can be checked
// (the engine itself is exercised by the printing tests).
#include "historyfixture.h"

#include "history/exportworkbook.h"
#include "history/receiptengine.h"
#include "print/formdyts.h"
#include "print/receiptbatch.h"
#include "print/spreadsheetengine.h"
#include "controls.h"

#include <QCheckBox>
#include <QCloseEvent>

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QProgressBar>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

using namespace history_test;

namespace {

// What a batch sent to the engine.
struct EngineRecorder
{
    QList<QStringList> filled;        // cell texts of each filled receipt
    QStringList printedNames;         // the A2 cell of each printed receipt
    QStringList failNames;            // receipts whose print fails
    QString failFillName;             // the receipt whose filling fails
    QStringList progressSeen;         // ldyts while each receipt is filled
    bool barVisible = false;
    QList<QPair<qint64, bool>> steps;

    void attach(THistoryTab *tab)
    {
        tab->batchPrinting()->setBatchPauseMs(0);
        tab->services().printing.fillReceipt = [this, tab](const QString &path, const QStringList &cells) {
            progressSeen << control<QLabel>(tab, "ldyts")->text();
            barVisible = control<QProgressBar>(tab, "pbdyts")->isVisible();
            if (cells.value(0) == failFillName)
                throw AppError(QStringLiteral("模板文件不存在"));
            filled << cells;
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write(cells.join(QLatin1Char('\n')).toUtf8());
        };
        tab->services().printing.printFirstSheet = [this](const QString &path) {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            const QString name = QString::fromUtf8(f.readLine()).trimmed();
            if (failNames.contains(name))
                return false;
            printedNames << name;
            return true;
        };
        QObject::connect(tab->batchPrinting(), &TBatchPrinting::batchStep, [this](qint64 n, bool printed) { steps << qMakePair(n, printed); });
    }
};

void runRange(THistoryTab *tab, const QString &first, const QString &last)
{
    tab->services().printing.runRangeDialog = [first, last](TFormdyts *d) {
        d->show();
        control<QLineEdit>(d, "Edit1")->setText(first);
        control<QLineEdit>(d, "Edit2")->setText(last);
        control<QPushButton>(d, "BitBtn1")->click();
        return d->accepted();
    };
}

// What a batch sent as one job.
struct JobRecorder
{
    QStringList added;          // the A2 cell of each receipt in the job
    QStringList failNames;      // receipts whose filling fails
    int jobsStarted = 0;
    QStringList printedJobs;    // the receipts of each job sent, joined by ","
    QList<QPair<qint64, bool>> steps;
    QStringList progressSeen;   // ldyts while each receipt is added
    QStringList renderSeen;     // ldyts while the job is rendered
    std::function<void()> duringRender;   // what happens while the engine renders

    struct Job : ReceiptJob
    {
        JobRecorder *r;
        THistoryTab *tab;
        QStringList mine;
        void add(const QStringList &cells) override
        {
            r->progressSeen << control<QLabel>(tab, "ldyts")->text();
            if (r->failNames.contains(cells.value(0)))
                throw AppError(QStringLiteral("单元格写不进去"));
            mine << cells.value(0);
            r->added << cells.value(0);
        }
        bool rendered = false;
        int count() const override { return int(mine.size()); }
        void render() override
        {
            if (mine.isEmpty())
                return;
            r->renderSeen << control<QLabel>(tab, "ldyts")->text();
            rendered = true;
            if (r->duringRender)
                r->duringRender();
        }
        int send(const QString &) override
        {
            if (!rendered)
                return 0;
            r->printedJobs << mine.join(QLatin1Char(','));
            return 40 + int(r->printedJobs.size());
        }
    };

    void attach(THistoryTab *tab)
    {
        tab->services().printing.fillReceipt = [](const QString &, const QStringList &) { QFAIL("filled one by one"); };
        tab->services().printing.printFirstSheet = [](const QString &) { return false; };
        tab->services().printing.startReceiptJob = [this, tab] {
            ++jobsStarted;
            auto job = std::make_unique<Job>();
            job->r = this;
            job->tab = tab;
            return std::unique_ptr<ReceiptJob>(std::move(job));
        };
        QObject::connect(tab->batchPrinting(), &TBatchPrinting::batchStep, [this](qint64 n, bool added) { steps << qMakePair(n, added); });
    }
};

// Receipts "户1" … "户n" numbered 1 … n on the list of a shown window.
bool listShown(Fixture &fx, int n)
{
    for (int i = 1; i <= n; ++i)
        fx.insert("P_ORDERDBAK", {QStringLiteral("0000000%1").arg(i), QStringLiteral("户%1").arg(i)});
    fx.window->show();
    if (!QTest::qWaitForWindowExposed(fx.window.get()))
        return false;
    fx.query();
    return true;
}

void runRangeOneJob(THistoryTab *tab, const QString &first, const QString &last)
{
    tab->services().printing.runRangeDialog = [first, last](TFormdyts *d) {
        d->show();
        control<QLineEdit>(d, "Edit1")->setText(first);
        control<QLineEdit>(d, "Edit2")->setText(last);
        control<QCheckBox>(d, "cbhbdy")->setChecked(true);
        control<QPushButton>(d, "BitBtn1")->click();
        return d->accepted();
    };
}

// The rows a recording writer received, and the file it made.
struct WriterRecorder
{
    QList<QStringList> rows;             // as the cells show them
    QString writtenTo;
    bool fail = false;
    WorkbookExport::Writer writer()
    {
        return [this](const QString &path, WorkbookExport::RowSource &source) {
            writtenTo = path;
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write("partial");
            f.close();
            if (fail)
                throw AppError(QStringLiteral("磁盘已满"));
            rows.clear();
            auto add = [this](const WorkbookExport::Row &row) {
                QStringList texts;
                for (const QVariant &v : row)
                    texts << WorkbookExport::cellText(v);
                rows << texts;
            };
            add(source.titles());
            for (QList<WorkbookExport::Row> block; !(block = source.next(WorkbookExport::kBlockRows)).isEmpty();)
                for (const WorkbookExport::Row &row : block)
                    add(row);
        };
    }
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestBatchExport : public QObject
{
    Q_OBJECT
private slots:
    void batchNeedsAList();
    void batchRange_data();
    void batchRange();
    void batchCancelledDialog();
    void batchFailedPrintsListed();
    void batchFillFailureEndsBatch();
    void batchWaitsWithEventsHandled();
    void closingTheWindowStopsTheBatch_data();
    void closingTheWindowStopsTheBatch();
    void oneJob_data();
    void oneJob();
    void oneJobWithoutEngine();
    void oneJobTooLarge();
    void oneJobStoppedSendsNothing();
    void oneJobStopWhileRendering_data();
    void oneJobStopWhileRendering();
    void oneJobChoiceRemembered();
    void exportChecks_data();
    void exportChecks();
    void exportRowsAndTitles();
    void exportPath_data();
    void exportPath();
    void exportCancelled();
    void exportReplaceDeclined();
    void exportReplaceAccepted();
    void exportFailureKeepsOldFile();
    void exportWithoutEngine();
    void exportTooLarge_data();
    void exportTooLarge();
    void exportStoppedLeavesNoFile_data();
    void exportStoppedLeavesNoFile();
};

void TestBatchExport::batchNeedsAList()
{
    Fixture fx;
    EngineRecorder engine;
    engine.attach(fx.history());
    control<QPushButton>(fx.f(), "SpeedButton37")->click();
    QCOMPARE(fx.dialogs.texts(), QStringList{"请先查询数据！"});
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    fx.query();
    fx.select(0);
    fx.dialogs.answer(true);
    control<QPushButton>(fx.f(), "SpeedButton23")->click();    // the only row deleted: the list is open and empty
    fx.dialogs.clear();
    control<QPushButton>(fx.f(), "SpeedButton37")->click();
    QCOMPARE(fx.dialogs.texts(), QStringList{"没有您需要批量打印的数据！"});
    QVERIFY(engine.filled.isEmpty());
}

void TestBatchExport::batchRange_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<int>("steps");
    QTest::newRow("3 to 5 of 4") << "3" << "5" << QStringList{"丙 住户", "丁 住户"} << 3;
    QTest::newRow("2 to 2") << "2" << "2" << QStringList{"乙 住户"} << 1;
    QTest::newRow("past the list") << "7" << "8" << QStringList{} << 2;
}

void TestBatchExport::batchRange()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QStringList, printed);
    QFETCH(int, steps);
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲", "2024", "01"});
    fx.insert("P_ORDERDBAK", {"00000002", "乙", "2024", "02"});
    fx.insert("P_ORDERDBAK", {"00000003", "丙", "2024", "03"});
    fx.insert("P_ORDERDBAK", {"00000004", "丁", "2024", "04", "2024-04-05", 25});
    fx.insert("P_ORDERDBAK", {"00000005", "戊", "2023", "04"});
    control<QLineEdit>(fx.f(), "Edit23")->setText("2024");
    fx.query();
    EngineRecorder engine;
    engine.attach(fx.history());
    runRange(fx.history(), first, last);
    control<QPushButton>(fx.f(), "SpeedButton37")->click();
    QCOMPARE(engine.printedNames, printed);
    QCOMPARE(engine.steps.size(), steps);
    QCOMPARE(fx.dialogs.count(), 0);
    QCOMPARE(control<QLabel>(fx.f(), "ldyts")->text(), QString());
    QVERIFY(!control<QProgressBar>(fx.f(), "pbdyts")->isVisible());
    if (!printed.isEmpty()) {
        QCOMPARE(engine.progressSeen.first(), QStringLiteral("正在打印序号为%1的单据").arg(first));
        QVERIFY(engine.barVisible || !fx.window->isVisible());
    }
    if (first == "3") {
        const QStringList &cells = engine.filled.last();
        QCOMPARE(cells[1], QStringLiteral("时间:2024年04月05日"));
        QCOMPARE(cells[2], QStringLiteral("NO.00000004"));
        QCOMPARE(cells[9], QStringLiteral("6.25"));
        QCOMPARE(cells[19], QStringLiteral("总合计金额：25 元"));
        QCOMPARE(engine.steps.last(), qMakePair(qint64(5), false));
    }
}

void TestBatchExport::batchCancelledDialog()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    fx.query();
    EngineRecorder engine;
    engine.attach(fx.history());
    fx.history()->services().printing.runRangeDialog = [](TFormdyts *d) {
        d->show();
        control<QPushButton>(d, "BitBtn2")->click();
        return d->accepted();
    };
    control<QPushButton>(fx.f(), "SpeedButton37")->click();
    QVERIFY(engine.steps.isEmpty());
    QCOMPARE(fx.dialogs.count(), 0);
}

void TestBatchExport::batchFailedPrintsListed()
{
    Fixture fx;
    for (int i = 1; i <= 4; ++i)
        fx.insert("P_ORDERDBAK", {QStringLiteral("0000000%1").arg(i), QStringLiteral("户%1").arg(i)});
    fx.query();
    EngineRecorder engine;
    engine.attach(fx.history());
    engine.failNames = QStringList{"户2 住户", "户4 住户"};
    runRange(fx.history(), "1", "4");
    control<QPushButton>(fx.f(), "SpeedButton37")->click();
    // The batch goes on after a failed print and names the failures at the end.
    QCOMPARE(engine.printedNames, (QStringList{"户1 住户", "户3 住户"}));
    QCOMPARE(fx.history()->batchPrinting()->lastBatchFailures(), (QList<qint64>{2, 4}));
    QCOMPARE(fx.dialogs.texts(), QStringList{"以下序号的单据没有打印出来：2、4"});
}

void TestBatchExport::batchFillFailureEndsBatch()
{
    Fixture fx;
    for (int i = 1; i <= 3; ++i)
        fx.insert("P_ORDERDBAK", {QStringLiteral("0000000%1").arg(i), QStringLiteral("户%1").arg(i)});
    fx.query();
    EngineRecorder engine;
    engine.attach(fx.history());
    engine.failFillName = "户2 住户";
    runRange(fx.history(), "1", "3");
    control<QPushButton>(fx.f(), "SpeedButton37")->click();
    QCOMPARE(engine.printedNames, QStringList{"户1 住户"});
    QCOMPARE(fx.dialogs.texts(), QStringList{"模板文件不存在"});
    QCOMPARE(fx.dialogs.shown().first().kind, Dialogs::Kind::Error);
    QCOMPARE(control<QLabel>(fx.f(), "ldyts")->text(), QStringLiteral("正在打印序号为2的单据"));
    QVERIFY(!fx.history()->batchPrinting()->batchRunning());
}

void TestBatchExport::batchWaitsWithEventsHandled()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    fx.insert("P_ORDERDBAK", {"00000002", "乙"});
    fx.query();
    EngineRecorder engine;
    engine.attach(fx.history());
    fx.history()->batchPrinting()->setBatchPauseMs(150);
    // A timer fires while the batch waits; a second click does not start a second batch.
    int fired = 0;
    QTimer::singleShot(50, [&] {
        ++fired;
        control<QPushButton>(fx.f(), "SpeedButton37")->click();
    });
    runRange(fx.history(), "1", "2");
    QElapsedTimer t;
    t.start();
    control<QPushButton>(fx.f(), "SpeedButton37")->click();
    QVERIFY(t.elapsed() >= 290);
    QCOMPARE(fired, 1);
    QCOMPARE(engine.printedNames.size(), 2);
}

// The window closed in the middle of a batch (during the pause after the
// second receipt): after a yes the batch ends with the receipt in hand and
// the window stays closed; after a no the window stays and the batch goes on.
void TestBatchExport::closingTheWindowStopsTheBatch_data()
{
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<bool>("windowOpen");
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<bool>("inProgramLoop");   // the batch runs from the application's own loop
    // After a yes the pause is long enough that only the close can end it soon.
    QTest::newRow("yes") << true << QStringList{"户1 住户", "户2 住户"} << false << 2000 << false;
    QTest::newRow("no") << false << QStringList{"户1 住户", "户2 住户", "户3 住户", "户4 住户"} << true << 200
                        << false;
    // There the last window closed ends the loops, the batch's pause included.
    QTest::newRow("yes, program loop") << true << QStringList{"户1 住户", "户2 住户"} << false << 2000 << true;
}

void TestBatchExport::closingTheWindowStopsTheBatch()
{
    QFETCH(bool, answer);
    QFETCH(QStringList, printed);
    QFETCH(bool, windowOpen);
    QFETCH(int, pauseMs);
    QFETCH(bool, inProgramLoop);
    Fixture fx;
    QVERIFY(listShown(fx, 4));
    EngineRecorder engine;
    engine.attach(fx.history());
    fx.history()->batchPrinting()->setBatchPauseMs(pauseMs);
    QObject::connect(fx.history()->batchPrinting(), &TBatchPrinting::batchStep, [&](qint64 n, bool ok) {
        engine.steps << qMakePair(n, ok);
        if (n == 2)
            QTimer::singleShot(0, fx.window.get(), [&] { fx.window->close(); });
    });
    fx.dialogs.answer(answer);
    runRange(fx.history(), "1", "4");
    QElapsedTimer t;
    t.start();
    if (inProgramLoop) {
        QVERIFY(qApp->quitOnLastWindowClosed());
        QTimer::singleShot(0, control<QPushButton>(fx.f(), "SpeedButton37"), &QPushButton::click);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        watchdog.start(20000);
        QCOMPARE(qApp->exec(), 0);   // ended by the closed window, not by the watchdog
        QVERIFY(!fx.history()->batchPrinting()->batchRunning());
    } else {
        control<QPushButton>(fx.f(), "SpeedButton37")->click();
    }
    QCOMPARE(engine.printedNames, printed);
    QCOMPARE(fx.dialogs.count(), 1);
    QCOMPARE(fx.dialogs.shown().first().kind, Dialogs::Kind::Question);
    QCOMPARE(fx.window->isVisible(), windowOpen);
    QVERIFY(!fx.history()->batchPrinting()->batchRunning());
    QCOMPARE(fx.history()->batchPrinting()->batchStopped(), answer);
    if (answer) {
        // Two pauses would be 4 s: the one cut short does not count.
        QVERIFY2(t.elapsed() < 3500, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(control<QLabel>(fx.f(), "ldyts")->text(), QString());
        // A new batch after the stop runs whole.
        fx.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(fx.window.get()));
        fx.history()->batchPrinting()->setBatchPauseMs(0);
        QObject::disconnect(fx.history()->batchPrinting(), &TBatchPrinting::batchStep, nullptr, nullptr);
        engine.printedNames.clear();
        control<QPushButton>(fx.f(), "SpeedButton37")->click();
        QCOMPARE(engine.printedNames.size(), 4);
    }
    // Closing after the batch closes at once, without a question.
    fx.dialogs.clear();
    fx.window->close();
    QVERIFY(!fx.window->isVisible());
    QCOMPARE(fx.dialogs.count(), 0);
}

// "合并为一个打印任务": the range is filled into one job without the pause
// between receipts, receipts that cannot be filled are left out and named,
// numbers without a receipt are passed over.
void TestBatchExport::oneJob_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QStringList>("failNames");
    QTest::addColumn<QStringList>("jobs");
    QTest::addColumn<QList<qint64>>("failures");
    QTest::newRow("1 to 3") << "1" << "3" << QStringList{} << QStringList{"户1 住户,户2 住户,户3 住户"}
                            << QList<qint64>{};
    QTest::newRow("3 to 5 of 4") << "3" << "5" << QStringList{} << QStringList{"户3 住户,户4 住户"}
                                 << QList<qint64>{};
    QTest::newRow("second fails") << "1" << "4" << QStringList{"户2 住户"}
                                  << QStringList{"户1 住户,户3 住户,户4 住户"} << QList<qint64>{2};
    QTest::newRow("all fail") << "2" << "3" << QStringList{"户2 住户", "户3 住户"} << QStringList{}
                              << QList<qint64>{2, 3};
    QTest::newRow("past the list") << "7" << "8" << QStringList{} << QStringList{} << QList<qint64>{};
}

void TestBatchExport::oneJob()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QStringList, failNames);
    QFETCH(QStringList, jobs);
    QFETCH(QList<qint64>, failures);
    Fixture fx;
    for (int i = 1; i <= 4; ++i)
        fx.insert("P_ORDERDBAK", {QStringLiteral("0000000%1").arg(i), QStringLiteral("户%1").arg(i)});
    fx.query();
    JobRecorder rec;
    rec.attach(fx.history());
    rec.failNames = failNames;
    fx.history()->batchPrinting()->setBatchPauseMs(3000);   // not used as one job
    runRangeOneJob(fx.history(), first, last);
    QElapsedTimer t;
    t.start();
    control<QPushButton>(fx.f(), "SpeedButton37")->click();
    QVERIFY2(t.elapsed() < 2500, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(rec.jobsStarted, 1);
    QCOMPARE(rec.printedJobs, jobs);
    QCOMPARE(fx.history()->batchPrinting()->lastBatchJobId(), jobs.isEmpty() ? 0 : 41);
    QCOMPARE(fx.history()->batchPrinting()->lastBatchFailures(), failures);
    QCOMPARE(rec.steps.size(), last.toInt() - first.toInt() + 1);
    if (failures.isEmpty()) {
        QCOMPARE(fx.dialogs.count(), 0);
    } else {
        QStringList numbers;
        for (qint64 n : failures)
            numbers << QString::number(n);
        QCOMPARE(fx.dialogs.texts(), QStringList{QStringLiteral("以下序号的单据无法填写，没有放入打印任务：%1\n单元格写不进去")
                                                     .arg(numbers.join(QStringLiteral("、")))});
    }
    if (!rec.progressSeen.isEmpty())
        QCOMPARE(rec.progressSeen.first(), QStringLiteral("正在打印序号为%1的单据").arg(first));
    QCOMPARE(control<QLabel>(fx.f(), "ldyts")->text(), QString());
    QVERIFY(!control<QProgressBar>(fx.f(), "pbdyts")->isVisible());
    QVERIFY(!QFileInfo::exists(fx.dir.file("2.xls")));
}

void TestBatchExport::oneJobWithoutEngine()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    fx.query();
    JobRecorder rec;
    rec.attach(fx.history());
    fx.history()->services().printing.startReceiptJob = []() -> std::unique_ptr<ReceiptJob> { throw EngineUnavailable(QStringLiteral("x")); };
    runRangeOneJob(fx.history(), "1", "1");
    control<QPushButton>(fx.f(), "SpeedButton37")->click();
    QCOMPARE(fx.dialogs.texts(), QStringList{kEngineMissingMessage});
    QVERIFY(rec.steps.isEmpty());
    QVERIFY(!fx.history()->batchPrinting()->batchRunning());
}

// A range with more receipts than one job takes is refused before the
// engine is asked; numbers without a receipt do not count.
void TestBatchExport::oneJobTooLarge()
{
    Fixture fx;
    for (int i = 1; i <= 3; ++i)
        fx.insert("P_ORDERDBAK", {QStringLiteral("0000000%1").arg(i), QStringLiteral("户%1").arg(i)});
    fx.query();
    JobRecorder rec;
    rec.attach(fx.history());
    fx.history()->batchPrinting()->setOneJobLimit(2);
    runRangeOneJob(fx.history(), "1", "3");
    control<QPushButton>(fx.f(), "SpeedButton37")->click();
    QCOMPARE(fx.dialogs.texts(),
             QStringList{"合并为一个打印任务时一次最多打印2张单据，所选范围有3张，请缩小打印范围。"});
    QCOMPARE(rec.jobsStarted, 0);
    QVERIFY(rec.steps.isEmpty());
    fx.dialogs.clear();
    runRangeOneJob(fx.history(), "2", "9");
    control<QPushButton>(fx.f(), "SpeedButton37")->click();
    QCOMPARE(fx.dialogs.count(), 0);
    QCOMPARE(rec.printedJobs, QStringList{"户2 住户,户3 住户"});
}

// Closing the window in the middle (yes to the question) ends the batch
// without sending the job.
void TestBatchExport::oneJobStoppedSendsNothing()
{
    Fixture fx;
    QVERIFY(listShown(fx, 4));
    JobRecorder rec;
    rec.attach(fx.history());
    QObject::connect(fx.history()->batchPrinting(), &TBatchPrinting::batchStep, [&](qint64 n, bool) {
        rec.steps << qMakePair(n, true);
        if (n == 2)
            QTimer::singleShot(0, fx.window.get(), [&] { fx.window->close(); });
    });
    fx.dialogs.answer(true);
    runRangeOneJob(fx.history(), "1", "4");
    control<QPushButton>(fx.f(), "SpeedButton37")->click();
    QVERIFY(fx.history()->batchPrinting()->batchStopped());
    QCOMPARE(rec.added, (QStringList{"户1 住户", "户2 住户"}));
    QVERIFY(rec.printedJobs.isEmpty());
    QCOMPARE(fx.history()->batchPrinting()->lastBatchJobId(), 0);
    QCOMPARE(fx.dialogs.count(), 1);   // the question only
}

// Closing the window while the engine lays the pages out: the click waits
// in the event queue until the engine call returns (the line under the
// list says the step finishes first); a yes then sends nothing, a no sends
// the job as rendered.
void TestBatchExport::oneJobStopWhileRendering_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes: nothing sent") << true;
    QTest::newRow("no: the job goes") << false;
}

void TestBatchExport::oneJobStopWhileRendering()
{
    QFETCH(bool, yes);
    Fixture fx;
    QVERIFY(listShown(fx, 3));
    JobRecorder rec;
    rec.attach(fx.history());
    rec.duringRender = [&] { QCoreApplication::postEvent(fx.window.get(), new QCloseEvent); };
    fx.dialogs.answer(yes);
    runRangeOneJob(fx.history(), "1", "3");
    control<QPushButton>(fx.f(), "SpeedButton37")->click();
    QCOMPARE(rec.renderSeen, QStringList{"正在生成打印文件（3张单据），生成完成前不能停止"});
    QCOMPARE(fx.dialogs.count(), 1);   // the question only
    QCOMPARE(fx.history()->batchPrinting()->batchStopped(), yes);
    QCOMPARE(rec.printedJobs, yes ? QStringList{} : QStringList{"户1 住户,户2 住户,户3 住户"});
    QCOMPARE(fx.history()->batchPrinting()->lastBatchJobId(), yes ? 0 : 41);
    QVERIFY(!fx.history()->batchPrinting()->batchRunning());
    QCOMPARE(control<QLabel>(fx.f(), "ldyts")->text(), QString());
}

// The check box shows the settings' choice; an accepted dialog puts its
// state there (a cancelled one does not), and the file keeps it.
void TestBatchExport::oneJobChoiceRemembered()
{
    Fixture fx;
    TFormdyts *d = fx.history()->rangeDialog();
    QCOMPARE(Global().strhbdy, QStringLiteral("N"));
    d->show();
    QVERIFY(!control<QCheckBox>(d, "cbhbdy")->isChecked());
    control<QCheckBox>(d, "cbhbdy")->setChecked(true);
    control<QPushButton>(d, "BitBtn2")->click();
    QCOMPARE(Global().strhbdy, QStringLiteral("N"));
    d->show();
    QVERIFY(!control<QCheckBox>(d, "cbhbdy")->isChecked());
    control<QCheckBox>(d, "cbhbdy")->setChecked(true);
    control<QPushButton>(d, "BitBtn1")->click();
    QVERIFY(d->accepted());
    QVERIFY(d->oneJob());
    QCOMPARE(Global().strhbdy, QStringLiteral("Y"));
    Global().WriteSettings();
    const QString path = Global().path();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    // The ten keys first, in their order; the choice after them.
    QCOMPARE(lines.value(10).trimmed(), QByteArray("str_cbr="));
    QCOMPARE(lines.value(11).trimmed(), QByteArray("strhbdy=Y"));
    {
        TGlobal again(path);
        QCOMPARE(again.strhbdy, QStringLiteral("Y"));
    }
    d->show();
    QVERIFY(control<QCheckBox>(d, "cbhbdy")->isChecked());
    control<QCheckBox>(d, "cbhbdy")->setChecked(false);
    control<QPushButton>(d, "BitBtn1")->click();
    QCOMPARE(Global().strhbdy, QStringLiteral("N"));
}

void TestBatchExport::exportChecks_data()
{
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("month 1") << "2024" << "1" << "" << "月份长度为2位比如01表示1月份";
    QTest::newRow("month 001") << "" << "001" << "" << "月份长度为2位比如01表示1月份";
    QTest::newRow("year 24") << "24" << "03" << "" << "年份长度为4位比如2010年";
    QTest::newRow("month checked first") << "24" << "3" << "" << "月份长度为2位比如01表示1月份";
    QTest::newRow("nothing found") << "2024" << "03" << "无此户" << "没有您需要查询的数据！";
}

void TestBatchExport::exportChecks()
{
    QFETCH(QString, year);
    QFETCH(QString, month);
    QFETCH(QString, name);
    QFETCH(QString, message);
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    int asked = 0;
    fx.history()->services().chooseSavePath = [&asked](const QString &) {
        ++asked;
        return QString();
    };
    control<QLineEdit>(fx.f(), "Edit23")->setText(year);
    control<QComboBox>(fx.f(), "cbbyf")->setEditText(month);
    control<QLineEdit>(fx.f(), "Edit15")->setText(name);
    control<QPushButton>(fx.f(), "SpeedButton29")->click();
    QCOMPARE(fx.dialogs.texts(), QStringList{message});
    QCOMPARE(asked, 0);
}

void TestBatchExport::exportRowsAndTitles()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000003", "乙", "2024", "03", "2024-03-10", 12.5});
    fx.insert("P_ORDERDBAK", {"00000001", "甲", "2024", "03", "2024-03-01", 25});
    fx.insert("P_ORDERDBAK", {"00000002", "丙", "2024", "02", "2024-02-01", 3});
    fx.insert("P_ORDERDBAK", {"00000004", "丁", "2023", "02", "2023-02-01", 3});
    fx.insert("p_orderd_del", {"00000009", "戊", "2024", "03"});
    control<QLineEdit>(fx.f(), "Edit23")->setText("2024");
    control<QRadioButton>(fx.f(), "rbb2")->click();               // the export reads the history all the same
    WriterRecorder w;
    fx.history()->services().writeWorkbook = w.writer();
    QString preset;
    fx.history()->services().chooseSavePath = [&](const QString &p) {
        preset = p;
        return fx.dir.file("out.xlsx");
    };
    control<QPushButton>(fx.f(), "SpeedButton29")->click();
    QCOMPARE(preset, QStringLiteral("水电费导出明细报表"));
    QCOMPARE(fx.dialogs.texts(), QStringList{"数据导出完成！"});
    QCOMPARE(w.rows.size(), 4);
    const QStringList titles{"序号", "收据号", "年度", "月份", "户名", "户号", "上月抄电量", "本月抄电量", "损耗电费量",
                             "用电量", "电费单价", "电费", "上月抄水量", "本月抄水量", "损耗水费量", "用水量",
                             "水费单价", "水费", "其它费用", "房租费用", "总金额", "区域", "抄表人", "收款人", "填表日期"};
    QCOMPARE(w.rows[0], titles);
    // By year, month and household name.
    QCOMPARE(w.rows[1][1], QStringLiteral("00000002"));
    QCOMPARE(w.rows[2][4], QStringLiteral("乙"));
    QCOMPARE(w.rows[3][4], QStringLiteral("甲"));
    QCOMPARE(w.rows[2][20], QStringLiteral("12.5"));
    QCOMPARE(w.rows[3][20], QStringLiteral("25"));
    QCOMPARE(w.rows[2][24], QStringLiteral("2024-03-10"));
    QCOMPARE(w.rows[2][7], QStringLiteral("112.5"));
    // The finished file is at the chosen path; no temporary file is left.
    QCOMPARE(readAll(fx.dir.file("out.xlsx")), QByteArray("partial"));
    QVERIFY(w.writtenTo.endsWith(".xlsx"));
    QVERIFY(!QFile::exists(w.writtenTo));
    QCOMPARE(QDir(fx.dir.path()).entryList(QDir::Files | QDir::Hidden).filter(".out").size(), 0);
}

void TestBatchExport::exportPath_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("no dot") << "/tmp/x/报表" << "/tmp/x/报表.xls";
    QTest::newRow("extension") << "/tmp/x/报表.ods" << "/tmp/x/报表.ods";
    QTest::newRow("dot in a folder") << "/tmp/x.y/报表" << "/tmp/x.y/报表";
}

void TestBatchExport::exportPath()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QCOMPARE(WorkbookExport::completedPath(chosen), written);
}

void TestBatchExport::exportCancelled()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    WriterRecorder w;
    fx.history()->services().writeWorkbook = w.writer();
    fx.history()->services().chooseSavePath = [](const QString &) { return QString(); };
    control<QPushButton>(fx.f(), "SpeedButton29")->click();
    QCOMPARE(fx.dialogs.count(), 0);
    QVERIFY(w.writtenTo.isEmpty());
}

void TestBatchExport::exportReplaceDeclined()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    QFile old(fx.dir.file("报表.xls"));
    old.open(QIODevice::WriteOnly);
    old.write("old");
    old.close();
    WriterRecorder w;
    fx.history()->services().writeWorkbook = w.writer();
    fx.history()->services().chooseSavePath = [&](const QString &) { return fx.dir.file("报表"); };
    fx.dialogs.answer(false);
    control<QPushButton>(fx.f(), "SpeedButton29")->click();
    QCOMPARE(fx.dialogs.texts(), QStringList{"当前位置已存在该文件名的文件，是否替换？"});
    QCOMPARE(fx.dialogs.shown().first().caption, QStringLiteral("系统询问"));
    QCOMPARE(readAll(fx.dir.file("报表.xls")), QByteArray("old"));
    QVERIFY(w.writtenTo.isEmpty());
}

void TestBatchExport::exportReplaceAccepted()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    QFile old(fx.dir.file("报表.xls"));
    old.open(QIODevice::WriteOnly);
    old.write("old");
    old.close();
    WriterRecorder w;
    fx.history()->services().writeWorkbook = w.writer();
    fx.history()->services().chooseSavePath = [&](const QString &) { return fx.dir.file("报表"); };
    fx.dialogs.answer(true);
    control<QPushButton>(fx.f(), "SpeedButton29")->click();
    QCOMPARE(fx.dialogs.texts(), (QStringList{"当前位置已存在该文件名的文件，是否替换？", "数据导出完成！"}));
    QCOMPARE(readAll(fx.dir.file("报表.xls")), QByteArray("partial"));
}

void TestBatchExport::exportFailureKeepsOldFile()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    QFile old(fx.dir.file("报表.ods"));
    old.open(QIODevice::WriteOnly);
    old.write("old");
    old.close();
    WriterRecorder w;
    w.fail = true;
    fx.history()->services().writeWorkbook = w.writer();
    fx.history()->services().chooseSavePath = [&](const QString &) { return fx.dir.file("报表.ods"); };
    fx.dialogs.answer(true);
    control<QPushButton>(fx.f(), "SpeedButton29")->click();
    QCOMPARE(fx.dialogs.texts(), (QStringList{"当前位置已存在该文件名的文件，是否替换？", "磁盘已满"}));
    QCOMPARE(fx.dialogs.shown().last().kind, Dialogs::Kind::Error);
    QCOMPARE(readAll(fx.dir.file("报表.ods")), QByteArray("old"));
    QVERIFY(!QFile::exists(w.writtenTo));
}

void TestBatchExport::exportWithoutEngine()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    QFile old(fx.dir.file("报表.xls"));
    old.open(QIODevice::WriteOnly);
    old.write("old");
    old.close();
    fx.history()->services().writeWorkbook = {};
    fx.history()->services().chooseSavePath = [&](const QString &) { return fx.dir.file("报表.xls"); };
    fx.dialogs.answer(true);
    control<QPushButton>(fx.f(), "SpeedButton29")->click();
    QCOMPARE(fx.dialogs.texts(), (QStringList{"当前位置已存在该文件名的文件，是否替换？", "EXCEL可能未安装，或其文件损坏"}));
    QCOMPARE(fx.dialogs.shown().last().caption, QStringLiteral("错误"));
    QCOMPARE(readAll(fx.dir.file("报表.xls")), QByteArray("old"));
}

// `count` history rows of one month, made by the database in one statement.
void insertMany(Fixture &fx, int count)
{
    fx.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1)"
                           " insert into P_ORDERDBAK (sjxh, lbmc, nf, yf, bhmc, rq, cost, pxxh)"
                           " select printf('%08d', i), '销售单', '2024', '03', '甲' || i, '2024-03-01', 1, 0 from n")
                .arg(count));
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

void TestBatchExport::exportTooLarge_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("refused");
    // A sheet of .xls holds 65,536 rows, the titles' row among them.
    QTest::newRow("xls full") << 65535 << "报表.xls" << false;
    QTest::newRow("xls one row over") << 65536 << "报表.xls" << true;
    QTest::newRow("no extension is xls") << 65536 << "报表" << true;
    QTest::newRow("xlsx holds it") << 65536 << "报表.xlsx" << false;
    QTest::newRow("ods holds it") << 65536 << "报表.ods" << false;
}

void TestBatchExport::exportTooLarge()
{
    QFETCH(int, records);
    QFETCH(QString, file);
    QFETCH(bool, refused);
    Fixture fx;
    insertMany(fx, records);
    const QString path = WorkbookExport::completedPath(fx.dir.file(file));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    WriterRecorder w;
    fx.history()->services().writeWorkbook = w.writer();
    fx.history()->services().chooseSavePath = [&](const QString &) { return fx.dir.file(file); };
    fx.dialogs.answer(true);
    control<QPushButton>(fx.f(), "SpeedButton29")->click();
    if (refused) {
        // Said before anything is asked or written, naming the formats that hold it.
        QCOMPARE(fx.dialogs.count(), 1);
        const QString text = fx.dialogs.texts().first();
        QVERIFY2(text.contains(".xls") && text.contains("65536") && text.contains(".xlsx") && text.contains(".ods")
                     && text.contains(QString::number(records + 1)),
                 qPrintable(text));
        QVERIFY(w.writtenTo.isEmpty());
        QCOMPARE(readAll(path), QByteArray("old"));
        QCOMPARE(filesIn(fx.dir.path()).filter(QFileInfo(path).completeBaseName()).size(), 1);
    } else {
        QCOMPARE(fx.dialogs.texts(), (QStringList{"当前位置已存在该文件名的文件，是否替换？", "数据导出完成！"}));
        QCOMPARE(w.rows.size(), records + 1);
        QCOMPARE(w.rows[1][1], QStringLiteral("00000001"));
        QCOMPARE(readAll(path), QByteArray("partial"));
    }
}

void TestBatchExport::exportStoppedLeavesNoFile_data()
{
    QTest::addColumn<bool>("oldFile");
    QTest::addColumn<int>("stopAfter");   // blocks handed over before the cancel
    QTest::newRow("first block") << false << 0;
    QTest::newRow("third block") << false << 2;
    QTest::newRow("over an old file") << true << 1;
    // After the last block and the end of the rows: while the engine saves.
    QTest::newRow("at the save") << false << 4;
}

void TestBatchExport::exportStoppedLeavesNoFile()
{
    QFETCH(bool, oldFile);
    QFETCH(int, stopAfter);
    Fixture fx;
    insertMany(fx, 3 * WorkbookExport::kBlockRows - 1);
    const QString path = fx.dir.file("报表.ods");
    if (oldFile) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    // The real writer: the cancel comes before it needs the engine.
    fx.history()->services().writeWorkbook = HistoryPrinting::ExportWriter();
    QStringList engineCalls;
    if (stopAfter == 4) {
        // Stands in for the engine's save: the file is there, then the cancel is seen.
        fx.history()->services().writeWorkbook = [&engineCalls](const QString &p, WorkbookExport::RowSource &rows) {
            while (!rows.next(WorkbookExport::kBlockRows).isEmpty()) {
            }
            QFile f(p);
            f.open(QIODevice::WriteOnly);
            f.write("saved");
            engineCalls << p;
        };
    }
    int steps = 0;
    qint64 lastDone = -1, lastTotal = -1;
    fx.history()->services().exportProgress = [&](qint64 done, qint64 total) {
        lastDone = done;
        lastTotal = total;
        return steps++ < stopAfter;
    };
    fx.history()->services().chooseSavePath = [&](const QString &) { return path; };
    fx.dialogs.answer(true);
    const QStringList before = filesIn(fx.dir.path());
    control<QPushButton>(fx.f(), "SpeedButton29")->click();
    QCOMPARE(fx.dialogs.texts().last(), QStringLiteral("导出已取消，没有写入文件。"));
    QVERIFY(!fx.dialogs.texts().contains("数据导出完成！"));
    QCOMPARE(filesIn(fx.dir.path()), before);   // no new file, no temporary one
    QCOMPARE(readAll(path), oldFile ? QByteArray("old") : QByteArray());
    QCOMPARE(lastTotal, qint64(3 * WorkbookExport::kBlockRows - 1));
    QCOMPARE(lastDone, qMin<qint64>(qint64(stopAfter + 1) * WorkbookExport::kBlockRows, lastTotal));
    QCOMPARE(engineCalls.size(), stopAfter == 4 ? 1 : 0);
}

QTEST_MAIN(TestBatchExport)
#include "test_batch_export.moc"
