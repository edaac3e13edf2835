#pragma once

// Shared pieces of the printing tests: a filled-in receipt, the template in
// the scratch program folder, and the PDF files the test's own default queue
// writes (see TestPrintServer).

#include "print/defaultprinter.h"
#include "settings/global.h"
#include "print/receiptprint.h"
#include "scratchdir.h"
#include "testprintserver.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTest>
#include <QThread>
#include <memory>

namespace PrintFixture {

inline ReceiptPrintData sampleReceipt()
{
    ReceiptPrintData d;
    d.Edit1 = QStringLiteral("2024-03-05");
    d.edit2 = QStringLiteral("温州");
    d.Edit3 = QStringLiteral("00000001");
    d.edit41 = QStringLiteral("张三");
    d.Edit21 = QStringLiteral("1250.5");
    d.Edit22 = QStringLiteral("1200");
    d.Edit8 = QStringLiteral("0");
    d.Edit27 = QStringLiteral("50.5");
    d.Edit28 = QStringLiteral("0.6");
    d.Edit29 = QStringLiteral("30.3");
    d.Edit30 = QStringLiteral("88");
    d.Edit31 = QStringLiteral("80");
    d.Edit24 = QStringLiteral("0");
    d.Edit32 = QStringLiteral("8");
    d.Edit33 = QStringLiteral("3.1");
    d.Edit34 = QStringLiteral("24.8");
    d.Edit36 = QStringLiteral("1");
    d.Edit37 = QStringLiteral("100");
    d.Edit35 = QStringLiteral("156.10");
    d.cbyf = QStringLiteral("03");
    d.cblb = QStringLiteral("销售单");
    d.cbskr = QStringLiteral("李四");
    d.cbcbr = QStringLiteral("王五");
    return d;
}

// Puts the built template into the (scratch) program folder.
inline bool installTemplate(const QString &programDir)
{
    const QString target = QDir(programDir).filePath(kTemplateFileName);
    QFile::remove(target);
    return QFile::copy(QStringLiteral(MTRFEE_TEMPLATE_PATH), target);
}

// A scratch program folder with its settings and the built template, for
// one test function.
class ScratchProgram
{
public:
    ScratchProgram() : m_global(m_dir.file(QStringLiteral("mtrfee.ini"))), m_templateInstalled(installTemplate(m_dir.path())) {}
    bool templateInstalled() const { return m_templateInstalled; }
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.file(name); }

private:
    ScratchDir m_dir;
    TGlobal m_global;
    bool m_templateInstalled;
};

// Starts this test's own scheduler (once per process) and points printing
// at its default queue; false when it could not be started.
inline bool ensurePrintServices()
{
    if (!TestPrintServer::shared().isRunning())
        qWarning("%s", qPrintable(TestPrintServer::shared().error()));
    return TestPrintServer::shared().isRunning() && !DefaultPrinter::name().isEmpty();
}

// The PDF files the test queue has written.
inline QSet<QString> pdfOutputFiles()
{
    return TestPrintServer::shared().outputFiles();
}

// Waits for the new PDF files the queue writes after `before`: until one is
// there (or timeoutMs), then a little longer so a second one would show too.
inline QStringList newPdfOutputs(const QSet<QString> &before, int timeoutMs = 30000, int settleMs = 2500)
{
    return TestPrintServer::shared().newOutputs(before, timeoutMs, settleMs);
}

// The document the test scheduler received for a job.
inline QString jobDocument(int jobId)
{
    return TestPrintServer::shared().jobDocument(jobId);
}

inline int pdfPageCount(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(30000);
    const QString info = QString::fromUtf8(p.readAllStandardOutput());
    for (const QString &line : info.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

inline QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace PrintFixture
