#include "testprintserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <cups/cups.h>
#include <memory>
#include <sys/un.h>

namespace {

QString scriptPath()
{
    return QStringLiteral(MTRFEE_TEST_SERVICES);
}

// A folder for the scheduler: in the temporary folder, unless the socket's
// path would be too long for a socket there.
QString makeFolder()
{
    for (const QString &base : {QDir::tempPath(), QStringLiteral("/tmp")}) {
        QByteArray pattern = QFile::encodeName(QDir(base).filePath(QStringLiteral("mtrfee-cups-XXXXXX")));
        if (size_t(pattern.size()) + sizeof("/cups.sock") > sizeof(sockaddr_un::sun_path))
            continue;
        if (::mkdtemp(pattern.data()))
            return QFile::decodeName(pattern);
    }
    return {};
}

} // namespace

TestPrintServer::TestPrintServer()
{
    m_hadServer = qEnvironmentVariableIsSet("CUPS_SERVER");
    m_oldServer = qgetenv("CUPS_SERVER");
    m_hadDest = qEnvironmentVariableIsSet("LPDEST");
    m_oldDest = qgetenv("LPDEST");
    m_dir = makeFolder();
    if (m_dir.isEmpty()) {
        m_error = QStringLiteral("no folder for the test scheduler");
        return;
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(scriptPath(), {QStringLiteral("start"), m_dir});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_error = QStringLiteral("%1 start failed: %2").arg(scriptPath(), QString::fromLocal8Bit(p.readAll()));
        stop();
        return;
    }
    qputenv("CUPS_SERVER", QFile::encodeName(socketPath()));
    // Before the user's own default (lpoptions) too.
    qputenv("LPDEST", queueName().toUtf8());
    cupsSetServer(nullptr);   // read the variable again
    // Asked of the scheduler itself (LPDEST alone would name the queue).
    cups_dest_t *dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    m_running = cupsGetDest(queueName().toUtf8().constData(), nullptr, count, dests) != nullptr;
    cupsFreeDests(count, dests);
    if (!m_running)
        m_error = QStringLiteral("the test scheduler at %1 has no queue %2").arg(socketPath(), queueName());
}

TestPrintServer::~TestPrintServer()
{
    stop();
}

void TestPrintServer::stop()
{
    if (m_dir.isEmpty())
        return;
    QProcess::execute(scriptPath(), {QStringLiteral("stop"), m_dir});
    m_dir.clear();
    m_running = false;
    if (m_hadServer)
        qputenv("CUPS_SERVER", m_oldServer);
    else
        qunsetenv("CUPS_SERVER");
    if (m_hadDest)
        qputenv("LPDEST", m_oldDest);
    else
        qunsetenv("LPDEST");
    cupsSetServer(nullptr);
}

QString TestPrintServer::socketPath() const
{
    return m_dir + QStringLiteral("/cups.sock");
}

QString TestPrintServer::outputDir() const
{
    return m_dir + QStringLiteral("/pdf");
}

QSet<QString> TestPrintServer::outputFiles() const
{
    QSet<QString> files;
    const auto entries = QDir(outputDir()).entryInfoList({QStringLiteral("job_*.pdf")}, QDir::Files);
    for (const QFileInfo &fi : entries)
        files.insert(fi.absoluteFilePath());
    return files;
}

QStringList TestPrintServer::newOutputs(const QSet<QString> &before, int timeoutMs, int settleMs) const
{
    QElapsedTimer t;
    t.start();
    auto fresh = [&] {
        QStringList out;
        for (const QString &f : outputFiles())
            if (!before.contains(f))
                out << f;
        return out;
    };
    while (fresh().isEmpty() && t.elapsed() < timeoutMs)
        QTest::qWait(100);
    if (fresh().isEmpty())
        return {};
    QTest::qWait(settleMs);
    return fresh();   // written whole under another name, then moved
}

QString TestPrintServer::jobDocument(int jobId) const
{
    return m_dir + QStringLiteral("/spool/d%1-001").arg(jobId, 5, 10, QLatin1Char('0'));
}

TestPrintServer &TestPrintServer::shared()
{
    static std::unique_ptr<TestPrintServer> server;
    if (!server) {
        server = std::make_unique<TestPrintServer>();
        qAddPostRoutine([] { server.reset(); });
    }
    return *server;
}
