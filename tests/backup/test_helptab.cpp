// The help tab's "使用帮助": the user guide opens with the desktop; a missing
// guide, or a desktop that cannot open it, is said so.
#include "backup/helptab.h"
#include "common/apppaths.h"
#include "recordingdialogs.h"
#include "scratchdir.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QUrl>

class TestHelpTab : public QObject
{
    Q_OBJECT

private slots:
    void opensTheGuide_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("desktopOpens");
        QTest::addColumn<QString>("message"); // part of the box's text, empty: no box
        QTest::newRow("opened") << true << true << QString();
        QTest::newRow("missing") << false << true << QStringLiteral("找不到使用手册");
        QTest::newRow("nothing to open it with") << true << false << QStringLiteral("无法打开使用手册");
    }

    void opensTheGuide()
    {
        QFETCH(bool, present);
        QFETCH(bool, desktopOpens);
        QFETCH(QString, message);
        ScratchDir dir;
        RecordingDialogs dialogs;
        const QString guide = AppPaths::helpDocumentPath();
        QVERIFY(guide.startsWith(dir.path() + QLatin1Char('/')));
        if (present) {
            QVERIFY(QDir().mkpath(QFileInfo(guide).absolutePath()));
            QFile f(guide);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("<html><body>使用手册</body></html>");
        }

        THelpTab tab;
        QList<QUrl> opened;
        tab.openUrl = [&](const QUrl &url) {
            opened << url;
            return desktopOpens;
        };
        QTest::mouseClick(tab.helpButton(), Qt::LeftButton);

        QCOMPARE(opened, present ? QList<QUrl>{QUrl::fromLocalFile(guide)} : QList<QUrl>{});
        if (message.isEmpty()) {
            QCOMPARE(dialogs.count(), 0);
        } else {
            QCOMPARE(dialogs.count(), 1);
            QVERIFY2(dialogs.last().contains(message), qPrintable(dialogs.last()));
            QVERIFY2(dialogs.last().contains(QDir::toNativeSeparators(guide)), qPrintable(dialogs.last()));
        }
    }
};

QTEST_MAIN(TestHelpTab)
#include "test_helptab.moc"
