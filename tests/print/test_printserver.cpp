// The printing tests' scheduler is their own: the machine's printing setup
// (the scheduler's configuration, its default printer, the user's printer
// options) is the same after a test as before, and a job the program sends
// to "the default printer" lands in the test's own folder.
#include "print/defaultprinter.h"
#include "testprintserver.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("(none)");
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
}

// What the machine's printing setup is: the scheduler's settings file, the
// user's printer options and the machine scheduler's default destination.
QStringList machineSetup()
{
    QStringList state;
    state << QStringLiteral("cupsd.conf ") + QString::fromLatin1(fileHash(QStringLiteral("/etc/cups/cupsd.conf")));
    state << QStringLiteral("lpoptions ") + QString::fromLatin1(fileHash(QDir::home().filePath(QStringLiteral(".cups/lpoptions"))));
    QProcess lpstat;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("CUPS_SERVER"));
    env.remove(QStringLiteral("LPDEST"));
    env.remove(QStringLiteral("PRINTER"));
    lpstat.setProcessEnvironment(env);
    lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-d")});
    lpstat.waitForFinished(10000);
    state << QStringLiteral("default ") + QString::fromLocal8Bit(lpstat.readAllStandardOutput()).trimmed();
    return state;
}

} // namespace

class TestPrintServerSetup : public QObject
{
    Q_OBJECT

private slots:
    void machineSetupLeftAlone()
    {
        const QStringList before = machineSetup();
        const QByteArray serverBefore = qgetenv("CUPS_SERVER");
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("probe.pdf"));
        {
            QPdfWriter writer(pdf);
            QPainter painter(&writer);
            painter.drawText(100, 100, QStringLiteral("probe"));
        }
        {
            TestPrintServer server;
            QVERIFY2(server.isRunning(), qPrintable(server.error()));
            QCOMPARE(DefaultPrinter::name(), server.queueName());
            const int job = DefaultPrinter::printPdf(pdf, QStringLiteral("probe"));
            QVERIFY(job > 0);
            const QStringList outputs = server.newOutputs({}, 30000, 0);
            QCOMPARE(outputs, QStringList{server.outputDir() + QStringLiteral("/job_%1.pdf").arg(job)});
            QCOMPARE(fileHash(outputs.first()), fileHash(pdf));
            QCOMPARE(fileHash(server.jobDocument(job)), fileHash(pdf));
        }
        QCOMPARE(qgetenv("CUPS_SERVER"), serverBefore);
        QCOMPARE(machineSetup(), before);
    }
};

QTEST_MAIN(TestPrintServerSetup)
#include "test_printserver.moc"
