#include "settings/inifile.h"

#include "common/filereplace.h"
#include "text/textlimits.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const char *const kEncoding = "GBK";

QString decode(const QByteArray &bytes)
{
    QStringDecoder gbk(kEncoding);
    return gbk.isValid() ? QString(gbk(bytes)) : QString::fromLocal8Bit(bytes);
}

QByteArray encode(const QString &text)
{
    QStringEncoder gbk(kEncoding);
    return gbk.isValid() ? QByteArray(gbk(text)) : text.toLocal8Bit();
}

QString keyOf(const QString &line)
{
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return QString();
    return line.left(eq).trimmed();
}

bool isHeader(const QString &line, QString *name = nullptr)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return false;
    const int close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return false;
    if (name)
        *name = t.mid(1, close - 1).trimmed();
    return true;
}

// The value of a key line as a read gives it: blanks at either end and one
// pair of enclosing quotes removed.
QString valueOf(const QString &line)
{
    QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
        && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

IniFile::Line IniFile::makeLine(const QString &text)
{
    return {encode(text), text};
}

void IniFile::load()
{
    m_lines.clear();
    m_finalNewline = true;
    m_eol = "\n";
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QByteArray raw = f.readAll();
    if (raw.isEmpty())
        return;
    if (raw.contains("\r\n"))
        m_eol = "\r\n";
    QList<QByteArray> parts = raw.split('\n');
    m_finalNewline = parts.last().isEmpty();
    if (m_finalNewline)
        parts.removeLast();
    m_lines.reserve(parts.size());
    for (QByteArray &part : parts) {
        QByteArray forText = part;
        if (forText.endsWith('\r'))
            forText.chop(1);
        m_lines.append({std::move(part), decode(forText)});
    }
}

int IniFile::findSection(const QString &section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        QString name;
        if (isHeader(m_lines[i].text, &name) && name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int IniFile::sectionEnd(int header) const
{
    int lastContent = header + 1;
    for (int end = header + 1; end < m_lines.size(); ++end) {
        if (isHeader(m_lines[end].text))
            break;
        if (!m_lines[end].text.trimmed().isEmpty())
            lastContent = end + 1;
    }
    return lastContent;
}

int IniFile::findKey(int header, const QString &key) const
{
    for (int i = header + 1; i < m_lines.size(); ++i) {
        if (isHeader(m_lines[i].text))
            break;
        const QString t = m_lines[i].text.trimmed();
        if (t.startsWith(QLatin1Char(';')))
            continue;
        if (keyOf(m_lines[i].text).compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    const int header = findSection(section);
    return header >= 0 && findKey(header, key) >= 0;
}

QString IniFile::read(const QString &section, const QString &key, const QString &fallback) const
{
    const int header = findSection(section);
    if (header < 0)
        return fallback;
    const int line = findKey(header, key);
    if (line < 0)
        return fallback;
    return valueOf(m_lines[line].text);
}

void IniFile::write(const QString &section, const QString &key, const QString &value)
{
    // Blanks at either end, or quotes around the value, would be lost by a
    // read: such a value is written inside one more pair of quotes.
    const bool quote = valueOf(QStringLiteral("k=") + value) != value;
    Line line = makeLine(key + QLatin1Char('=') + (quote ? QLatin1Char('"') + value + QLatin1Char('"') : value));
    if (m_eol == "\r\n")
        line.raw.append('\r');
    const int header = findSection(section);
    if (header < 0) {
        Line head = makeLine(QLatin1Char('[') + section + QLatin1Char(']'));
        if (m_eol == "\r\n")
            head.raw.append('\r');
        m_lines << head << line;
        m_finalNewline = true;    // the file now ends with a line of ours
        return;
    }
    const int existing = findKey(header, key);
    if (existing >= 0) {
        // A line of the old file keeps its own line ending.
        if (line.raw.endsWith('\r'))
            line.raw.chop(1);
        if (m_lines[existing].raw.endsWith('\r'))
            line.raw.append('\r');
        m_lines[existing] = line;
        if (existing == m_lines.size() - 1)
            m_finalNewline = true;
        return;
    }
    const int at = sectionEnd(header);
    if (at >= m_lines.size())
        m_finalNewline = true;
    m_lines.insert(at, line);
}

bool IniFile::save() const
{
    QByteArray bytes;
    for (int i = 0; i < m_lines.size(); ++i) {
        bytes += m_lines[i].raw;
        if (i + 1 < m_lines.size() || m_finalNewline)
            bytes += '\n';
    }
    return FileReplace::write(m_path, bytes);
}

QString IniFile::charactersOutsideEncoding(const QString &value)
{
    return CharactersOutsideGbk(value);
}

bool IniFile::canHold(const QString &value)
{
    if (value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n')))
        return false;
    return charactersOutsideEncoding(value).isEmpty();
}
