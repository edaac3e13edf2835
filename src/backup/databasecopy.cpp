#include "backup/databasecopy.h"

#include "data/databasefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace DatabaseCopy {

bool copyFile(const QString &source, const QString &dest, QString *why)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *why = in.errorString();
        return false;
    }
    // Copies of the database hold every password and receipt: nobody but
    // the owner reads them, also when dest existed before with wider rights.
    QFile out(dest);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        *why = out.errorString();
        return false;
    }
    if (::fchmod(out.handle(), S_IRUSR | S_IWUSR) != 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
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
    return DatabaseFile::isSound(path, why);
}

bool makeOwnFolder(const QString &path)
{
    if (!QFileInfo(path).exists())
        QDir().mkdir(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return QFileInfo(path).isDir();
}

bool carryNumbering(const QString &from, const QString &into, QString *why)
{
    return DatabaseFile::carryNumbering(from, into, why);
}

bool sameEntry(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    return !ca.isEmpty() && ca == cb;
}

} // namespace DatabaseCopy
