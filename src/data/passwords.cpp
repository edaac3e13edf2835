#include "data/passwords.h"

#include "common/apperror.h"

#include <sodium.h>

namespace {

const QLatin1String kPrefix("$argon2id$");

QByteArray folded(const QString &password)
{
    return password.toCaseFolded().toUtf8();
}

void ensureSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw AppError(QStringLiteral("libsodium could not be initialised"));
}

} // namespace

namespace Passwords {

QString hash(const QString &password)
{
    ensureSodium();
    const QByteArray text = folded(password);
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, text.constData(), quint64(text.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0)
        throw AppError(QStringLiteral("密码加密失败（内存不足）"));
    return QString::fromLatin1(out);
}

bool isHashed(const QString &stored)
{
    return stored.startsWith(kPrefix);
}

bool verify(const QString &stored, const QString &password)
{
    if (!isHashed(stored))
        return false;
    ensureSodium();
    const QByteArray s = stored.toLatin1();
    const QByteArray text = folded(password);
    return crypto_pwhash_str_verify(s.constData(), text.constData(), quint64(text.size())) == 0;
}

} // namespace Passwords
