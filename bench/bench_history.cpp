// The history tab: the query with its renumbering over a large history,
// beside the same work as bare SQL statements.
#include "benchcommon.h"
#include "benchdb.h"

#include "common/dialogs.h"
#include "common/gridmodel.h"
#include "data/demodm.h"
#include "history/historytab.h"
#include "history/receiptengine.h"
#include "print/spreadsheetengine.h"
#include "controls.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <cstdio>
#include <memory>

namespace {

struct Conditions
{
    const char *name;
    QString bhmc, nf, yf;
    QString where; // the same conditions for the bare statements
};

// The list, the renumbering and the totals as plain statements: what the
// query cannot do with less.
void bareQuery(const Conditions &c)
{
    QSqlDatabase db = QSqlDatabase::database(TDemoDM::kConnectionName);
    QSqlQuery q(db);
    // The grid's first screenful.
    q.exec(QStringLiteral("select * from P_ORDERDBAK where %1 order by nf,yf,sjxh limit 256").arg(c.where));
    while (q.next()) {
    }
    db.transaction();
    q.exec(QStringLiteral(
               "update P_ORDERDBAK set pxxh = coalesce((select r.k from (select iid, row_number() over"
               " (order by nf, yf, sjxh) as k from P_ORDERDBAK where %1) r where r.iid = P_ORDERDBAK.iid), 0)")
               .arg(c.where));
    db.commit();
    q.exec(QStringLiteral("select sum(cost) from P_ORDERDBAK where %1").arg(c.where));
    q.next();
    q.exec(QStringLiteral("select count(*) from P_ORDERDBAK where %1").arg(c.where));
    q.next();
}

const Bench::Register historyQuery(QStringLiteral("history-query"), [] {
    BenchDatabase b;
    b.addHistoryReceipts(100000);
    THistoryTab tab;
    QWidget *f = &tab;
    const QList<Conditions> cases{
        {"all", QString(), QString(), QString(), QStringLiteral("bhmc like '%'")},
        {"year", QString(), QStringLiteral("2016"), QString(), QStringLiteral("bhmc like '%' and nf='2016'")},
        {"month", QString(), QStringLiteral("2016"), QStringLiteral("03"),
         QStringLiteral("bhmc like '%' and nf='2016' and yf='03'")},
        {"name", QStringLiteral("7号楼"), QString(), QString(), QStringLiteral("bhmc like '7号楼%'")},
    };
    const int reps = 7;
    auto runCases = [&](const QString &suffix, const QList<Conditions> &list) {
    for (const Conditions &c : list) {
        control<QLineEdit>(f, "Edit15")->setText(c.bhmc);
        control<QLineEdit>(f, "Edit16")->clear();
        control<QLineEdit>(f, "Edit17")->clear();
        control<QLineEdit>(f, "Edit18")->clear();
        control<QLineEdit>(f, "Edit23")->setText(c.nf);
        control<QComboBox>(f, "cbbyf")->setEditText(c.yf);
        // Worst case: every history row numbered, so every run rewrites all of them.
        auto scramble = [&b] { b.exec(QStringLiteral("update P_ORDERDBAK set pxxh = 7")); };
        Bench::report(QStringLiteral("history-query-100k-%1-worst%2").arg(QLatin1String(c.name), suffix),
                      Bench::medianMs(reps, [&tab] { tab.SpeedButton21Click(); }, scramble));
        if (tab.listModel()->rowCount() == 0)
            std::fprintf(stderr, "bench: history query %s listed nothing\n", c.name);
        Bench::report(QStringLiteral("history-query-100k-%1-worst%2-bare").arg(QLatin1String(c.name), suffix),
                      Bench::medianMs(reps, [&c] { bareQuery(c); }, scramble));
        // Usual case: the previous query listed one other month.
        auto otherMonth = [&b] {
            b.exec(QStringLiteral("update P_ORDERDBAK set pxxh = 0 where pxxh <> 0"));
            b.exec(QStringLiteral("update P_ORDERDBAK set pxxh = iid % 1000 + 1 where nf = '2020' and yf = '07'"));
        };
        Bench::report(QStringLiteral("history-query-100k-%1%2").arg(QLatin1String(c.name), suffix),
                      Bench::medianMs(reps, [&tab] { tab.SpeedButton21Click(); }, otherMonth));
        Bench::report(QStringLiteral("history-query-100k-%1%2-bare").arg(QLatin1String(c.name), suffix),
                      Bench::medianMs(reps, [&c] { bareQuery(c); }, otherMonth));
    }
    };
    // The schema carries an index in the list's order, so the list needs no sort.
    runCases(QString(), cases);
});

// The export of 10,000 receipts: up to the spreadsheet engine (statement,
// save-path and replace steps, the rows handed over), then the whole export
// through the engine in each format.
const Bench::Register historyExport(QStringLiteral("history-export"), [] {
    BenchDatabase b;
    b.addHistoryReceipts(10000);
    THistoryTab tab;
    QWidget *f = &tab;
    control<QLineEdit>(f, "Edit15")->clear();
    control<QLineEdit>(f, "Edit16")->clear();
    control<QLineEdit>(f, "Edit17")->clear();
    control<QLineEdit>(f, "Edit18")->clear();
    control<QLineEdit>(f, "Edit23")->clear();
    control<QComboBox>(f, "cbbyf")->setEditText(QString());
    // Boxes are answered Yes and not shown.
    struct Silent : Dialogs::Handler
    {
        int shown = 0;
        bool show(const Dialogs::Shown &) override { ++shown; return true; }
    } silent;
    Dialogs::setHandler(&silent);
    const QString target = b.dir() + QStringLiteral("/bench-export.xls");
    qsizetype cells = 0;
    tab.services().chooseSavePath = [&target](const QString &) { return target; };
    // Stands in for the engine: only counts what it is given.
    tab.services().writeWorkbook = [&cells](const QString &path, WorkbookExport::RowSource &rows) {
        cells = rows.titles().size();
        for (QList<WorkbookExport::Row> block; !(block = rows.next(WorkbookExport::kBlockRows)).isEmpty();)
            for (const WorkbookExport::Row &r : block)
                cells += r.size();
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        out.write("x");
    };
    Bench::report(QStringLiteral("history-export-10k-up-to-engine"),
                  Bench::medianMs(5, [&tab] { tab.SpeedButton29Click(); }, [&target] { QFile::remove(target); }));
    if (cells != 10001 * 25)
        std::fprintf(stderr, "bench: export handed %lld cells\n", static_cast<long long>(cells));

    // The whole export through the spreadsheet engine, warm.
    SpreadsheetEngine::setStartTimeoutMs(90000);
    SpreadsheetEngine::startInBackground();
    QElapsedTimer up;
    up.start();
    const QString pipe = QStringLiteral("OSL_PIPE_*mtrfee_*_%1").arg(QCoreApplication::applicationPid());
    while (QDir(QDir::tempPath()).entryList({pipe}, QDir::System).isEmpty() && up.elapsed() < 90000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    tab.services().writeWorkbook = HistoryPrinting::ExportWriter();
    for (const char *ext : {"xls", "xlsx", "ods"}) {
        const QString path = b.dir() + QStringLiteral("/bench-export.") + QLatin1String(ext);
        tab.services().chooseSavePath = [path](const QString &) { return path; };
        tab.SpeedButton29Click(); // warm-up
        if (!QFileInfo(path).isFile())
            std::fprintf(stderr, "bench: the engine wrote no %s file\n", ext);
        Bench::report(QStringLiteral("history-export-10k-%1").arg(QLatin1String(ext)),
                      Bench::medianMs(3, [&tab] { tab.SpeedButton29Click(); }, [path] { QFile::remove(path); }));
    }
    SpreadsheetEngine::shutdown();
    Dialogs::setHandler(nullptr);
});

} // namespace
