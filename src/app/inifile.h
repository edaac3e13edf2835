#pragma once

#include <QString>
#include <QStringList>

// A small initialisation file in GBK: section headers and key=value lines.
// Section and key names match without regard to case; lines that are not
// touched are kept exactly as they were.
class IniFile
{
public:
    explicit IniFile(QString path);

    // Loads the file; a missing file is an empty one.
    void load();
    QString read(const QString &section, const QString &key, const QString &fallback) const;
    // Sets a key in memory: an existing key keeps its place, a new one goes
    // to the end of its section, a new section to the end of the file.
    void write(const QString &section, const QString &key, const QString &value);
    // Writes the whole file at once (temporary file, then rename).
    bool save() const;

private:
    int findSection(const QString &section) const;           // header line index or -1
    int sectionEnd(int header) const;                        // index after the section's last line
    int findKey(int header, const QString &key) const;       // line index or -1

    QString m_path;
    QStringList m_lines;
    QString m_eol = QStringLiteral("\n");
};
