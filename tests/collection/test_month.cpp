// A whole month on the real spreadsheet engine and the test print
// scheduler: the reading sheet, filled in and imported, becomes the month's
// bills; their payment notices go out as one job; some households pay at the
// desk; the arrears list exactly the others, with one reminder page each;
// the day's takings add up what was collected, by method.
#include "billing/billingrun.h"
#include "billing/readingsheet.h"
#include "collection/collect.h"
#include "data/billingstore.h"
#include "data/demodm.h"
#include "data/paymentstore.h"
#include "print/noticejob.h"
#include "print/receiptprint.h"
#include "print/reminderjob.h"
#include "print/spreadsheetengine.h"
#include "printfixture.h"
#include "recordingdialogs.h"
#include "text/datetext.h"
#include "text/numtext.h"

#include <QMap>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace PrintFixture;

namespace {

bool installBeside(const QString &dir, const QString &name, const QString &built)
{
    const QString target = QDir(dir).filePath(name);
    QFile::remove(target);
    return QFile::copy(built, target);
}

int columnOf(const QList<QStringList> &rows, const QString &heading, int *headingRow)
{
    for (int r = 0; r < rows.size(); ++r)
        if (const int c = int(rows[r].indexOf(heading)); c >= 0) {
            *headingRow = r;
            return c;
        }
    return -1;
}

} // namespace

class MonthTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(ensurePrintServices(), "the test print scheduler did not start (scripts/test-services.sh start)");
        SpreadsheetEngine::startInBackground();
    }
    void cleanupTestCase() { SpreadsheetEngine::shutdown(); }

    void wholeMonth()
    {
        DateText::setToday(QDate(2024, 4, 3));
        ScratchProgram program;
        QVERIFY(program.templateInstalled());
        QVERIFY(installBeside(program.path(), kNoticeTemplateFileName, QStringLiteral(MTRFEE_NOTICE_TEMPLATE_PATH)));
        QVERIFY(installBeside(program.path(), kReminderTemplateFileName, QStringLiteral(MTRFEE_REMINDER_TEMPLATE_PATH)));
        TDemoDM dm;
        QVERIFY(dm.open());
        {
            QSqlQuery q(QSqlDatabase::database(TDemoDM::kConnectionName));
            QVERIFY(q.exec(QStringLiteral(
                "insert into hhb(hh,hm,cmc,dd,dds) values"
                "('A-1','甲','东区',100,10),('A-2','乙','东区',200,20),('A-3','丙','东区',300,30),"
                "('B-1','丁','西区',400,40),('B-2','戊','西区',500,50),('B-3','己','西区',600,60)")));
        }

        // The sheet for March, saved, filled in by the meter reader, read back.
        const QString sheet = program.file(QStringLiteral("抄表单.xlsx"));
        const QList<QStringList> blank =
            ReadingSheet::sheetRows(Billing::readingSheet(dm, {}, "2024", "03"), QStringLiteral("抄表单 2024年03月"));
        BillingRun::writeCells(sheet, blank);
        int headingRow = -1;
        const int eCol = columnOf(blank, QStringLiteral("本月电表数"), &headingRow);
        const int wCol = columnOf(blank, QStringLiteral("本月水表数"), &headingRow);
        QVERIFY(eCol >= 0 && wCol >= 0);
        QCOMPARE(blank.size() - headingRow - 1, 6);
        {
            const std::unique_ptr<SpreadsheetWorkbook> book = SpreadsheetEngine::open(sheet);
            QList<SpreadsheetWorkbook::CellWrite> readings;
            for (int i = 0; i < 6; ++i) {
                const double lastE = blank[headingRow + 1 + i][3].toDouble();
                const double lastW = blank[headingRow + 1 + i][4].toDouble();
                readings.append({headingRow + 2 + i, eCol + 1, QString::number(lastE + 10 * (i + 1))});
                readings.append({headingRow + 2 + i, wCol + 1, QString::number(lastW + i + 1)});
            }
            book->setCellTexts(1, readings);
            book->saveAs(sheet);
        }
        const QList<QStringList> cells = BillingRun::readCells(sheet);
        const QList<Billing::CheckedRow> rows =
            BillingRun::preview(dm, ReadingSheet::rowsOf(cells, ReadingSheet::recognise(cells)), "2024", "03");
        QCOMPARE(rows.size(), 6);
        for (const Billing::CheckedRow &r : rows)
            QVERIFY2(r.accepted() && r.problems.isEmpty(), qPrintable(r.sheet.bhmc + r.reason()));
        const BillingRun::Result stored = BillingRun::generate(dm, rows, {"2024", "03", "2024-03-31", "0.5", "2", "李四", "王五"});
        QCOMPARE(stored.stored, 6);

        // The notices of the month: one job, a page per bill.
        const QList<ReceiptRow> bills = Billing::unpaidBills(dm, "2024", "03");
        QCOMPARE(bills.size(), 6);
        {
            NoticeJob notices;
            for (const ReceiptRow &r : bills)
                notices.add(r, QStringLiteral("2024-04-01"));
            const int id = notices.print(QStringLiteral("缴费通知单"));
            QVERIFY(id > 0);
            QCOMPARE(pdfPageCount(jobDocument(id)), 6);
        }

        // 甲, 丁 and 己 pay at the desk, in cash, by WeChat and in cash; each
        // receipt is printed as it is stored.
        RecordingDialogs dialogs;
        TReceiptPrinting printing;
        const QMap<QString, int> payers{{"甲", 0}, {"丁", 1}, {"己", 0}};
        QMap<QString, double> expectedByMethod;
        QStringList unpaidNames;
        double unpaidTotal = 0;
        int printedJobs = 0;
        for (const ReceiptRow &b : bills) {
            if (!payers.contains(b.bhmc)) {
                unpaidNames << b.bhmc;
                unpaidTotal += b.cost;
                continue;
            }
            dialogs.pick(payers[b.bhmc]);
            QVERIFY(Collection::collect(dm, b.sjxh, b.lbmc, QStringLiteral("李四"), QDateTime(QDate(2024, 4, 3), QTime(10, 0)),
                                        [&](const ReceiptRow &r) {
                                            const bool printed = printing.printStored(r).jobId > 0;
                                            printedJobs += printed ? 1 : 0;
                                            return printed;
                                        }));
            expectedByMethod[Payments::methods()[payers[b.bhmc]]] += b.cost;
        }
        QVERIFY2(dialogs.texts(Dialogs::Kind::Error).isEmpty(), qPrintable(dialogs.texts().join('|')));
        QCOMPARE(printedJobs, 3);

        // The arrears: exactly the three others, a month each.
        const Payments::Arrears arrears = Payments::arrears(dm, {});
        QStringList owing;
        for (const Payments::ArrearsLine &l : arrears.lines) {
            owing << l.bhmc;
            QCOMPARE(l.months, 1);
            QCOMPARE(l.receipts.size(), 1);
        }
        QCOMPARE(owing, unpaidNames);
        QCOMPARE(arrears.count, 3);
        QCOMPARE(arrears.total, TDemoDM::money(unpaidTotal));

        // A reminder page per household in arrears, listing its month.
        ReminderJob reminders;
        for (const Payments::ArrearsLine &l : arrears.lines)
            reminders.add(l, QStringLiteral("2024-04-03"));
        const QString pdf = program.file(QStringLiteral("催费通知单.pdf"));
        reminders.exportPdf(pdf);
        QCOMPARE(pdfPageCount(pdf), 3);
        const QStringList pages = pdfText(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QVERIFY(pages.size() >= 3);
        for (int i = 0; i < 3; ++i) {
            const Payments::ArrearsLine &l = arrears.lines[i];
            for (const QString &piece : {l.bhmc, l.bhh, QStringLiteral("2024年3月"), QStringLiteral("NO.") + l.receipts[0].sjxh,
                                         FormatMoney(l.sum)})
                QVERIFY2(pages[i].contains(piece), qPrintable(piece + QLatin1Char('\n') + pages[i]));
        }
        if (!qEnvironmentVariableIsEmpty("MTRFEE_KEEP_REMINDER_PDF")) {
            QFile::remove(qEnvironmentVariable("MTRFEE_KEEP_REMINDER_PDF"));
            QFile::copy(pdf, qEnvironmentVariable("MTRFEE_KEEP_REMINDER_PDF"));
        }

        // The day's takings: what was collected, by method.
        const Payments::Takings day = Payments::takings(dm, {QDate(2024, 4, 3), QDate(2024, 4, 3), {}});
        QCOMPARE(day.count, 3);
        QCOMPARE(day.byMethod.size(), expectedByMethod.size());
        double collected = 0;
        for (const Payments::MethodSum &m : day.byMethod) {
            QVERIFY2(expectedByMethod.contains(m.method), qPrintable(m.method));
            QCOMPARE(m.sum, TDemoDM::money(expectedByMethod[m.method]));
            collected += expectedByMethod[m.method];
        }
        QCOMPARE(day.total, TDemoDM::money(collected));
        QCOMPARE(TDemoDM::money(day.total + arrears.total), TDemoDM::money(stored.total));
        DateText::setToday(QDate());
    }
};

QTEST_MAIN(MonthTest)
#include "test_month.moc"
