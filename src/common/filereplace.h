#pragma once

#include <QByteArray>
#include <QString>

// Replacing a file so that whoever reads it finds the old content or the
// new, never a part: every file the program rewrites goes through here.
namespace FileReplace {

// Moves `from` over `to` in one step (rename(2) within one file system),
// replacing a file of that name. False when it cannot; `why` (when given)
// then gets the system's reason, and both files stay as they were.
bool replace(const QString &from, const QString &to, QString *why = nullptr);

// Writes `bytes` to a new file beside `path` (readable by its owner only),
// flushes every byte to the disk and then moves it over `path`. False (and
// `path` untouched, no temporary file left) when any step fails, a full
// disk included.
bool write(const QString &path, const QByteArray &bytes, QString *why = nullptr);

} // namespace FileReplace
