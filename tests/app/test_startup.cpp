// The program's start as a process: what it does with a database it cannot
// open or that went missing, and the look of its boxes and fields.
#include "settings/global.h"
#include "app/orderform.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "common/dialogs.h"
#include "data/demodm.h"
#include "login/formdl.h"
#include "print/spreadsheetengine.h"
#include "scratchdir.h"
#include "controls.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QComboBox>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The main window of the running session, once it exists.
TOrderForm *mainWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *main = qobject_cast<TOrderForm *>(w))
            return main;
    return nullptr;
}

QString builtProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../../program/mtrfee");
}

// A sound database of the program with a household named marker.
QByteArray soundDatabase(const QString &marker = QStringLiteral("标记户"))
{
    ScratchDir dir;
    TDemoDM dm;
    if (!dm.open())
        return {};
    dm.qup.run(QStringLiteral("insert into hhb(hm) values(:hm)"), {{"hm", marker}});
    for (int i = 0; i < 400; ++i)   // several pages, so a cut file misses some
        dm.qup.run(QStringLiteral("insert into hhb(hm, hh) values(:hm, :hh)"),
                   {{"hm", QStringLiteral("住户%1").arg(i)}, {"hh", QString(20, QLatin1Char('h'))}});
    dm.close();
    return readBytes(dir.file(QStringLiteral("qmvDemo.db")));
}

// A program folder with a copy of the program and a settings file it wrote.
struct ProgramFolder
{
    QTemporaryDir dir;
    QString root;
    QString dataHome;      // XDG_DATA_HOME of the run; a folder of dir when empty
    mutable bool lastEnded = false;   // whether the last run ended by itself

    explicit ProgramFolder(const QString &at = QString()) : root(at.isEmpty() ? dir.path() : at)
    {
        QFile::copy(builtProgram(), file(QStringLiteral("mtrfee")));
        QDir(root).mkpath(QStringLiteral("tmp"));
    }
    QString file(const QString &name) const { return root + QLatin1Char('/') + name; }
    void writeSettings() const { TGlobal g(file(QStringLiteral("mtrfee.ini"))); }

    // Runs the program with its boxes written to a file; true when it ended
    // within the time. boxes gets one "kind<TAB>caption<TAB>text" per box.
    bool run(QStringList *boxes, const QStringList &answers = {}, int timeoutMs = 30000) const
    {
        const QString log = dir.path() + QStringLiteral("/dialogs.log");
        QFile::remove(log);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("MTRFEE_TEST_DIALOG_LOG"), log);
        env.insert(QStringLiteral("MTRFEE_TEST_DIALOG_ANSWERS"), answers.join(QLatin1Char(',')));
        env.insert(QStringLiteral("TMPDIR"), dir.path() + QStringLiteral("/tmp"));  // a single-instance socket of its own
        // A program folder that cannot be written makes the program use the
        // user's data folder: that one is the test's too.
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome.isEmpty() ? dir.path() + QStringLiteral("/xdg") : dataHome);
        p.setProcessEnvironment(env);
        p.start(file(QStringLiteral("mtrfee")), {});
        if (!p.waitForStarted())
            return false;
        const bool ended = p.waitForFinished(timeoutMs);
        lastEnded = ended;
        if (!ended) {
            p.kill();
            p.waitForFinished();
        }
        *boxes = QString::fromUtf8(readBytes(log)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return ended && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
};

bool runAsRoot(const QString &program, const QStringList &args)
{
    return ::geteuid() == 0 && QProcess::execute(program, args) == 0;
}

// Whether another process holds the database so that it cannot even be read.
bool isLocked(const QString &path)
{
    bool locked = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lockprobe"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0;QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            locked = !q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("lockprobe"));
    return locked;
}

const QString kDataError = QStringLiteral("message\tmtrfee\tdata error");

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(builtProgram()), qPrintable(builtProgram()));
    }

    // Each of these shows "data error" once and the process ends; the file
    // stays as it was.
    void badDatabaseEndsAfterOneMessage_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("random bytes") << "random";
        QTest::newRow("truncated") << "truncated";
        QTest::newRow("directory in its place") << "directory";
        QTest::newRow("read-only folder") << "readonly";
        QTest::newRow("locked by another process") << "locked";
    }
    void badDatabaseEndsAfterOneMessage()
    {
        QFETCH(QString, kind);
        QTemporaryDir mountPoint;
        bool mounted = false;
        auto unmount = qScopeGuard([&] {
            if (mounted)
                QProcess::execute(QStringLiteral("umount"), {"-l", mountPoint.path()});
        });
        if (kind == QLatin1String("readonly")) {
            mounted = runAsRoot(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=512m", "tmpfs", mountPoint.path()});
            if (!mounted)
                QSKIP("no file system could be mounted read-only here (needs root)");
        }
        // A program on a read-only file system keeps its files in the user's
        // data folder: here one on the same file system.
        ProgramFolder folder(mounted ? mountPoint.path() : QString());
        QString dataDir = folder.root;
        if (mounted) {
            folder.dataHome = mountPoint.path() + QStringLiteral("/data");
            dataDir = folder.dataHome + QStringLiteral("/mtrfee");
            QVERIFY(QDir().mkpath(dataDir));
        }
        { TGlobal g(dataDir + QStringLiteral("/mtrfee.ini")); }
        const QString db = dataDir + QStringLiteral("/qmvDemo.db");
        QByteArray content;
        QProcess holder;
        if (kind == QLatin1String("random")) {
            content.resize(64 * 1024);
            QRandomGenerator rng(7);
            for (char &c : content)
                c = char(rng.bounded(256));
        } else if (kind == QLatin1String("truncated")) {
            content = soundDatabase();
            content.truncate(content.size() / 2);
        } else if (kind == QLatin1String("directory")) {
            QVERIFY(QDir(folder.root).mkdir(QStringLiteral("qmvDemo.db")));
        } else {
            content = soundDatabase();
        }
        if (!content.isEmpty())
            QVERIFY(writeBytes(db, content));
        if (kind == QLatin1String("readonly"))
            QVERIFY(runAsRoot(QStringLiteral("mount"), {"-o", "remount,ro", mountPoint.path()}));
        if (kind == QLatin1String("locked")) {
            // The holder waits for the lock rather than failing when it meets
            // a reader, and says when it has it; only then is the probe sure.
            holder.start(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), QStringLiteral("-cmd"),
                                                     QStringLiteral(".timeout 10000"), db});
            QVERIFY(holder.waitForStarted());
            holder.write("BEGIN EXCLUSIVE;\nSELECT 'holding';\n");
            QByteArray said;
            while (!said.contains("holding") && holder.state() == QProcess::Running && holder.waitForReadyRead(15000))
                said += holder.readAllStandardOutput();
            QVERIFY2(said.contains("holding"), holder.readAllStandardError().constData());
            QVERIFY(isLocked(db));
        }

        QStringList boxes;
        const bool ended = folder.run(&boxes);
        QVERIFY2(folder.lastEnded, "the program did not end");
        if (kind == QLatin1String("readonly")) {
            // The folder is refused before anything is opened, in one box.
            QCOMPARE(boxes.size(), 1);
            QVERIFY2(boxes.first().startsWith(QStringLiteral("message\tmtrfee\t数据文件夹 ")) && boxes.first().endsWith(QStringLiteral("不可写")),
                     qPrintable(boxes.first()));
        } else {
            QVERIFY2(ended, qPrintable(boxes.join(QLatin1Char('\n'))));
            QCOMPARE(boxes, QStringList{kDataError});
        }
        if (!content.isEmpty())
            QCOMPARE(readBytes(db), content);
        if (kind == QLatin1String("locked")) {
            holder.closeWriteChannel();
            QVERIFY(holder.waitForFinished(10000));
        }
    }

    // After earlier use a missing or empty database is not made anew: the
    // program says so, offers the latest backup and ends.
    void missingDatabaseAfterUse_data()
    {
        QTest::addColumn<bool>("settings");
        QTest::addColumn<bool>("zeroBytes");
        QTest::addColumn<bool>("backup");
        QTest::addColumn<QString>("answer");
        QTest::newRow("missing, no backup") << true << false << false << "";
        QTest::newRow("zero bytes, no backup") << true << true << false << "";
        QTest::newRow("missing, backup taken") << true << false << true << "yes";
        QTest::newRow("zero bytes, backup taken") << true << true << true << "yes";
        QTest::newRow("missing, backup refused") << true << false << true << "no";
        QTest::newRow("no settings, but a backup") << false << false << true << "yes";
    }
    void missingDatabaseAfterUse()
    {
        QFETCH(bool, settings);
        QFETCH(bool, zeroBytes);
        QFETCH(bool, backup);
        QFETCH(QString, answer);
        ProgramFolder folder;
        if (settings)
            folder.writeSettings();
        const QString db = folder.file(QStringLiteral("qmvDemo.db"));
        if (zeroBytes)
            QVERIFY(writeBytes(db, QByteArray()));
        QByteArray saved;
        if (backup) {
            saved = soundDatabase();
            QVERIFY(QDir(folder.root).mkdir(QStringLiteral("backup")));
            QVERIFY(writeBytes(folder.file(QStringLiteral("backup/qmvDemo.db")), saved));
        }

        QStringList boxes;
        QVERIFY2(folder.run(&boxes, {answer}), qPrintable(boxes.join(QLatin1Char('\n'))));
        QVERIFY(!boxes.isEmpty());
        QVERIFY2(boxes.first().contains(QStringLiteral("不存在或是空文件")), qPrintable(boxes.first()));
        QVERIFY(!boxes.contains(kDataError));
        if (!backup) {
            QCOMPARE(boxes.size(), 1);
            QVERIFY(boxes.first().startsWith(QStringLiteral("message\t")));
        } else {
            QVERIFY2(boxes.first().startsWith(QStringLiteral("question\t询问\t")), qPrintable(boxes.first()));
            QVERIFY(boxes.first().contains(QDir::toNativeSeparators(folder.file(QStringLiteral("backup/qmvDemo.db")))));
        }
        if (answer == QLatin1String("yes")) {
            QCOMPARE(boxes.size(), 2);
            QVERIFY2(boxes.at(1).contains(QStringLiteral("数据已从备份恢复")), qPrintable(boxes.at(1)));
            QCOMPARE(readBytes(db), saved);
            struct stat st{};
            QCOMPARE(::stat(QFile::encodeName(db).constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, mode_t(0600));
        } else {
            // Nothing was made in its place.
            QCOMPARE(QFileInfo::exists(db), zeroBytes);
            QCOMPARE(readBytes(db), QByteArray());
        }
        QVERIFY(!QFileInfo::exists(db + QStringLiteral(".new")));
        QVERIFY(!QFileInfo::exists(db + QStringLiteral(".restore")));
    }

    // Where the program never ran, the first start makes a new database.
    void firstStartCreatesTheDatabase()
    {
        ScratchDir dir;
        const QString ini = dir.file(QStringLiteral("mtrfee.ini"));
        QVERIFY(Startup::isFirstStart(ini));
        QVERIFY(!Startup::databaseMissingAfterUse(ini));
        TDemoDM::setCreationCheck([ini] { return Startup::isFirstStart(ini); });
        auto reset = qScopeGuard([] { TDemoDM::setCreationCheck(nullptr); });
        {
            TDemoDM dm;
            QVERIFY2(dm.open(), qPrintable(dm.lastOpenError()));
        }
        // Once the program has written its settings, a lost file is not made again.
        { TGlobal g(ini); }
        QVERIFY(QFile::remove(dir.file(QStringLiteral("qmvDemo.db"))));
        QVERIFY(Startup::databaseMissingAfterUse(ini));
        TDemoDM dm;
        QVERIFY(!dm.open());
        QVERIFY(dm.missingDatabase());
        QVERIFY(!QFileInfo::exists(dir.file(QStringLiteral("qmvDemo.db"))));
    }

    // What the window system shows as a box's caption is the caption alone,
    // without the application's name: the real program on an X server.
    void captionsCarryNoApplicationName()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xvfb.isEmpty() || xdotool.isEmpty())
            QSKIP("needs Xvfb and xdotool");
        // Xvfb picks a free display and writes its number once it accepts
        // connections; its socket file appears before that.
        QProcess server;
        // -noreset: the server would otherwise reset, refusing connections for a
        // moment, each time its last client (the probe below) leaves.
        server.start(xvfb, {"-displayfd", "1", "-noreset", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        QVERIFY(server.waitForStarted());
        auto stopServer = qScopeGuard([&] {
            server.terminate();
            server.waitForFinished(5000);
        });
        QByteArray announced;
        QTRY_VERIFY_WITH_TIMEOUT((announced += server.readAllStandardOutput()).endsWith('\n')
                                     || server.state() == QProcess::NotRunning,
                                 30000);
        bool numbered = false;
        const int display = announced.trimmed().toInt(&numbered);
        QVERIFY2(numbered, server.readAllStandardError().constData());
        const QString name = QStringLiteral(":%1").arg(display);
        // Only start the program once a client gets through.
        auto serverAnswers = [&] {
            QProcess probe;
            QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
            e.insert(QStringLiteral("DISPLAY"), name);
            probe.setProcessEnvironment(e);
            probe.start(xdotool, {"getdisplaygeometry"});
            return probe.waitForFinished(5000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(serverAnswers(), 30000);

        // A database lost after earlier use: the program asks "询问" at once,
        // before it would start anything else.
        ProgramFolder folder;
        folder.writeSettings();
        QVERIFY(QDir(folder.root).mkdir(QStringLiteral("backup")));
        QVERIFY(writeBytes(folder.file(QStringLiteral("backup/qmvDemo.db")), soundDatabase()));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), name);
        env.insert(QStringLiteral("TMPDIR"), folder.file(QStringLiteral("tmp")));
        program.setProcessEnvironment(env);
        program.start(folder.file(QStringLiteral("mtrfee")), {});
        QVERIFY(program.waitForStarted());
        auto stopProgram = qScopeGuard([&] {
            program.kill();
            program.waitForFinished(5000);
        });
        // The names of the visible windows whose name holds "询问".
        auto windowNames = [&] {
            QProcess q;
            QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
            e.insert(QStringLiteral("DISPLAY"), name);
            q.setProcessEnvironment(e);
            q.start(xdotool, {"search", "--onlyvisible", "--name", QStringLiteral("询问")});
            q.waitForFinished(5000);
            QStringList names;
            for (const QByteArray &id : q.readAllStandardOutput().split('\n')) {
                if (id.trimmed().isEmpty())
                    continue;
                QProcess n;
                n.setProcessEnvironment(e);
                n.start(xdotool, {"getwindowname", QString::fromLatin1(id.trimmed())});
                n.waitForFinished(5000);
                names << QString::fromUtf8(n.readAllStandardOutput()).trimmed();
            }
            return names;
        };
        QStringList names;
        QTRY_VERIFY_WITH_TIMEOUT((names = windowNames()).filter(QStringLiteral("询问")).size() == 1
                                     || program.state() == QProcess::NotRunning,
                                 30000);
        QVERIFY2(names.filter(QStringLiteral("询问")).size() == 1,
                 qPrintable(QStringLiteral("display %1, windows %2, program %3: %4")
                                .arg(name, names.join(QLatin1Char('|')),
                                     program.state() == QProcess::NotRunning ? QStringLiteral("ended") : QStringLiteral("running"),
                                     QString::fromLocal8Bit(program.readAllStandardError()
                                                            + "\nXvfb " + QByteArray::number(int(server.state())) + ": "
                                                            + server.readAllStandardError()))));
        QCOMPARE(names.filter(QStringLiteral("询问")), QStringList{QStringLiteral("询问")});
    }

    // Plain boxes have no icon; password fields show "*".
    void plainBoxHasNoIcon()
    {
        Startup::prepareApplication(*qApp);
        QMessageBox::Icon icon = QMessageBox::Information;
        QString caption;
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen = true;
            icon = box->icon();
            caption = box->windowTitle();
            box->accept();
        });
        Dialogs::message(QStringLiteral("户名不能为空！"));
        QVERIFY(seen);
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(caption, QStringLiteral("mtrfee"));
    }

    void passwordFieldsShowStars()
    {
        Startup::prepareApplication(*qApp);
        TFormdl login;
        control<QLineEdit>(&login, "Edit1")->setText(QStringLiteral("888888"));
        QCOMPARE(control<QLineEdit>(&login, "Edit1")->displayText(), QStringLiteral("******"));
        // A field with a style sheet of its own (the yellow of a focused field) too.
        QLineEdit edit;
        edit.setEchoMode(QLineEdit::Password);
        edit.setStyleSheet(QStringLiteral("background-color: yellow;"));
        edit.setText(QStringLiteral("ab"));
        QCOMPARE(edit.displayText(), QStringLiteral("**"));
    }

    // When the main window closes, the claim of the one instance goes with the
    // session, before the spreadsheet application is ended (which may take
    // seconds): a start right after finds no instance and runs.
    void closingTheWindowReleasesTheClaim()
    {
        ScratchDir dir;
        SpreadsheetEngine::setProgramPath(dir.file(QStringLiteral("no-such-office")));
        const QString title = QStringLiteral("mtrfee-restart-test-%1").arg(QCoreApplication::applicationPid());
        SingleInstance single(title);
        QVERIFY(single.claim());
        bool loggedIn = false;
        QTimer driver;
        driver.setInterval(50);
        connect(&driver, &QTimer::timeout, this, [&] {
            TFormdl *login = Formdl();
            if (!loggedIn && login && login->isVisible()) {
                control<QComboBox>(login, "ComboBox1")->setEditText(QStringLiteral("ADMIN"));
                control<QLineEdit>(login, "Edit1")->setText(QStringLiteral("888888"));
                login->BitBtn1Click();
                loggedIn = true;
            } else if (TOrderForm *main = mainWindow(); loggedIn && main && main->startupDone()) {
                driver.stop();
                main->close();
            }
        });
        driver.start();
        bool claimedDuringSession = true;
        QTimer::singleShot(0, [&] {
            SingleInstance other(title);
            claimedDuringSession = !other.claim();   // the session holds it
        });
        const int rc = Startup::runSession(*qApp, single);
        QCOMPARE(rc, 0);
        QVERIFY(loggedIn);
        QVERIFY(claimedDuringSession);
        // The settings are on the disk and the database closed before the
        // claim is given up.
        QVERIFY(QFileInfo::exists(TGlobal::defaultPath()));
        QVERIFY(!TDemoDM::instance());
        SingleInstance next(title);
        QVERIFY(next.claim());
        SpreadsheetEngine::setProgramPath(QString());
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
