#include "print/batchprint.h"

#include "common/apperror.h"
#include "common/apppaths.h"
#include "common/dialogs.h"
#include "data/demodm.h"
#include "data/receiptstore.h"
#include "print/formdyts.h"
#include "print/receiptbatch.h"
#include "print/receiptprint.h"
#include "print/spreadsheetengine.h"
#include "text/texterror.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

BatchPrintServices BatchPrintServices::defaults()
{
    BatchPrintServices s;
    s.runRangeDialog = [](TFormdyts *d) { return d->exec() == QDialog::Accepted && d->accepted(); };
    s.fillReceipt = FillReceiptTemplate;
    s.printFirstSheet = [](const QString &path) { return PrintWorkbookFirstSheet(path) > 0; };
    s.startReceiptJob = [] { return std::unique_ptr<ReceiptJob>(new TemplateReceiptJob); };
    return s;
}

TBatchPrinting::TBatchPrinting(QWidget *dialogParent)
    : QObject(dialogParent), m_formdyts(new TFormdyts(dialogParent))
{
}

TBatchPrinting::~TBatchPrinting()
{
    if (m_batchWindow)
        m_batchWindow->removeEventFilter(this);
}

bool TBatchPrinting::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_batchWindow && event->type() == QEvent::Close && m_batchRunning && !m_batchStop) {
        // The batch would run on without its window: closing ends it after
        // the receipt in hand, or keeps the window open.
        if (!Dialogs::question(QStringLiteral("正在批量打印，关闭窗口将在当前单据打印完后停止打印。您确定要关闭吗？"))) {
            event->ignore();
            return true;
        }
        stopBatch();
        return false;
    }
    return QObject::eventFilter(watched, event);
}

void TBatchPrinting::doBatch(const BatchPrintServices &services, QWidget *window)
{
    if (m_batchRunning)
        return;
    if (!services.runRangeDialog || !services.runRangeDialog(m_formdyts))
        return;
    const qint64 firstNo = m_formdyts->first();
    const qint64 lastNo = m_formdyts->last();

    // Ends the batch state however the batch ends; a failure leaves the
    // last progress text standing.
    struct Running
    {
        TBatchPrinting *batch;
        Running(TBatchPrinting *b, QWidget *window) : batch(b)
        {
            batch->m_batchRunning = true;
            batch->m_batchStop = false;
            batch->m_batchFailures.clear();
            batch->m_batchFailureReason.clear();
            batch->m_batchJobId = 0;
            // Closing the window is watched for while the batch runs.
            batch->m_batchWindow = window;
            if (window)
                window->installEventFilter(batch);
        }
        ~Running()
        {
            if (batch->m_batchWindow)
                batch->m_batchWindow->removeEventFilter(batch);
            batch->m_batchWindow = nullptr;
            batch->m_batchRunning = false;
            emit batch->batchFinished();
        }
    } running(this, window);

    emit statusText(QString());
    setBatchProgress(0, lastNo - firstNo + 1);
    emit batchStarted();
    if (m_formdyts->oneJob()) {
        doBatchOneJob(services, firstNo, lastNo);
        return;
    }
    const QString output = AppPaths::inProgramDir(kPrintFileName);

    for (qint64 i = firstNo; i <= lastNo && !m_batchStop; ++i) {
        QCoreApplication::processEvents();
        emit statusText(QStringLiteral("正在打印序号为%1的单据").arg(i));
        QCoreApplication::processEvents();
        if (m_batchStop)
            break;

        QStringList cells;
        bool printed = false;
        if (openBatchReceipt(i, &cells)) {
            if (!services.fillReceipt) {
                Dialogs::message(kEngineMissingMessage);
                return;
            }
            // A failure to fill ends the batch with its own message.
            try {
                services.fillReceipt(output, cells);
            } catch (const EngineUnavailable &) {
                Dialogs::message(kEngineMissingMessage);
                return;
            }
            try {
                printed = services.printFirstSheet && services.printFirstSheet(output);
            } catch (const AppError &e) {
                if (m_batchFailureReason.isEmpty())
                    m_batchFailureReason = e.message();
            }
            if (!printed)
                m_batchFailures << i;
        }
        setBatchProgress(i - firstNo + 1, lastNo - firstNo + 1);
        emit batchStep(i, printed);
        QCoreApplication::processEvents();
        if (!m_batchStop)
            pause(m_batchPauseMs);
    }
    QCoreApplication::processEvents();
    emit statusText(QString());
    QCoreApplication::processEvents();
    // A batch ended by closing the window says nothing more: the window is gone.
    if (!m_batchFailures.isEmpty() && !m_batchStop) {
        QStringList numbers;
        for (qint64 n : m_batchFailures)
            numbers << QString::number(n);
        QString text = QStringLiteral("以下序号的单据没有打印出来：%1").arg(numbers.join(QStringLiteral("、")));
        if (!m_batchFailureReason.isEmpty())
            text += QLatin1Char('\n') + m_batchFailureReason;
        Dialogs::message(text);
    }
}

// The receipt numbered `number` on the list, as its cell texts; false when
// no receipt has that number. A receipt whose values cannot be read throws,
// or with `unreadable` gives no cells and the reason there.
bool TBatchPrinting::openBatchReceipt(qint64 number, QStringList *cells, QString *unreadable)
{
    const std::optional<ReceiptRow> row = Receipts::historyBySortNumber(DemoDM(), number);
    if (!row)
        return false;
    // A stored text that is not a date or a number makes the receipt unreadable.
    try {
        *cells = ReceiptCellTexts(*row);
    } catch (const AppError &e) {
        if (!unreadable)
            throw;
        *unreadable = e.message();
        cells->clear();
    } catch (const TextError &e) {
        if (!unreadable)
            throw;
        *unreadable = e.message();
        cells->clear();
    }
    return true;
}

void TBatchPrinting::setBatchProgress(qint64 done, qint64 span)
{
    const bool scaled = span > 100000;
    emit progressChanged(scaled ? int(done * 100000 / span) : int(done), scaled ? 100000 : int(span));
}

// The range as one print job: every receipt is filled into the job, one
// after another without a pause; those that cannot be filled are left out
// and named at the end. Stopping (closing the window) sends nothing.
void TBatchPrinting::doBatchOneJob(const BatchPrintServices &services, qint64 firstNo, qint64 lastNo)
{
    // Every receipt is a sheet of one workbook in the engine: a range
    // beyond what one job takes is refused before the engine is asked.
    const qint64 receipts = Receipts::historyInSortRange(DemoDM(), firstNo, lastNo);
    if (receipts > m_oneJobLimit) {
        emit statusText(QString());
        Dialogs::message(QStringLiteral("合并为一个打印任务时一次最多打印%1张单据，所选范围有%2张，请缩小打印范围。")
                             .arg(m_oneJobLimit)
                             .arg(receipts));
        return;
    }
    std::unique_ptr<ReceiptJob> job;
    try {
        if (services.startReceiptJob)
            job = services.startReceiptJob();
    } catch (const EngineUnavailable &) {
        job.reset();
    }
    if (!job) {
        Dialogs::message(kEngineMissingMessage);
        return;
    }
    for (qint64 i = firstNo; i <= lastNo && !m_batchStop; ++i) {
        emit statusText(QStringLiteral("正在打印序号为%1的单据").arg(i));
        QCoreApplication::processEvents();
        if (m_batchStop)
            break;
        bool added = false;
        QStringList cells;
        QString failure;
        if (openBatchReceipt(i, &cells, &failure)) {
            if (failure.isEmpty()) {
                try {
                    job->add(cells);
                    added = true;
                } catch (const EngineUnavailable &e) {
                    // The job is lost with the engine: nothing is sent.
                    Dialogs::message(e.message());
                    return;
                } catch (const AppError &e) {
                    failure = e.message();
                }
            }
            if (!added) {
                m_batchFailures << i;
                if (m_batchFailureReason.isEmpty())
                    m_batchFailureReason = failure;
            }
        }
        setBatchProgress(i - firstNo + 1, lastNo - firstNo + 1);
        emit batchStep(i, added);
    }
    QCoreApplication::processEvents();
    if (m_batchStop) {
        emit statusText(QString());
        return;
    }
    QString sendFailure;
    if (job->count() > 0) {
        // The layout of all pages is one engine call: the window does not
        // answer until it is done, and a stop asked for meanwhile is seen
        // right after it, before anything is sent.
        emit statusText(QStringLiteral("正在生成打印文件（%1张单据），生成完成前不能停止").arg(job->count()));
        QCoreApplication::processEvents();
        try {
            job->render();
            QCoreApplication::processEvents();
            if (!m_batchStop) {
                emit statusText(QStringLiteral("正在发送打印任务（%1张单据）").arg(job->count()));
                QCoreApplication::processEvents();
            }
            if (!m_batchStop)
                m_batchJobId = job->send(QStringLiteral("批量打印 序号%1-%2").arg(firstNo).arg(lastNo));
        } catch (const EngineUnavailable &e) {
            sendFailure = e.message();
        } catch (const AppError &e) {
            sendFailure = QStringLiteral("批量打印失败：%1").arg(e.message());
        }
        if (m_batchStop) {
            job.reset();
            emit statusText(QString());
            return;
        }
    }
    job.reset();
    emit statusText(QString());
    QCoreApplication::processEvents();
    if (!sendFailure.isEmpty())
        Dialogs::error(sendFailure);
    if (!m_batchFailures.isEmpty()) {
        QStringList numbers;
        for (qint64 n : m_batchFailures)
            numbers << QString::number(n);
        Dialogs::message(QStringLiteral("以下序号的单据无法填写，没有放入打印任务：%1\n%2")
                             .arg(numbers.join(QStringLiteral("、")), m_batchFailureReason));
    }
}

void TBatchPrinting::pause(int ms)
{
    if (ms <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    m_pauseLoop = &loop;
    loop.exec();
    m_pauseLoop = nullptr;
}

void TBatchPrinting::stopBatch()
{
    if (!m_batchRunning)
        return;
    m_batchStop = true;
    if (m_pauseLoop)
        m_pauseLoop->quit();
}
