// The history tab on ten years of history (1,000,000 receipts): what the
// operator waits for, from the click of a button through the tab's own
// handler until the totals show and the grid's first screen is painted,
// each beside the least work the same result needs as bare statements.
// Long (seeding and the worst cases take minutes): runs only when named,
// "history-1m" and "history-export-65k".
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
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QRadioButton>
#include <cstdio>

namespace {

// Message boxes are answered Yes and not shown.
struct Silent : Dialogs::Handler
{
    bool show(const Dialogs::Shown &) override { return true; }
};

double rssMb(const char *field = "VmRSS:")
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

QSqlQuery bare()
{
    return QSqlQuery(QSqlDatabase::database(TDemoDM::kConnectionName));
}

void bareExec(const QString &sql)
{
    QSqlQuery q = bare();
    if (!q.exec(sql))
        std::fprintf(stderr, "bench: %s\n", qPrintable(sql));
    while (q.next()) {
    }
}

const QString kOrder = QStringLiteral("nf,yf,sjxh,iid");

// The least work of a query: the first screenful of the list (40 rows),
// the numbers of the previous result's rows reset (found by their own
// condition), the result's rows numbered where they change, count and total.
void bareQuery(const QString &where, const QString &previousWhere)
{
    bareExec(QStringLiteral("select * from P_ORDERDBAK where %1 order by %2 limit 40").arg(where, kOrder));
    QSqlDatabase db = QSqlDatabase::database(TDemoDM::kConnectionName);
    db.transaction();
    if (!previousWhere.isEmpty())
        bareExec(QStringLiteral("update P_ORDERDBAK set pxxh = 0 where %1 and pxxh is not 0 and not (%2)")
                     .arg(previousWhere, where));
    bareExec(QStringLiteral("update P_ORDERDBAK set pxxh = r.k from (select iid, row_number() over (order by %1) as k"
                            " from P_ORDERDBAK where %2) r where P_ORDERDBAK.iid = r.iid and P_ORDERDBAK.pxxh is not r.k")
                 .arg(kOrder, where));
    db.commit();
    bareExec(QStringLiteral("select sum(cost), count(*) from P_ORDERDBAK where %1").arg(where));
}

// The least work of a query repeated: the first screenful, the result read
// in its order to see that no number changes, count and total.
void bareRepeat(const QString &where)
{
    bareExec(QStringLiteral("select * from P_ORDERDBAK where %1 order by %2 limit 40").arg(where, kOrder));
    bareExec(QStringLiteral("select count(*) from (select pxxh, row_number() over (order by %1) as k"
                            " from P_ORDERDBAK where %2) where pxxh is not k").arg(kOrder, where));
    bareExec(QStringLiteral("select sum(cost), count(*) from P_ORDERDBAK where %1").arg(where));
}

struct Query
{
    const char *name;
    QString bhmc, nf, yf, where;
    qint64 rows;
};

const Bench::Register history1m(QStringLiteral("history-1m"), [] {
    QElapsedTimer seedTime;
    seedTime.start();
    BenchDatabase b;
    const int total = 1000000;
    b.seedHistory(total);
    std::fprintf(stderr, "bench: seeded %d history rows in %.1f s\n", total, seedTime.elapsed() / 1000.0);
    Silent silent;
    Dialogs::setHandler(&silent);

    THistoryTab tab;
    QWidget *f = &tab;
    tab.resize(1280, 900);
    tab.show();
    QCoreApplication::processEvents();
    QLabel *countPanel = tab.findChild<QLabel *>(QStringLiteral("sb1Panel1"));
    QPushButton *query = control<QPushButton>(f, "SpeedButton21");

    // From the click until the totals show and the first screen is painted.
    auto click = [&] {
        query->click();
        tab.repaint();
        QCoreApplication::processEvents();
    };
    auto fill = [&](const Query &q) {
        control<QRadioButton>(f, "rbb1")->setChecked(true);
        control<QLineEdit>(f, "Edit15")->setText(q.bhmc);
        control<QLineEdit>(f, "Edit16")->clear();
        control<QLineEdit>(f, "Edit17")->clear();
        control<QLineEdit>(f, "Edit18")->clear();
        control<QLineEdit>(f, "Edit23")->setText(q.nf);
        control<QComboBox>(f, "cbbyf")->setEditText(q.yf);
    };
    auto check = [&](Query q) {
        if (q.rows < 0) {
            QSqlQuery c = bare();
            c.exec(QStringLiteral("select count(*) from P_ORDERDBAK where %1").arg(q.where));
            q.rows = c.next() ? c.value(0).toLongLong() : 0;
        }
        static QSet<QString> told;
        if (!told.contains(QLatin1String(q.name))) {
            told.insert(QLatin1String(q.name));
            std::printf("history-1m-%s: %lld rows\n", q.name, static_cast<long long>(q.rows));
            std::fflush(stdout);
        }
        if (countPanel->text() != QString::number(q.rows))
            std::fprintf(stderr, "bench: %s showed %s rows, expected %lld\n", q.name, qPrintable(countPanel->text()),
                         static_cast<long long>(q.rows));
    };
    // The previous query listed another month of the same district.
    const QString previousWhere = QStringLiteral("bhmc like '东区%' and nf = '2020' and yf = '07'");
    auto otherMonthListed = [&] {
        b.exec(QStringLiteral("update P_ORDERDBAK set pxxh = 0 where pxxh is not 0"));
        b.exec(QStringLiteral("update P_ORDERDBAK set pxxh = r.k from (select iid, row_number() over (order by %1) as k"
                              " from P_ORDERDBAK where %2) r where P_ORDERDBAK.iid = r.iid")
                   .arg(kOrder, previousWhere));
    };
    // One district (five communities, 500 households) of 2,000: a month
    // of about 2,000 receipts, a year of about 25,000; a community of
    // 50,000 receipts by its name; the whole month of all districts.
    const QList<Query> queries{
        {"month", QStringLiteral("东区"), QStringLiteral("2019"), QStringLiteral("03"),
         QStringLiteral("bhmc like '东区%' and nf = '2019' and yf = '03'"), -1},
        {"year", QStringLiteral("东区"), QStringLiteral("2019"), QString(),
         QStringLiteral("bhmc like '东区%' and nf = '2019'"), -1},
        {"name", QStringLiteral("西区小区07"), QString(), QString(), QStringLiteral("bhmc like '西区小区07%'"), -1},
        {"month-all-districts", QString(), QStringLiteral("2019"), QStringLiteral("03"),
         QStringLiteral("bhmc like '%' and nf = '2019' and yf = '03'"), -1},
    };
    const Query whole{"whole", QString(), QString(), QString(), QStringLiteral("bhmc like '%'"), total};

    auto runAll = [&](const QString &suffix, int reps) {
        for (const Query &q : queries) {
            fill(q);
            const QString name = QStringLiteral("history-1m-%1%2").arg(QLatin1String(q.name), suffix);
            Bench::report(name, Bench::medianMs(reps, click, otherMonthListed));
            check(q);
            Bench::report(name + QStringLiteral("-bare"),
                          Bench::medianMs(reps, [&] { bareQuery(q.where, previousWhere); }, otherMonthListed));
            // The same query again: nothing changes.
            click();
            Bench::report(name + QStringLiteral("-repeated"), Bench::medianMs(reps, click));
            check(q);
            Bench::report(name + QStringLiteral("-repeated-bare"), Bench::medianMs(reps, [&] { bareRepeat(q.where); }));
        }
        // Worst case: every history row gets a new number.
        fill(whole);
        auto everyRowNumbered = [&b] { b.exec(QStringLiteral("update P_ORDERDBAK set pxxh = 7")); };
        const QString name = QStringLiteral("history-1m-whole-worst%1").arg(suffix);
        Bench::report(name, Bench::medianMs(3, click, everyRowNumbered));
        check(whole);
        Bench::reportValue(QStringLiteral("history-1m-rss-after-whole%1").arg(suffix), rssMb(), "MB");
        // The grid taken to the end of the million rows and painted there:
        // only the rows at the end are read, and memory stays as it was.
        QTableView *grid = control<QTableView>(f, "DBGrid5");
        Bench::report(QStringLiteral("history-1m-whole-scrolled-to-end%1").arg(suffix), Bench::medianMs(3, [&] {
                          grid->scrollToBottom();
                          grid->viewport()->repaint();
                      }, [&] {
                          grid->scrollToTop();
                          grid->viewport()->repaint();
                      }));
        const QAbstractItemModel *m = tab.listModel();
        const int lastRow = m->rowCount() - 1;
        const int lastAt = grid->rowViewportPosition(lastRow);
        if (lastAt < 0 || lastAt >= grid->viewport()->height()
            || tab.listModel()->fieldValue(lastRow, QStringLiteral("pxxh")).toLongLong() != whole.rows)
            std::fprintf(stderr, "bench: the end of the whole history is not shown\n");
        Bench::reportValue(QStringLiteral("history-1m-rss-after-whole-scrolled%1").arg(suffix), rssMb(), "MB");
        Bench::reportValue(QStringLiteral("history-1m-rss-peak%1").arg(suffix), rssMb("VmHWM:"), "MB");
        Bench::report(name + QStringLiteral("-bare"),
                      Bench::medianMs(3, [&] { bareQuery(whole.where, QString()); }, everyRowNumbered));
        Bench::report(QStringLiteral("history-1m-whole-repeated%1").arg(suffix), Bench::medianMs(3, click));
        Bench::report(QStringLiteral("history-1m-whole-repeated%1-bare").arg(suffix),
                      Bench::medianMs(3, [&] { bareRepeat(whole.where); }));
    };

    const bool indexed = b.hasNumberedIndex();
    std::printf("history-1m: index of the numbered rows (P_ORDERDBAK_numbered) %s\n",
                indexed ? "present" : "missing");
    std::fflush(stdout);
    runAll(QString(), 5);
    if (!indexed) {
        // What the index brings, measured on this database.
        b.exec(QStringLiteral("CREATE INDEX P_ORDERDBAK_numbered ON P_ORDERDBAK(pxxh) WHERE pxxh IS NOT 0"));
        runAll(QStringLiteral("-with-numbered-index"), 5);
    }

    // Archiving 2,000 current receipts into this history. The current
    // receipts' numbers continue after the history's, as in use.
    b.exec(QStringLiteral("insert or replace into sqlite_sequence(name, seq)"
                          " select 'P_ORDERD', max(iid) from P_ORDERDBAK"));
    auto twoThousandCurrent = [&b] {
        b.exec(QStringLiteral("delete from P_ORDERD"));
        b.addCurrentReceipts(2000);
    };
    Bench::report(QStringLiteral("history-1m-archive-2000"),
                  Bench::medianMs(5, [&tab] { tab.SpeedButton20Click(); }, twoThousandCurrent));
    QSqlQuery left = bare();
    if (left.exec(QStringLiteral("select count(*) from P_ORDERD")) && left.next() && left.value(0).toInt() != 0)
        std::fprintf(stderr, "bench: archiving left %d current receipts\n", left.value(0).toInt());
    Bench::report(QStringLiteral("history-1m-archive-2000-bare"), Bench::medianMs(5, [] {
                      QSqlDatabase db = QSqlDatabase::database(TDemoDM::kConnectionName);
                      db.transaction();
                      bareExec(QStringLiteral("insert into P_ORDERDBAK select * from P_ORDERD"));
                      bareExec(QStringLiteral("delete from P_ORDERD"));
                      db.commit();
                  }, twoThousandCurrent));

    // Restoring one receipt of a month's list for change (the list shown,
    // its first row selected).
    Query month = queries.first();
    fill(month);
    auto monthListed = [&] {
        click();
        control<QTableView>(f, "DBGrid5")->setCurrentIndex(tab.listModel()->index(0, 0));
    };
    Bench::report(QStringLiteral("history-1m-restore-one"), Bench::medianMs(5, [&tab] { tab.SpeedButton5Click(); }, monthListed));
    Bench::report(QStringLiteral("history-1m-restore-one-bare"), Bench::medianMs(5, [&] {
                      const QString sjxh = tab.listModel()->fieldValue(0, QStringLiteral("sjxh")).toString();
                      QSqlDatabase db = QSqlDatabase::database(TDemoDM::kConnectionName);
                      db.transaction();
                      for (const char *sql : {"delete from sjmxb where sjxh = '%1'",
                                              "insert into sjmxb select * from sjmxbbak where sjxh = '%1'",
                                              "delete from P_ORDERD where sjxh = '%1'",
                                              "insert into P_ORDERD select * from P_ORDERDBAK where sjxh = '%1'",
                                              "delete from P_ORDERDBAK where sjxh = '%1'",
                                              "delete from sjmxbbak where sjxh = '%1'"})
                          bareExec(QString::fromLatin1(sql).arg(sjxh));
                      bareExec(QStringLiteral("update p_orderd set pxxh = r.k from (select iid, row_number() over"
                                              " (order by iid) as k from p_orderd) as r where p_orderd.iid = r.iid"
                                              " and p_orderd.pxxh is not r.k"));
                      db.commit();
                  }, monthListed));
    Dialogs::setHandler(nullptr);
}, true);

// The export of 65,000 receipts to .xlsx through the spreadsheet engine,
// warm, from the click until the file is complete.
const Bench::Register historyExport65k(QStringLiteral("history-export-65k"), [] {
    BenchDatabase b;
    b.seedHistory(65000);
    Silent silent;
    Dialogs::setHandler(&silent);
    THistoryTab tab;
    QWidget *f = &tab;
    for (QLineEdit *e :
         {control<QLineEdit>(f, "Edit15"), control<QLineEdit>(f, "Edit16"), control<QLineEdit>(f, "Edit17"),
          control<QLineEdit>(f, "Edit18"), control<QLineEdit>(f, "Edit23")})
        e->clear();
    control<QComboBox>(f, "cbbyf")->setEditText(QString());
    SpreadsheetEngine::setStartTimeoutMs(90000);
    if (!SpreadsheetEngine::isAvailable()) {
        std::fprintf(stderr, "bench: no spreadsheet engine\n");
        Dialogs::setHandler(nullptr);
        return;
    }
    const QString path = b.dir() + QStringLiteral("/bench-export.xlsx");
    tab.services().chooseSavePath = [path](const QString &) { return path; };
    auto removeFile = [path] { QFile::remove(path); };
    QPushButton *exportButton = control<QPushButton>(f, "SpeedButton29");
    exportButton->click();   // warm-up: the engine loads its spreadsheet part
    removeFile();
    Bench::report(QStringLiteral("history-export-65k-xlsx"),
                  Bench::medianMs(3, [&] { exportButton->click(); }, removeFile));
    if (!QFileInfo(path).isFile())
        std::fprintf(stderr, "bench: the engine wrote no file\n");
    Bench::reportValue(QStringLiteral("history-export-65k-rss-peak"), rssMb("VmHWM:"), "MB");
    // The least work: every row of the result read with its 25 columns.
    Bench::report(QStringLiteral("history-export-65k-xlsx-bare"), Bench::medianMs(3, [] {
                      bareExec(QStringLiteral(
                          "select pxxh,sjxh,nf,yf,bhmc,bhh,sccjd,bccjd,shsld,cjdl,dj,jed,sccjds,bccjds,shsls,cjdls,djs,"
                          "jes,qtfy,fzfy,cost,cmc,cbr,skr,rq from P_ORDERDBAK where bhmc like '%' order by nf,yf,bhmc"));
                  }));
    SpreadsheetEngine::shutdown();
    Dialogs::setHandler(nullptr);
}, true);

} // namespace
