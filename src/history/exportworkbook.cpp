#include "history/exportworkbook.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "data/namedquery.h"
#include "print/spreadsheetengine.h"
#include "text/numtext.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <cstdio>

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

QList<Row> queryRows(TNamedQuery &query)
{
    QList<Row> rows;
    QSqlQueryModel *m = query.model();
    const int n = query.fetchAll();
    const QSqlRecord rec = m->record();
    Row titles;
    for (int c = 0; c < rec.count(); ++c)
        titles << rec.fieldName(c);
    rows.reserve(n + 1);
    rows << titles;
    for (int r = 0; r < n; ++r) {
        Row row;
        row.reserve(titles.size());
        for (int c = 0; c < titles.size(); ++c) {
            const QVariant v = m->data(m->index(r, c));
            switch (v.typeId()) {
            case QMetaType::Double:
            case QMetaType::Float:
                row << v.toDouble();
                break;
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::ULongLong:
                row << v.toLongLong();
                break;
            default:
                row << (v.isNull() ? QString() : v.toString());
            }
        }
        rows << row;
    }
    return rows;
}

QByteArray flatSpreadsheet(const QList<Row> &rows)
{
    QByteArray out;
    out.reserve(rows.size() * 800 + 1024);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
           " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
           " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
           " office:version=\"1.2\" office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">"
           "<office:body><office:spreadsheet><table:table table:name=\"Sheet1\">\n";
    for (const Row &row : rows) {
        out += "<table:table-row>";
        for (const QVariant &v : row) {
            const QByteArray text = cellText(v).toHtmlEscaped().toUtf8();
            const int type = v.typeId();
            if (type == QMetaType::Double || type == QMetaType::LongLong) {
                out += "<table:table-cell office:value-type=\"float\" office:value=\"";
                out += text;
                out += "\"><text:p>";
                out += text;
                out += "</text:p></table:table-cell>";
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
    out += "</table:table></office:spreadsheet></office:body></office:document>\n";
    return out;
}

Result ExportQueryToWorkbook(TNamedQuery &query, const QString &title, const SavePathChooser &choosePath,
                             const Writer &writer)
{
    const QString chosen = choosePath ? choosePath(title) : QString();
    if (chosen.isEmpty())
        return Result::Cancelled;
    const QString path = completedPath(chosen);
    if (QFileInfo::exists(path)
        && !Dialogs::question(QStringLiteral("当前位置已存在该文件名的文件，是否替换？"), QStringLiteral("系统询问")))
        return Result::Declined;

    if (!writer) {
        Dialogs::message(QStringLiteral("EXCEL可能未安装，或其文件损坏"), QStringLiteral("错误"));
        return Result::NoEngine;
    }
    if (!query.isOpen()) {
        Dialogs::message(QStringLiteral("没有记录内容可以导出，操作失败！"), QStringLiteral("系统提示"));
        return Result::NotOpen;
    }
    const QList<Row> rows = queryRows(query);

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
        writer(temp, rows);
    } catch (const EngineUnavailable &) {
        QFile::remove(temp);
        Dialogs::message(QStringLiteral("EXCEL可能未安装，或其文件损坏"), QStringLiteral("错误"));
        return Result::NoEngine;
    } catch (const AppError &e) {
        QFile::remove(temp);
        Dialogs::error(e.message());
        return Result::Failed;
    }
    if (!QFileInfo(temp).isFile() || QFileInfo(temp).size() == 0) {
        QFile::remove(temp);
        Dialogs::error(QStringLiteral("无法写入文件：%1").arg(QDir::toNativeSeparators(path)));
        return Result::Failed;
    }
    // rename(2) replaces the target in one step.
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(temp);
        Dialogs::error(QStringLiteral("无法写入文件：%1").arg(QDir::toNativeSeparators(path)));
        return Result::Failed;
    }
    return Result::Written;
}

} // namespace WorkbookExport
