#pragma once

#include <QString>

class QApplication;
class SingleInstance;

namespace Startup {

inline constexpr const char *kAppTitle = "mtrfee";

// Fusion style (password fields show "*"), the program font, Qt's own
// Simplified Chinese texts for standard buttons and dialogs, and the
// platform beep for the key filter. Window captions are exactly the texts
// the windows set: no application name is added to them.
void prepareApplication(QApplication &app);

// The main window's life: settings, data module, main window and dialogs,
// the message loop, then the settings written and the database closed. The
// single-instance claim is released as soon as that is done, before
// anything slower (the spreadsheet engine's end) runs, so a new start right
// after the window closed finds no running instance.
int runSession(QApplication &app, SingleInstance &single);

// ---- a database that is missing after earlier use

// The newest backup copy of the database in the backup folder ("backup"
// beside the program), or empty when there is none.
QString latestBackup();
// No settings file written by this program and no backup: a new database
// may be created (its receipt numbers start at 00000001).
bool isFirstStart(const QString &settingsPath);
// The database file is missing or empty although the program ran here
// before.
bool databaseMissingAfterUse(const QString &settingsPath);
// Says that the database is missing and offers to put the latest backup in
// its place. Returns true when it was restored. The program ends after this
// either way.
bool offerRestoreOfMissingDatabase(const QString &settingsPath);

} // namespace Startup
