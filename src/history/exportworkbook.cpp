#include "history/exportworkbook.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "data/namedquery.h"
#include "text/numtext.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSqlQueryModel>
#include <QSqlRecord>
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

QList<QStringList> queryRows(TNamedQuery &query)
{
    QList<QStringList> rows;
    QSqlQueryModel *m = query.model();
    const int n = query.fetchAll();
    const QSqlRecord rec = m->record();
    QStringList titles;
    for (int c = 0; c < rec.count(); ++c)
        titles << rec.fieldName(c);
    rows.reserve(n + 1);
    rows << titles;
    for (int r = 0; r < n; ++r) {
        QStringList row;
        row.reserve(titles.size());
        for (int c = 0; c < titles.size(); ++c) {
            const QVariant v = m->data(m->index(r, c));
            switch (v.typeId()) {
            case QMetaType::Double:
            case QMetaType::Float:
                row << FloatToText(v.toDouble());
                break;
            default:
                row << (v.isNull() ? QString() : v.toString());
            }
        }
        rows << row;
    }
    return rows;
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
    const QList<QStringList> rows = queryRows(query);

    // Written beside the target under a temporary name with the same
    // extension, and moved over the target only once complete.
    const QFileInfo target(path);
    const QString suffix = target.suffix().isEmpty() ? QString() : QLatin1Char('.') + target.suffix();
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
