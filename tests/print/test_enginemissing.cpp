// The spreadsheet application cannot be started or does not answer: the
// operator is told once, nothing stale is shown or printed, nothing hangs.
#include "printfixture.h"

#include "settings/global.h"
#include "common/apppaths.h"
#include "print/spreadsheetengine.h"
#include "recordingdialogs.h"
#include "scratchdir.h"

#include <QElapsedTimer>
#include <QtTest>
#include <memory>

using namespace PrintFixture;

class TestEngineMissing : public QObject
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

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

private slots:
    void init()
    {
        SpreadsheetEngine::shutdown();
        m_scratch = std::make_unique<ScratchProgram>();
        QVERIFY(m_scratch->templateInstalled());
    }

    void cleanup()
    {
        m_printing.reset();
        SpreadsheetEngine::shutdown();
        SpreadsheetEngine::setProgramPath(QString());
        SpreadsheetEngine::setStartTimeoutMs(20000);
        m_scratch.reset();
    }

    // Kinds of missing application: no such program, a program that ends at
    // once, and one that runs but never answers (bounded by the start time).
    void engineUnavailable_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("preview");
        QTest::newRow("no such program, preview") << "/nonexistent/soffice.bin" << true;
        QTest::newRow("no such program, print") << "/nonexistent/soffice.bin" << false;
        QTest::newRow("ends at once, preview") << "/bin/false" << true;
        QTest::newRow("never answers, print") << "hang" << false;
    }

    void engineUnavailable()
    {
        QFETCH(QString, program);
        QFETCH(bool, preview);
        if (program == QLatin1String("hang")) {
            program = m_scratch->file(QStringLiteral("hang.sh"));
            writeFile(program, "#!/bin/sh\nexec sleep 60\n");
            QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
        }
        SpreadsheetEngine::setProgramPath(program);
        SpreadsheetEngine::setStartTimeoutMs(2000);
        SpreadsheetEngine::startInBackground();   // must not block or throw

        const QString copy = AppPaths::inProgramDir(preview ? kPreviewFileName : kPrintFileName);
        writeFile(copy, "earlier copy");
        const QSet<QString> before = pdfOutputFiles();
        RecordingDialogs dlg;
        QElapsedTimer t;
        t.start();
        TReceiptPrinting &p = printing();
        const ReceiptPrintResult r = preview ? p.SpeedButton9Click(sampleReceipt()) : p.BitBtn13Click(sampleReceipt());
        QVERIFY2(t.elapsed() < 15000, "the missing application held the program up");
        QVERIFY(r.checksPassed);
        QVERIFY(!r.done);
        QCOMPARE(dlg.texts(), QStringList{kEngineMissingMessage});
        QVERIFY(!p.previewWindow());
        QVERIFY(!QFileInfo::exists(copy));   // the earlier copy is neither shown nor printed
        QTest::qWait(1000);
        QCOMPARE(pdfOutputFiles(), before);
    }

    // The engine interface itself reports the missing application.
    void openThrowsEngineUnavailable()
    {
        SpreadsheetEngine::setProgramPath(QStringLiteral("/nonexistent/soffice.bin"));
        QVERIFY(!SpreadsheetEngine::isAvailable());
        QVERIFY_THROWS_EXCEPTION(EngineUnavailable,
                                 SpreadsheetEngine::open(AppPaths::inProgramDir(kTemplateFileName)));
        // A missing file is an ordinary error, found before the application is needed.
        try {
            SpreadsheetEngine::open(AppPaths::inProgramDir(QStringLiteral("none.xls")));
            QFAIL("no error");
        } catch (const EngineUnavailable &) {
            QFAIL("a missing file is not a missing application");
        } catch (const AppError &e) {
            QVERIFY(e.message().contains(QStringLiteral("none.xls")));
        }
    }
};

QTEST_MAIN(TestEngineMissing)
#include "test_enginemissing.moc"
