#pragma once

#include <QString>

// The program's folder: the executable's folder, which holds the database,
// the settings file, the template, the filled copies and the backup folder.
// Tests point it at a scratch folder of their own.
namespace AppPaths {

QString programDir();            // without a trailing separator
void setProgramDir(const QString &dir);
QString inProgramDir(const QString &fileName);

// The executable's file name ("mtrfee"); tests may set it.
QString executableName();
void setExecutableName(const QString &name);

} // namespace AppPaths
