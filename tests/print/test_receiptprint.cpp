// Filling, previewing and printing one receipt through the real spreadsheet
// engine and the default CUPS queue.
#include "printfixture.h"

#include "settings/global.h"
#include "common/apppaths.h"
#include "print/receiptpreview.h"
#include "print/spreadsheetengine.h"
#include "recordingdialogs.h"
#include "scratchdir.h"

#include <QCryptographicHash>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>
#include <csignal>
#include <cstdlib>
#include <cups/cups.h>
#include <memory>
#include <sys/stat.h>

using namespace PrintFixture;

class TestReceiptPrint : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScratchProgram> m_scratch;
    // The printing of one test; it goes, with its preview files, after it.
    std::unique_ptr<TReceiptPrinting> m_printing;
    TReceiptPrinting &printing()
    {
        if (!m_printing)
            m_printing = std::make_unique<TReceiptPrinting>();
        return *m_printing;
    }

    QString programFile(const QString &name) const { return AppPaths::inProgramDir(name); }

    static QByteArray fileHash(const QString &path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(ensurePrintServices(), "the test print scheduler did not start (scripts/test-services.sh start)");
        SpreadsheetEngine::startInBackground();
    }

    void init()
    {
        m_scratch = std::make_unique<ScratchProgram>();
        QVERIFY(m_scratch->templateInstalled());
    }

    void cleanup()
    {
        m_printing.reset();
        m_scratch.reset();
    }

    void cleanupTestCase()
    {
        SpreadsheetEngine::shutdown();
    }

    // The twenty cells of a filled copy, read back through the engine.
    void filledCells_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("isNumber");
        QTest::newRow("A2 name") << "A2" << "张三 住户" << false;
        QTest::newRow("E2 date") << "E2" << "时间:2024年03月05日" << false;
        QTest::newRow("M2 serial") << "M2" << "NO.00000001" << false;
        QTest::newRow("B4") << "B4" << "1250.5" << true;
        QTest::newRow("G4") << "G4" << "1200" << true;
        QTest::newRow("J4 difference") << "J4" << "50.5" << true;
        QTest::newRow("K4") << "K4" << "0" << true;
        QTest::newRow("L4") << "L4" << "50.5" << true;
        QTest::newRow("M4") << "M4" << "0.6" << true;
        QTest::newRow("N4") << "N4" << "30.3" << true;
        QTest::newRow("B5") << "B5" << "88" << true;
        QTest::newRow("G5") << "G5" << "80" << true;
        QTest::newRow("J5 difference") << "J5" << "8" << true;
        QTest::newRow("K5") << "K5" << "0" << true;
        QTest::newRow("L5") << "L5" << "8" << true;
        QTest::newRow("M5") << "M5" << "3.1" << true;
        QTest::newRow("N5") << "N5" << "24.8" << true;
        QTest::newRow("B6") << "B6" << "1" << true;
        QTest::newRow("B7") << "B7" << "100" << true;
        QTest::newRow("K7 total") << "K7" << "总合计金额：156.10 元" << false;
    }

    void filledCells()
    {
        QFETCH(QString, cell);
        QFETCH(QString, expected);
        QFETCH(bool, isNumber);
        const QByteArray templateBefore = fileHash(programFile(kTemplateFileName));
        FillReceiptTemplate(kPreviewFileName, ReceiptCellTexts(sampleReceipt()));
        QCOMPARE(fileHash(programFile(kTemplateFileName)), templateBefore);   // the template is only read

        // The cell is found by its own address in the sheet ("M2": column 13,
        // row 2), not through the program's cell table.
        const int column = cell.at(0).toLatin1() - 'A' + 1;
        const int row = cell.mid(1).toInt();
        auto book = SpreadsheetEngine::open(programFile(kPreviewFileName));
        QCOMPARE(book->cellText(row, column), expected);
        QCOMPARE(book->cellIsNumber(row, column), isNumber);
    }

    // A cell text goes in as a number only when it is a plain number; never
    // as a formula.
    void cellTextKinds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("isNumber");
        QTest::newRow("formula stays text") << "=1+1" << "=1+1" << false;
        QTest::newRow("formula-like name") << "=SUM(A1:A3)住户" << "=SUM(A1:A3)住户" << false;
        QTest::newRow("decimal") << "12.5" << "12.5" << true;
        QTest::newRow("negative") << "-3" << "-3" << true;
        QTest::newRow("trailing point") << "7." << "7" << true;
        QTest::newRow("leading zeros") << "007" << "7" << true;
        QTest::newRow("exponent is text") << "1e5" << "1e5" << false;
        QTest::newRow("two points") << "1.2.3" << "1.2.3" << false;
        QTest::newRow("blank inside") << "1 2" << "1 2" << false;
        QTest::newRow("empty") << "" << "" << false;
        QTest::newRow("chinese") << "温州" << "温州" << false;
    }

    void cellTextKinds()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(bool, isNumber);
        auto book = SpreadsheetEngine::open(programFile(kTemplateFileName));
        book->setCellText(10, 3, text);
        QCOMPARE(book->cellText(10, 3), shown);
        QCOMPARE(book->cellIsNumber(10, 3), isNumber);
    }

    // Saving in the format the extension names; the copy reads back.
    void saveFormats_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("magic");
        QTest::newRow("xls") << "copy.xls" << QByteArray::fromHex("d0cf11e0a1b11ae1");
        QTest::newRow("xlsx") << "copy.xlsx" << QByteArray("PK");
        QTest::newRow("ods") << "copy.ods" << QByteArray("PK");
    }

    void saveFormats()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, magic);
        const QString path = programFile(name);
        {
            auto book = SpreadsheetEngine::open(programFile(kTemplateFileName));
            book->setCellText(2, 1, QStringLiteral("李四 住户"));
            book->saveAs(path);
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.read(magic.size()) == magic);
        f.close();
        auto again = SpreadsheetEngine::open(path);
        QCOMPARE(again->cellText(2, 1), QStringLiteral("李四 住户"));
        QCOMPARE(again->cellText(1, 1), QStringLiteral("收  费  收  据"));
        QVERIFY_THROWS_EXCEPTION(AppError, again->saveAs(programFile(QStringLiteral("copy.txt"))));
    }

    // One print is one job on the default queue, and its PDF shows the receipt.
    void printMakesOneJob()
    {
        RecordingDialogs dlg;
        const QSet<QString> before = pdfOutputFiles();
        const QStringList settingsBefore{Global().strsjlx, Global().str_skr, Global().str_cbr};
        const ReceiptPrintResult r = printing().BitBtn13Click(sampleReceipt());
        QVERIFY2(r.done, qPrintable(dlg.texts().join(QLatin1Char('|'))));
        QCOMPARE(dlg.count(), 0);
        QVERIFY(r.jobId > 0);
        QVERIFY(QFileInfo::exists(programFile(kPrintFileName)));
        // The settings are the entry screen's to write (tests/app).
        QCOMPARE((QStringList{Global().strsjlx, Global().str_skr, Global().str_cbr}), settingsBefore);

        // The queue wrote exactly one file, of one page.
        const QStringList outputs = newPdfOutputs(before);
        QCOMPARE(outputs.size(), 1);
        QCOMPARE(pdfPageCount(outputs.first()), 1);
        // What the job held (the PDF file writer re-renders the text, so the
        // job's own document is read).
        const QString document = jobDocument(r.jobId);
        QVERIFY2(QFileInfo(document).isReadable(), qPrintable(document + " is not readable"));
        QCOMPARE(pdfPageCount(document), 1);
        const QString text = pdfText(document);
        for (const char *piece : {"张三 住户", "时间:2024年03月05日", "NO.00000001", "1250.5", "50.5",
                                  "24.8", "总合计金额：156.10 元", "电费", "水费"})
            QVERIFY2(text.contains(QString::fromUtf8(piece)), qPrintable(QString::fromUtf8(piece) + "\n" + text));
    }

    // Every failed check ends the operation before anything is written:
    // the copy of an earlier run is untouched, no job, no preview.
    void failedChecks_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("date empty") << "Edit1" << "" << "单据日期不能为空！" << "";
        QTest::newRow("area empty") << "edit2" << "" << "区域不能为空！" << "";
        QTest::newRow("total empty") << "Edit35" << "" << "没有金额！" << "";
        QTest::newRow("name empty") << "edit41" << "" << "户名信息填写不完整！" << "";
        QTest::newRow("date impossible") << "Edit1" << "2024-13-45" << "日期格式不对！" << "";
        QTest::newRow("date not a date") << "Edit1" << "昨天" << "日期格式不对！" << "";
        QTest::newRow("reading empty") << "Edit21" << "" << "本月抄表数不能为空！" << "Edit21";
        QTest::newRow("last reading empty") << "Edit22" << "" << "上月抄表数不能为空！" << "Edit22";
        QTest::newRow("usage empty") << "Edit27" << "" << "用量不能为空！" << "Edit27";
        QTest::newRow("price empty") << "Edit28" << "" << "单价不能为空！" << "Edit28";
        QTest::newRow("water reading empty") << "Edit30" << "" << "" << "Edit30";
        QTest::newRow("water last empty") << "Edit31" << "" << "" << "Edit31";
        QTest::newRow("water usage empty") << "Edit32" << "" << "" << "Edit32";
        QTest::newRow("month one digit") << "cbyf" << "1" << "电费月份格式不对长度应为2位比如01" << "";
        QTest::newRow("month three chars") << "cbyf" << "012" << "电费月份格式不对长度应为2位比如01" << "";
    }

    void failedChecks()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        ReceiptPrintData d = sampleReceipt();
        QMap<QString, QString *> fields{{"Edit1", &d.Edit1},   {"edit2", &d.edit2},   {"Edit35", &d.Edit35},
                                         {"edit41", &d.edit41}, {"Edit21", &d.Edit21}, {"Edit22", &d.Edit22},
                                         {"Edit27", &d.Edit27}, {"Edit28", &d.Edit28}, {"Edit30", &d.Edit30},
                                         {"Edit31", &d.Edit31}, {"Edit32", &d.Edit32}, {"cbyf", &d.cbyf}};
        QVERIFY(fields.contains(field));
        *fields[field] = value;

        writeFile(programFile(kPrintFileName), "earlier print");
        const QSet<QString> before = pdfOutputFiles();
        RecordingDialogs dlg;
        const QString categoryBefore = Global().strsjlx, payeeBefore = Global().str_skr;
        const ReceiptPrintResult r = printing().BitBtn13Click(d);
        QVERIFY(!r.checksPassed);
        QVERIFY(!r.done);
        QCOMPARE(r.focus, focus);
        QCOMPARE(dlg.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(fileHash(programFile(kPrintFileName)), QCryptographicHash::hash("earlier print", QCryptographicHash::Sha256));
        QCOMPARE(Global().strsjlx, categoryBefore);   // the entry screen's to write (tests/app)
        QCOMPARE(Global().str_skr, payeeBefore);

        // The preview runs the same checks (its area field is always set).
        if (field != QLatin1String("edit2")) {
            writeFile(programFile(kPreviewFileName), "earlier preview");
            dlg.clear();
            const ReceiptPrintResult p = printing().SpeedButton9Click(d);
            QVERIFY(!p.checksPassed);
            QCOMPARE(p.focus, focus);
            QCOMPARE(dlg.texts(), message.isEmpty() ? QStringList() : QStringList{message});
            QVERIFY(!printing().previewWindow());
            QCOMPARE(fileHash(programFile(kPreviewFileName)),
                     QCryptographicHash::hash("earlier preview", QCryptographicHash::Sha256));
        }
        QTest::qWait(1500);
        QCOMPARE(pdfOutputFiles(), before);
    }

    void checksPassWithEmptyMonthAndFirstFailureWins()
    {
        ReceiptPrintData d = sampleReceipt();
        d.cbyf.clear();
        QVERIFY(CheckReceiptForPrint(d).passed);
        ReceiptPrintData empty;
        const ReceiptCheck c = CheckReceiptForPrint(empty);
        QCOMPARE(c.message, QStringLiteral("单据日期不能为空！"));
        empty.Edit1 = QStringLiteral("2024-13-45");
        QCOMPARE(CheckReceiptForPrint(empty).message, QStringLiteral("区域不能为空！"));
    }

    // The preview shows the filled copy's first sheet; a second preview
    // replaces the window; a failed preview check has closed it already, a
    // failed print check has not; a print closes it.
    void previewWindowLifecycle()
    {
        RecordingDialogs dlg;
        TReceiptPrinting &p = printing();
        ReceiptPrintData d = sampleReceipt();
        d.edit2.clear();   // the preview sets the area itself
        int recalculations = 0;
        const ReceiptPrintResult r = p.SpeedButton9Click(d, [&] {
            ++recalculations;
            ReceiptPrintData again = sampleReceipt();
            again.Edit35 = QStringLiteral("200.00");
            return again;
        });
        QVERIFY2(r.done, qPrintable(dlg.texts().join(QLatin1Char('|'))));
        QCOMPARE(recalculations, 1);
        QPointer<TReceiptPreview> first = p.previewWindow();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QCOMPARE(first->pageCount(), 1);
        {
            auto book = SpreadsheetEngine::open(programFile(kPreviewFileName));
            QCOMPARE(book->cellText(7, 11), QStringLiteral("总合计金额：200.00 元"));
        }

        QVERIFY(p.SpeedButton9Click(sampleReceipt()).done);
        QPointer<TReceiptPreview> second = p.previewWindow();
        QVERIFY(second);
        QVERIFY(!first);   // replaced

        ReceiptPrintData bad = sampleReceipt();
        bad.Edit21.clear();
        p.BitBtn13Click(bad);
        QVERIFY(second);   // a print stopped by a check leaves it open
        p.SpeedButton9Click(bad);
        QVERIFY(!second);  // a preview stopped by a check has closed it

        QVERIFY(p.SpeedButton9Click(sampleReceipt()).done);
        QPointer<TReceiptPreview> third = p.previewWindow();
        const QSet<QString> before = pdfOutputFiles();
        QVERIFY(p.BitBtn13Click(sampleReceipt()).done);
        QVERIFY(!third);   // a print closes the preview
        QCOMPARE(newPdfOutputs(before).size(), 1);

        // Closing the main window removes the preview copy.
        QVERIFY(QFileInfo::exists(programFile(kPreviewFileName)));
        p.FormClose();
        QVERIFY(!QFileInfo::exists(programFile(kPreviewFileName)));
    }

    // The preview files live in a temporary folder that goes with the
    // printing object: nothing is left behind after a run, with or without
    // a main window that owned it.
    void previewFolderGoesWithItsOwner()
    {
        RecordingDialogs dlg;
        auto owner = std::make_unique<QObject>();
        auto *p = new TReceiptPrinting(owner.get());
        QVERIFY(p->tempFolder().isEmpty());
        QVERIFY2(p->SpeedButton9Click(sampleReceipt()).done, qPrintable(dlg.texts().join(QLatin1Char('|'))));
        const QString folder = p->tempFolder();
        QVERIFY(!folder.isEmpty());
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY(!QDir(folder).isEmpty());
        QPointer<TReceiptPreview> preview = p->previewWindow();
        QVERIFY(preview);
        owner.reset();
        QVERIFY(!preview);
        QVERIFY(!QFileInfo::exists(folder));
    }

    // The print button of the preview window sends the shown receipt once.
    void previewPrintButton()
    {
        RecordingDialogs dlg;
        TReceiptPrinting &p = printing();
        QVERIFY(p.SpeedButton9Click(sampleReceipt()).done);
        QPointer<TReceiptPreview> w = p.previewWindow();
        QVERIFY(w);
        const QSet<QString> before = pdfOutputFiles();
        QSignalSpy printed(w.data(), &TReceiptPreview::printed);
        w->printButton()->click();
        QCOMPARE(printed.size(), 1);
        QTest::qWait(0);
        QTRY_VERIFY(!w);
        const QStringList outputs = newPdfOutputs(before);
        QCOMPARE(outputs.size(), 1);
        QVERIFY(pdfText(jobDocument(printed.first().first().toInt())).contains(QStringLiteral("张三 住户")));
        QCOMPARE(dlg.count(), 0);
    }

    // No default printer: a clear message, and nothing goes anywhere.
    void noDefaultPrinter()
    {
        const QByteArray previous = qgetenv("CUPS_SERVER");
        qputenv("CUPS_SERVER", m_scratch->file(QStringLiteral("no-scheduler.sock")).toUtf8());
        cupsSetServer(nullptr);   // read the variable again
        RecordingDialogs dlg;
        const ReceiptPrintResult r = printing().BitBtn13Click(sampleReceipt());
        if (previous.isNull())
            qunsetenv("CUPS_SERVER");
        else
            qputenv("CUPS_SERVER", previous);
        cupsSetServer(nullptr);
        QVERIFY(r.checksPassed);
        QVERIFY(!r.done);
        QCOMPARE(r.jobId, 0);
        QCOMPARE(dlg.texts(Dialogs::Kind::Error).size(), 1);
        QVERIFY2(dlg.last().contains(DefaultPrinter::kNoDefaultPrinterMessage), qPrintable(dlg.last()));
        QVERIFY(!DefaultPrinter::name().isEmpty());   // the real default is back
    }

    // The filled copies, and the preview's PDF, are their owner's only,
    // whatever the umask.
    void filledCopiesOwnerOnly()
    {
        writeFile(programFile(kPrintFileName), "earlier print");
        QFile::setPermissions(programFile(kPrintFileName), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                              | QFileDevice::ReadOther | QFileDevice::ReadGroup);
        const mode_t umaskBefore = ::umask(022);
        RecordingDialogs dlg;
        TReceiptPrinting &p = printing();
        const bool previewed = p.SpeedButton9Click(sampleReceipt()).done;
        const QString pdf = p.previewWindow() ? p.previewWindow()->pdfPath() : QString();
        const QFileDevice::Permissions pdfMode = QFileInfo(pdf).permissions();
        const QSet<QString> before = pdfOutputFiles();
        const bool printed = p.BitBtn13Click(sampleReceipt()).done;
        ::umask(umaskBefore);
        QVERIFY2(previewed && printed, qPrintable(dlg.texts().join(QLatin1Char('|'))));
        QCOMPARE(newPdfOutputs(before).size(), 1);   // and done before the next test looks
        const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                   | QFileDevice::ReadUser | QFileDevice::WriteUser;
        QCOMPARE(QFileInfo(programFile(kPreviewFileName)).permissions(), ownerOnly);
        QCOMPARE(QFileInfo(programFile(kPrintFileName)).permissions(), ownerOnly);
        QCOMPARE(pdfMode, ownerOnly);
    }

    // A template that is missing or not a workbook (found before anything
    // is filled): a clear error naming it, and neither the earlier preview
    // nor the earlier print is shown or printed.
    void unusableTemplate_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("reason");
        QByteArray noise(8192, '\0');
        QRandomGenerator gen(20240305);
        for (char &c : noise)
            c = char(gen.bounded(256));
        QTest::newRow("missing") << false << QByteArray() << "找不到单据模板";
        QTest::newRow("random bytes") << true << noise << "不是有效的电子表格";
        QTest::newRow("empty") << true << QByteArray() << "不是有效的电子表格";
        QTest::newRow("text") << true << QByteArray("收  费  收  据,张三,1250.5\n1,2,3\n") << "不是有效的电子表格";
    }

    void unusableTemplate()
    {
        QFETCH(bool, present);
        QFETCH(QByteArray, contents);
        QFETCH(QString, reason);
        if (present)
            writeFile(programFile(kTemplateFileName), contents);
        else
            QVERIFY(QFile::remove(programFile(kTemplateFileName)));
        writeFile(programFile(kPreviewFileName), "earlier preview");
        writeFile(programFile(kPrintFileName), "earlier print");
        RecordingDialogs dlg;
        TReceiptPrinting &p = printing();
        const ReceiptPrintResult r = p.SpeedButton9Click(sampleReceipt());
        QVERIFY(r.checksPassed);
        QVERIFY(!r.done);
        QVERIFY(!p.previewWindow());
        QCOMPARE(dlg.texts(Dialogs::Kind::Error).size(), 1);
        QVERIFY2(dlg.last().contains(kTemplateFileName) && dlg.last().contains(reason), qPrintable(dlg.last()));
        QVERIFY(!QFileInfo::exists(programFile(kPreviewFileName)));

        dlg.clear();
        const QSet<QString> before = pdfOutputFiles();
        const ReceiptPrintResult q = p.BitBtn13Click(sampleReceipt());
        QVERIFY(!q.done);
        QCOMPARE(dlg.texts(Dialogs::Kind::Error).size(), 1);
        QVERIFY2(dlg.last().contains(kTemplateFileName) && dlg.last().contains(reason), qPrintable(dlg.last()));
        QVERIFY(!QFileInfo::exists(programFile(kPrintFileName)));
        QTest::qWait(1500);
        QCOMPARE(pdfOutputFiles(), before);
        if (present)
            QCOMPARE(QFileInfo(programFile(kTemplateFileName)).size(), contents.size());   // left as it was
    }

    // A reading that is not a number: an error naming it, nothing stale left.
    void unreadableReading()
    {
        writeFile(programFile(kPrintFileName), "earlier print");
        RecordingDialogs dlg;
        ReceiptPrintData d = sampleReceipt();
        d.Edit21 = QStringLiteral("12x");
        const ReceiptPrintResult r = printing().BitBtn13Click(d);
        QVERIFY(!r.done);
        QCOMPARE(dlg.texts(Dialogs::Kind::Error).size(), 1);
        QVERIFY2(dlg.last().contains(QStringLiteral("12x")), qPrintable(dlg.last()));
        QVERIFY(!QFileInfo::exists(programFile(kPrintFileName)));
    }

    // The engine was killed: the next filling starts it once more.
    void engineRestartsAfterDying()
    {
        QVERIFY(SpreadsheetEngine::isAvailable());
        const qint64 pid = SpreadsheetEngine::processId();
        QVERIFY(pid > 0);
        ::kill(pid_t(pid), SIGKILL);
        QTest::qWait(300);
        FillReceiptTemplate(kPrintFileName, ReceiptCellTexts(sampleReceipt()));
        QVERIFY(SpreadsheetEngine::processId() != pid);
        auto book = SpreadsheetEngine::open(programFile(kPrintFileName));
        QCOMPARE(book->cellText(4, 10), QStringLiteral("50.5"));
    }

    void templateEditingOpensTheTemplate()
    {
        TReceiptPrinting &p = printing();
        QStringList opened;
        auto previous = p.openWithDesktop;
        p.openWithDesktop = [&](const QString &path) {
            opened << path;
            return true;
        };
        p.SpeedButton35Click();
        p.openWithDesktop = previous;
        QCOMPARE(opened, QStringList{programFile(kTemplateFileName)});
    }
};

QTEST_MAIN(TestReceiptPrint)
#include "test_receiptprint.moc"
