#include "app/global.h"
#include "common/apperror.h"
#include "common/apppaths.h"
#include "recordingdialogs.h"
#include "scratchdir.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

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
