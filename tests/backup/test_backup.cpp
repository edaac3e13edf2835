#include "backup/databasecopy.h"
#include "backup/formxtbf.h"
#include "backup/helptab.h"
#include "backup/qdljfm.h"
#include "common/apppaths.h"
#include "data/demodm.h"
#include "data/schema.h"
#include "data/serials.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "text/keyfilter.h"
#include "controls.h"

#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QTreeView>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QLineEdit>
#include <QRadioButton>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kDone = QStringLiteral("数据备份完毕");
const QString kCopyFailed = QStringLiteral("数据备份出错，请确定退出了所有应用程序！");

struct Fixture
{
    ScratchDir dir;
    std::unique_ptr<TDemoDM> dm;
    RecordingDialogs dialogs;

    Fixture()
    {
        dm = std::make_unique<TDemoDM>();
        if (!dm->open())
            qFatal("database not opened");
    }
    ~Fixture() { dm.reset(); }

    void addHousehold(const QString &name) const
    {
        TNamedQuery &q = DemoDM().qup;
        q.close();
        q.clearSql();
        q.addSql(QStringLiteral("insert into hhb (cmc, hm, hh) values ('温州', :hm, '1')"));
        q.bind(QStringLiteral("hm"), name);
        q.exec();
    }
    // Households of the connected database (proves the connection works).
    QStringList households() const
    {
        TNamedQuery &q = DemoDM().qcx;
        q.close();
        q.clearSql();
        q.addSql(QStringLiteral("select hm from hhb order by iid"));
        q.open();
        QStringList out;
        for (bool ok = q.first(); ok; ok = q.next())
            out << q.value(QStringLiteral("hm")).toString();
        q.close();
        return out;
    }
    QString backupFile() const { return dir.file(QStringLiteral("backup/") + TDemoDM::kDatabaseFileName); }
};

// Households of a database file, through a connection of its own.
QStringList householdsIn(const QString &file)
{
    QStringList out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("test_peek"));
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("select hm from hhb order by iid")))
                while (q.next())
                    out << q.value(0).toString();
            else
                out << QStringLiteral("<unreadable>");
        } else {
            out << QStringLiteral("<not opened>");
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("test_peek"));
    return out;
}

// The permission bits of a file or folder.
int modeOf(const QString &path)
{
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

// Issues a number as a save does: the receipt and its register row.
void saveReceipt(const QString &serial)
{
    const QString category = Schema::kReceiptCategory;
    DemoDM().qins.run(QStringLiteral("insert into P_ORDERD(sjxh, lbmc, bhmc, nf, yf, cost) "
                                     "values(:sjxh, :lbmc, '张三', '2024', '03', 10)"),
                      {{"sjxh", serial}, {"lbmc", category}});
    Serials::IssueSerial(DemoDM(), serial, category);
}

QStringList currentReceipts()
{
    QStringList out;
    TNamedQuery &q = DemoDM().qcx;
    q.openWith(QStringLiteral("select sjxh from P_ORDERD order by sjxh"));
    for (bool ok = q.first(); ok; ok = q.next())
        out << q.value(QStringLiteral("sjxh")).toString();
    q.close();
    return out;
}

// Restores the default folder's backup through a new dialog, answering yes.
bool restoreBackup(Fixture &fx, const std::function<void(TFormxtbf &)> &setup = {})
{
    TFormxtbf dlg;
    if (setup)
        setup(dlg);
    control<QRadioButton>(&dlg, "rb3")->click();
    control<QLineEdit>(&dlg, "Edit2")->setText(fx.backupFile());
    fx.dialogs.answer(true);
    control<QPushButton>(&dlg, "BitBtn2")->click();
    return dlg.result() == QDialog::Accepted;
}

// Runs a backup in a new dialog (as each opening of the dialog does).
bool backupWith(Fixture &, const std::function<void(TFormxtbf &)> &setup = {})
{
    TFormxtbf dlg;
    if (setup)
        setup(dlg);
    control<QPushButton>(&dlg, "BitBtn1")->click();
    return dlg.result() == QDialog::Accepted;
}

} // namespace

class BackupTest : public QObject
{
    Q_OBJECT

private slots:
    void backupToTheDefaultFolderCreatesIt()
    {
        Fixture fx;
        fx.addHousehold(QStringLiteral("张三"));
        TFormxtbf dlg;
        QCOMPARE(control<QLineEdit>(&dlg, "Edit1")->text(), fx.dir.file(QStringLiteral("backup")));
        QVERIFY(!control<QLineEdit>(&dlg, "Edit1")->isEnabled());
        QVERIFY(!QFileInfo::exists(fx.dir.file(QStringLiteral("backup"))));
        control<QPushButton>(&dlg, "BitBtn1")->click();
        QCOMPARE(fx.dialogs.texts(), QStringList{kDone});
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(householdsIn(fx.backupFile()), QStringList{"张三"});
        QCOMPARE(QDir(fx.dir.file("backup")).entryList(QDir::Files), QStringList{TDemoDM::kDatabaseFileName});
        QVERIFY(fx.dm->isOpen());
        QCOMPARE(fx.households(), QStringList{"张三"});
    }

    void secondBackupReplacesTheFirst()
    {
        Fixture fx;
        fx.addHousehold(QStringLiteral("张三"));
        QVERIFY(backupWith(fx));
        fx.addHousehold(QStringLiteral("李四"));
        QVERIFY(backupWith(fx));
        QCOMPARE(fx.dialogs.texts(), QStringList({kDone, kDone}));
        QCOMPARE(householdsIn(fx.backupFile()), QStringList({"张三", "李四"}));
        QCOMPARE(QDir(fx.dir.file("backup")).entryList(QDir::Files), QStringList{TDemoDM::kDatabaseFileName});
    }

    void chosenFolderRadioButtons()
    {
        Fixture fx;
        TFormxtbf dlg;
        control<QRadioButton>(&dlg, "RadioButton2")->click();
        QVERIFY(control<QLineEdit>(&dlg, "Edit1")->isEnabled());
        QVERIFY(control<QPushButton>(&dlg, "BitBtn4")->isEnabled());
        control<QLineEdit>(&dlg, "Edit1")->setText(QStringLiteral("/somewhere/else"));
        control<QRadioButton>(&dlg, "RadioButton1")->click();
        QCOMPARE(control<QLineEdit>(&dlg, "Edit1")->text(), TFormxtbf::defaultFolder());
        QVERIFY(!control<QLineEdit>(&dlg, "Edit1")->isEnabled());
        QVERIFY(!control<QPushButton>(&dlg, "BitBtn4")->isEnabled());
    }

    void refusedTargets_data()
    {
        QTest::addColumn<QString>("folder");   // below the program folder; "." is the folder itself
        QTest::addColumn<QString>("message");
        QTest::newRow("two levels missing") << QStringLiteral("a/b") << QStringLiteral("路径不存在，不能备份！");
        QTest::newRow("the database's own folder") << QStringLiteral(".") << QStringLiteral("备份路径不对，不能备份！");
        QTest::newRow("empty") << QString() << QStringLiteral("路径不存在，不能备份！");
    }
    void refusedTargets()
    {
        QFETCH(QString, folder);
        QFETCH(QString, message);
        Fixture fx;
        fx.addHousehold(QStringLiteral("张三"));
        const QStringList before = QDir(fx.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        TFormxtbf dlg;
        control<QRadioButton>(&dlg, "RadioButton2")->click();
        control<QLineEdit>(&dlg, "Edit1")
            ->setText(folder.isEmpty() ? QString() : QDir::cleanPath(fx.dir.path() + "/" + folder));
        control<QPushButton>(&dlg, "BitBtn1")->click();
        QCOMPARE(fx.dialogs.texts(), QStringList{message});
        QVERIFY(dlg.result() != QDialog::Accepted);
        QCOMPARE(QDir(fx.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QVERIFY(fx.dm->isOpen());
        QCOMPARE(fx.households(), QStringList{"张三"});
    }

    // A backup that does not complete leaves the former backup as it was and
    // the program connected.
    void failingBackupKeepsTheFormerOne_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("temporary name taken by a folder") << QStringLiteral("blocked");
        QTest::newRow("copy breaks off") << QStringLiteral("short");
        QTest::newRow("copy is not a database") << QStringLiteral("garbage");
        QTest::newRow("folder read only") << QStringLiteral("readonly");
    }
    void failingBackupKeepsTheFormerOne()
    {
        QFETCH(QString, how);
        if (how == QLatin1String("readonly") && ::geteuid() == 0)
            QSKIP("file permissions do not stop root");
        Fixture fx;
        fx.addHousehold(QStringLiteral("张三"));
        QVERIFY(backupWith(fx));
        const QByteArray good = [&] {
            QFile f(fx.backupFile());
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QVERIFY(!good.isEmpty());
        fx.addHousehold(QStringLiteral("李四"));
        fx.dialogs.clear();

        const QString folder = fx.dir.file(QStringLiteral("backup"));
        if (how == QLatin1String("blocked"))
            QVERIFY(QDir(folder).mkdir(TDemoDM::kDatabaseFileName + QStringLiteral(".part")));
        if (how == QLatin1String("readonly"))
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const bool accepted = backupWith(fx, [&](TFormxtbf &dlg) {
            if (how == QLatin1String("short") || how == QLatin1String("garbage")) {
                dlg.copyFile = [how](const QString &source, const QString &dest, QString *why) {
                    QFile in(source), out(dest);
                    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
                        return false;
                    if (how == QLatin1String("short")) {
                        out.write(in.read(in.size() / 2));
                        *why = QStringLiteral("disk full");
                        return false;
                    }
                    QByteArray data = in.readAll();
                    data.replace(0, 16, QByteArray(16, 'x'));   // no database header
                    out.write(data);
                    return true;
                };
            }
        });
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

        QVERIFY(!accepted);
        QCOMPARE(fx.dialogs.texts(), QStringList{kCopyFailed});
        QFile f(fx.backupFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), good);
        QCOMPARE(householdsIn(fx.backupFile()), QStringList{"张三"});
        QVERIFY(!QFileInfo(fx.backupFile() + QStringLiteral(".part")).isFile());
        QVERIFY(fx.dm->isOpen());
        QCOMPARE(fx.households(), QStringList({"张三", "李四"}));
    }

    void pathFieldTakesLettersAndDigitsOnly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("beeps");
        QTest::newRow("letters and digits") << QStringLiteral("aZ09") << QStringLiteral("aZ09") << 0;
        QTest::newRow("colon") << QStringLiteral(":") << QString() << 1;
        QTest::newRow("separators") << QStringLiteral("a/b\\c") << QStringLiteral("abc") << 2;
        QTest::newRow("blank and dot") << QStringLiteral("x .y") << QStringLiteral("xy") << 2;
    }
    void pathFieldTakesLettersAndDigitsOnly()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(int, beeps);
        Fixture fx;
        int beeped = 0;
        SetBeepHook([&] { ++beeped; });
        TFormxtbf dlg;
        control<QRadioButton>(&dlg, "RadioButton2")->click();
        control<QLineEdit>(&dlg, "Edit1")->clear();
        QTest::keyClicks(control<QLineEdit>(&dlg, "Edit1"), typed);
        SetBeepHook({});
        QCOMPARE(control<QLineEdit>(&dlg, "Edit1")->text(), kept);
        QCOMPARE(beeped, beeps);
        QTest::keyClick(control<QLineEdit>(&dlg, "Edit1"), Qt::Key_Backspace);
        QCOMPARE(control<QLineEdit>(&dlg, "Edit1")->text(), kept.left(qMax(0, int(kept.size()) - 1)));
    }

    void relativeFolderIsTakenInTheProgramFolder()
    {
        Fixture fx;
        QVERIFY(backupWith(fx, [](TFormxtbf &dlg) {
            control<QRadioButton>(&dlg, "RadioButton2")->click();
            control<QLineEdit>(&dlg, "Edit1")->setText(QStringLiteral("copy2"));
        }));
        QVERIFY(QFileInfo(fx.dir.file(QStringLiteral("copy2/") + TDemoDM::kDatabaseFileName)).isFile());
    }

    // ------------------------------------------------------------------ restore

    void restoreRoundTrip_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void restoreRoundTrip()
    {
        QFETCH(bool, answer);
        Fixture fx;
        fx.addHousehold(QStringLiteral("张三"));
        QVERIFY(backupWith(fx));
        fx.addHousehold(QStringLiteral("李四"));
        fx.dialogs.clear();

        TFormxtbf dlg;
        int restored = 0;
        connect(&dlg, &TFormxtbf::restored, this, [&] { ++restored; });
        dlg.chooseRestoreFile = [&](const QString &start) {
            return QDir(start).filePath(TDemoDM::kDatabaseFileName);
        };
        control<QRadioButton>(&dlg, "rb3")->click();
        QVERIFY(control<QPushButton>(&dlg, "BitBtn2")->isEnabled());
        QVERIFY(!control<QPushButton>(&dlg, "BitBtn1")->isEnabled());
        control<QPushButton>(&dlg, "BitBtn5")->click();
        QCOMPARE(control<QLineEdit>(&dlg, "Edit2")->text(), fx.backupFile());
        fx.dialogs.answer(answer);
        control<QPushButton>(&dlg, "BitBtn2")->click();
        QVERIFY(fx.dm->isOpen());
        if (!answer) {
            QCOMPARE(fx.dialogs.count(), 1);
            QCOMPARE(fx.households(), QStringList({"张三", "李四"}));
            QCOMPARE(restored, 0);
            return;
        }
        QCOMPARE(fx.dialogs.count(), 2);
        QVERIFY(fx.dialogs.last().startsWith(QStringLiteral("数据恢复完毕")));
        QCOMPARE(fx.households(), QStringList{"张三"});
        QCOMPARE(restored, 1);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        // The data before the restore is kept beside the database.
        QVERIFY(QFileInfo(dlg.keptCopy()).isFile());
        QVERIFY(fx.dialogs.last().contains(dlg.keptCopy()));
        QCOMPARE(householdsIn(dlg.keptCopy()), QStringList({"张三", "李四"}));
        // The backup itself is untouched.
        QCOMPARE(householdsIn(fx.backupFile()), QStringList{"张三"});

        // A second restore at once keeps a copy of its own.
        fx.addHousehold(QStringLiteral("王五"));
        TFormxtbf again;
        control<QRadioButton>(&again, "rb3")->click();
        control<QLineEdit>(&again, "Edit2")->setText(fx.backupFile());
        control<QPushButton>(&again, "BitBtn2")->click();
        QCOMPARE(fx.households(), QStringList{"张三"});
        QVERIFY(again.keptCopy() != dlg.keptCopy());
        QCOMPARE(householdsIn(again.keptCopy()), QStringList({"张三", "王五"}));
        QCOMPARE(householdsIn(dlg.keptCopy()), QStringList({"张三", "李四"}));
    }

    void restoreRefusesUnsoundFiles_data()
    {
        QTest::addColumn<QString>("content");   // "" : no file at all
        QTest::addColumn<QString>("messageStart");
        QTest::newRow("missing") << QString() << QStringLiteral("备份文件不存在，不能恢复！");
        QTest::newRow("not a database") << QStringLiteral("hello") << QStringLiteral("所选文件不是完好的数据备份，不能恢复！");
        QTest::newRow("empty file") << QStringLiteral("<empty>") << QStringLiteral("所选文件不是完好的数据备份，不能恢复！");
        QTest::newRow("the database itself") << QStringLiteral("<self>") << QStringLiteral("所选文件就是正在使用的数据库，不能恢复！");
    }
    void restoreRefusesUnsoundFiles()
    {
        QFETCH(QString, content);
        QFETCH(QString, messageStart);
        Fixture fx;
        fx.addHousehold(QStringLiteral("张三"));
        QString file = fx.dir.file(QStringLiteral("other.db"));
        if (content == QLatin1String("<self>")) {
            file = TDemoDM::databasePath();
        } else if (!content.isEmpty()) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (content != QLatin1String("<empty>"))
                f.write(content.toUtf8());
        }
        TFormxtbf dlg;
        control<QRadioButton>(&dlg, "rb3")->click();
        control<QLineEdit>(&dlg, "Edit2")->setText(file);
        control<QPushButton>(&dlg, "BitBtn2")->click();
        QCOMPARE(fx.dialogs.count(), 1);
        QVERIFY2(fx.dialogs.last().startsWith(messageStart), qPrintable(fx.dialogs.last()));
        QVERIFY(fx.dm->isOpen());
        QCOMPARE(fx.households(), QStringList{"张三"});
    }

    // A restore brings back the data of the backup but never the numbering:
    // a number issued after the backup (or held only by the register) is
    // not offered again.
    void restoreNeverReissuesNumbers_data()
    {
        QTest::addColumn<int>("counterAtBackup");
        QTest::addColumn<QStringList>("savedAfter");
        QTest::addColumn<QString>("registeredOnly");   // a register row above the counter ("" none)
        QTest::addColumn<QString>("next");
        QTest::newRow("three saved after the backup")
            << 5000 << QStringList{"00005001", "00005002", "00005003"} << QString() << QStringLiteral("00005004");
        QTest::newRow("nothing saved after") << 5000 << QStringList{} << QString() << QStringLiteral("00005001");
        QTest::newRow("register ahead of the counter")
            << 5000 << QStringList{"00005001"} << QStringLiteral("00006000") << QStringLiteral("00006001");
        QTest::newRow("fresh counter") << 0 << QStringList{"00000001", "00000002"} << QString()
                                       << QStringLiteral("00000003");
    }
    void restoreNeverReissuesNumbers()
    {
        QFETCH(int, counterAtBackup);
        QFETCH(QStringList, savedAfter);
        QFETCH(QString, registeredOnly);
        QFETCH(QString, next);
        const QString category = Schema::kReceiptCategory;
        Fixture fx;
        fx.addHousehold(QStringLiteral("张三"));
        DemoDM().qup.run(QStringLiteral("update sjxhb set sjxh= :n where lbmc= :lbmc"),
                         {{"n", counterAtBackup}, {"lbmc", category}});
        if (counterAtBackup > 0)
            saveReceipt(Serials::SerialText(counterAtBackup));   // the last receipt before the backup
        const QStringList atBackup = currentReceipts();
        QVERIFY(backupWith(fx));
        for (const QString &serial : savedAfter)
            saveReceipt(serial);
        if (!registeredOnly.isEmpty())
            DemoDM().qins.run(QStringLiteral("insert into bciidb(sjxh, lbmc) values(:s, :l)"),
                              {{"s", registeredOnly}, {"l", category}});
        fx.addHousehold(QStringLiteral("李四"));
        fx.dialogs.clear();

        QVERIFY(restoreBackup(fx));
        // The question says what is lost.
        QCOMPARE(fx.dialogs.shown().first().kind, Dialogs::Kind::Question);
        QVERIFY2(fx.dialogs.shown().first().text.contains(QStringLiteral("备份之后保存的收据不在恢复的数据中")),
                 qPrintable(fx.dialogs.shown().first().text));
        // The data is the backup's ...
        QCOMPARE(fx.households(), QStringList{"张三"});
        QCOMPARE(currentReceipts(), atBackup);
        // ... the numbering is not.
        QCOMPARE(Serials::NextReceiptSerial(DemoDM(), category), next);
        for (const QString &serial : savedAfter)
            QVERIFY2(Serials::IsSerialIssued(DemoDM(), serial, category), qPrintable(serial));
        if (!registeredOnly.isEmpty())
            QVERIFY(Serials::IsSerialIssued(DemoDM(), registeredOnly, category));
        // A save now takes the offered number, which nobody had.
        saveReceipt(Serials::NextReceiptSerial(DemoDM(), category));
        QCOMPARE(DemoDM().qcx.count(QStringLiteral("select count(*) as expr1001 from bciidb "
                                                   "group by sjxh, lbmc having count(*) > 1")),
                 0);
        // The backup file itself is unchanged.
        QCOMPARE(householdsIn(fx.backupFile()), QStringList{"张三"});
    }

    // When the numbering cannot be carried over (the kept copy is not
    // readable), nothing is restored.
    void restoreWithoutNumberingChangesNothing()
    {
        Fixture fx;
        fx.addHousehold(QStringLiteral("张三"));
        QVERIFY(backupWith(fx));
        saveReceipt(QStringLiteral("00000001"));
        fx.addHousehold(QStringLiteral("李四"));
        fx.dialogs.clear();
        const QString database = TDemoDM::databasePath();
        const bool accepted = restoreBackup(fx, [database](TFormxtbf &dlg) {
            dlg.copyFile = [database](const QString &source, const QString &dest, QString *why) {
                if (source != database)
                    return DatabaseCopy::copyFile(source, dest, why);
                QFile out(dest);   // the kept copy comes out as no database
                return out.open(QIODevice::WriteOnly) && out.write("broken") == 6;
            };
        });
        QVERIFY(!accepted);
        QVERIFY2(fx.dialogs.last().startsWith(QStringLiteral("数据恢复出错，当前数据没有改变！")), qPrintable(fx.dialogs.last()));
        QVERIFY(fx.dm->isOpen());
        QCOMPARE(fx.households(), QStringList({"张三", "李四"}));
        QCOMPARE(currentReceipts(), QStringList{"00000001"});
        QCOMPARE(Serials::NextReceiptSerial(DemoDM(), Schema::kReceiptCategory), QStringLiteral("00000002"));
        QVERIFY(!QFileInfo::exists(database + QStringLiteral(".restore")));
    }

    // Backups and the copies a restore keeps are their owner's alone, and so
    // is a backup folder the program makes; a folder it did not make keeps
    // its rights.
    void copiesAreReadableByTheOwnerOnly()
    {
        const mode_t oldMask = ::umask(022);
        Fixture fx;
        fx.addHousehold(QStringLiteral("张三"));
        QVERIFY(backupWith(fx));
        QCOMPARE(modeOf(fx.dir.file(QStringLiteral("backup"))), 0700);
        QCOMPARE(modeOf(fx.backupFile()), 0600);
        // A former backup readable by all is replaced by one that is not.
        QVERIFY(::chmod(QFile::encodeName(fx.backupFile()).constData(), 0644) == 0);
        QVERIFY(backupWith(fx));
        QCOMPARE(modeOf(fx.backupFile()), 0600);
        // A folder of the user's own making.
        const QString own = fx.dir.file(QStringLiteral("mine"));
        QVERIFY(QDir().mkdir(own));
        QVERIFY(::chmod(QFile::encodeName(own).constData(), 0755) == 0);
        QVERIFY(backupWith(fx, [&own](TFormxtbf &dlg) {
            control<QRadioButton>(&dlg, "RadioButton2")->click();
            control<QLineEdit>(&dlg, "Edit1")->setText(own);
        }));
        QCOMPARE(modeOf(own), 0755);
        QCOMPARE(modeOf(own + QLatin1Char('/') + TDemoDM::kDatabaseFileName), 0600);
        // The restore's kept copy and the restored database.
        TFormxtbf dlg;
        control<QRadioButton>(&dlg, "rb3")->click();
        control<QLineEdit>(&dlg, "Edit2")->setText(fx.backupFile());
        fx.dialogs.answer(true);
        control<QPushButton>(&dlg, "BitBtn2")->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(modeOf(dlg.keptCopy()), 0600);
        QCOMPARE(modeOf(TDemoDM::databasePath()), 0600);
        // A folder made in the path chooser.
        Tqdljfm chooser;
        chooser.setFolder(fx.dir.path());
        chooser.askFolderName = [](QString *name) {
            *name = QStringLiteral("新备份");
            return true;
        };
        control<QPushButton>(&chooser, "BitBtn1")->click();
        QCOMPARE(modeOf(fx.dir.file(QStringLiteral("新备份"))), 0700);
        ::umask(oldMask);
    }

    // ------------------------------------------------------------ path chooser

    void chooserCreatesAndTakesAFolder()
    {
        Fixture fx;
        Tqdljfm chooser;
        chooser.setFolder(fx.dir.path());
        QCOMPARE(chooser.selectedFolder(), fx.dir.path());
        QVERIFY(chooser.shownFiles().contains(TDemoDM::kDatabaseFileName));
        chooser.askFolderName = [](QString *name) {
            *name = QStringLiteral("新备份");
            return true;
        };
        control<QPushButton>(&chooser, "BitBtn1")->click();
        const QString created = fx.dir.file(QStringLiteral("新备份"));
        QVERIFY(QFileInfo(created).isDir());
        QCOMPARE(chooser.selectedFolder(), created);
        control<QPushButton>(&chooser, "BitBtn2")->click();
        QCOMPARE(chooser.result(), int(QDialog::Accepted));
        QCOMPARE(chooser.chosenFolder(), created);
        QCOMPARE(fx.dialogs.count(), 0);
    }

    void chooserShowsTheFolderInTheTree()
    {
        Fixture fx;
        const QString folder = fx.dir.file(QStringLiteral("a/b"));
        QVERIFY(QDir().mkpath(folder));
        Tqdljfm chooser;
        chooser.setFolder(folder);
        chooser.show();
        QTreeView *tree = control<QTreeView>(&chooser, "DirectoryListBox1");
        auto *model = qobject_cast<QFileSystemModel *>(tree->model());
        QVERIFY(model);
        QTRY_COMPARE(model->filePath(tree->currentIndex()), folder);
        QTRY_VERIFY(tree->isExpanded(model->index(fx.dir.file(QStringLiteral("a")))));
        QTRY_VERIFY(tree->visualRect(tree->currentIndex()).intersects(tree->viewport()->rect()));
        QCOMPARE(chooser.selectedFolder(), folder);
    }

    void chooserRefusesBadNamesAndUnwritableFolders()
    {
        Fixture fx;
        Tqdljfm chooser;
        chooser.setFolder(fx.dir.path());
        chooser.askFolderName = [](QString *name) {
            *name = QStringLiteral("a/b");
            return true;
        };
        control<QPushButton>(&chooser, "BitBtn1")->click();
        QCOMPARE(fx.dialogs.count(), 1);
        QVERIFY(!QFileInfo::exists(fx.dir.file("a")));
        // /proc takes no new file, whoever runs this.
        chooser.setFolder(QStringLiteral("/proc"));
        control<QPushButton>(&chooser, "BitBtn2")->click();
        QCOMPARE(fx.dialogs.count(), 2);
        QVERIFY(fx.dialogs.last().contains(QStringLiteral("不可写")));
        QVERIFY(chooser.result() != QDialog::Accepted);
        QVERIFY(chooser.chosenFolder().isEmpty());
    }

    void helpTabOpensTheBackupDialog()
    {
        Fixture fx;
        THelpTab tab;
        QString shownFolder;
        tab.runDialog = [&](TFormxtbf *dlg) { shownFolder = control<QLineEdit>(dlg, "Edit1")->text(); };
        tab.backupButton()->click();
        QCOMPARE(shownFolder, TFormxtbf::defaultFolder());
    }
};

QTEST_MAIN(BackupTest)
#include "test_backup.moc"
