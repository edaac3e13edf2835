// Where the program keeps its files: beside a writable executable, in the
// user's data folder when installed; the installed folder's first start.
#include "common/apppaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace AppPaths;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int mode(const QString &path)
{
    const QFile::Permissions p = QFileInfo(path).permissions();
    int m = 0;
    m |= (p & QFile::ReadOwner) ? 0400 : 0;
    m |= (p & QFile::WriteOwner) ? 0200 : 0;
    m |= (p & QFile::ExeOwner) ? 0100 : 0;
    m |= (p & QFile::ReadGroup) ? 040 : 0;
    m |= (p & QFile::WriteGroup) ? 020 : 0;
    m |= (p & QFile::ExeGroup) ? 010 : 0;
    m |= (p & QFile::ReadOther) ? 04 : 0;
    m |= (p & QFile::WriteOther) ? 02 : 0;
    m |= (p & QFile::ExeOther) ? 01 : 0;
    return m;
}

} // namespace

class TestAppPaths : public QObject
{
    Q_OBJECT

private slots:
    void userDataDir_data()
    {
        QTest::addColumn<QString>("xdg");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set") << "/data/me" << "/data/me/mtrfee";
        QTest::newRow("trailing slash") << "/data/me/" << "/data/me/mtrfee";
        QTest::newRow("unset") << "" << "/home/u/.local/share/mtrfee";
        QTest::newRow("relative is ignored") << "data" << "/home/u/.local/share/mtrfee";
    }

    void userDataDir()
    {
        QFETCH(QString, xdg);
        QFETCH(QString, expected);
        QCOMPARE(UserDataDir(xdg, QStringLiteral("/home/u")), expected);
    }

    // Which folder holds the program's files, by where the executable is.
    void decide_data()
    {
        QTest::addColumn<QString>("exeSub");       // below the scratch root
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("withShare");       // root/usr/share/mtrfee exists
        QTest::addColumn<bool>("installed");
        QTest::newRow("build folder") << "build/program" << true << false << false;
        QTest::newRow("unpacked copy in a bin folder") << "copy/bin" << true << false << false;
        QTest::newRow("read-only folder") << "opt/mtrfee" << false << false << true;
        QTest::newRow("system bin") << "usr/bin" << false << true << true;
        // root (or a user's own prefix) may write to bin/: still installed
        QTest::newRow("writable installation") << "usr/bin" << true << true << true;
    }

    void decide()
    {
        QFETCH(QString, exeSub);
        QFETCH(bool, writable);
        QFETCH(bool, withShare);
        QFETCH(bool, installed);
        QTemporaryDir root;
        const QString exeDir = root.filePath(exeSub);
        QDir().mkpath(exeDir);
        if (withShare)
            QDir().mkpath(root.filePath(QStringLiteral("usr/share/mtrfee")));

        const Layout l = DecideLayout(exeDir + QStringLiteral("/"), writable, QStringLiteral("/x/data"),
                                      QStringLiteral("/x/home"));
        QCOMPARE(l.installed, installed);
        if (installed) {
            QCOMPARE(l.programDir, QStringLiteral("/x/data/mtrfee"));
            QCOMPARE(l.sharedDir, withShare ? QDir::cleanPath(exeDir + QStringLiteral("/../share/mtrfee"))
                                            : QDir::cleanPath(exeDir));
        } else {
            QCOMPARE(l.programDir, QDir::cleanPath(exeDir));
            QCOMPARE(l.sharedDir, QDir::cleanPath(exeDir));
        }
    }

    // First start: the folder (and its missing parents) appear, the folder
    // owner-only, the template copied owner-only.
    void firstStartCreatesFolderAndTemplate()
    {
        QTemporaryDir root;
        const QString shared = root.filePath(QStringLiteral("share/mtrfee"));
        writeFile(shared + QLatin1Char('/') + kTemplateFileName, "template v1");
        QFile::setPermissions(shared + QLatin1Char('/') + kTemplateFileName,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        const Layout l{true, root.filePath(QStringLiteral("home/.local/share/mtrfee")), shared};

        const PrepareResult r = PrepareLayout(l);
        QVERIFY(r.folderReady);
        QCOMPARE(r.problem, QString());
        QCOMPARE(mode(l.programDir), 0700);
        const QString copy = l.programDir + QLatin1Char('/') + kTemplateFileName;
        QCOMPARE(readFile(copy), QByteArray("template v1"));
        QCOMPARE(mode(copy), 0600);
        QCOMPARE(QDir(l.programDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{kTemplateFileName});
    }

    // The user's edited template is never replaced; a deleted one comes back.
    void laterStartsKeepTheUsersTemplate()
    {
        QTemporaryDir root;
        const QString shared = root.filePath(QStringLiteral("share"));
        writeFile(shared + QLatin1Char('/') + kTemplateFileName, "shipped");
        const Layout l{true, root.filePath(QStringLiteral("data/mtrfee")), shared};
        QVERIFY(PrepareLayout(l).problem.isEmpty());
        const QString copy = l.programDir + QLatin1Char('/') + kTemplateFileName;

        writeFile(copy, "edited by the user");
        writeFile(shared + QLatin1Char('/') + kTemplateFileName, "shipped, newer");
        QVERIFY(PrepareLayout(l).problem.isEmpty());
        QCOMPARE(readFile(copy), QByteArray("edited by the user"));

        QVERIFY(QFile::remove(copy));
        QVERIFY(PrepareLayout(l).problem.isEmpty());
        QCOMPARE(readFile(copy), QByteArray("shipped, newer"));
    }

    // What cannot be done is said; only an unusable folder stops the start.
    void problemsAreReported()
    {
        QTemporaryDir root;
        // A file where the data folder's parent should be.
        writeFile(root.filePath(QStringLiteral("blocked")), "x");
        const PrepareResult blocked = PrepareLayout({true, root.filePath(QStringLiteral("blocked/mtrfee")), root.path()});
        QVERIFY(!blocked.folderReady);
        QVERIFY2(blocked.problem.contains(QStringLiteral("无法创建数据文件夹")), qPrintable(blocked.problem));

        // No shipped template: the folder is usable, the missing file named.
        const Layout noTemplate{true, root.filePath(QStringLiteral("data/mtrfee")), root.filePath(QStringLiteral("none"))};
        const PrepareResult missing = PrepareLayout(noTemplate);
        QVERIFY(missing.folderReady);
        QVERIFY2(missing.problem.contains(kTemplateFileName), qPrintable(missing.problem));
        QVERIFY(QFileInfo(noTemplate.programDir).isDir());
        QVERIFY(!QFileInfo::exists(noTemplate.programDir + QLatin1Char('/') + kTemplateFileName + QStringLiteral(".part")));

        // A portable layout is used as it is.
        QVERIFY(PrepareLayout({false, root.filePath(QStringLiteral("nowhere")), root.path()}).problem.isEmpty());
        QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("nowhere"))));
    }

    // Files this process creates after the preparation are owner-only.
    void newFilesAreOwnerOnly()
    {
        QTemporaryDir root;
        setProgramDir(root.path());
        QVERIFY(prepareProgramDir());
        const QString file = inProgramDir(QStringLiteral("new.db"));
        writeFile(file, "x");
        QCOMPARE(mode(file), 0600);
        QVERIFY(QDir().mkdir(inProgramDir(QStringLiteral("backup"))));
        QCOMPARE(mode(inProgramDir(QStringLiteral("backup"))), 0700);
        setProgramDir(QString());
    }
};

QTEST_MAIN(TestAppPaths)
#include "test_apppaths.moc"
