// A new save with direct printing on prints the receipt once on the default
// queue, with the number it is stored under; a print that fails stores
// nothing.
#include "settings/global.h"
#include "app/orderform.h"
#include "data/demodm.h"
#include "entry/currentreceipts.h"
#include "entry/entryfield.h"
#include "entry/entrytab.h"
#include "entry/zozudexcombobox.h"
#include "print/spreadsheetengine.h"
#include "printfixture.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "text/datetext.h"
#include "controls.h"

#include <QElapsedTimer>
#include <QTest>
#include <csignal>
#include <memory>

using namespace PrintFixture;

// A main window on a scratch program folder with direct printing on, its
// entry form filled in for a new receipt.
struct SaveFixture
{
    bool todaySet = (DateText::setToday(QDate(2024, 3, 5)), true);
    ScratchDir dir;
    bool templateInstalled = installTemplate(dir.path());
    TGlobal global{dir.file(QStringLiteral("mtrfee.ini"))};
    TDemoDM dm;
    RecordingDialogs dialogs;
    TOrderForm window;

    SaveFixture()
    {
        global.strdyf = QStringLiteral("Y");
        global.str_dj = QStringLiteral("0.5");
        global.str_djs = QStringLiteral("2");
        window.FormShow();
        fillForm(entry());
    }
    ~SaveFixture() { DateText::setToday(QDate()); }

    QWidget *entry() { return window.entryTab(); }

    static void fillForm(QWidget *f)
    {
        control<TZozudExComboBox>(f, "edit41")->setEditText(QStringLiteral("直打户"));
        control<TEntryField>(f, "Edit20")->setFieldText(QStringLiteral("7-301"));
        control<TEntryField>(f, "Edit21")->setFieldText(QStringLiteral("1250.5"));
        control<TEntryField>(f, "Edit22")->setFieldText(QStringLiteral("1200"));
        control<TEntryField>(f, "Edit30")->setFieldText(QStringLiteral("35"));
        control<TEntryField>(f, "Edit31")->setFieldText(QStringLiteral("20"));
        control<TEntryField>(f, "Edit37")->setFieldText(QStringLiteral("100"));
    }
};

class DirectPrintTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(ensurePrintServices(), "the test print scheduler did not start (scripts/test-services.sh start)");
        SpreadsheetEngine::startInBackground();
    }

    void cleanupTestCase()
    {
        SpreadsheetEngine::shutdown();
    }

    void saveWithDirectPrintPrintsOnce()
    {
        SaveFixture fx;
        QVERIFY(fx.templateInstalled);
        QWidget *f = fx.entry();
        RecordingDialogs &dialogs = fx.dialogs;

        const QSet<QString> before = pdfOutputFiles();
        fx.window.currentReceipts()->SpeedButton1Click();
        QVERIFY2(dialogs.count() == 0, qPrintable(dialogs.texts().join(QLatin1Char('|'))));

        // Stored under the number that was printed.
        QCOMPARE(storedCount(), 1);
        QCOMPARE(control<TEntryField>(f, "Edit3")->text(), QStringLiteral("00000002"));

        // Exactly one printed receipt.
        const QStringList outputs = newPdfOutputs(before);
        QCOMPARE(outputs.size(), 1);
        QCOMPARE(pdfPageCount(outputs.first()), 1);
    }

    // The spreadsheet application is stopped (SIGSTOP): the save's print
    // ends within the time limit with a clear message, nothing is stored or
    // printed, the form keeps its number, and the application is started
    // afresh for the next save, which prints and stores.
    void stoppedEngineStoresNothing()
    {
        SaveFixture fx;
        QVERIFY(fx.templateInstalled);
        QWidget *f = fx.entry();
        RecordingDialogs &dialogs = fx.dialogs;

        QVERIFY(SpreadsheetEngine::isAvailable());
        const qint64 pid = SpreadsheetEngine::processId();
        SpreadsheetEngine::setCallTimeoutMs(3000);
        QCOMPARE(::kill(pid_t(pid), SIGSTOP), 0);
        const QSet<QString> before = pdfOutputFiles();
        QElapsedTimer t;
        t.start();
        fx.window.currentReceipts()->SpeedButton1Click();
        const qint64 took = t.elapsed();
        ::kill(pid_t(pid), SIGCONT);
        SpreadsheetEngine::setCallTimeoutMs(15000);
        QVERIFY2(took < 15000, qPrintable(QString::number(took)));
        QCOMPARE(dialogs.texts(), QStringList{kEngineNotAnsweringMessage.arg(3)});
        QCOMPARE(storedCount(), 0);
        QCOMPARE(control<TEntryField>(f, "Edit3")->text(), QStringLiteral("00000001"));
        QCOMPARE(newPdfOutputs(before, 3000, 0), QStringList());

        // The next save finds a fresh application.
        dialogs.clear();
        QVERIFY(SpreadsheetEngine::processId() != pid);
        SaveFixture::fillForm(f);
        fx.window.currentReceipts()->SpeedButton1Click();
        QVERIFY2(dialogs.count() == 0, qPrintable(dialogs.texts().join(QLatin1Char('|'))));
        QCOMPARE(storedCount(), 1);
        QCOMPARE(newPdfOutputs(before).size(), 1);
    }

private:
    // The receipts of the test household stored under 00000001.
    static int storedCount()
    {
        TNamedQuery &q = DemoDM().qcx;
        q.close();
        q.clearSql();
        q.addSql(QStringLiteral("select count(*) as expr1001 from P_ORDERD where sjxh='00000001' and bhmc='直打户'"));
        q.open();
        const int n = q.value(QStringLiteral("expr1001")).toInt();
        q.close();
        return n;
    }
};

QTEST_MAIN(DirectPrintTest)
#include "test_directprint.moc"
