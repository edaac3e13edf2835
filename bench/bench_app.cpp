// Start-up and saving: how long until the login dialog shows, how long from
// the login until the main window is ready on a large database, and one new
// save with 10,000 current receipts in the table.
#include "benchcommon.h"
#include "benchdb.h"

#include "settings/global.h"
#include "app/orderform.h"
#include "app/startup.h"
#include "common/apppaths.h"
#include "data/demodm.h"
#include "data/serials.h"
#include "entry/currentreceipts.h"
#include "entry/entryfield.h"
#include "entry/entrytab.h"
#include "entry/zozudexcombobox.h"
#include "login/formdl.h"
#include "text/pinyin.h"
#include "controls.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QFile>
#include <cstdio>
#include <memory>

namespace {

// The program as a new process: a second start finds no running instance
// only if none runs, so the launch is measured as a complete start that
// ends at its first window (the login dialog) by a start in its own folder
// with an instance already running: that start goes as far as the
// single-instance check, which is what every start pays before its first
// window.
const Bench::Register launch(QStringLiteral("startup-launch"), [] {
    const QString exe = QCoreApplication::applicationDirPath() + QStringLiteral("/../program/mtrfee");
    if (!QFile::exists(exe)) {
        std::fprintf(stderr, "bench: %s not built\n", qPrintable(exe));
        return;
    }
    QTemporaryDir dir;
    QProcess first;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    first.setProcessEnvironment(env);
    first.setWorkingDirectory(dir.path());
    first.start(exe, {});
    first.waitForStarted();
    QThread::msleep(1500); // the first instance is up and listening
    const double ms = Bench::medianMs(7, [&] {
        QProcess second;
        second.setProcessEnvironment(env);
        second.start(exe, {});
        second.waitForFinished(10000);
    });
    first.kill();
    first.waitForFinished();
    Bench::report(QStringLiteral("startup-process-launch"), ms);
});

// In the process: settings, data module, main window and dialogs created,
// the login dialog opening the database and listing the codes, shown.
const Bench::Register toLogin(QStringLiteral("startup-to-login"), [] {
    BenchDatabase b;
    b.addHistoryReceipts(100000);
    b.addHouseholds(10000);
    b.dm().close();
    const double ms = Bench::medianMs(7, [&] {
        TGlobal global(b.dir() + QStringLiteral("/mtrfee.ini"));
        TDemoDM dm;
        TOrderForm window;
        TFormdl login(&window);
        login.show();
        QApplication::processEvents();
        if (!login.isVisible() || !dm.isOpen())
            std::fprintf(stderr, "bench: login dialog not shown\n");
    });
    Bench::report(QStringLiteral("startup-to-login-dialog"), ms);
});

// From a successful login to the main window ready: the whole start-up
// sequence on 100,000 history rows, 10,000 households and 1,000 current receipts.
const Bench::Register loginToReady(QStringLiteral("startup-login-to-ready"), [] {
    BenchDatabase b;
    b.addHistoryReceipts(100000);
    b.addHouseholds(10000);
    b.addCurrentReceipts(1000);
    const double ms = Bench::medianMs(7, [&] {
        TGlobal global(b.dir() + QStringLiteral("/mtrfee.ini"));
        TOrderForm window;
        window.show();
        window.FormShow(); // no login dialog registered: the sequence after it
        QApplication::processEvents();
    });
    Bench::report(QStringLiteral("startup-login-to-ready"), ms);
});

// One new save with 10,000 current receipts, renumbering and the list
// re-read included, beside the same statements sent as bare SQL.
const Bench::Register saveNew(QStringLiteral("save-new"), [] {
    BenchDatabase b;
    b.addCurrentReceipts(10000);
    b.addHouseholds(10000);
    Serials::RenumberCurrentReceipts(b.dm());
    {
        QSqlQuery q(QSqlDatabase::database(TDemoDM::kConnectionName));
        q.exec(QStringLiteral("update sjxhb set sjxh = 10000 where lbmc = '销售单'"));
        q.exec(QStringLiteral("insert into bciidb(sjxh, lbmc) select sjxh, lbmc from P_ORDERD"));
    }
    TGlobal global(b.dir() + QStringLiteral("/mtrfee.ini"));
    global.str_dj = QStringLiteral("0.5");
    global.str_djs = QStringLiteral("2");
    TOrderForm window;
    window.show();
    window.FormShow();
    QWidget *f = window.entryTab();
    int n = 0;
    auto fill = [&] {
        ++n;
        control<TZozudExComboBox>(f, "edit41")->setEditText(QStringLiteral("新住户%1").arg(n));
        control<TEntryField>(f, "Edit20")->setFieldText(QStringLiteral("9-%1").arg(n));
        control<TEntryField>(f, "Edit21")->setFieldText(QStringLiteral("150"));
        control<TEntryField>(f, "Edit22")->setFieldText(QStringLiteral("100"));
        control<TEntryField>(f, "Edit30")->setFieldText(QStringLiteral("35"));
        control<TEntryField>(f, "Edit31")->setFieldText(QStringLiteral("20"));
        control<TEntryField>(f, "Edit37")->setFieldText(QStringLiteral("100"));
    };
    const double ms = Bench::medianMs(15, [&] { window.currentReceipts()->SpeedButton1Click(); }, fill);
    if (control<TEntryField>(f, "Edit3")->text() != Serials::SerialText(10000 + 15 + 1))
        std::fprintf(stderr, "bench: saves did not all store (number shown %s)\n",
                     qPrintable(control<TEntryField>(f, "Edit3")->text()));
    Bench::report(QStringLiteral("save-new-10k"), ms);

    // The statements of one save, as bare SQL in one transaction.
    QSqlDatabase db = QSqlDatabase::database(TDemoDM::kConnectionName);
    int m = 0;
    const double bare = Bench::medianMs(15, [&] {
        ++m;
        const QString name = QStringLiteral("裸住户%1").arg(m);
        const QString serial = Serials::SerialText(20000 + m);
        db.transaction();
        QSqlQuery q(db);
        auto run = [&q](const QString &sql, const QVariantList &args) {
            q.prepare(sql);
            for (const QVariant &a : args)
                q.addBindValue(a);
            q.exec();
            while (q.next()) {
            }
        };
        run(QStringLiteral("select * from kdfb where hm = ?"), {name});
        run(QStringLiteral("insert into kdfb(hm,kdf,hzf) values(?,0,100)"), {name});
        run(QStringLiteral("select count(*) from p_orderd where nf='2024' and yf='03' and bhmc=?"), {name});
        run(QStringLiteral("select count(*) from P_ORDERDBAK where nf='2024' and yf='03' and bhmc=?"), {name});
        run(QStringLiteral("select count(*) from hhb where hm=?"), {name});
        run(QStringLiteral("insert into hhb(hh,hm,cmc,hmpy,cmcpy,dd,dds,hhpy) values('9-1',?,'温州',?,'wz',150,35,'91')"),
            {name, PinyinInitials(name)});
        run(QStringLiteral("select count(*) from bciidb where sjxh=? and lbmc='销售单'"), {serial});
        run(QStringLiteral("insert into p_orderd(BILLID,ITEMNO,GOODSID,QTY,PRICE,TAXRATE,DISC,EXEQTY,STOPED,CANCELED,rq,jkdw,sjxh,sppy,Bzsm,zg,kj,skr,cost,pxxh,lbmc,fkzt,cmc,nf,yf,bzsm1,bhmc,bhh,sccjd,bccjd,bl,cjdl,bdl,hbdl,dj,hjdl,cbr,sccjds,bccjds,cjdls,djs,jed,jes,shsld,shsls,qtfy,fzfy)"
                           " values(1,1,1,1,1,1,1,1,1,1,'2024-03-05','1',?,'    ','    ','  ','  ','',156.1,1,'销售单','已付款','温州','2024','03','2024年03月电费',?,'9-1',100,150,1,50,0,0,0.5,0,'',20,35,15,2,25,30,0,0,0,100)"),
            {serial, name});
        run(QStringLiteral("insert into bciidb(sjxh,lbmc) values(?,'销售单')"), {serial});
        run(QStringLiteral("update sjxhb set sjxh=? where lbmc='销售单'"), {20000 + m});
        run(QStringLiteral("select max(sjxh) from sjxhb where lbmc='销售单'"), {});
        run(QStringLiteral("update p_orderd set pxxh = r.k from (select iid, row_number() over (order by iid) as k from p_orderd) as r"
                           " where p_orderd.iid = r.iid and p_orderd.pxxh is not r.k"), {});
        db.commit();
        run(QStringLiteral("select * from P_OrderD order by iid desc limit 256"), {});
        run(QStringLiteral("select sum(cost) from P_ORDERD"), {});
    });
    Bench::report(QStringLiteral("save-new-10k-bare"), bare);
});

} // namespace
