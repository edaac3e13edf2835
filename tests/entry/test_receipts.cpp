// Saving, loading, modifying and deleting current receipts, typed and
// clicked as an operator does on the entry tab.
#include "settings/global.h"
#include "app/orderform.h"
#include "common/gridmodel.h"
#include "data/demodm.h"
#include "data/serials.h"
#include "entry/currentreceipts.h"
#include "entry/entryfield.h"
#include "entry/entrytab.h"
#include "entry/zozudexcombobox.h"
#include "history/historytab.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "testdatabase.h"
#include "text/datetext.h"
#include "controls.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QTest>
#include <functional>
#include <memory>

namespace {

struct Fixture
{
    ScratchDir dir;
    std::unique_ptr<TGlobal> global;
    std::unique_ptr<TDemoDM> dm;
    std::unique_ptr<TOrderForm> window;
    RecordingDialogs dialogs;

    Fixture()
    {
        DateText::setToday(QDate(2024, 3, 5));
        global = std::make_unique<TGlobal>(dir.file("mtrfee.ini"));
        global->str_dj = QStringLiteral("0.5");
        global->str_djs = QStringLiteral("2");
        dm = std::make_unique<TDemoDM>();
        window = std::make_unique<TOrderForm>();
        window->FormShow(); // no login dialog in tests: it opens the database and fills the form
    }
    ~Fixture()
    {
        window.reset();
        dm.reset();
        global.reset();
        DateText::setToday(QDate());
    }
    QWidget *f() const { return window->entryTab(); }
    TCurrentReceipts *receipts() const { return window->currentReceipts(); }

    // Types a household and its readings; the prices come from the settings.
    void fill(const QString &name, const QString &hh, const QString &e1, const QString &e0, const QString &w1,
              const QString &w0, const QString &rent = QStringLiteral("100"))
    {
        control<TZozudExComboBox>(f(), "edit41")->setEditText(name);
        control<TEntryField>(f(), "Edit20")->setFieldText(hh);
        type(control<TEntryField>(f(), "Edit21"), e1);
        type(control<TEntryField>(f(), "Edit22"), e0);
        type(control<TEntryField>(f(), "Edit30"), w1);
        type(control<TEntryField>(f(), "Edit31"), w0);
        type(control<TEntryField>(f(), "Edit37"), rent);
    }
    static void type(TEntryField *field, const QString &text)
    {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }
    // Every field of a receipt, losses and other fees too.
    void fillEveryField(const QString &price)
    {
        control<QComboBox>(f(), "cbskr")->setEditText(QStringLiteral("管理员"));
        control<QComboBox>(f(), "cbcbr")->setEditText(QStringLiteral("李四"));
        fill(QStringLiteral("张三"), QStringLiteral("3-201"), "150", "100", "35", "20", "80");
        type(control<TEntryField>(f(), "Edit8"), QStringLiteral("2.5"));
        type(control<TEntryField>(f(), "Edit24"), QStringLiteral("1.5"));
        type(control<TEntryField>(f(), "Edit36"), QStringLiteral("7"));
        control<TEntryField>(f(), "Edit28")->setFieldText(price);
        control<TEntryField>(f(), "Edit33")->setFieldText(QStringLiteral("3"));
    }
    void save() { receipts()->SpeedButton1Click(); }

    qint64 count(const QString &sql) const
    {
        TNamedQuery &q = DemoDM().qcx;
        q.close();
        q.clearSql();
        q.addSql(QStringLiteral("select (%1) as v").arg(sql));
        q.open();
        const qint64 n = q.value(QStringLiteral("v")).toLongLong();
        q.close();
        return n;
    }
    QVariant value(const QString &sql) const
    {
        TNamedQuery &q = DemoDM().qcx;
        q.close();
        q.clearSql();
        q.addSql(sql);
        q.open();
        const QVariant v = q.isEmpty() ? QVariant() : q.value(QStringLiteral("v"));
        q.close();
        return v;
    }
    void exec(const QString &sql) const
    {
        TNamedQuery &q = DemoDM().qup;
        q.close();
        q.clearSql();
        q.addSql(sql);
        q.exec();
    }
    // Every row of the tables a save, modification or deletion writes, as
    // one text: equal texts, equal data.
    QString snapshot() const
    {
        return TestSql::snapshot({"P_ORDERD", "p_orderd_del", "bciidb", "sjxhb", "hhb", "kdfb"});
    }
    // A fault at one statement: a trigger that fails it ("" for none).
    void injectFault(const QString &when) const
    {
        exec(QStringLiteral("create trigger injected_fault %1 begin select raise(abort, 'injected fault'); end").arg(when));
    }
    void removeFault() const { exec(QStringLiteral("drop trigger if exists injected_fault")); }
    // Runs `operation` with the fault in place: a trigger (see injectFault),
    // or another connection's transaction ("locked: read" blocks the
    // commit, "locked: write" the begin).
    void withFault(const QString &fault, const std::function<void()> &operation) const;

    // What the entry form shows, field by field.
    QString formTexts() const
    {
        QStringList texts;
        for (QLineEdit *e : window->entryTab()->findChildren<QLineEdit *>())
            texts << e->objectName() + QLatin1Char('=') + e->text();
        return texts.join(QLatin1Char('\n'));
    }

    void selectListRow(int row) const
    {
        QTableView *grid = control<QTableView>(f(), "OrderDDbg");
        grid->setCurrentIndex(grid->model()->index(row, 0));
    }
    int listRowOf(const QString &sjxh) const
    {
        auto *m = receipts()->listModel();
        for (int r = 0; r < m->rowCount(); ++r)
            if (m->fieldValue(r, QStringLiteral("sjxh")).toString() == sjxh)
                return r;
        return -1;
    }
};

// A second connection that holds a transaction on the database file. A
// read transaction makes the program's commit fail with "database is
// locked", a write transaction its begin (each after the driver's busy wait).
class Locker
{
public:
    explicit Locker(bool write)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
        db.setDatabaseName(TDemoDM::databasePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        if (!db.open())
            qFatal("reader cannot open the database");
        QSqlQuery q(db);
        q.exec(write ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
        q.exec(QStringLiteral("select count(*) from sqlite_master"));
        q.next();
    }
    ~Locker()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(kName);
            QSqlQuery q(db);
            q.exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
        QSqlDatabase::removeDatabase(kName);
    }

private:
    static inline const QString kName = QStringLiteral("locker");
};

void Fixture::withFault(const QString &fault, const std::function<void()> &operation) const
{
    std::unique_ptr<Locker> locker;
    if (fault.startsWith(QLatin1String("locked: ")))
        locker = std::make_unique<Locker>(fault.endsWith(QLatin1String("write")));
    else
        injectFault(fault);
    operation();
    removeFault();
}

} // namespace

class ReceiptsTest : public QObject
{
    Q_OBJECT

private slots:
    void startupStateOnFirstRun()
    {
        ScratchDir dir;
        DateText::setToday(QDate(2024, 1, 5));
        TGlobal global(dir.file("mtrfee.ini"));
        TDemoDM dm;
        RecordingDialogs dlg;
        TOrderForm window;
        window.FormShow();
        QWidget *f = window.entryTab();
        QCOMPARE(dlg.texts(), QStringList());
        QCOMPARE(control<TEntryField>(f, "Edit4")->text(), QStringLiteral("2024"));
        QCOMPARE(control<QComboBox>(f, "cbyf")->currentText(), QStringLiteral("01"));
        QCOMPARE(control<TEntryField>(f, "Edit1")->text(), QStringLiteral("2024-01-05"));
        QCOMPARE(control<TEntryField>(f, "Edit3")->text(), QStringLiteral("00000001"));
        QCOMPARE(control<TEntryField>(f, "Edit28")->text(), QStringLiteral("0"));
        QCOMPARE(control<TEntryField>(f, "Edit33")->text(), QStringLiteral("0"));
        QCOMPARE(control<QComboBox>(f, "cbskr")->currentText(), QString());
        QCOMPARE(control<QComboBox>(f, "cbcbr")->currentText(), QString());
        QCOMPARE(control<QComboBox>(f, "cbskr")->count(), 1);                    // the first employee is a payee
        QCOMPARE(control<QComboBox>(f, "cbcbr")->count(), 0);
        QCOMPARE(control<TEntryField>(f, "Edit35")->text(), QStringLiteral("0.00"));
        QCOMPARE(control<QLineEdit>(f, "Edit9")->text(), QString());
        for (TEntryField *e :
             {control<TEntryField>(f, "Edit21"), control<TEntryField>(f, "Edit22"), control<TEntryField>(f, "Edit8"),
              control<TEntryField>(f, "Edit27"), control<TEntryField>(f, "Edit29"), control<TEntryField>(f, "Edit30"),
              control<TEntryField>(f, "Edit31"), control<TEntryField>(f, "Edit24"), control<TEntryField>(f, "Edit32"),
              control<TEntryField>(f, "Edit34"), control<TEntryField>(f, "Edit36"), control<TEntryField>(f, "Edit37")})
            QCOMPARE(e->text(), QStringLiteral("0"));
        QCOMPARE(control<TEntryField>(f, "Edit20")->text(), QString());
        QCOMPARE(control<TZozudExComboBox>(f, "edit41")->currentText(), QString());
        QCOMPARE(control<QComboBox>(f, "cblb")->currentText(), QStringLiteral("销售单"));
        QCOMPARE(control<QComboBox>(f, "cbfk")->currentText(), QStringLiteral("已付款"));
        QCOMPARE(global.strsjlx, QStringLiteral("销售单"));
        QVERIFY(control<QPushButton>(f, "SpeedButton1")->isEnabled());
        QVERIFY(!control<QPushButton>(f, "SpeedButton4")->isEnabled());
        QCOMPARE(window.windowTitle(), TOrderForm::kProductTitle);
        // The history range: the twenty days before, across the new year.
        QCOMPARE(window.historyTab()->findChild<QLineEdit *>(QStringLiteral("Edit17"))->text(), QStringLiteral("2023-12-16"));
        QCOMPARE(window.historyTab()->findChild<QLineEdit *>(QStringLiteral("Edit18"))->text(), QStringLiteral("2024-01-05"));
        DateText::setToday(QDate());
    }

    void startupListsAndRememberedValues()
    {
        ScratchDir dir;
        {
            QFile ini(dir.file("mtrfee.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Judge]\nstr_skr=\xD5\xC5\xC8\xFD\nstr_cbr=\xC0\xEE\xCB\xC4\nstr_dj=0.5\nstr_djs=2\nstr_bt=T\n");
        }
        TGlobal global(dir.file("mtrfee.ini"));
        TDemoDM dm;
        QVERIFY(dm.open());
        for (const char *row : {"('李四','ls','1','抄表人')", "('王五','ww','1','收款人')", "('赵六','zl','1','抄表人')"})
        {
            TNamedQuery &q = DemoDM().qup;
            q.close();
            q.clearSql();
            q.addSql(QStringLiteral("insert into zgxxb(zgxm,py,mm,bz) values %1").arg(QString::fromUtf8(row)));
            q.exec();
        }
        RecordingDialogs dlg;
        TOrderForm window;
        window.FormShow();
        QWidget *f = window.entryTab();
        QCOMPARE(dlg.count(), 0);
        QStringList payees, readers;
        for (int i = 0; i < control<QComboBox>(f, "cbskr")->count(); ++i)
            payees << control<QComboBox>(f, "cbskr")->itemText(i);
        for (int i = 0; i < control<QComboBox>(f, "cbcbr")->count(); ++i)
            readers << control<QComboBox>(f, "cbcbr")->itemText(i);
        QCOMPARE(payees, (QStringList{"管理员", "王五"}));
        QCOMPARE(readers, (QStringList{"李四", "赵六"}));
        QCOMPARE(control<QComboBox>(f, "cbskr")->currentText(),
                 QStringLiteral("张三"));   // remembered, though not in the list
        QCOMPARE(control<QComboBox>(f, "cbcbr")->currentText(), QStringLiteral("李四"));
        QCOMPARE(control<TEntryField>(f, "Edit28")->text(), QStringLiteral("0.5"));
        QCOMPARE(control<TEntryField>(f, "Edit33")->text(), QStringLiteral("2"));
        QCOMPARE(control<QLineEdit>(f, "Edit14")->text(), QStringLiteral("T"));
    }

    void priceThatIsNotANumberStopsAtTheLastStep()
    {
        ScratchDir dir;
        {
            QFile ini(dir.file("mtrfee.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Judge]\nstr_dj=0.5\nstr_djs=abc\n");
        }
        TGlobal global(dir.file("mtrfee.ini"));
        TDemoDM dm;
        RecordingDialogs dlg;
        TOrderForm window;
        window.FormShow();
        QCOMPARE(dlg.texts(Dialogs::Kind::Error).size(), 1);
        QVERIFY(dlg.texts(Dialogs::Kind::Error).first().contains(QStringLiteral("abc")));
        QWidget *f = window.entryTab();
        QCOMPARE(control<TEntryField>(f, "Edit28")->text(), QStringLiteral("0.5"));  // the step before it ran
        QCOMPARE(control<TEntryField>(f, "Edit33")->text(), QStringLiteral("abc"));
        QVERIFY(window.isEnabled());
    }

    void firstSaveOnFreshDatabase()
    {
        Fixture t;
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000001"));
        control<QComboBox>(t.f(), "cbskr")->setEditText(QStringLiteral("管理员"));
        control<QComboBox>(t.f(), "cbcbr")->setEditText(QStringLiteral("李四"));
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "150", "100", "35", "20");
        Fixture::type(control<TEntryField>(t.f(), "Edit8"), QStringLiteral("2.25"));
        t.save();
        QCOMPARE(t.dialogs.texts(), QStringList());

        QCOMPARE(t.count("select count(*) from P_ORDERD"), 1);
        QCOMPARE(t.value("select sjxh as v from P_ORDERD").toString(), QStringLiteral("00000001"));
        QCOMPARE(t.value("select cjdl as v from P_ORDERD").toDouble(), 52.2);
        QCOMPARE(t.value("select jed as v from P_ORDERD").toDouble(), 26.1);
        QCOMPARE(t.value("select jes as v from P_ORDERD").toDouble(), 30.0);
        QCOMPARE(t.value("select cost as v from P_ORDERD").toDouble(), 156.1);
        QCOMPARE(t.value("select rq as v from P_ORDERD").toString(), QStringLiteral("2024-03-05"));
        QCOMPARE(t.value("select bzsm1 as v from P_ORDERD").toString(), QStringLiteral("2024年03月电费"));
        QCOMPARE(t.value("select cmc as v from P_ORDERD").toString(), QStringLiteral("温州"));
        QCOMPARE(t.value("select skr || '/' || cbr || '/' || fkzt || '/' || lbmc as v from P_ORDERD").toString(),
                 QStringLiteral("管理员/李四/已付款/销售单"));
        QCOMPARE(t.value("select pxxh as v from P_ORDERD").toInt(), 1);
        QCOMPARE(t.count("select count(*) from bciidb where sjxh='00000001' and lbmc='销售单'"), 1);
        QCOMPARE(t.count("select sjxh from sjxhb where lbmc='销售单'"), 1);
        QCOMPARE(t.value("select hh || '/' || hmpy || '/' || cmc || '/' || cmcpy || '/' || dd || '/' || dds as v from hhb where hm='张三'").toString(),
                 QStringLiteral("3-201/zs/温州/wz/150.0/35.0"));
        QCOMPARE(t.value("select kdf || '/' || hzf as v from kdfb where hm='张三'").toString(), QStringLiteral("0.0/100.0"));
        QVERIFY(QFile::exists(t.dir.file("mtrfee.ini")));
        QCOMPARE(t.global->str_skr, QStringLiteral("管理员"));
        QCOMPARE(t.global->str_cbr, QStringLiteral("李四"));

        // The form is ready for the next household of the same month.
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000002"));
        QCOMPARE(control<TZozudExComboBox>(t.f(), "edit41")->currentText(), QString());
        QCOMPARE(control<TEntryField>(t.f(), "Edit20")->text(), QString());
        QCOMPARE(control<TEntryField>(t.f(), "Edit21")->text(), QStringLiteral("0"));
        QCOMPARE(control<TEntryField>(t.f(), "Edit35")->text(), QStringLiteral("0.00"));
        QCOMPARE(control<TEntryField>(t.f(), "Edit1")->text(), QStringLiteral("2024-03-05"));
        QCOMPARE(control<QComboBox>(t.f(), "cbyf")->currentText(), QStringLiteral("03"));
        QCOMPARE(control<QComboBox>(t.f(), "cbcbr")->currentText(), QStringLiteral("李四"));
        QCOMPARE(control<TEntryField>(t.f(), "Edit28")->text(), QStringLiteral("0.5"));
        QCOMPARE(t.receipts()->listModel()->rowCount(), 1);
        QCOMPARE(control<QLabel>(t.f(), "OrderDDbgFooter")->text(), QStringLiteral("156.10"));

        // A run: the next household needs only its name and readings.
        t.fill(QStringLiteral("李四"), QString(), "80", "20", "10", "5", "0");
        t.dialogs.answer(true); // rent 0: save anyway
        t.save();
        QCOMPARE(t.dialogs.texts(), QStringList{QStringLiteral("房租为零，您确定要保存吗？")});
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 2);
        QCOMPARE(t.value("select bhh as v from P_ORDERD where bhmc='李四'").toString(), QString());
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000003"));
        // Newest first, numbered in entry order.
        QCOMPARE(t.receipts()->listModel()->fieldValue(0, QStringLiteral("bhmc")).toString(), QStringLiteral("李四"));
        QCOMPARE(t.receipts()->listModel()->fieldValue(0, QStringLiteral("pxxh")).toInt(), 2);
    }

    void checksInOrder_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("no date") << "Edit1" << "" << "单据日期不能为空！";
        QTest::newRow("no name") << "edit41" << "" << "户名信息填写不完整！";
        QTest::newRow("bad date") << "Edit1" << "2024-02-30" << "日期格式不对！";
        QTest::newRow("negative electricity") << "Edit22" << "200" << "用量为负数不能保存";
        QTest::newRow("negative water") << "Edit31" << "99" << "用量为负数不能保存";
        QTest::newRow("month length") << "cbyf" << "3" << "电费月份格式不对长度应为2位比如01";
        QTest::newRow("year length") << "Edit4" << "24" << "电费年份格式不对长度应为4位比如2011";
    }
    void checksInOrder()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        Fixture t;
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "150", "100", "35", "20");
        QWidget *w = t.window->entryTab()->findChild<QWidget *>(field);
        QVERIFY(w);
        if (auto *e = qobject_cast<TEntryField *>(w))
            e->setFieldText(text);
        else if (auto *c = qobject_cast<QComboBox *>(w))
            c->setEditText(text);
        t.save();
        QCOMPARE(t.dialogs.texts(), QStringList{message});
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 0);
        QCOMPARE(t.count("select count(*) from kdfb"), 0);
        QCOMPARE(t.count("select count(*) from hhb"), 0);
        QVERIFY(!QFile::exists(t.dir.file("mtrfee.ini")));
    }

    void duplicatesAreRefusedAfterRememberingFees()
    {
        Fixture t;
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "150", "100", "35", "20");
        t.save();
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 1);

        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "160", "150", "40", "35", "120");
        t.save();
        QCOMPARE(t.dialogs.last(), QStringLiteral("该用户的的电费数据，在本月已经录入了，请在列表框中找到此用户，双击可直接修改！"));
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 1);
        QCOMPARE(t.value("select hzf as v from kdfb where hm='张三'").toDouble(), 120.0);   // remembered anyway
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000002"));

        // The same household and month in the history.
        t.exec(QStringLiteral("insert into P_ORDERDBAK select * from P_ORDERD"));
        t.exec(QStringLiteral("delete from P_ORDERD"));
        Fixture::type(control<TEntryField>(t.f(), "Edit37"), QStringLiteral("130"));
        t.save();
        QCOMPARE(t.dialogs.last(), QStringLiteral("历史数据表中已经存在此用户本月的记录了，请到历史单据查询界面，先删除本月用户记录,再重新录入！"));
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 0);
        QCOMPARE(t.value("select hzf as v from kdfb where hm='张三'").toDouble(), 130.0);
    }

    void zeroRentQuestion()
    {
        Fixture t;
        t.fill(QStringLiteral("张三"), QString(), "150", "100", "35", "20", "");
        t.dialogs.answer(false);
        t.save();
        QCOMPARE(t.dialogs.texts(), QStringList{QStringLiteral("房租为零，您确定要保存吗？")});
        QCOMPARE(control<TEntryField>(t.f(), "Edit37")->text(), QStringLiteral("0"));
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 0);
        QCOMPARE(t.count("select count(*) from kdfb"), 0);
        t.dialogs.answer(true);
        t.save();
        QCOMPARE(t.count("select count(*) from P_ORDERD where fzfy = 0"), 1);
    }

    void loadChangeAndStore()
    {
        Fixture t;
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "150", "100", "35", "20");
        t.save();
        t.fill(QStringLiteral("李四"), QStringLiteral("3-202"), "90", "50", "15", "10");
        t.save();
        // A stored usage that does not fit the readings is recomputed on load.
        t.exec(QStringLiteral("update P_ORDERD set cjdl = 999, jed = 1 where bhmc = '张三'"));
        t.receipts()->OpenCurrentReceipts();
        t.selectListRow(t.listRowOf(QStringLiteral("00000001")));
        t.receipts()->OrderDDbgDblClick();
        QVERIFY(t.receipts()->loadedMode());
        QVERIFY(!control<QPushButton>(t.f(), "SpeedButton1")->isEnabled());
        QVERIFY(control<QPushButton>(t.f(), "SpeedButton4")->isEnabled());
        QCOMPARE(control<TZozudExComboBox>(t.f(), "edit41")->currentText(), QStringLiteral("张三"));
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000001"));
        QCOMPARE(control<TEntryField>(t.f(), "Edit27")->text(), QStringLiteral("50"));
        QCOMPARE(control<TEntryField>(t.f(), "Edit29")->text(), QStringLiteral("25.00"));
        QCOMPARE(control<TEntryField>(t.f(), "Edit35")->text(), QStringLiteral("155.00"));

        DateText::setToday(QDate(2024, 4, 2));
        Fixture::type(control<TEntryField>(t.f(), "Edit21"), QStringLiteral("170"));
        control<QPushButton>(t.f(), "SpeedButton4")->click();
        QCOMPARE(t.dialogs.texts(), QStringList());
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 2);
        QCOMPARE(t.value("select cjdl as v from P_ORDERD where sjxh='00000001'").toDouble(), 70.0);
        QCOMPARE(t.value("select jed as v from P_ORDERD where sjxh='00000001'").toDouble(), 35.0);
        QCOMPARE(t.value("select cost as v from P_ORDERD where sjxh='00000001'").toDouble(), 165.0);
        QCOMPARE(t.value("select dd as v from hhb where hm='张三'").toDouble(), 170.0);
        QCOMPARE(t.count("select count(*) from bciidb"), 2);            // nothing issued by a modification
        // The form is a new receipt again, dated today, with the next number.
        QVERIFY(!t.receipts()->loadedMode());
        QCOMPARE(control<TEntryField>(t.f(), "Edit1")->text(), QStringLiteral("2024-04-02"));
        QCOMPARE(control<QComboBox>(t.f(), "cbyf")->currentText(), QStringLiteral("04"));
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000003"));
        QCOMPARE(control<TZozudExComboBox>(t.f(), "edit41")->currentText(), QString());
    }

    void deleteKeepsCopyLeavesGapAndResetsReadings()
    {
        Fixture t;
        t.fill(QStringLiteral("甲"), QStringLiteral("1-1"), "10", "0", "1", "0");
        t.save();
        t.fill(QStringLiteral("乙"), QStringLiteral("1-2"), "10", "0", "1", "0");
        t.save();
        t.fill(QStringLiteral("丙"), QString(), "10", "0", "1", "0");
        t.save();
        t.fill(QStringLiteral("丁"), QString(), "10", "0", "1", "0");
        t.save();
        // Another household without a number must keep its readings.
        QCOMPARE(t.value("select dd as v from hhb where hm='丁'").toDouble(), 10.0);

        t.selectListRow(t.listRowOf(QStringLiteral("00000002")));
        t.dialogs.answer(false);
        t.receipts()->SpeedButton3Click();
        QCOMPARE(t.dialogs.last(), QStringLiteral("您确定要删除单据号为：00000002的数据吗？"));
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 4);

        t.dialogs.answer(true);
        t.receipts()->SpeedButton3Click();
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 3);
        QCOMPARE(t.count("select count(*) from p_orderd_del where sjxh='00000002' and bhmc='乙'"), 1);
        QCOMPARE(t.value("select group_concat(pxxh) as v from (select pxxh from P_ORDERD order by iid)").toString(), QStringLiteral("1,3,4"));
        QCOMPARE(t.value("select dd as v from hhb where hm='乙'").toDouble(), 0.0);
        QCOMPARE(t.value("select dd as v from hhb where hm='甲'").toDouble(), 10.0);

        // A household without a number is reset by its name alone.
        t.selectListRow(t.listRowOf(QStringLiteral("00000003")));
        t.receipts()->SpeedButton3Click();
        QCOMPARE(t.value("select dd as v from hhb where hm='丙'").toDouble(), 0.0);
        QCOMPARE(t.value("select dd as v from hhb where hm='丁'").toDouble(), 10.0);

        // The number is never offered again; the next save renumbers.
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000005"));
        t.fill(QStringLiteral("戊"), QString(), "10", "0", "1", "0");
        t.save();
        QCOMPARE(t.value("select group_concat(pxxh) as v from (select pxxh from P_ORDERD order by iid)").toString(), QStringLiteral("1,2,3"));
    }

    void ctrlDeleteRemovesTheRowAlone()
    {
        Fixture t;
        t.fill(QStringLiteral("甲"), QStringLiteral("1-1"), "10", "0", "1", "0");
        t.save();
        t.selectListRow(0);
        t.dialogs.answer(true);
        QTest::keyClick(control<QTableView>(t.f(), "OrderDDbg"), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(t.dialogs.texts(), QStringList{QStringLiteral("Delete record?")});
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 0);
        QCOMPARE(t.count("select count(*) from p_orderd_del"), 0);           // no copy
        QCOMPARE(t.value("select dd as v from hhb where hm='甲'").toDouble(), 10.0); // no reset
        QCOMPARE(t.receipts()->listModel()->rowCount(), 0);
    }

    void issuedNumberIsNeverReused()
    {
        Fixture t;
        // A number in the register that the counter does not know of.
        t.exec(QStringLiteral("insert into P_ORDERD(sjxh, lbmc, bhmc, nf, yf) values('00000001', '销售单', '旧', '2023', '01')"));
        t.exec(QStringLiteral("insert into bciidb(sjxh, lbmc) values('00000001', '销售单')"));
        t.fill(QStringLiteral("张三"), QString(), "150", "100", "35", "20");
        t.save();
        QCOMPARE(t.count("select count(*) from P_ORDERD where sjxh='00000001'"), 1);
        QCOMPARE(t.value("select bhmc as v from P_ORDERD where sjxh='00000001'").toString(), QStringLiteral("旧"));
        QCOMPARE(t.value("select sjxh as v from P_ORDERD where bhmc='张三'").toString(), QStringLiteral("00000002"));
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000003"));
    }

    void modificationOfUnregisteredNumberRegistersIt()
    {
        Fixture t;
        t.exec(QStringLiteral("insert into P_ORDERD(sjxh, lbmc, bhmc, nf, yf, rq, bccjd, sccjd, bccjds, sccjds, dj, djs, qtfy, fzfy, shsld, shsls, fkzt)"
                              " values('00000007', '销售单', '旧', '2024', '03', '2024-03-01', 10, 0, 1, 0, 1, 1, 0, 5, 0, 0, '已付款')"));
        t.receipts()->OpenCurrentReceipts();
        t.selectListRow(0);
        t.receipts()->OrderDDbgDblClick();
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000007"));
        t.receipts()->SpeedButton4Click();
        QCOMPARE(t.dialogs.texts().join('|'), QString());
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 1);
        QCOMPARE(t.count("select count(*) from bciidb where sjxh='00000007'"), 1);
        QCOMPARE(Serials::NextReceiptSerial(DemoDM(), QStringLiteral("销售单")), QStringLiteral("00000008"));
    }

    void stoppedDirectPrintStoresNoReceipt()
    {
        Fixture t;
        t.global->strdyf = QStringLiteral("Y");
        int prints = 0;
        t.receipts()->services().printReceipt = [&prints] {
            ++prints;
            return false; // the print stopped (no spreadsheet application, a failed check)
        };
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "150", "100", "35", "20");
        t.save();
        QCOMPARE(prints, 1);
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 0);
        QCOMPARE(t.count("select count(*) from bciidb"), 0);
        // What came before the print stays, as after a refused duplicate.
        QCOMPARE(t.count("select count(*) from kdfb where hm='张三'"), 1);
        QCOMPARE(t.count("select count(*) from hhb where hm='张三'"), 1);
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000001"));
        QCOMPARE(control<TZozudExComboBox>(t.f(), "edit41")->currentText(), QStringLiteral("张三"));

        // A lower-case y is not "Y": no print.
        t.global->strdyf = QStringLiteral("y");
        t.save();
        QCOMPARE(prints, 1);
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 1);
    }

    void failingSaveStoresNothing()
    {
        Fixture t;
        t.exec(QStringLiteral("create trigger fail_issue before insert on bciidb begin select raise(abort, 'injected failure'); end"));
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "150", "100", "35", "20");
        t.save();
        QCOMPARE(t.dialogs.texts(Dialogs::Kind::Error).size(), 1);
        QVERIFY(t.dialogs.texts(Dialogs::Kind::Error).first().contains(QStringLiteral("injected failure")));
        for (const char *table : {"P_ORDERD", "bciidb", "hhb", "kdfb"})
            QCOMPARE(t.count(QStringLiteral("select count(*) from %1").arg(QLatin1String(table))), 0);
        QCOMPARE(t.count("select sjxh from sjxhb"), 0);
        QCOMPARE(control<TZozudExComboBox>(t.f(), "edit41")->currentText(),
                 QStringLiteral("张三"));   // the form keeps what was typed
        t.exec(QStringLiteral("drop trigger fail_issue"));
        t.save();
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 1);
    }

    void failingModificationAndDeletionChangeNothing()
    {
        Fixture t;
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "150", "100", "35", "20");
        t.save();
        t.selectListRow(0);
        t.receipts()->OrderDDbgDblClick();
        Fixture::type(control<TEntryField>(t.f(), "Edit21"), QStringLiteral("170"));
        t.exec(QStringLiteral("create trigger fail_update before update on P_ORDERD begin select raise(abort, 'injected failure'); end"));
        t.receipts()->SpeedButton4Click();
        QCOMPARE(t.dialogs.texts(Dialogs::Kind::Error).size(), 1);
        QCOMPARE(t.value("select bccjd as v from P_ORDERD").toDouble(), 150.0);
        QCOMPARE(t.value("select dd as v from hhb where hm='张三'").toDouble(), 150.0);   // the household update went back too
        QVERIFY(t.receipts()->loadedMode());
        t.exec(QStringLiteral("drop trigger fail_update"));

        t.exec(QStringLiteral("create trigger fail_delete before delete on P_ORDERD begin select raise(abort, 'injected failure'); end"));
        t.selectListRow(0);
        t.receipts()->SpeedButton3Click();
        QCOMPARE(t.dialogs.texts(Dialogs::Kind::Error).size(), 2);
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 1);
        QCOMPARE(t.count("select count(*) from p_orderd_del"), 0);
    }

    // A fault at any statement of a new save (or at its commit) stores
    // nothing and leaves the form as typed, with the number it showed; the
    // retry stores exactly that receipt under that number.
    void faultInNewSaveThenRetry_data()
    {
        QTest::addColumn<QString>("household");
        QTest::addColumn<QString>("fault");
        const QString known = QStringLiteral("张三");   // has a receipt of February
        const QString newcomer = QStringLiteral("李四");
        QTest::newRow("remembered fees, new") << newcomer << "before insert on kdfb";
        QTest::newRow("remembered fees, update") << known << "before update on kdfb";
        QTest::newRow("household, new") << newcomer << "before insert on hhb";
        QTest::newRow("household, update") << known << "before update on hhb";
        QTest::newRow("receipt") << known << "before insert on P_ORDERD";
        QTest::newRow("register") << known << "before insert on bciidb";
        QTest::newRow("counter") << known << "before update on sjxhb";
        QTest::newRow("renumbering") << known << "before update of pxxh on P_ORDERD";
        QTest::newRow("begin: database locked") << known << "locked: write";
        QTest::newRow("commit: database locked") << known << "locked: read";
    }
    void faultInNewSaveThenRetry()
    {
        QFETCH(QString, household);
        QFETCH(QString, fault);
        Fixture t;
        control<QComboBox>(t.f(), "cbyf")->setEditText(QStringLiteral("02"));
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "100", "50", "20", "10");
        t.save();
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000002"));
        control<QComboBox>(t.f(), "cbyf")->setEditText(QStringLiteral("03"));
        t.fill(household, QStringLiteral("3-202"), "150", "100", "35", "20", "80");
        // The save recomputes and sets the community: the form as it
        // stands after that is what must stay.
        control<QPushButton>(t.f(), "BitBtn2")->click();
        control<TZozudExComboBox>(t.f(), "edit2")->setEditText(QStringLiteral("温州"));
        const QString before = t.snapshot();
        const QString typed = t.formTexts();
        t.withFault(fault, [&] {
        t.save();
        });
        QCOMPARE(t.dialogs.texts(Dialogs::Kind::Error).size(), 1);
        QCOMPARE(t.snapshot(), before);
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000002"));
        QCOMPARE(t.formTexts(), typed);
        QVERIFY(!t.receipts()->loadedMode());

        t.save();
        QCOMPARE(t.dialogs.texts(Dialogs::Kind::Error).size(), 1);   // no further error
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 2);
        QCOMPARE(t.value("select bhmc || '/' || bhh || '/' || bccjd || '/' || sccjd || '/' || bccjds || '/' || fzfy || '/' || cost || '/' || pxxh as v"
                         " from P_ORDERD where sjxh='00000002'").toString(),
                 household + QStringLiteral("/3-202/150.0/100.0/35.0/80.0/135.0/2"));
        QCOMPARE(t.count("select count(*) from bciidb"), 2);
        QCOMPARE(t.count("select sjxh from sjxhb"), 2);
        QCOMPARE(t.value("select dd as v from hhb where hm='" + household + "'").toDouble(), 150.0);
        QCOMPARE(t.value("select hzf as v from kdfb where hm='" + household + "'").toDouble(), 80.0);
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000003"));
    }

    // The same for a modification: after the fault the loaded receipt stays
    // on the form with its own number, and storing again stores the change.
    void faultInModificationThenRetry_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("remembered fees") << "before update on kdfb";
        QTest::newRow("household") << "before update on hhb";
        QTest::newRow("receipt") << "before update of bccjd on P_ORDERD";
        QTest::newRow("renumbering") << "before update of pxxh on P_ORDERD";
        QTest::newRow("begin: database locked") << "locked: write";
        QTest::newRow("commit: database locked") << "locked: read";
    }
    void faultInModificationThenRetry()
    {
        QFETCH(QString, fault);
        Fixture t;
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "150", "100", "35", "20");
        t.save();
        t.fill(QStringLiteral("李四"), QStringLiteral("3-202"), "90", "50", "15", "10");
        t.save();
        t.fill(QStringLiteral("王五"), QStringLiteral("3-203"), "90", "50", "15", "10");
        t.save();
        // A gap in the sort index, so that the renumbering has a row to write.
        t.exec(QStringLiteral("delete from P_ORDERD where sjxh='00000002'"));
        t.receipts()->OpenCurrentReceipts();
        t.selectListRow(t.listRowOf(QStringLiteral("00000001")));
        t.receipts()->OrderDDbgDblClick();
        QVERIFY(t.receipts()->loadedMode());
        Fixture::type(control<TEntryField>(t.f(), "Edit21"), QStringLiteral("170"));
        Fixture::type(control<TEntryField>(t.f(), "Edit37"), QStringLiteral("120"));
        // The save recomputes and sets the community: the form as it
        // stands after that is what must stay.
        control<QPushButton>(t.f(), "BitBtn2")->click();
        control<TZozudExComboBox>(t.f(), "edit2")->setEditText(QStringLiteral("温州"));
        const QString before = t.snapshot();
        const QString typed = t.formTexts();
        t.withFault(fault, [&] {
        t.receipts()->SpeedButton4Click();
        });
        QCOMPARE(t.dialogs.texts(Dialogs::Kind::Error).size(), 1);
        QCOMPARE(t.snapshot(), before);
        QVERIFY(t.receipts()->loadedMode());
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000001"));
        QCOMPARE(t.formTexts(), typed);

        t.receipts()->SpeedButton4Click();
        QCOMPARE(t.dialogs.texts(Dialogs::Kind::Error).size(), 1);
        QCOMPARE(t.value("select bccjd || '/' || fzfy || '/' || cost || '/' || pxxh as v from P_ORDERD where sjxh='00000001'").toString(),
                 QStringLiteral("170.0/120.0/185.0/1"));
        QCOMPARE(t.value("select pxxh as v from P_ORDERD where sjxh='00000003'").toInt(), 2);
        QCOMPARE(t.value("select dd as v from hhb where hm='张三'").toDouble(), 170.0);
        QCOMPARE(t.value("select hzf as v from kdfb where hm='张三'").toDouble(), 120.0);
        QCOMPARE(t.count("select count(*) from bciidb"), 3);
        QVERIFY(!t.receipts()->loadedMode());
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000004"));
    }

    // A receipt that vanished meanwhile: the change is not lost silently.
    void modificationOfVanishedReceiptSaysSo()
    {
        Fixture t;
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "150", "100", "35", "20");
        t.save();
        t.selectListRow(0);
        t.receipts()->OrderDDbgDblClick();
        Fixture::type(control<TEntryField>(t.f(), "Edit21"), QStringLiteral("170"));
        t.exec(QStringLiteral("delete from P_ORDERD"));
        const QString before = t.snapshot();
        t.receipts()->SpeedButton4Click();
        QCOMPARE(t.dialogs.texts(Dialogs::Kind::Error).size(), 1);
        QVERIFY(t.dialogs.texts(Dialogs::Kind::Error).first().contains(QStringLiteral("00000001")));
        QCOMPARE(t.snapshot(), before);   // nor the household's readings
        QVERIFY(t.receipts()->loadedMode());
        QCOMPARE(control<TEntryField>(t.f(), "Edit21")->value(), 170.0);
    }

    // A fault at any statement of a deletion keeps the receipt; the retry
    // deletes it.
    void faultInDeletionThenRetry_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("copy") << "before insert on p_orderd_del";
        QTest::newRow("delete") << "before delete on P_ORDERD";
        QTest::newRow("household readings") << "before update on hhb";
        QTest::newRow("begin: database locked") << "locked: write";
        QTest::newRow("commit: database locked") << "locked: read";
    }
    void faultInDeletionThenRetry()
    {
        QFETCH(QString, fault);
        Fixture t;
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "150", "100", "35", "20");
        t.save();
        t.fill(QStringLiteral("李四"), QStringLiteral("3-202"), "90", "50", "15", "10");
        t.save();
        const QString before = t.snapshot();
        t.dialogs.answer(true);
        t.withFault(fault, [&] {
        t.selectListRow(t.listRowOf(QStringLiteral("00000001")));
        t.receipts()->SpeedButton3Click();
        });
        QCOMPARE(t.dialogs.texts(Dialogs::Kind::Error).size(), 1);
        QCOMPARE(t.snapshot(), before);
        QCOMPARE(t.receipts()->listModel()->rowCount(), 2);

        t.selectListRow(t.listRowOf(QStringLiteral("00000001")));
        t.receipts()->SpeedButton3Click();
        QCOMPARE(t.dialogs.texts(Dialogs::Kind::Error).size(), 1);
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 1);
        QCOMPARE(t.count("select count(*) from p_orderd_del where sjxh='00000001'"), 1);
        QCOMPARE(t.value("select dd as v from hhb where hm='张三'").toDouble(), 0.0);
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000003"));
    }

    // At the last eight-digit number nothing is stored and the message says why.
    void serialNumbersUsedUp_data()
    {
        QTest::addColumn<int>("counter");
        QTest::newRow("counter at the last number") << 99999999;
        QTest::newRow("the last number already taken") << 99999998;
    }
    void serialNumbersUsedUp()
    {
        QFETCH(int, counter);
        Fixture t;
        t.exec(QStringLiteral("delete from sjxhb"));
        t.exec(QStringLiteral("insert into sjxhb(lbmc, sjxh) values('销售单', %1)").arg(counter));
        t.exec(QStringLiteral("insert into bciidb(sjxh, lbmc) values('99999999', '销售单')"));
        t.receipts()->SpeedButton10Click();
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "150", "100", "35", "20");
        const QString before = t.snapshot();
        t.save();
        QCOMPARE(t.dialogs.texts().size(), 1);
        QVERIFY2(t.dialogs.texts().first().startsWith(QStringLiteral("收据序号已用完")), qPrintable(t.dialogs.texts().first()));
        QCOMPARE(t.snapshot(), before);
        QCOMPARE(control<TZozudExComboBox>(t.f(), "edit41")->currentText(), QStringLiteral("张三"));
    }

    // Amounts a money column cannot hold (or that are not finite) are
    // refused with the field named; nothing of the save is kept.
    void amountBeyondTheMoneyColumns_data()
    {
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QString>("rent");
        QTest::addColumn<QString>("named");
        QTest::newRow("price 1e308") << "1" + QString(308, QLatin1Char('0')) << "100" << "100" << "电费单价";
        QTest::newRow("reading of 309 digits") << "0.5" << "1" + QString(308, QLatin1Char('0')) << "100" << "用电金额";
        QTest::newRow("16-digit rent") << "0.5" << "150" << "1" + QString(15, QLatin1Char('0')) << "房租费用";
        QTest::newRow("total past 15 digits") << "0.5" << "150" << QString(15, QLatin1Char('9')) << "总金额";
    }
    void amountBeyondTheMoneyColumns()
    {
        QFETCH(QString, price);
        QFETCH(QString, reading);
        QFETCH(QString, rent);
        QFETCH(QString, named);
        Fixture t;
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), reading, "100", "35", "20", rent);
        Fixture::type(control<TEntryField>(t.f(), "Edit28"), price);
        t.dialogs.clear();
        const QString before = t.snapshot();
        t.save();
        const QStringList shown = t.dialogs.texts();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(named), qPrintable(shown.first()));
        QCOMPARE(t.snapshot(), before);
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000001"));
        QCOMPARE(control<TZozudExComboBox>(t.f(), "edit41")->currentText(), QStringLiteral("张三"));
    }

    // Doubling the largest reading overflows: the amount is named, never shown as 0.
    void infiniteAmountIsNamed()
    {
        Fixture t;
        Fixture::type(control<TEntryField>(t.f(), "Edit28"), QStringLiteral("2"));
        t.dialogs.clear();
        Fixture::type(control<TEntryField>(t.f(), "Edit21"), QStringLiteral("1") + QString(308, QLatin1Char('0')));
        QVERIFY(!t.dialogs.texts().isEmpty());
        QVERIFY2(t.dialogs.texts().last().contains(QStringLiteral("用电金额")), qPrintable(t.dialogs.texts().last()));
    }

    // Payee and meter reader go into the settings file, which holds GBK only.
    void payeeOutsideGbkIsRefused_data()
    {
        QTest::addColumn<QString>("combo");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named");
        QTest::newRow("payee emoji") << "cbskr" << QStringLiteral("户😀𠀀") << "收款人";
        QTest::newRow("meter reader in Hangul") << "cbcbr" << QStringLiteral("李김철") << "抄表人";
    }
    void payeeOutsideGbkIsRefused()
    {
        QFETCH(QString, combo);
        QFETCH(QString, text);
        QFETCH(QString, named);
        Fixture t;
        t.global->str_skr = QStringLiteral("管理员");
        auto *box = t.window->entryTab()->findChild<QComboBox *>(combo);
        box->setEditText(text);
        QCOMPARE(t.global->str_skr, QStringLiteral("管理员"));   // not taken into the settings
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "150", "100", "35", "20");
        t.save();
        QCOMPARE(t.dialogs.texts().size(), 1);
        QVERIFY2(t.dialogs.texts().first().contains(named), qPrintable(t.dialogs.texts().first()));
        QVERIFY2(t.dialogs.texts().first().contains(text.right(2)), qPrintable(t.dialogs.texts().first()));
        QCOMPARE(t.count("select count(*) from P_ORDERD"), 0);
        QCOMPARE(t.global->str_skr, QStringLiteral("管理员"));
        QCOMPARE(t.global->str_cbr, QString());
    }

    // The whole form after each operation that sets it back to a start
    // state, from a form on which every field holds something: the start
    // states the list of fields describes, field by field.
    void startStateAfterEachOperation_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QStringList>("expected");
        const QStringList common{
            "Edit20=", "Edit21=0", "Edit22=0", "Edit8=0", "Edit27=0", "Edit28=0.8", "Edit29=0", "Edit30=0",
            "Edit31=0", "Edit24=0", "Edit32=0", "Edit33=3", "Edit34=0", "Edit36=0", "Edit37=0", "Edit35=0.00",
            "edit41=", "edit2=", "cbfk=已付款", "cblb=销售单"};
        QTest::newRow("new save") << "save" << (common + QStringList{"Edit1=2024-03-01", "Edit3=00000002", "Edit4=2024", "cbyf=03", "Edit9=元整", "cbskr=管理员", "cbcbr=李四"});
        QTest::newRow("modification") << "modify" << (common + QStringList{"Edit1=2024-03-05", "Edit3=00000002", "Edit4=2024", "cbyf=03", "Edit9=元整", "cbskr=管理员", "cbcbr=李四"});
        QTest::newRow("deletion") << "delete" << (common + QStringList{"Edit1=2024-03-05", "Edit3=00000002", "Edit4=2024", "cbyf=03", "Edit9=元整", "cbskr=管理员", "cbcbr=李四"});
        QTest::newRow("new receipt") << "new" << (common + QStringList{"Edit1=2024-03-05", "Edit3=00000002", "Edit4=2024", "cbyf=03", "Edit9=元整", "cbskr=管理员", "cbcbr=李四"});
        QTest::newRow("load") << "load" << QStringList{
            "Edit1=2024-03-01", "Edit3=00000001", "Edit4=2024", "Edit20=3-201", "Edit21=150", "Edit22=100", "Edit8=2.5",
            "Edit27=52.5", "Edit28=0.8", "Edit29=42.00", "Edit30=35", "Edit31=20", "Edit24=1.5", "Edit32=16.5", "Edit33=3",
            "Edit34=49.50", "Edit36=7", "Edit37=80", "Edit35=178.50", "Edit9=壹佰柒拾捌元伍角整", "Edit14=", "cbyf=03",
            "edit41=张三", "cbskr=管理员", "cbcbr=李四", "edit2=温州", "cblb=销售单", "cbfk=已付款"};
    }
    void startStateAfterEachOperation()
    {
        QFETCH(QString, operation);
        QFETCH(QStringList, expected);
        Fixture t;
        control<TEntryField>(t.f(), "Edit1")->setFieldText(QStringLiteral("2024-03-01"));
        t.fillEveryField(QStringLiteral("0.8"));
        control<QPushButton>(t.f(), "BitBtn2")->click();
        if (operation == QLatin1String("save")) {
            t.save();
        } else {
            t.save();
            t.selectListRow(0);
            t.receipts()->OrderDDbgDblClick();
            QVERIFY(t.receipts()->loadedMode());
            if (operation == QLatin1String("modify")) {
                Fixture::type(control<TEntryField>(t.f(), "Edit21"), QStringLiteral("170"));
                t.receipts()->SpeedButton4Click();
            } else if (operation == QLatin1String("load")) {
                // the stored receipt, recomputed
            } else if (operation == QLatin1String("delete")) {
                t.dialogs.answer(true);
                t.receipts()->SpeedButton3Click();
            } else {
                t.receipts()->SpeedButton10Click();
            }
        }
        QCOMPARE(t.dialogs.texts(Dialogs::Kind::Error), QStringList());
        QStringList shown;
        for (const QString &e : expected) {
            const QString name = e.section(QLatin1Char('='), 0, 0);
            QWidget *w = t.window->entryTab()->findChild<QWidget *>(name);
            QVERIFY2(w, qPrintable(name));
            if (auto *c = qobject_cast<QComboBox *>(w))
                shown << name + QLatin1Char('=') + c->currentText();
            else
                shown << name + QLatin1Char('=') + qobject_cast<QLineEdit *>(w)->text();
        }
        QCOMPARE(shown, expected);
        QCOMPARE(t.receipts()->loadedMode(), operation == QLatin1String("load"));
        QVERIFY(!t.window->entryTab()->householdPickerActive());
    }

    // Every column a new save and a modification store, as the database
    // holds it (column=value, in table order).
    void storedColumnsOfSaveAndModification()
    {
        Fixture t;
        auto row = [&t] {
            QSqlQuery q(QSqlDatabase::database(TDemoDM::kConnectionName));
            q.exec(QStringLiteral("select * from P_ORDERD"));
            QStringList out;
            while (q.next())
                for (int c = 0; c < q.record().count(); ++c)
                    out << q.record().fieldName(c) + QLatin1Char('=') + q.value(c).toString();
            return out.join(QLatin1Char(' '));
        };
        t.fillEveryField(QStringLiteral("0.8125"));
        t.save();
        QCOMPARE(row(), QStringLiteral(
            "iid=1 BILLID=1 ITEMNO=1 GOODSID=1 QTY=1 PRICE=1 TAXRATE=1 DISC=1 EXEQTY=1 STOPED=1 CANCELED=1 rq=2024-03-05"
            " jkdw=1 sjxh=00000001 sppy=     Bzsm=     zg=   kj=   skr=管理员 cost=179.2 pxxh=1 lbmc=销售单 fkzt=已付款"
            " cmc=温州 nf=2024 yf=03 bzsm1=2024年03月电费 bhmc=张三 bhh=3-201 sccjd=100 bccjd=150 bl=1 cjdl=52.5 bdl=0"
            " hbdl=0 hjdl=0 dj=0.8125 cbr=李四 sccjds=20 bccjds=35 cjdls=16.5 djs=3 jed=42.7 jes=49.5 shsld=2.5 shsls=1.5"
            " qtfy=7 fzfy=80"));

        t.selectListRow(0);
        t.receipts()->OrderDDbgDblClick();
        DateText::setToday(QDate(2024, 4, 2));
        control<TEntryField>(t.f(), "Edit1")->setFieldText(QStringLiteral("2024-03-04"));
        control<QComboBox>(t.f(), "cbskr")->setEditText(QStringLiteral("王五"));
        control<QComboBox>(t.f(), "cbcbr")->setEditText(QStringLiteral("赵六"));
        control<QComboBox>(t.f(), "cbfk")
            ->setCurrentIndex(control<QComboBox>(t.f(), "cbfk")->findText(QStringLiteral("未付款")));
        Fixture::type(control<TEntryField>(t.f(), "Edit21"), QStringLiteral("170"));
        Fixture::type(control<TEntryField>(t.f(), "Edit37"), QStringLiteral("90"));
        control<TEntryField>(t.f(), "Edit4")->setFieldText(QStringLiteral("2023"));
        control<QComboBox>(t.f(), "cbyf")->setEditText(QStringLiteral("12"));
        t.receipts()->SpeedButton4Click();
        QCOMPARE(t.dialogs.texts(Dialogs::Kind::Error), QStringList());
        // The number, the household, the community and the description stay.
        QCOMPARE(row(), QStringLiteral(
            "iid=1 BILLID=1 ITEMNO=1 GOODSID=1 QTY=1 PRICE=1 TAXRATE=1 DISC=1 EXEQTY=1 STOPED=1 CANCELED=1 rq=2024-03-04"
            " jkdw=1 sjxh=00000001 sppy=     Bzsm=     zg=  kj=  skr=王五 cost=205.4 pxxh=1 lbmc=销售单 fkzt=未付款"
            " cmc=温州 nf=2023 yf=12 bzsm1=2024年03月电费 bhmc=张三 bhh=3-201 sccjd=100 bccjd=170 bl=1 cjdl=72.5 bdl=0"
            " hbdl=0 hjdl=0 dj=0.8125 cbr=赵六 sccjds=20 bccjds=35 cjdls=16.5 djs=3 jed=58.9 jes=49.5 shsld=2.5 shsls=1.5"
            " qtfy=7 fzfy=90"));
    }

    // "新增一张单据" after a number that is not one resets the whole form.
    void newReceiptAfterBadNumberResetsWhole()
    {
        Fixture t;
        t.fill(QStringLiteral("张三"), QStringLiteral("3-201"), "150", "100", "35", "20");
        Fixture::type(control<TEntryField>(t.f(), "Edit28"), QStringLiteral("1.2."));
        QCOMPARE(t.dialogs.texts(Dialogs::Kind::Error).size(), 1);
        QVERIFY2(t.dialogs.texts(Dialogs::Kind::Error).first().contains(QStringLiteral("电费单价")),
                 qPrintable(t.dialogs.texts(Dialogs::Kind::Error).first()));
        t.dialogs.clear();
        control<QPushButton>(t.f(), "SpeedButton10")->click();
        QCOMPARE(t.dialogs.texts(), QStringList());
        QCOMPARE(control<TZozudExComboBox>(t.f(), "edit41")->currentText(), QString());
        QCOMPARE(control<TEntryField>(t.f(), "Edit28")->text(), QStringLiteral("0.5"));
        QCOMPARE(control<TEntryField>(t.f(), "Edit33")->text(), QStringLiteral("2"));
        QCOMPARE(control<TEntryField>(t.f(), "Edit21")->text(), QStringLiteral("0"));
        QCOMPARE(control<TEntryField>(t.f(), "Edit37")->text(), QStringLiteral("0"));
        QCOMPARE(control<TEntryField>(t.f(), "Edit29")->text(), QStringLiteral("0"));
        QCOMPARE(control<TEntryField>(t.f(), "Edit35")->text(), QStringLiteral("0.00"));
        QCOMPARE(control<QLineEdit>(t.f(), "Edit9")->text(), QStringLiteral("元整"));   // the capital text of 0.00
        QCOMPARE(control<TEntryField>(t.f(), "Edit3")->text(), QStringLiteral("00000001"));
    }
};

QTEST_MAIN(ReceiptsTest)
#include "test_receipts.moc"
