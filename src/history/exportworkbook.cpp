#include "history/exportworkbook.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/filereplace.h"
#include "data/demodm.h"
#include "data/namedquery.h"
#include "print/spreadsheetengine.h"
#include "text/numtext.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <limits>

namespace WorkbookExport {

SavePathChooser fileDialog(QWidget *parent)
{
    return [parent](const QString &presetName) {
        return QFileDialog::getSaveFileName(
            parent, QStringLiteral("导出到"), presetName,
            QStringLiteral("Excel 工作簿 (*.xls);;Excel 2007 工作簿 (*.xlsx);;OpenDocument 电子表格 (*.ods);;所有文件 (*)"),
            nullptr, QFileDialog::DontConfirmOverwrite);
    };
}

QString completedPath(const QString &chosen)
{
    if (chosen.contains(QLatin1Char('.')))
        return chosen;
    return chosen + QStringLiteral(".xls");
}

QString cellText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return FloatToText(value.toDouble());
    default:
        return value.isNull() ? QString() : value.toString();
    }
}

namespace {

// A record's values as the export writes them: numbers stay numbers.
QVariant exportValue(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return v.toDouble();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return v.toLongLong();
    default:
        return v.isNull() ? QString() : v.toString();
    }
}

void prepareAndRun(QSqlQuery &q, const QString &sql, const QHash<QString, QVariant> &binds)
{
    if (!q.prepare(sql))
        throw AppError(q.lastError().text());
    // The names carry their colon and the values their stored form.
    for (auto it = binds.begin(); it != binds.end(); ++it)
        q.bindValue(it.key(), it.value());
    if (!q.exec())
        throw AppError(q.lastError().text());
}

// The query's statement run once more, forward only: rows are read as they
// are handed over and not kept.
class QueryRows : public RowSource
{
public:
    QueryRows(TNamedQuery &query, ProgressStep progress)
        : m_query(QSqlDatabase::database(TDemoDM::kConnectionName, false)), m_progress(std::move(progress))
    {
        const QString sql = query.sql();
        {
            QSqlQuery c(QSqlDatabase::database(TDemoDM::kConnectionName, false));
            c.setForwardOnly(true);
            prepareAndRun(c, QStringLiteral("select count(*) from (%1)").arg(sql), query.bindings());
            m_count = c.next() ? c.value(0).toLongLong() : 0;
        }
        m_query.setForwardOnly(true);
        prepareAndRun(m_query, sql, query.bindings());
        const QSqlRecord rec = m_query.record();
        for (int c = 0; c < rec.count(); ++c)
            m_titles << rec.fieldName(c);
    }
    Row titles() const override { return m_titles; }
    qint64 count() const override { return m_count; }
    QList<Row> next(int max) override
    {
        QList<Row> block;
        while (block.size() < max && m_query.next()) {
            Row row;
            row.reserve(m_titles.size());
            for (int c = 0; c < m_titles.size(); ++c)
                row << exportValue(m_query.value(c));
            block << row;
        }
        m_done += block.size();
        if (m_progress && !m_progress(m_done, m_count))
            throw ExportCancelled();
        return block;
    }

private:
    QSqlQuery m_query;
    ProgressStep m_progress;
    Row m_titles;
    qint64 m_count = 0;
    qint64 m_done = 0;
};

// The progress box: shown once the export has run for a second, with a
// button that cancels it.
class ProgressBox
{
public:
    ProgressBox()
        : m_box(QStringLiteral("正在导出数据……"), QStringLiteral("取消"), 0, 1000, QApplication::activeWindow())
    {
        m_box.setWindowTitle(QStringLiteral("导出Excel"));
        m_box.setWindowModality(Qt::ApplicationModal);
        m_box.setAutoClose(false);
        m_box.setAutoReset(false);
        // Shown by step() once a second has passed, not by its own timer.
        m_box.setMinimumDuration(std::numeric_limits<int>::max());
        m_box.reset();
        m_clock.start();
    }
    bool step(qint64 done, qint64 total)
    {
        if (m_cancelled)
            return false;
        // The engine's save follows the last block and cannot be watched.
        if (done >= total)
            m_box.setLabelText(QStringLiteral("正在保存文件，请稍候……"));
        if (!m_box.isVisible() && m_clock.elapsed() >= 1000)
            m_box.show();
        if (m_box.isVisible()) {
            m_box.setValue(total > 0 ? int(qMin<qint64>(done, total) * 999 / total) : 999);
            QCoreApplication::processEvents();
            m_cancelled = m_box.wasCanceled();
        }
        return !m_cancelled;
    }

private:
    QProgressDialog m_box;
    QElapsedTimer m_clock;
    bool m_cancelled = false;
};

} // namespace

std::unique_ptr<RowSource> queryRows(TNamedQuery &query, const ProgressStep &progress)
{
    return std::make_unique<QueryRows>(query, progress);
}

QByteArray flatSpreadsheetHead()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
           " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
           " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
           " office:version=\"1.2\" office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">"
           "<office:body><office:spreadsheet><table:table table:name=\"Sheet1\">\n";
}

QByteArray flatSpreadsheetRows(const QList<Row> &rows)
{
    QByteArray out;
    out.reserve(rows.size() * 800);
    for (const Row &row : rows) {
        out += "<table:table-row>";
        for (const QVariant &v : row) {
            const QByteArray text = cellText(v).toHtmlEscaped().toUtf8();
            const int type = v.typeId();
            if (type == QMetaType::Double || type == QMetaType::LongLong) {
                // The engine makes the shown text from the value itself.
                out += "<table:table-cell office:value-type=\"float\" office:value=\"";
                out += text;
                out += "\"/>";
            } else if (text.isEmpty()) {
                out += "<table:table-cell/>";
            } else {
                out += "<table:table-cell office:value-type=\"string\"><text:p>";
                out += text;
                out += "</text:p></table:table-cell>";
            }
        }
        out += "</table:table-row>\n";
    }
    return out;
}

QByteArray flatSpreadsheetFoot()
{
    return "</table:table></office:spreadsheet></office:body></office:document>\n";
}

qint64 formatRowLimit(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("xlsx") || ext == QLatin1String("ods"))
        return 1048576;
    // Anything else is written as .xls.
    return 65536;
}

QString tooLargeMessage(const QString &path, qint64 records)
{
    const qint64 rows = records + 1;   // the titles' row
    if (rows <= formatRowLimit(path))
        return QString();
    QString ext = QFileInfo(path).suffix().toLower();
    if (ext != QLatin1String("xlsx") && ext != QLatin1String("ods"))
        ext = QStringLiteral("xls");
    QString text = QStringLiteral("要导出的数据共%1行（含标题行），超过了 .%2 格式一张工作表最多能存的%3行，没有写入任何文件。")
                       .arg(rows)
                       .arg(ext)
                       .arg(formatRowLimit(path));
    if (rows <= 1048576)
        text += QStringLiteral("请改存为 .xlsx 或 .ods 格式（最多1048576行）。");
    else
        text += QStringLiteral("没有哪种格式能存下这么多行，请缩小查询条件分次导出。");
    return text;
}

Result ExportQueryToWorkbook(TNamedQuery &query, const QString &title, const SavePathChooser &choosePath,
                             const Writer &writer, const ProgressStep &progress)
{
    const QString chosen = choosePath ? choosePath(title) : QString();
    if (chosen.isEmpty())
        return Result::Cancelled;
    const QString path = completedPath(chosen);

    // The rows are counted before anything is asked or written: a result
    // the format cannot hold is refused, naming the formats that can.
    std::unique_ptr<ProgressBox> box;
    ProgressStep step = progress;
    if (!step) {
        box = std::make_unique<ProgressBox>();
        step = [&box](qint64 done, qint64 total) { return box->step(done, total); };
    }
    std::unique_ptr<RowSource> rows;
    if (query.isOpen()) {
        rows = queryRows(query, step);
        const QString tooLarge = tooLargeMessage(path, rows->count());
        if (!tooLarge.isEmpty()) {
            Dialogs::message(tooLarge, QStringLiteral("系统提示"));
            return Result::TooLarge;
        }
    }
    if (QFileInfo::exists(path)
        && !Dialogs::question(QStringLiteral("当前位置已存在该文件名的文件，是否替换？"), QStringLiteral("系统询问")))
        return Result::Declined;

    if (!writer) {
        Dialogs::message(QStringLiteral("EXCEL可能未安装，或其文件损坏"), QStringLiteral("错误"));
        return Result::NoEngine;
    }
    if (!rows) {
        Dialogs::message(QStringLiteral("没有记录内容可以导出，操作失败！"), QStringLiteral("系统提示"));
        return Result::NotOpen;
    }

    // Written beside the target under a temporary name with the same
    // extension, and moved over the target only once complete.
    const QFileInfo target(path);
    const QString ext = target.suffix().toLower();
    const QString suffix = QLatin1Char('.')
        + ((ext == QLatin1String("xls") || ext == QLatin1String("xlsx") || ext == QLatin1String("ods"))
               ? target.suffix() : QStringLiteral("xls"));
    QString temp;
    {
        QTemporaryFile probe(target.absolutePath() + QStringLiteral("/.") + target.completeBaseName()
                             + QStringLiteral(".XXXXXX") + suffix);
        if (!probe.open()) {
            Dialogs::error(QStringLiteral("无法写入文件：%1").arg(QDir::toNativeSeparators(path)));
            return Result::Failed;
        }
        temp = probe.fileName();
        probe.setAutoRemove(false);
    }
    QFile::remove(temp);
    try {
        writer(temp, *rows);
        // A cancel pressed while the engine saved still counts.
        if (!step(rows->count(), rows->count()))
            throw ExportCancelled();
    } catch (const ExportCancelled &) {
        QFile::remove(temp);
        box.reset();
        Dialogs::message(QStringLiteral("导出已取消，没有写入文件。"), QStringLiteral("系统提示"));
        return Result::Stopped;
    } catch (const EngineUnavailable &) {
        QFile::remove(temp);
        box.reset();
        Dialogs::message(QStringLiteral("EXCEL可能未安装，或其文件损坏"), QStringLiteral("错误"));
        return Result::NoEngine;
    } catch (const AppError &e) {
        QFile::remove(temp);
        box.reset();
        Dialogs::error(e.message());
        return Result::Failed;
    }
    box.reset();
    if (!QFileInfo(temp).isFile() || QFileInfo(temp).size() == 0) {
        QFile::remove(temp);
        Dialogs::error(QStringLiteral("无法写入文件：%1").arg(QDir::toNativeSeparators(path)));
        return Result::Failed;
    }
    if (!FileReplace::replace(temp, path)) {
        QFile::remove(temp);
        Dialogs::error(QStringLiteral("无法写入文件：%1").arg(QDir::toNativeSeparators(path)));
        return Result::Failed;
    }
    return Result::Written;
}

} // namespace WorkbookExport
