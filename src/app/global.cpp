#include "app/global.h"

#include "app/inifile.h"
#include "common/apperror.h"
#include "common/apppaths.h"
#include "common/dialogs.h"

#include <QDir>

namespace {
TGlobal *g_instance = nullptr;
const QString kSection = QStringLiteral("Judge");        // written so ...
const QString kReadSection = QStringLiteral("judge");    // ... and read so; both match any case
} // namespace

QString TGlobal::defaultPath()
{
    QString name = AppPaths::executableName();
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        name.chop(4);
    return AppPaths::inProgramDir(name + QStringLiteral(".ini"));
}

TGlobal::TGlobal(QString path) : m_path(std::move(path))
{
    if (!g_instance)
        g_instance = this;
    ReadSettings();
}

TGlobal::~TGlobal()
{
    try {
        WriteSettings();
    } catch (const AppError &e) {
        Dialogs::error(e.message());
    }
    if (g_instance == this)
        g_instance = nullptr;
}

TGlobal *TGlobal::instance()
{
    return g_instance;
}

TGlobal &Global()
{
    Q_ASSERT(g_instance);
    return *g_instance;
}

namespace {
const char *const kKeysInWriteOrder[] = {"str_zg", "str_kj", "str_skr", "str_bt", "str_qy",
                                         "strsjlx", "strdyf", "str_dj", "str_djs", "str_cbr"};
}

bool TGlobal::canStore(const QString &value)
{
    return value.size() <= kMaxValueLength && IniFile::canHold(value);
}

QString TGlobal::cannotStoreMessage(const QString &field, const QString &value)
{
    if (canStore(value))
        return QString();
    const QString outside = IniFile::charactersOutsideEncoding(value);
    if (!outside.isEmpty())
        return QStringLiteral("%1中的字符“%2”不能保存到设置文件中，请改用其它字。").arg(field, outside);
    if (value.size() > kMaxValueLength)
        return QStringLiteral("%1太长，最多%2个字符。").arg(field).arg(kMaxValueLength);
    return QStringLiteral("%1不能含有换行，首尾不能有空格或引号。").arg(field);
}

bool TGlobal::writtenByProgram(const QString &path)
{
    IniFile ini(path);
    ini.load();
    for (const char *key : kKeysInWriteOrder)
        if (!ini.hasKey(kReadSection, QLatin1String(key)))
            return false;
    return true;
}

void TGlobal::ReadSettings()
{
    IniFile ini(m_path);
    ini.load();
    auto read = [&ini](const char *key, const QString &fallback) {
        return ini.read(kReadSection, QLatin1String(key), fallback).left(kMaxValueLength);
    };
    str_zg = read("str_zg", QString());
    str_kj = read("str_kj", QString());
    str_skr = read("str_skr", QString());
    str_cbr = read("str_cbr", QString());
    str_bt = read("str_bt", QString());
    str_qy = read("str_qy", QString());
    strsjlx = read("strsjlx", QStringLiteral("普通收据"));
    strdyf = read("strdyf", QStringLiteral("N"));
    str_dj = read("str_dj", QStringLiteral("0"));
    str_djs = read("str_djs", QStringLiteral("0"));
}

void TGlobal::WriteSettings()
{
    IniFile ini(m_path);
    ini.load();
    const std::pair<const char *, const QString *> keys[] = {
        {"str_zg", &str_zg},   {"str_kj", &str_kj},   {"str_skr", &str_skr}, {"str_bt", &str_bt},
        {"str_qy", &str_qy},   {"strsjlx", &strsjlx}, {"strdyf", &strdyf},   {"str_dj", &str_dj},
        {"str_djs", &str_djs}, {"str_cbr", &str_cbr},
    };
    for (const auto &[key, value] : keys) {
        // A value on one line only: line breaks would break the file.
        QString v = *value;
        v.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        ini.write(kSection, QLatin1String(key), v);
    }
    if (!ini.save())
        throw AppError(QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(m_path)));
}
