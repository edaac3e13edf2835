#include "common/apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString &overrideDir()
{
    static QString dir;
    return dir;
}
QString &overrideName()
{
    static QString name;
    return name;
}
} // namespace

namespace AppPaths {

QString programDir()
{
    if (!overrideDir().isEmpty())
        return overrideDir();
    return QCoreApplication::applicationDirPath();
}

void setProgramDir(const QString &dir)
{
    overrideDir() = QDir::cleanPath(dir);
}

QString inProgramDir(const QString &fileName)
{
    return programDir() + QLatin1Char('/') + fileName;
}

QString executableName()
{
    if (!overrideName().isEmpty())
        return overrideName();
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

void setExecutableName(const QString &name)
{
    overrideName() = name;
}

} // namespace AppPaths
