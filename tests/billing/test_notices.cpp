// The month's billing on the real spreadsheet engine: the reading sheet saved
// in each format and read back once filled, and the payment notices of the
// unpaid bills as one print job or one PDF, a page per bill.
#include "billing/billingrun.h"
#include "billing/billingtab.h"
#include "billing/readingsheet.h"
#include "common/apppaths.h"
#include "data/billingstore.h"
#include "data/demodm.h"
#include "print/noticejob.h"
#include "print/spreadsheetengine.h"
#include "printfixture.h"
#include "recordingdialogs.h"
#include "testdatabase.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <cups/cups.h>

using namespace PrintFixture;

namespace {

int jobCount()
{
    cups_job_t *jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    cupsFreeJobs(n, jobs);
    return n;
}

bool installNoticeTemplate(const QString &dir)
{
    const QString target = QDir(dir).filePath(kNoticeTemplateFileName);
    QFile::remove(target);
    return QFile::copy(QStringLiteral(MTRFEE_NOTICE_TEMPLATE_PATH), target);
}

} // namespace

class NoticesTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScratchProgram> m_program;
    std::unique_ptr<TDemoDM> m_dm;

    // Three households, billed for March from a filled sheet.
    void billThree()
    {
        TestSql::exec(QStringLiteral("insert into hhb(hh,hm,cmc,dd,dds) values('A-1','甲','东区',100,10),('A-2','乙','东区',200,20),('B-1','丙','西区',300,30)"));
        const QList<QStringList> cells{{"社区", "户号", "户名", "本月电表数", "本月水表数"},
                                       {"东区", "A-1", "甲", "150", "15"},
                                       {"东区", "A-2", "乙", "260.5", "22"},
                                       {"西区", "B-1", "丙", "333", "31.5"}};
        const QList<Billing::CheckedRow> rows = BillingRun::preview(
            *m_dm, ReadingSheet::rowsOf(cells, ReadingSheet::recognise(cells)), QStringLiteral("2024"), QStringLiteral("03"));
        const BillingRun::Result r = BillingRun::generate(
            *m_dm, rows, {"2024", "03", "2024-03-31", "0.5", "2", "李四", "王五"});
        QCOMPARE(r.stored, 3);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(ensurePrintServices(), "the test print scheduler did not start (scripts/test-services.sh start)");
        SpreadsheetEngine::startInBackground();
    }
    void cleanupTestCase() { SpreadsheetEngine::shutdown(); }
    void init()
    {
        m_program = std::make_unique<ScratchProgram>();
        m_dm = std::make_unique<TDemoDM>();
        QVERIFY(m_dm->open());
    }
    void cleanup()
    {
        m_dm->close();
        m_dm.reset();
        m_program.reset();
    }

    // A reading sheet saved in each format, filled in by the meter reader
    // and read back: the same households, the readings typed in found.
    void readingSheetRoundTrip_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("xlsx") << "xlsx";
        QTest::newRow("ods") << "ods";
        QTest::newRow("xls") << "xls";
    }
    void readingSheetRoundTrip()
    {
        QFETCH(QString, suffix);
        TestSql::exec(QStringLiteral("insert into hhb(hh,hm,cmc,dd,dds) values('A-1','甲','东区',100.5,10),('A-2','乙','东区',200,20)"));
        const QString sheet = m_program->file(QStringLiteral("抄表单.") + suffix);
        BillingRun::writeCells(sheet, ReadingSheet::sheetRows(Billing::readingSheet(*m_dm, {}, "2024", "03"),
                                                              QStringLiteral("抄表单 2024年03月")));
        {
            const std::unique_ptr<SpreadsheetWorkbook> book = SpreadsheetEngine::open(sheet);
            book->setCellTexts(1, {{3, 6, "150.25"}, {3, 7, "12"}, {4, 6, "二百"}});
            book->saveAs(sheet);
        }
        const QList<QStringList> cells = BillingRun::readCells(sheet);
        const ReadingSheet::ColumnMap map = ReadingSheet::recognise(cells);
        QCOMPARE(map.headingRow, 1);
        QCOMPARE(ReadingSheet::missingFields(map), QStringList());
        const QList<Billing::SheetRow> rows = ReadingSheet::rowsOf(cells, map);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].bhmc, QStringLiteral("甲"));
        QCOMPARE(rows[0].bhh, QStringLiteral("A-1"));
        QCOMPARE(rows[0].cmc, QStringLiteral("东区"));
        QCOMPARE(rows[0].bccjd, QStringLiteral("150.25"));
        QCOMPARE(rows[0].bccjds, QStringLiteral("12"));
        QCOMPARE(rows[1].bccjd, QStringLiteral("二百"));
        QCOMPARE(rows[1].bccjds, QString());
        QCOMPARE(cells[2][3], QStringLiteral("100.5"));
    }

    // Notices of three bills: one job of three pages, each its own bill.
    void threeNoticesOneJob()
    {
        QVERIFY(installNoticeTemplate(m_program->path()));
        billThree();
        const QList<ReceiptRow> unpaid = Billing::unpaidBills(*m_dm, "2024", "03");
        QCOMPARE(unpaid.size(), 3);
        NoticeJob job;
        for (const ReceiptRow &r : unpaid)
            job.add(r, QStringLiteral("2024-04-01"));
        const int before = jobCount();
        const int id = job.print(QStringLiteral("缴费通知单"));
        QVERIFY(id > 0);
        QCOMPARE(jobCount(), before + 1);
        const QString document = jobDocument(id);
        QVERIFY2(QFileInfo(document).isReadable(), qPrintable(document));
        QCOMPARE(pdfPageCount(document), 3);
        const QStringList pages = pdfText(document).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QVERIFY(pages.size() >= 3);
        // 甲: 50 × 0.5 = 25.00, 5 × 2 = 10.00; total 35.00.
        for (const char *piece : {"甲", "A-1", "2024年03月", "25.00", "10.00", "35.00", "叁拾伍元整", "NO.00000001"})
            QVERIFY2(pages[0].contains(QString::fromUtf8(piece)), qPrintable(QString::fromUtf8(piece) + "\n" + pages[0]));
        QVERIFY(pages[1].contains(QStringLiteral("乙")));
        QVERIFY(pages[2].contains(QStringLiteral("丙")));
        QVERIFY(pages[2].contains(QStringLiteral("西区")));
    }

    void threeNoticesOnePdf()
    {
        QVERIFY(installNoticeTemplate(m_program->path()));
        billThree();
        NoticeJob job;
        for (const ReceiptRow &r : Billing::unpaidBills(*m_dm, "2024", "03"))
            job.add(r, QStringLiteral("2024-04-01"));
        const QString pdf = m_program->file(QStringLiteral("通知单.pdf"));
        job.exportPdf(pdf);
        QCOMPARE(pdfPageCount(pdf), 3);
        // To look at the pages: MTRFEE_KEEP_NOTICE_PDF names where a copy goes.
        if (!qEnvironmentVariableIsEmpty("MTRFEE_KEEP_NOTICE_PDF")) {
            QFile::remove(qEnvironmentVariable("MTRFEE_KEEP_NOTICE_PDF"));
            QFile::copy(pdf, qEnvironmentVariable("MTRFEE_KEEP_NOTICE_PDF"));
        }
    }

    // The reading sheet goes to the printer as one job listing every
    // household of the community chosen.
    void readingSheetPrinted()
    {
        TestSql::exec(QStringLiteral("insert into hhb(hh,hm,cmc,dd,dds) values('A-1','甲','东区',100.5,10),('B-1','丙','西区',300,30)"));
        RecordingDialogs dialogs;
        TBillingTab tab;
        tab.yearField()->setText(QStringLiteral("2024"));
        tab.reload();
        tab.communityField()->setCurrentText(QStringLiteral("东区"));
        const int before = jobCount();
        tab.printReadingSheet();
        QVERIFY2(dialogs.count() == 0, qPrintable(dialogs.texts().join('|')));
        QCOMPARE(jobCount(), before + 1);
    }

    // Paid bills get no notice; without a template the job says so.
    void onlyUnpaidAndTemplateMissing()
    {
        billThree();
        TestSql::exec(QStringLiteral("update P_ORDERD set fkzt='已付款' where bhmc='乙'"));
        QStringList names;
        for (const ReceiptRow &r : Billing::unpaidBills(*m_dm, {}, {}))
            names << r.bhmc;
        QCOMPARE(names, (QStringList{"甲", "丙"}));
        QVERIFY_THROWS_EXCEPTION(AppError, NoticeJob());
    }
};

QTEST_MAIN(NoticesTest)
#include "test_notices.moc"
