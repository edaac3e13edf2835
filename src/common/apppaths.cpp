#include "common/apppaths.h"

#include "common/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace {

constexpr QFile::Permissions kOwnerOnlyFolder =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
constexpr QFile::Permissions kOwnerOnlyFile = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;

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

// This process's layout, decided on first use.
const AppPaths::Layout &processLayout()
{
    static const AppPaths::Layout layout = [] {
        const QString exeDir = QCoreApplication::applicationDirPath();
        return AppPaths::DecideLayout(exeDir, QFileInfo(exeDir).isWritable(), qEnvironmentVariable("XDG_DATA_HOME"),
                                      QDir::homePath());
    }();
    return layout;
}

// Copies the shared template into the program folder under a temporary name
// and moves it into place when complete, owner-only.
QString copyTemplate(const QString &from, const QString &to)
{
    const QString part = to + QStringLiteral(".part");
    QFile::remove(part);
    if (!QFile::copy(from, part)) {
        QFile::remove(part);
        return QStringLiteral("无法把单据模版 %1 复制到 %2").arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to));
    }
    QFile::setPermissions(part, kOwnerOnlyFile);
    if (!QFile::rename(part, to)) {
        QFile::remove(part);
        return QStringLiteral("无法写入单据模版 %1").arg(QDir::toNativeSeparators(to));
    }
    return {};
}

} // namespace

namespace AppPaths {

QString UserDataDir(const QString &xdgDataHome, const QString &home)
{
    // A relative XDG_DATA_HOME is invalid and is ignored.
    const QString base = !xdgDataHome.isEmpty() && QDir::isAbsolutePath(xdgDataHome)
                             ? xdgDataHome
                             : home + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QLatin1Char('/') + kAppFolderName);
}

Layout DecideLayout(const QString &exeDir, bool exeDirWritable, const QString &xdgDataHome, const QString &home)
{
    const QString dir = QDir::cleanPath(exeDir);
    const QString shared = QDir::cleanPath(dir + QLatin1Char('/') + kSharedFromBin);
    // An installation's bin/ is not the user's folder even where the user
    // may write to it (root, or an installation into the user's own prefix).
    const bool inInstallation = QFileInfo(dir).fileName() == QLatin1String("bin") && QFileInfo(shared).isDir();
    if (exeDirWritable && !inInstallation)
        return {false, dir, dir};
    // A copy in a folder the user cannot write to keeps its files in the
    // user's data folder and takes its template from beside itself.
    return {true, UserDataDir(xdgDataHome, home), QFileInfo(shared).isDir() ? shared : dir};
}

PrepareResult PrepareLayout(const Layout &layout)
{
    if (!layout.installed)
        return {};
    const QString dir = layout.programDir;
    if (!QFileInfo(dir).isDir()) {
        const QString parent = QFileInfo(dir).absolutePath();
        if (!QDir().mkpath(parent) || !QDir().mkdir(dir, kOwnerOnlyFolder))
            return {false, QStringLiteral("无法创建数据文件夹 %1").arg(QDir::toNativeSeparators(dir))};
    }
    if (!QFileInfo(dir).isWritable())
        return {false, QStringLiteral("数据文件夹 %1 不可写").arg(QDir::toNativeSeparators(dir))};

    const QString target = dir + QLatin1Char('/') + kTemplateFileName;
    if (QFileInfo::exists(target))
        return {}; // the user's own copy, possibly edited: kept as it is
    const QString source = layout.sharedDir + QLatin1Char('/') + kTemplateFileName;
    if (!QFileInfo(source).isFile())
        return {true, QStringLiteral("找不到单据模版 %1").arg(QDir::toNativeSeparators(source))};
    return {true, copyTemplate(source, target)};
}

bool prepareProgramDir()
{
    // Database, settings, backups and filled copies are the owner's alone;
    // the spreadsheet application started later inherits this too.
    ::umask(077);
    if (!overrideDir().isEmpty())
        return true;
    const PrepareResult r = PrepareLayout(processLayout());
    if (!r.problem.isEmpty())
        Dialogs::message(r.problem);
    return r.folderReady;
}

QString programDir()
{
    if (!overrideDir().isEmpty())
        return overrideDir();
    return processLayout().programDir;
}

void setProgramDir(const QString &dir)
{
    overrideDir() = QDir::cleanPath(dir);
}

QString inProgramDir(const QString &fileName)
{
    return programDir() + QLatin1Char('/') + fileName;
}

QString sharedDir()
{
    if (!overrideDir().isEmpty())
        return overrideDir();
    return processLayout().sharedDir;
}

QString helpDocumentPath()
{
    return sharedDir() + QLatin1Char('/') + kHelpDocument;
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
