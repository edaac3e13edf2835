#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A small initialisation file in GBK: section headers and key=value lines.
// Section and key names match without regard to case. Lines that are not
// written through write() are kept byte for byte as they were in the file,
// whatever bytes they hold.
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
    // Writes the whole file at once: a temporary file beside it, readable by
    // its owner only, every byte written and flushed to the disk, then
    // renamed over the old one. False (and the old file untouched) when any
    // step fails, a full disk included.
    bool save() const;

    // Whether a key's value comes back exactly as given after a write and a
    // read of the file: only characters of GBK and no line break. (Blanks at
    // either end and enclosing quotes are kept by quoting the value.)
    static bool canHold(const QString &value);
    // The characters of value that the file's encoding cannot hold (empty
    // when all of them can), each listed once.
    static QString charactersOutsideEncoding(const QString &value);

    // Whether the file holds this key in this section.
    bool hasKey(const QString &section, const QString &key) const;

private:
    struct Line
    {
        QByteArray raw;    // the bytes of the line, without its "\n"
        QString text;      // decoded, for matching names only
    };

    int findSection(const QString &section) const;           // header line index or -1
    int sectionEnd(int header) const;                        // index after the section's last line
    int findKey(int header, const QString &key) const;       // line index or -1
    static Line makeLine(const QString &text);

    QString m_path;
    QList<Line> m_lines;
    bool m_finalNewline = true;       // the loaded file ended with "\n" (or was empty)
    QByteArray m_eol = "\n";
};
