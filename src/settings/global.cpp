#include "settings/global.h"
#include "text/textlimits.h"

#include "settings/inifile.h"
#include "common/apperror.h"
#include "common/apppaths.h"
#include "common/dialogs.h"

#include <QDir>
#include <QHash>

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

QString TGlobal::fieldOfKey(const QString &key)
{
    static const QHash<QString, QString> names{
        {QStringLiteral("str_skr"), QStringLiteral("收款人")}, {QStringLiteral("str_cbr"), QStringLiteral("抄表人")},
        {QStringLiteral("str_bt"), QStringLiteral("收据标题")}, {QStringLiteral("str_dj"), QStringLiteral("电费单价")},
        {QStringLiteral("str_djs"), QStringLiteral("水费单价")},
    };
    return names.value(key, key);
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
        return OutsideGbkMessage(field, outside);
    if (value.size() > kMaxValueLength)
        return QStringLiteral("%1太长，最多%2个字符。").arg(field).arg(kMaxValueLength);
    return QStringLiteral("%1不能含有换行。").arg(field);
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
    strhbdy = read("strhbdy", QStringLiteral("N"));
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
    QString refused;
    for (const auto &[key, value] : keys) {
        const QString name = QLatin1String(key);
        if (!canStore(*value)) {
            // Left as the file has it; a value read from the file (even one
            // with bytes that are not GBK) is then kept exactly.
            const bool unchanged = ini.hasKey(kReadSection, name)
                && ini.read(kReadSection, name, QString()).left(kMaxValueLength) == *value;
            if (!unchanged && refused.isEmpty())
                refused = cannotStoreMessage(fieldOfKey(name), *value);
            continue;
        }
        ini.write(kSection, name, *value);
    }
    // Written once it was changed from "N", so a file of the ten keys alone
    // stays as it was.
    if (strhbdy != QLatin1String("N") || ini.hasKey(kReadSection, QStringLiteral("strhbdy")))
        ini.write(kSection, QStringLiteral("strhbdy"), strhbdy == QLatin1String("Y") ? strhbdy : QStringLiteral("N"));
    if (!ini.save())
        throw AppError(QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(m_path)));
    if (!refused.isEmpty())
        throw AppError(refused);
}
