#include "app/inifile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {
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
} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

void IniFile::load()
{
    m_lines.clear();
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QByteArray raw = f.readAll();
    QStringDecoder gbk("GBK");
    QString text = gbk.isValid() ? QString(gbk(raw)) : QString::fromLocal8Bit(raw);
    if (text.contains(QLatin1String("\r\n")))
        m_eol = QStringLiteral("\r\n");
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_lines = text.split(QLatin1Char('\n'));
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
}

int IniFile::findSection(const QString &section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        QString name;
        if (isHeader(m_lines[i], &name) && name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int IniFile::sectionEnd(int header) const
{
    int end = header + 1;
    int lastContent = header + 1;
    for (; end < m_lines.size(); ++end) {
        if (isHeader(m_lines[end]))
            break;
        if (!m_lines[end].trimmed().isEmpty())
            lastContent = end + 1;
    }
    return lastContent;
}

int IniFile::findKey(int header, const QString &key) const
{
    for (int i = header + 1; i < m_lines.size(); ++i) {
        if (isHeader(m_lines[i]))
            break;
        const QString t = m_lines[i].trimmed();
        if (t.startsWith(QLatin1Char(';')))
            continue;
        if (keyOf(m_lines[i]).compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString IniFile::read(const QString &section, const QString &key, const QString &fallback) const
{
    const int header = findSection(section);
    if (header < 0)
        return fallback;
    const int line = findKey(header, key);
    if (line < 0)
        return fallback;
    const QString &l = m_lines[line];
    QString value = l.mid(l.indexOf(QLatin1Char('=')) + 1).trimmed();
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
        && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

void IniFile::write(const QString &section, const QString &key, const QString &value)
{
    const QString line = key + QLatin1Char('=') + value;
    int header = findSection(section);
    if (header < 0) {
        m_lines << QLatin1Char('[') + section + QLatin1Char(']') << line;
        return;
    }
    const int existing = findKey(header, key);
    if (existing >= 0) {
        m_lines[existing] = line;
        return;
    }
    m_lines.insert(sectionEnd(header), line);
}

bool IniFile::save() const
{
    QStringEncoder gbk("GBK");
    const QString text = m_lines.join(m_eol) + m_eol;
    const QByteArray bytes = gbk.isValid() ? QByteArray(gbk(text)) : text.toLocal8Bit();
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(bytes) != bytes.size())
        return false;
    return f.commit();
}
