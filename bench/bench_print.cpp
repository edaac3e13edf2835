// Receipt printing through the spreadsheet engine: the cold start of the
// engine, and one receipt previewed and printed with the engine warm.
#include "benchcommon.h"
#include "benchdb.h"

#include "settings/global.h"
#include "common/apppaths.h"
#include "common/dialogs.h"
#include "print/formdyts.h"
#include "history/historytab.h"
#include "print/defaultprinter.h"
#include "print/receiptprint.h"
#include "print/spreadsheetengine.h"
#include "controls.h"

#include <QCoreApplication>
#include <QDir>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QCheckBox>
#include <cstdio>

namespace {

class QuietDialogs : public Dialogs::Handler
{
public:
    bool show(const Dialogs::Shown &box) override
    {
        std::fprintf(stderr, "bench_print: box: %s\n", qPrintable(box.text));
        return true;
    }
};

ReceiptPrintData receipt()
{
    ReceiptPrintData d;
    d.Edit1 = QStringLiteral("2024-03-05");
    d.edit2 = QStringLiteral("温州");
    d.Edit3 = QStringLiteral("00000001");
    d.edit41 = QStringLiteral("张三");
    d.Edit21 = QStringLiteral("1250.5");
    d.Edit22 = QStringLiteral("1200");
    d.Edit8 = QStringLiteral("0");
    d.Edit27 = QStringLiteral("50.5");
    d.Edit28 = QStringLiteral("0.6");
    d.Edit29 = QStringLiteral("30.3");
    d.Edit30 = QStringLiteral("88");
    d.Edit31 = QStringLiteral("80");
    d.Edit24 = QStringLiteral("0");
    d.Edit32 = QStringLiteral("8");
    d.Edit33 = QStringLiteral("3.1");
    d.Edit34 = QStringLiteral("24.8");
    d.Edit36 = QStringLiteral("1");
    d.Edit37 = QStringLiteral("100");
    d.Edit35 = QStringLiteral("156.10");
    d.cbyf = QStringLiteral("03");
    return d;
}

// A scratch program folder holding the built template.
struct PrintFolder
{
    QTemporaryDir dir;
    QString previous = AppPaths::programDir();
    TGlobal global{dir.filePath(QStringLiteral("mtrfee.ini"))};
    QuietDialogs dialogs;
    TReceiptPrinting printing;
    bool ok = false;

    PrintFolder()
    {
        AppPaths::setProgramDir(dir.path());
        Dialogs::setHandler(&dialogs);
        const QString built = QDir(QCoreApplication::applicationDirPath())
                                  .filePath(QStringLiteral("../program/") + kTemplateFileName);
        ok = QFile::copy(built, dir.filePath(kTemplateFileName));
        if (!ok)
            std::fprintf(stderr, "bench_print: no template at %s\n", qPrintable(built));
    }
    ~PrintFolder()
    {
        printing.closePreview();
        Dialogs::setHandler(nullptr);
        AppPaths::setProgramDir(previous);
    }
};

const Bench::Register coldStart(QStringLiteral("print-engine-cold-start"), [] {
    SpreadsheetEngine::shutdown();
    const double ms = Bench::medianMs(
        3, [] {
            SpreadsheetEngine::startInBackground();
            if (!SpreadsheetEngine::isAvailable())
                std::fprintf(stderr, "bench_print: the engine did not start\n");
        },
        [] { SpreadsheetEngine::shutdown(); });
    Bench::report(QStringLiteral("print-engine-cold-start"), ms);
});

const Bench::Register warmPreview(QStringLiteral("print-preview-warm"), [] {
    PrintFolder folder;
    if (!folder.ok)
        return;
    SpreadsheetEngine::startInBackground();
    TReceiptPrinting &p = folder.printing;
    p.SpeedButton9Click(receipt());   // warms the engine and the filters
    const double ms = Bench::medianMs(
        10, [&] {
            if (!p.SpeedButton9Click(receipt()).done)
                std::fprintf(stderr, "bench_print: preview failed\n");
        });
    Bench::report(QStringLiteral("print-preview-warm"), ms);
});

const Bench::Register warmPrint(QStringLiteral("print-print-warm"), [] {
    PrintFolder folder;
    if (!folder.ok)
        return;
    if (DefaultPrinter::name().isEmpty()) {
        std::fprintf(stderr, "bench_print: no default printer (scripts/test-services.sh sets one up)\n");
        return;
    }
    SpreadsheetEngine::startInBackground();
    TReceiptPrinting &p = folder.printing;
    p.BitBtn13Click(receipt());
    const double ms = Bench::medianMs(
        5, [&] {
            if (!p.BitBtn13Click(receipt()).done)
                std::fprintf(stderr, "bench_print: print failed\n");
        });
    Bench::report(QStringLiteral("print-print-warm"), ms);
});

} // namespace

// Batch printing of 500 history receipts as one print job, through the
// history tab (range dialog accepted with "合并为一个打印任务"), with the
// engine warm: from the click until the job is with the printer. Long, so
// it runs only when named.
const Bench::Register batchOneJob(QStringLiteral("print-batch-500-one-job"), [] {
    BenchDatabase b;
    b.addHistoryReceipts(500);
    QuietDialogs dialogs;
    Dialogs::setHandler(&dialogs);
    TGlobal global{b.dir() + QStringLiteral("/mtrfee.ini")};
    const QString built = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../program/") + kTemplateFileName);
    if (!QFile::copy(built, AppPaths::inProgramDir(kTemplateFileName))) {
        std::fprintf(stderr, "bench_print: no template at %s\n", qPrintable(built));
        Dialogs::setHandler(nullptr);
        return;
    }
    if (DefaultPrinter::name().isEmpty()) {
        std::fprintf(stderr, "bench_print: no default printer (scripts/test-services.sh sets one up)\n");
        Dialogs::setHandler(nullptr);
        return;
    }
    SpreadsheetEngine::startInBackground();
    THistoryTab tab;
    QWidget *f = &tab;
    for (QLineEdit *e :
         {control<QLineEdit>(f, "Edit15"), control<QLineEdit>(f, "Edit16"), control<QLineEdit>(f, "Edit17"),
          control<QLineEdit>(f, "Edit18"), control<QLineEdit>(f, "Edit23")})
        e->clear();
    control<QComboBox>(f, "cbbyf")->setEditText(QString());
    tab.SpeedButton21Click();
    QString last;
    tab.services().printing.runRangeDialog = [&last](TFormdyts *d) {
        control<QLineEdit>(d, "Edit1")->setText(QStringLiteral("1"));
        control<QLineEdit>(d, "Edit2")->setText(last);
        control<QCheckBox>(d, "cbhbdy")->setChecked(true);
        d->BitBtn1Click();
        return d->accepted();
    };
    last = QStringLiteral("3");
    tab.SpeedButton37Click();   // warms the engine, its PDF export and the queue
    last = QStringLiteral("500");
    const double ms = Bench::medianMs(3, [&tab] {
        tab.SpeedButton37Click();
        if (tab.batchPrinting()->lastBatchJobId() <= 0 || !tab.batchPrinting()->lastBatchFailures().isEmpty())
            std::fprintf(stderr, "bench_print: the batch sent no job\n");
    });
    Bench::report(QStringLiteral("print-batch-500-one-job"), ms);
    Dialogs::setHandler(nullptr);
}, true);
