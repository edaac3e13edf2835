#include "app/orderform.h"
#include "app/singleinstance.h"
#include "scratchdir.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class SingleInstanceTest : public QObject
{
    Q_OBJECT

    static QString uniqueTitle()
    {
        return QStringLiteral("mtrfee-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++s_counter);
    }
    static inline int s_counter = 0;

private slots:
    void secondClaimAsksTheFirstToComeForward()
    {
        // The program's own title: the second start below is the real program.
        SingleInstance first(QStringLiteral("mtrfee"));
        if (!first.claim())
            QSKIP("an instance of the program is running for this user");
        QSignalSpy raised(&first, &SingleInstance::activationRequested);

        // The second start is a real process of the program: it must end at
        // once without touching the settings or the database.
        ScratchDir dir;
        const QString exe = QCoreApplication::applicationDirPath() + QStringLiteral("/../../program/mtrfee");
        QVERIFY2(QFile::exists(exe), qPrintable(exe));
        const QString copy = dir.file(QStringLiteral("mtrfee"));
        QVERIFY(QFile::copy(exe, copy));
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        second.setProcessEnvironment(env);
        second.start(copy, {});
        QVERIFY(second.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(raised.count(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 10000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!QFile::exists(dir.file(QStringLiteral("qmvDemo.db"))));
        QVERIFY(!QFile::exists(dir.file(QStringLiteral("mtrfee.ini"))));
    }

    void staleSocketDoesNotStopTheNextStart()
    {
        const QString title = uniqueTitle();
        const QString name = SingleInstance::socketName(title);
        const QString path = QDir::tempPath() + QLatin1Char('/') + name;
        // A socket file whose owner died without removing it.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray p = QFile::encodeName(path);
        qstrncpy(addr.sun_path, p.constData(), sizeof addr.sun_path);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        ::close(fd);
        QVERIFY(QFile::exists(path));

        SingleInstance next(title);
        QVERIFY(next.claim());
        // ... and it is now the one instance others find.
        SingleInstance later(title);
        QVERIFY(!later.claim());
    }

    void mainWindowHasItsFourTabs()
    {
        TOrderForm form;
        QCOMPARE(form.size(), QSize(929, 696));
        auto *tabs = form.findChild<QTabWidget *>(QStringLiteral("PageControl1"));
        QVERIFY(tabs);
        QStringList titles;
        for (int i = 0; i < tabs->count(); ++i)
            titles << tabs->tabText(i);
        QCOMPARE(titles, (QStringList{"单据录入打印", "基础数据维护", "历史单据查询", "在线帮助", "抄表计费", "收费管理"}));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(form.windowTitle(), TOrderForm::kProductTitle);
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "test_singleinstance.moc"
