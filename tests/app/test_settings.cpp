#include "settings/global.h"
#include "common/apperror.h"
#include "common/apppaths.h"
#include "recordingdialogs.h"
#include "scratchdir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A small tmpfs mounted for one test and unmounted when the object goes.
class SmallDisk
{
public:
    explicit SmallDisk(const char *size)
    {
        if (::geteuid() != 0 || !m_dir.isValid())
            return;
        m_mounted = QProcess::execute(QStringLiteral("mount"),
                                      {"-t", "tmpfs", "-o", QStringLiteral("size=%1,mode=0700").arg(QLatin1String(size)),
                                       "tmpfs", m_dir.path()})
            == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {"-l", m_dir.path()});
    }
    bool mounted() const { return m_mounted; }
    QString file(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }
    QString path() const { return m_dir.path(); }

    // Writes a filler file until the disk refuses more.
    void fill()
    {
        QFile filler(file(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray block(1024, 'f');
        while (filler.write(block) == block.size()) {
        }
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

    static QByteArray readBytes(const QString &path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }
    static void writeBytes(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray gbk(const QString &s)
    {
        QStringEncoder enc("GBK");
        return enc(s);
    }

private slots:
    void defaultsWithoutFile()
    {
        ScratchDir dir;
        RecordingDialogs dlg;
        {
            TGlobal g(dir.file("mtrfee.ini"));
            QCOMPARE(g.str_skr, QString());
            QCOMPARE(g.str_cbr, QString());
            QCOMPARE(g.strsjlx, QStringLiteral("普通收据"));
            QCOMPARE(g.strdyf, QStringLiteral("N"));
            QCOMPARE(g.str_dj, QStringLiteral("0"));
            QCOMPARE(g.str_djs, QStringLiteral("0"));
            QVERIFY(!QFile::exists(dir.file("mtrfee.ini"))); // reading creates nothing
        }
        QVERIFY(QFile::exists(dir.file("mtrfee.ini")));     // destruction writes it
        QCOMPARE(dlg.count(), 0);
    }

    void newFileListsKeysInWriteOrder()
    {
        ScratchDir dir;
        TGlobal g(dir.file("mtrfee.ini"));
        g.str_skr = QStringLiteral("张三");
        g.WriteSettings();
        QStringDecoder dec("GBK");
        const QString text = dec(readBytes(dir.file("mtrfee.ini")));
        const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QStringList expected{"[Judge]", "str_zg=", "str_kj=", "str_skr=张三", "str_bt=", "str_qy=",
                                   "strsjlx=普通收据", "strdyf=N", "str_dj=0", "str_djs=0", "str_cbr="};
        QCOMPARE(lines, expected);
    }

    void chineseValuesRoundTripAsGbk()
    {
        ScratchDir dir;
        const QString path = dir.file("mtrfee.ini");
        {
            TGlobal g(path);
            g.str_skr = QStringLiteral("张三");
            g.str_cbr = QStringLiteral("李四");
            g.str_bt = QStringLiteral("阳光小区物业水电费收据");
            g.strsjlx = QStringLiteral("销售单");
            g.strdyf = QStringLiteral("Y");
            g.str_dj = QStringLiteral("0.55");
            g.str_djs = QStringLiteral("2.1");
        }
        const QByteArray bytes = readBytes(path);
        QVERIFY(bytes.contains(gbk(QStringLiteral("str_skr=张三"))));
        QVERIFY(bytes.contains(QByteArray("str_skr=\xD5\xC5\xC8\xFD"))); // 张三 in GBK
        QVERIFY(!bytes.contains(QStringLiteral("张三").toUtf8()));
        TGlobal again(path);
        QCOMPARE(again.str_skr, QStringLiteral("张三"));
        QCOMPARE(again.str_cbr, QStringLiteral("李四"));
        QCOMPARE(again.str_bt, QStringLiteral("阳光小区物业水电费收据"));
        QCOMPARE(again.strsjlx, QStringLiteral("销售单"));
        QCOMPARE(again.strdyf, QStringLiteral("Y"));
        QCOMPARE(again.str_dj, QStringLiteral("0.55"));
        QCOMPARE(again.str_djs, QStringLiteral("2.1"));
    }

    void longValueIsCut()
    {
        ScratchDir dir;
        const QString path = dir.file("mtrfee.ini");
        const QString longValue = QString(3000, QLatin1Char('x'));
        writeBytes(path, "[Judge]\nstr_bt=" + longValue.toLatin1() + "\n");
        TGlobal g(path);
        QCOMPARE(g.str_bt.size(), 2047);
        QCOMPARE(g.str_bt, longValue.left(2047));
    }

    void sectionAndKeysIgnoreCaseAndOtherLinesStay()
    {
        ScratchDir dir;
        const QString path = dir.file("mtrfee.ini");
        writeBytes(path, "; hand-written\n[Other]\nstr_dj=9\n[JUDGE]\nSTR_DJ=1.5\nmine=keep me\nStrDyf=y\n");
        {
            TGlobal g(path);
            QCOMPARE(g.str_dj, QStringLiteral("1.5"));     // not the [Other] one
            QCOMPARE(g.strdyf, QStringLiteral("y"));       // kept as written: not "Y"
            g.str_dj = QStringLiteral("2");
            g.WriteSettings();
        }
        const QString text = QString::fromLatin1(readBytes(path));
        const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.mid(0, 6), (QStringList{"; hand-written", "[Other]", "str_dj=9", "[JUDGE]", "str_dj=2", "mine=keep me"}));
        QCOMPARE(lines.at(6), QStringLiteral("strdyf=y"));            // existing key keeps its place
        QCOMPARE(lines.count(QStringLiteral("str_dj=9")), 1);
        QVERIFY(lines.contains(QStringLiteral("str_cbr=")));          // new keys appended to the section
        QCOMPARE(lines.last(), QStringLiteral("str_cbr="));
    }

    void unwritableFileIsReported()
    {
        ScratchDir dir;
        // A folder where the file should be: nothing can be written there.
        const QString path = dir.file("mtrfee.ini");
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("mtrfee.ini")));
        RecordingDialogs dlg;
        {
            TGlobal g(path);
            try {
                g.WriteSettings();
                QFAIL("write did not fail");
            } catch (const AppError &e) {
                QCOMPARE(e.message(), QStringLiteral("Unable to write to %1").arg(path));
            }
        }
        // At program end the failure is shown, not thrown.
        QCOMPARE(dlg.texts(), QStringList{QStringLiteral("Unable to write to %1").arg(path)});
    }

    void fullDiskKeepsTheOldFile()
    {
        SmallDisk disk("64k");
        if (!disk.mounted())
            QSKIP("no tmpfs could be mounted here (needs root)");
        const QString path = disk.file(QStringLiteral("mtrfee.ini"));
        RecordingDialogs dlg;
        QByteArray before;
        {
            TGlobal g(path);
            g.str_skr = QStringLiteral("张三");
            g.str_dj = QStringLiteral("0.55");
            g.strdyf = QStringLiteral("Y");
            g.WriteSettings();
            before = readBytes(path);
            QVERIFY(before.contains(gbk(QStringLiteral("str_skr=张三"))));

            disk.fill();
            g.str_bt = QString(2000, QLatin1Char('x'));
            try {
                g.WriteSettings();
                QFAIL("a write on a full disk was taken for a success");
            } catch (const AppError &e) {
                QCOMPARE(e.message(), QStringLiteral("Unable to write to %1").arg(path));
            }
            QCOMPARE(readBytes(path), before);
        }
        // At program end the same failure is shown and the old file stays.
        QCOMPARE(dlg.texts(), QStringList{QStringLiteral("Unable to write to %1").arg(path)});
        QCOMPARE(readBytes(path), before);
        // Nothing half-written is left beside it.
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{QStringLiteral("filler"), QStringLiteral("mtrfee.ini")}));
        TGlobal again(path);
        QCOMPARE(again.str_skr, QStringLiteral("张三"));
        QCOMPARE(again.strdyf, QStringLiteral("Y"));
    }

    void fileIsReadableByItsOwnerOnly()
    {
        ScratchDir dir;
        const QString path = dir.file("mtrfee.ini");
        writeBytes(path, "[Judge]\nstr_dj=1\n");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        for (int round = 0; round < 2; ++round) {   // an old 0644 file, then a file of ours
            TGlobal g(path);
            g.WriteSettings();
            struct stat st{};
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, mode_t(0600));
        }
    }

    // Lines that are not among the ten keys keep their bytes, whatever they are.
    void otherLinesKeptByteForByte_data()
    {
        QTest::addColumn<QByteArray>("other");
        QTest::newRow("invalid GBK") << QByteArray("; \x81\x20\xff\xfe\x80 broken\nnote=\xfe\xfe\n");
        QTest::newRow("Latin-1") << QByteArray("caf\xe9=menu\n[Other]\nname=Beyonc\xe9 \xbd\n");
        QTest::newRow("CRLF lines") << QByteArray("a=1\r\nb=\xa4\r\n");
        QTest::newRow("blank and odd lines") << QByteArray("\n   \n==\n[\n]\n\t; x\n");
    }
    void otherLinesKeptByteForByte()
    {
        QFETCH(QByteArray, other);
        ScratchDir dir;
        const QString path = dir.file("mtrfee.ini");
        // A file in the form this program writes, with foreign lines around it.
        const QByteArray ours = gbk(QStringLiteral("[Judge]\nstr_zg=\nstr_kj=\nstr_skr=张三\nstr_bt=\nstr_qy=\n"
                                                   "strsjlx=销售单\nstrdyf=N\nstr_dj=0.5\nstr_djs=2\nstr_cbr=李四\n"));
        const QByteArray content = other + ours + other;
        writeBytes(path, content);
        {
            TGlobal g(path);
            QCOMPARE(g.str_skr, QStringLiteral("张三"));
            g.WriteSettings();
        }
        QCOMPARE(readBytes(path), content);
        // A changed value changes its own line only.
        {
            TGlobal g(path);
            g.str_dj = QStringLiteral("0.75");
        }
        QByteArray expected = content;
        expected.replace("str_dj=0.5\n", "str_dj=0.75\n");
        QCOMPARE(readBytes(path), expected);
    }

    void junkFileGetsOnlyTheSectionAppended_data()
    {
        QTest::addColumn<bool>("finalNewline");
        QTest::newRow("ends with a line break") << true;
        QTest::newRow("ends mid-line") << false;
    }
    void junkFileGetsOnlyTheSectionAppended()
    {
        QFETCH(bool, finalNewline);
        ScratchDir dir;
        const QString path = dir.file("mtrfee.ini");
        QByteArray junk(1 << 20, Qt::Uninitialized);
        QRandomGenerator rng(20240305);
        for (char &c : junk) {
            c = char(rng.bounded(256));
            if (c == '\r' || c == '[')
                c = 'x';   // no CRLF file, no section header by chance
        }
        junk.back() = finalNewline ? '\n' : 'x';
        writeBytes(path, junk);
        {
            TGlobal g(path);
            g.str_skr = QStringLiteral("张三");
        }
        const QByteArray after = readBytes(path);
        QVERIFY(after.startsWith(junk));
        const QByteArray appended = after.mid(junk.size());
        const QByteArray section = gbk(QStringLiteral("[Judge]\nstr_zg=\nstr_kj=\nstr_skr=张三\nstr_bt=\nstr_qy=\n"
                                                      "strsjlx=普通收据\nstrdyf=N\nstr_dj=0\nstr_djs=0\nstr_cbr=\n"));
        QCOMPARE(appended, finalNewline ? section : "\n" + section);
    }

    void canStore_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("storable");
        QTest::addColumn<QString>("outside");
        QTest::newRow("Chinese") << "张三" << true << "";
        QTest::newRow("empty") << "" << true << "";
        QTest::newRow("GBK extras") << "café €·—" << true << "";
        QTest::newRow("question mark") << "王?" << true << "";
        QTest::newRow("emoji and extension B") << "户😀𠀀" << false << "😀𠀀";
        QTest::newRow("outside GBK, repeated") << "ǅǅ户" << false << "ǅ";
        QTest::newRow("line break") << "张\n三" << false << "";
        QTest::newRow("blank at the end") << "张三 " << true << "";
        QTest::newRow("ideographic blank first") << "\u3000张三" << true << "";
        QTest::newRow("enclosing quotes") << "\"张三\"" << true << "";
        QTest::newRow("quotes and blanks") << " '张三' " << true << "";
        QTest::newRow("inner quote") << "张\"三" << true << "";
        QTest::newRow("longest") << QString(2047, QLatin1Char('x')) << true << "";
        QTest::newRow("too long") << QString(2048, QLatin1Char('x')) << false << "";
    }
    void canStore()
    {
        QFETCH(QString, value);
        QFETCH(bool, storable);
        QFETCH(QString, outside);
        QCOMPARE(TGlobal::canStore(value), storable);
        const QString message = TGlobal::cannotStoreMessage(QStringLiteral("收款人"), value);
        QCOMPARE(message.isEmpty(), storable);
        if (!storable)
            QVERIFY2(message.startsWith(QStringLiteral("收款人")), qPrintable(message));
        if (!outside.isEmpty())
            QVERIFY2(message.contains(outside), qPrintable(message));
        // What canStore accepts comes back from the file unchanged; what it
        // refuses would not.
        ScratchDir dir;
        const QString path = dir.file("mtrfee.ini");
        RecordingDialogs dlg;
        {
            TGlobal g(path);
            g.str_skr = value;
            g.str_cbr = value;
        }
        TGlobal back(path);
        QCOMPARE(back.str_skr == value && back.str_cbr == value, storable);
        // A value the file cannot keep is not written changed: the program
        // end says why instead.
        QCOMPARE(dlg.texts(), storable ? QStringList() : QStringList{TGlobal::cannotStoreMessage(QStringLiteral("收款人"), value)});
    }

    void unstorableValueLeavesItsLineAsItWas()
    {
        ScratchDir dir;
        const QString path = dir.file("mtrfee.ini");
        writeBytes(path, "[Judge]\nstr_skr=\xfe\xfe ok\nstr_cbr=x\n");
        TGlobal g(path);
        g.str_dj = QStringLiteral("0.5");
        g.WriteSettings();                     // a value read from the file stays byte for byte
        QVERIFY(readBytes(path).startsWith("[Judge]\nstr_skr=\xfe\xfe ok\nstr_cbr=x\n"));
        QVERIFY(readBytes(path).contains("str_dj=0.5\n"));
        g.str_cbr = QStringLiteral("户😀𠀀");
        g.str_dj = QStringLiteral("0.6");
        try {
            g.WriteSettings();
            QFAIL("a value outside GBK was written");
        } catch (const AppError &e) {
            QCOMPARE(e.message(), TGlobal::cannotStoreMessage(QStringLiteral("抄表人"), g.str_cbr));
        }
        const QByteArray after = readBytes(path);
        QVERIFY(after.contains("\nstr_cbr=x\n"));
        QVERIFY(!after.contains("?"));
        QVERIFY(after.contains("str_dj=0.6\n"));     // the other keys are written
        g.str_cbr = QStringLiteral("x");
    }

    void writtenByProgramNeedsTheTenKeys()
    {
        ScratchDir dir;
        const QString path = dir.file("mtrfee.ini");
        QVERIFY(!TGlobal::writtenByProgram(path));
        writeBytes(path, "[judge]\nstr_dj=0.5\nstr_djs=2\n");
        QVERIFY(!TGlobal::writtenByProgram(path));          // a hand-made file
        { TGlobal g(path); }
        QVERIFY(TGlobal::writtenByProgram(path));
    }

    void fileNameFollowsExecutable_data()
    {
        QTest::addColumn<QString>("exe");
        QTest::addColumn<QString>("ini");
        QTest::newRow("linux") << "mtrfee" << "mtrfee.ini";
        QTest::newRow("windows-style") << "fees.exe" << "fees.ini";
        QTest::newRow("renamed") << "shoufei" << "shoufei.ini";
    }
    void fileNameFollowsExecutable()
    {
        QFETCH(QString, exe);
        QFETCH(QString, ini);
        ScratchDir dir;
        AppPaths::setExecutableName(exe);
        QCOMPARE(TGlobal::defaultPath(), dir.file(ini));
        AppPaths::setExecutableName(QString());
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "test_settings.moc"
