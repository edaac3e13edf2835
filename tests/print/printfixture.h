#pragma once

// Shared pieces of the printing tests: a filled-in receipt, the template in
// the scratch program folder, and the PDF files the default queue writes.

#include "print/defaultprinter.h"
#include "print/receiptprint.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTest>
#include <QThread>

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

// Makes sure the scheduler runs and a default queue exists.
inline bool ensurePrintServices()
{
    if (!DefaultPrinter::name().isEmpty())
        return true;
    QProcess::execute(QStringLiteral(MTRFEE_TEST_SERVICES), {});
    return !DefaultPrinter::name().isEmpty();
}

// The folders cups-pdf writes its files into.
inline QStringList pdfOutputDirs()
{
    QStringList dirs{QDir::home().filePath(QStringLiteral("PDF")), QStringLiteral("/var/spool/cups-pdf/ANONYMOUS")};
    const QString user = qEnvironmentVariable("USER");
    if (!user.isEmpty())
        dirs << QStringLiteral("/var/spool/cups-pdf/") + user;
    return dirs;
}

inline QSet<QString> pdfOutputFiles()
{
    QSet<QString> files;
    for (const QString &dir : pdfOutputDirs()) {
        const auto entries = QDir(dir).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files);
        for (const QFileInfo &fi : entries)
            files.insert(fi.absoluteFilePath());
    }
    return files;
}

// Waits for the new PDF files the queue writes after `before`: until one is
// there (or timeoutMs), then a little longer so a second one would show too.
inline QStringList newPdfOutputs(const QSet<QString> &before, int timeoutMs = 30000, int settleMs = 2500)
{
    QElapsedTimer t;
    t.start();
    auto fresh = [&] {
        QStringList out;
        for (const QString &f : pdfOutputFiles())
            if (!before.contains(f))
                out << f;
        return out;
    };
    while (fresh().isEmpty() && t.elapsed() < timeoutMs)
        QTest::qWait(100);
    if (fresh().isEmpty())
        return {};
    QTest::qWait(settleMs);
    // The file is complete once its size stops changing.
    QStringList files = fresh();
    for (const QString &f : files) {
        qint64 size = -1;
        while (QFileInfo(f).size() != size && t.elapsed() < timeoutMs + 10000) {
            size = QFileInfo(f).size();
            QTest::qWait(300);
        }
    }
    return files;
}

// The document CUPS received for a job (kept by the scheduler, see
// scripts/test-services.sh).
inline QString jobDocument(int jobId)
{
    return QStringLiteral("/var/spool/cups/d%1-001").arg(jobId, 5, 10, QLatin1Char('0'));
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
