#include "backup/databasecopy.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace DatabaseCopy {

bool copyFile(const QString &source, const QString &dest, QString *why)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *why = in.errorString();
        return false;
    }
    QFile out(dest);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *why = out.errorString();
        return false;
    }
    QByteArray buffer;
    while (!in.atEnd()) {
        buffer = in.read(1 << 20);
        if (buffer.isEmpty() && in.error() != QFileDevice::NoError) {
            *why = in.errorString();
            return false;
        }
        if (out.write(buffer) != buffer.size()) {
            *why = out.errorString();
            return false;
        }
    }
    if (!out.flush() || ::fsync(out.handle()) != 0) {
        *why = out.errorString();
        return false;
    }
    out.close();
    if (out.error() != QFileDevice::NoError) {
        *why = out.errorString();
        return false;
    }
    return true;
}

bool isSoundDatabase(const QString &path, QString *why)
{
    if (!QFileInfo(path).isFile()) {
        *why = QStringLiteral("no file %1").arg(path);
        return false;
    }
    static const QString kName = QStringLiteral("mtrfee_copy_check");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            *why = db.lastError().text();
        } else {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next()) {
                *why = q.lastError().text();
            } else if (q.value(0).toString() != QLatin1String("ok")) {
                *why = q.value(0).toString();
            } else {
                q.finish();
                if (q.exec(QStringLiteral("select count(*) from sqlite_master where type='table' "
                                          "and name in ('hhb', 'zgxxb', 'P_ORDERD', 'P_ORDERDBAK')"))
                    && q.next() && q.value(0).toInt() == 4)
                    ok = true;
                else
                    *why = QStringLiteral("not a database of this program");
            }
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(kName);
    return ok;
}

bool replaceFile(const QString &from, const QString &to, QString *why)
{
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(from.toStdString()), std::filesystem::path(to.toStdString()), ec);
    if (ec) {
        *why = QString::fromStdString(ec.message());
        return false;
    }
    return true;
}

bool sameEntry(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    return !ca.isEmpty() && ca == cb;
}

} // namespace DatabaseCopy
