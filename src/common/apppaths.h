#pragma once

#include <QString>

// Where the program keeps its files. Every path of the program is built from
// programDir(); the decision is taken once per process:
//
// - portable: the executable's folder is writable (a build, or a copy
//   unpacked anywhere): the program folder is the executable's folder, and it
//   holds the database, the settings file, the template, the filled copies
//   and the backup folder, and the help document.
// - installed: the executable's folder is not writable, or the executable
//   sits in the bin/ folder of an installation (bin/../share/mtrfee exists):
//   the program folder is the user's data folder $XDG_DATA_HOME/mtrfee
//   (~/.local/share/mtrfee by default), created owner-only on first start;
//   the template is copied there from the package's shared folder when it is
//   missing and never overwritten (the user edits it); the help document
//   stays in the shared folder.
//
// Tests point the program folder at a scratch folder of their own.
namespace AppPaths {

inline const QString kAppFolderName = QStringLiteral("mtrfee");
inline const QString kTemplateFileName = QStringLiteral("收据模板.xls");
// The help document, relative to the shared folder.
inline const QString kHelpDocument = QStringLiteral("help/index.html");
// The package's shared folder, relative to the executable's folder.
inline const QString kSharedFromBin = QStringLiteral("../share/mtrfee");

struct Layout
{
    bool installed = false;
    QString programDir; // database, settings, template, filled copies, backup/
    QString sharedDir;  // what the package delivers read-only: template source, help
};

// The decision alone, from what it depends on (no file is touched):
// exeDir the executable's folder, exeDirWritable whether the user may write
// there, xdgDataHome and home the environment's values.
Layout DecideLayout(const QString &exeDir, bool exeDirWritable, const QString &xdgDataHome,
                    const QString &home);

// The user's data folder of the program: $XDG_DATA_HOME/mtrfee, or
// ~/.local/share/mtrfee when XDG_DATA_HOME is unset, empty or relative.
QString UserDataDir(const QString &xdgDataHome, const QString &home);

// Readies an installed layout's program folder: creates it with mode 0700
// (and any missing parent), and copies the template from the shared folder
// when the program folder has none. A portable layout needs nothing.
struct PrepareResult
{
    bool folderReady = true; // false: the program folder cannot be used
    QString problem;         // what went wrong, empty when nothing did
};
PrepareResult PrepareLayout(const Layout &layout);

// Decides the layout of this process (once), readies its folder and makes
// every file the program creates from now on readable by its owner only.
// Called first thing at start, before anything is written; shows what went
// wrong through the dialog service and returns false when the program
// folder cannot be used.
bool prepareProgramDir();

QString programDir();            // without a trailing separator
void setProgramDir(const QString &dir);
QString inProgramDir(const QString &fileName);

// The package's shared folder (the program folder when portable).
QString sharedDir();
// The help document's full path (it may be missing).
QString helpDocumentPath();

// The executable's file name ("mtrfee"); tests may set it.
QString executableName();
void setExecutableName(const QString &name);

} // namespace AppPaths
