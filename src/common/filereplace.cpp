#include "common/filereplace.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

void setReason(QString *why, int error)
{
    if (why)
        *why = QString::fromLocal8Bit(std::strerror(error));
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = ENOSPC;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

bool FileReplace::replace(const QString &from, const QString &to, QString *why)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    setReason(why, errno);
    return false;
}

bool FileReplace::write(const QString &path, const QByteArray &bytes, QString *why)
{
    QByteArray temp = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());   // created 0600
    if (fd < 0) {
        setReason(why, errno);
        return false;
    }
    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && std::rename(temp.constData(), QFile::encodeName(path).constData()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.constData());
        setReason(why, error);
    }
    return ok;
}
