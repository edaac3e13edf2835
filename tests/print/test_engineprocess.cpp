// The spreadsheet application as a process: where its files live and who may
// reach them, what a run leaves behind, its locale, its end, and what happens
// when it stops answering.
#include "printfixture.h"

#include "settings/global.h"
#include "common/apppaths.h"
#include "print/receiptpreview.h"
#include "print/spreadsheetengine.h"
#include "recordingdialogs.h"
#include "scratchdir.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QtTest>
#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace PrintFixture;

namespace {

// Sets (or, with a null value, unsets) an environment variable for the
// lifetime of the object.
class EnvVar
{
public:
    EnvVar(const char *name, const QByteArray &value) : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~EnvVar()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

int modeOf(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

bool run(const QString &program, const QStringList &args, QString *output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ok = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(p.readAll());
    return ok;
}

// A throwaway second local user for the life of the object.
class SecondUser
{
public:
    SecondUser() : m_name(QStringLiteral("mtrfee-t%1").arg(QCoreApplication::applicationPid()))
    {
        QString out;
        m_ok = run(QStringLiteral("useradd"), {QStringLiteral("--system"), QStringLiteral("--no-create-home"),
                                               QStringLiteral("--shell"), QStringLiteral("/bin/sh"), m_name}, &out);
        if (!m_ok)
            m_error = out;
    }
    ~SecondUser()
    {
        if (m_ok)
            run(QStringLiteral("userdel"), {m_name});
    }
    bool ok() const { return m_ok; }
    QString error() const { return m_error; }
    // Runs a shell command as this user.
    bool sh(const QString &command, QString *output = nullptr) const
    {
        return run(QStringLiteral("runuser"), {QStringLiteral("-u"), m_name, QStringLiteral("--"), QStringLiteral("/bin/sh"),
                                               QStringLiteral("-c"), command}, output);
    }

private:
    QString m_name;
    bool m_ok = false;
    QString m_error;
};

// A folder the victim of a planted link: one file in it that must survive.
QString makeVictim(const QString &parent)
{
    const QString dir = QDir(parent).filePath(QStringLiteral("victim"));
    QDir().mkpath(dir);
    QFile f(QDir(dir).filePath(QStringLiteral("qmvDemo.db")));
    f.open(QIODevice::WriteOnly);
    f.write("precious");
    return dir;
}

// The name an earlier version gave a run's profile in the shared temporary
// folder, which any user can create.
QString sharedTmpProfileName(qint64 pid)
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = QString::number(::getuid());
    user.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_]")), QStringLiteral("_"));
    return QStringLiteral("mtrfee_%1_%2_profile").arg(user).arg(pid);
}

QStringList ownPipeSockets()
{
    return QDir(QStringLiteral("/tmp"))
        .entryList({QStringLiteral("OSL_PIPE_%1_mtrfee_%2_*").arg(::getuid()).arg(QCoreApplication::applicationPid())},
                   QDir::System | QDir::Hidden);
}

} // namespace

class TestEngineProcess : public QObject
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

private slots:
    void init()
    {
        m_scratch = std::make_unique<ScratchProgram>();
        QVERIFY(m_scratch->templateInstalled());
    }

    void cleanup()
    {
        m_printing.reset();
        SpreadsheetEngine::shutdown();
        SpreadsheetEngine::setCallTimeoutMs(15000);
        m_scratch.reset();
    }

    // The application's folder is the user's own and closed to others.
    void workFolderIsPrivate()
    {
        QVERIFY(SpreadsheetEngine::isAvailable());
        const QString folder = SpreadsheetEngine::workFolder();
        const QString run = SpreadsheetEngine::runFolder();
        QVERIFY2(!folder.startsWith(QDir::tempPath() + QLatin1Char('/')) && !folder.startsWith(QStringLiteral("/tmp/")),
                 qPrintable(folder));
        QCOMPARE(modeOf(folder), 0700);
        QVERIFY(run.startsWith(folder + QLatin1Char('/')));
        QCOMPARE(modeOf(run), 0700);
        QCOMPARE(QFileInfo(folder).ownerId(), ::getuid());
    }

    // $XDG_RUNTIME_DIR is taken only when it is the user's private folder;
    // a cache folder that is not private is refused with a message naming
    // it, and nothing in it is touched.
    void unsafeFoldersRefused()
    {
        const QString base = m_scratch->file(QStringLiteral("base"));
        QVERIFY(QDir().mkpath(base + QStringLiteral("/runtime")));
        QVERIFY(QDir().mkpath(base + QStringLiteral("/cache/mtrfee")));
        {
            // A private runtime folder is used.
            QFile::setPermissions(base + QStringLiteral("/runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            EnvVar runtime("XDG_RUNTIME_DIR", QFile::encodeName(base + QStringLiteral("/runtime")));
            QCOMPARE(SpreadsheetEngine::workFolder(), base + QStringLiteral("/runtime/mtrfee"));
            QCOMPARE(modeOf(base + QStringLiteral("/runtime/mtrfee")), 0700);
        }
        // An open runtime folder is passed over for the cache folder; a
        // cache folder open to all is refused.
        QVERIFY(QDir().mkpath(base + QStringLiteral("/open-runtime")));
        ::chmod(QFile::encodeName(base + QStringLiteral("/open-runtime")).constData(), 0777);
        ::chmod(QFile::encodeName(base + QStringLiteral("/cache/mtrfee")).constData(), 0777);
        const QString victim = makeVictim(base);
        QVERIFY(QFile::link(victim, base + QStringLiteral("/cache/mtrfee/run-99999")));
        EnvVar runtime("XDG_RUNTIME_DIR", QFile::encodeName(base + QStringLiteral("/open-runtime")));
        EnvVar cache("XDG_CACHE_HOME", QFile::encodeName(base + QStringLiteral("/cache")));
        try {
            SpreadsheetEngine::workFolder();
            QFAIL("an open folder was accepted");
        } catch (const EngineUnavailable &e) {
            QVERIFY2(e.message().contains(base + QStringLiteral("/cache/mtrfee")), qPrintable(e.message()));
        }
        RecordingDialogs dlg;
        const ReceiptPrintResult r = printing().SpeedButton9Click(sampleReceipt());
        QVERIFY(!r.done);
        QCOMPARE(dlg.count(), 1);
        QVERIFY2(dlg.last().contains(base + QStringLiteral("/cache/mtrfee")), qPrintable(dlg.last()));
        QVERIFY(QFileInfo::exists(victim + QStringLiteral("/qmvDemo.db")));
        QVERIFY(QFileInfo(base + QStringLiteral("/cache/mtrfee/run-99999")).isSymLink());
        QVERIFY(!QFileInfo::exists(base + QStringLiteral("/open-runtime/mtrfee")));
    }

    // Another local user plants links where the program cleans up: in the
    // shared temporary folder under a name of an earlier version's runs,
    // and a cache folder of its own making. Nothing the links point to is
    // removed.
    void linksOfAnotherUserAreNotFollowed()
    {
        if (::getuid() != 0)
            QSKIP("needs root to create a second local user (runs as root in CI)");
        SecondUser other;
        QVERIFY2(other.ok(), qPrintable(other.error()));
        const QString victim = makeVictim(m_scratch->path());
        // A shared temporary folder like /tmp (whatever TMPDIR this test
        // runs with), where the other user plants a link under the name of
        // an earlier version's run profile.
        QTemporaryDir sharedTmp(QStringLiteral("/tmp/mtrfee-shared-XXXXXX"));
        QVERIFY(sharedTmp.isValid());
        ::chmod(QFile::encodeName(sharedTmp.path()).constData(), 01777);
        EnvVar tmpdir("TMPDIR", QFile::encodeName(sharedTmp.path()));
        const QString tmpLink = QDir::temp().filePath(sharedTmpProfileName(99999));
        QString out;
        QVERIFY2(other.sh(QStringLiteral("ln -s '%1' '%2'").arg(victim, tmpLink), &out), qPrintable(out));
        // A shared folder where the other user made "mtrfee" first.
        const QString shared = sharedTmp.filePath(QStringLiteral("shared"));
        QVERIFY(QDir().mkpath(shared));
        ::chmod(QFile::encodeName(shared).constData(), 01777);
        QVERIFY2(other.sh(QStringLiteral("mkdir -m 777 '%1/mtrfee' && ln -s '%2' '%1/mtrfee/run-99999'").arg(shared, victim), &out),
                 qPrintable(out));

        // An ordinary start, fill and end.
        QVERIFY(SpreadsheetEngine::isAvailable());
        FillReceiptTemplate(kPreviewFileName, ReceiptCellTexts(sampleReceipt()));
        SpreadsheetEngine::shutdown();
        QVERIFY(QFileInfo::exists(victim + QStringLiteral("/qmvDemo.db")));
        QVERIFY(QFileInfo(tmpLink).isSymLink());
        // Pointed at the shared folder, the engine does not start there.
        {
            EnvVar runtime("XDG_RUNTIME_DIR", QByteArray());
            EnvVar cache("XDG_CACHE_HOME", QFile::encodeName(shared));
            QVERIFY(!SpreadsheetEngine::isAvailable());
        }
        QVERIFY(QFileInfo::exists(victim + QStringLiteral("/qmvDemo.db")));
        QVERIFY(QFileInfo(shared + QStringLiteral("/mtrfee/run-99999")).isSymLink());
    }

    // Within its own folder the program removes what killed runs of its own
    // left, and never follows a link there either.
    void staleRunsRemovedLinksKept()
    {
        const QString folder = SpreadsheetEngine::workFolder();
        const QString stale = QDir(folder).filePath(QStringLiteral("run-99998"));
        QVERIFY(QDir().mkpath(stale + QStringLiteral("/tmp/lu1234.tmp")));
        const QString victim = makeVictim(m_scratch->path());
        QVERIFY(QFile::link(victim, stale + QStringLiteral("/tmp/link")));
        const QString link = QDir(folder).filePath(QStringLiteral("run-99997"));
        QFile::remove(link);
        QVERIFY(QFile::link(victim, link));
        QVERIFY(SpreadsheetEngine::isAvailable());
        QVERIFY(!QFileInfo::exists(stale));
        QVERIFY(QFileInfo::exists(victim + QStringLiteral("/qmvDemo.db")));
        QVERIFY(QFileInfo(link).isSymLink());
        QFile::remove(link);
    }

    // A run leaves nothing behind: no temporary folder of the application
    // or of the previews in TMPDIR, no pipe socket in /tmp, no run folder;
    // and ending it does not keep the program waiting. Both for a run that
    // previewed and for one that never used the application it started in
    // the background.
    void runLeavesNothingAndEndsAtOnce_data()
    {
        QTest::addColumn<bool>("used");
        QTest::newRow("used") << true;
        QTest::newRow("started, never used") << false;
    }

    void runLeavesNothingAndEndsAtOnce()
    {
        QFETCH(bool, used);
        SpreadsheetEngine::shutdown();
        const QString tmp = m_scratch->file(QStringLiteral("tmp"));
        QVERIFY(QDir().mkpath(tmp));
        EnvVar tmpdir("TMPDIR", QFile::encodeName(tmp));
        SpreadsheetEngine::startInBackground();
        const QString run = SpreadsheetEngine::runFolder();
        QVERIFY(QFileInfo(run).isDir());
        TReceiptPrinting &p = printing();
        p.FormDestroy();   // a folder of earlier previews goes
        if (used) {
            RecordingDialogs dlg;
            QVERIFY2(p.SpeedButton9Click(sampleReceipt()).done, qPrintable(dlg.texts().join(QLatin1Char('|'))));
            auto book = SpreadsheetEngine::open(programFile(kPreviewFileName));
            book->exportFirstSheetPdf(m_scratch->file(QStringLiteral("out.pdf")));
        } else {
            // Up far enough to have made its pipe and temporary folder.
            QTRY_VERIFY_WITH_TIMEOUT(!ownPipeSockets().isEmpty(), 60000);
        }
        QVERIFY(!ownPipeSockets().isEmpty());
        const qint64 pid = SpreadsheetEngine::processId();
        // The main window goes, then the program ends the engine.
        p.FormDestroy();
        QElapsedTimer t;
        t.start();
        SpreadsheetEngine::shutdown();
        const qint64 took = t.elapsed();
        QVERIFY(::kill(pid_t(pid), 0) != 0);
        QCOMPARE(QDir(tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System), QStringList());
        QCOMPARE(ownPipeSockets(), QStringList());
        QVERIFY(!QFileInfo::exists(run));
        QVERIFY2(took < 1500, qPrintable(QString::number(took)));
    }

    // Whatever locale the program has, the application reads and writes
    // files with Chinese names.
    void worksWithoutUtf8Locale_data()
    {
        QTest::addColumn<QByteArray>("lang");
        QTest::addColumn<QByteArray>("lcAll");
        QTest::newRow("LANG and LC_ALL unset") << QByteArray() << QByteArray();
        QTest::newRow("plain C") << QByteArray("C") << QByteArray("C");
        QTest::newRow("locale not installed") << QByteArray("zz_ZZ.UTF-8") << QByteArray();
    }

    void worksWithoutUtf8Locale()
    {
        QFETCH(QByteArray, lang);
        QFETCH(QByteArray, lcAll);
        SpreadsheetEngine::shutdown();
        EnvVar l("LANG", lang);
        EnvVar a("LC_ALL", lcAll);
        EnvVar c("LC_CTYPE", QByteArray());
        RecordingDialogs dlg;
        const ReceiptPrintResult r = printing().SpeedButton9Click(sampleReceipt());
        QVERIFY2(r.done, qPrintable(dlg.texts().join(QLatin1Char('|'))));
        QCOMPARE(printing().previewWindow()->pageCount(), 1);
        auto book = SpreadsheetEngine::open(programFile(kPreviewFileName));
        QCOMPARE(book->cellText(2, 1), QStringLiteral("张三 住户"));
        const QString chinese = m_scratch->file(QStringLiteral("收据导出.xls"));
        book->saveAs(chinese);
        QVERIFY(QFileInfo(chinese).size() > 0);
    }

    // A stopped application: the preview ends within the time limit with a
    // clear message; the application is ended and started afresh, and the
    // next preview works.
    void stoppedEngineIsEndedAndRestarted()
    {
        QVERIFY(SpreadsheetEngine::isAvailable());
        const qint64 pid = SpreadsheetEngine::processId();
        SpreadsheetEngine::setCallTimeoutMs(3000);
        QCOMPARE(::kill(pid_t(pid), SIGSTOP), 0);
        RecordingDialogs dlg;
        QElapsedTimer t;
        t.start();
        const ReceiptPrintResult r = printing().SpeedButton9Click(sampleReceipt());
        const qint64 took = t.elapsed();
        ::kill(pid_t(pid), SIGCONT);
        QVERIFY2(took < 10000, qPrintable(QString::number(took)));
        QVERIFY(!r.done);
        QVERIFY(!printing().previewWindow());
        QCOMPARE(dlg.texts(), QStringList{kEngineNotAnsweringMessage.arg(3)});
        QVERIFY(::kill(pid_t(pid), 0) != 0);   // ended
        QVERIFY(!QFileInfo::exists(programFile(kPreviewFileName)));

        // Started afresh in the background: the next preview works.
        SpreadsheetEngine::setCallTimeoutMs(15000);
        dlg.clear();
        QVERIFY(SpreadsheetEngine::processId() != pid);
        const ReceiptPrintResult again = printing().SpeedButton9Click(sampleReceipt());
        QVERIFY2(again.done, qPrintable(dlg.texts().join(QLatin1Char('|'))));
    }
};

QTEST_MAIN(TestEngineProcess)
#include "test_engineprocess.moc"
