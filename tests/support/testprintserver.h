#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// A print scheduler of the test's own (scripts/test-services.sh start): its
// default queue writes each job's document into a folder of its own, so
// tests that run at the same time never see each other's jobs, and the
// machine's printing setup is left as it is. While it lives, CUPS_SERVER and
// LPDEST point this process (and what it starts) at it, so the program's
// "default printer" is the test queue.
class TestPrintServer
{
public:
    TestPrintServer();
    ~TestPrintServer();
    TestPrintServer(const TestPrintServer &) = delete;
    TestPrintServer &operator=(const TestPrintServer &) = delete;

    bool isRunning() const { return m_running; }
    QString error() const { return m_error; }

    QString socketPath() const;
    QString queueName() const { return QStringLiteral("mtrfee-test"); }
    // The folder the queue writes its jobs into (job_<id>.pdf).
    QString outputDir() const;
    QSet<QString> outputFiles() const;
    // The new files after `before`: waits until one is there (or timeoutMs),
    // then settleMs longer so that a second one would show too.
    QStringList newOutputs(const QSet<QString> &before, int timeoutMs = 30000, int settleMs = 2500) const;
    // The document the scheduler received for a job (kept after printing).
    QString jobDocument(int jobId) const;

    // The scheduler of this process, started at the first call and ended
    // when the application goes.
    static TestPrintServer &shared();

private:
    void stop();

    QString m_dir;
    QString m_error;
    bool m_running = false;
    QByteArray m_oldServer, m_oldDest;
    bool m_hadServer = false, m_hadDest = false;
};
