// A new save with direct printing on prints the receipt once on the default
// queue, with the number it is stored under.
#include "app/global.h"
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
#include "ui_entrytab.h"

#include <QTest>
#include <memory>

using namespace PrintFixture;

class DirectPrintTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(ensurePrintServices(), "no default printer: run scripts/test-services.sh");
        SpreadsheetEngine::startInBackground();
    }

    void cleanupTestCase()
    {
        SpreadsheetEngine::shutdown();
    }

    void saveWithDirectPrintPrintsOnce()
    {
        ScratchDir dir;
        QVERIFY(installTemplate(dir.path()));
        DateText::setToday(QDate(2024, 3, 5));
        TGlobal global(dir.file(QStringLiteral("mtrfee.ini")));
        global.strdyf = QStringLiteral("Y");
        global.str_dj = QStringLiteral("0.5");
        global.str_djs = QStringLiteral("2");
        TDemoDM dm;
        RecordingDialogs dialogs;
        TOrderForm window;
        window.FormShow();
        Ui::TEntryTab *f = window.entryTab()->form();
        f->edit41->setEditText(QStringLiteral("直打户"));
        f->Edit20->setFieldText(QStringLiteral("7-301"));
        f->Edit21->setFieldText(QStringLiteral("1250.5"));
        f->Edit22->setFieldText(QStringLiteral("1200"));
        f->Edit30->setFieldText(QStringLiteral("35"));
        f->Edit31->setFieldText(QStringLiteral("20"));
        f->Edit37->setFieldText(QStringLiteral("100"));

        const QSet<QString> before = pdfOutputFiles();
        window.currentReceipts()->SpeedButton1Click();
        QVERIFY2(dialogs.count() == 0, qPrintable(dialogs.texts().join(QLatin1Char('|'))));

        // Stored under the number that was printed.
        TNamedQuery &q = DemoDM().qcx;
        q.close();
        q.clearSql();
        q.addSql(QStringLiteral("select count(*) as expr1001 from P_ORDERD where sjxh='00000001' and bhmc='直打户'"));
        q.open();
        QCOMPARE(q.value(QStringLiteral("expr1001")).toInt(), 1);
        q.close();
        QCOMPARE(f->Edit3->text(), QStringLiteral("00000002"));

        // Exactly one printed receipt.
        const QStringList outputs = newPdfOutputs(before);
        QCOMPARE(outputs.size(), 1);
        QCOMPARE(pdfPageCount(outputs.first()), 1);
        DateText::setToday(QDate());
    }
};

QTEST_MAIN(DirectPrintTest)
#include "test_directprint.moc"
