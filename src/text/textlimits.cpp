#include "text/textlimits.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <cmath>

QString CharactersOutsideGbk(const QString &text)
{
    QString outside;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString ch = text.mid(i, len);
        i += len;
        // A character fits when it survives the way to GBK and back.
        QStringEncoder enc("GBK", QStringConverter::Flag::Stateless);
        const QByteArray bytes = enc.encode(ch);
        QStringDecoder dec("GBK", QStringConverter::Flag::Stateless);
        const QString back = dec.decode(bytes);
        const bool fits = enc.isValid() && !enc.hasError() && !dec.hasError() && back == ch;
        if (!fits && !outside.contains(ch))
            outside += ch;
    }
    return outside;
}

QString OutsideGbkMessage(const QString &caption, const QString &outside)
{
    return QStringLiteral("%1中的字符“%2”无法保存到设置文件中，请改用其它字符").arg(caption, outside);
}

bool FitsMoneyColumn(double value)
{
    return std::isfinite(value) && std::fabs(value) < 1e15;
}

QString ElidedForMessage(const QString &text, int maxChars)
{
    if (text.size() <= maxChars || maxChars < 3)
        return text;
    const int head = (maxChars - 1) / 2;
    const int tail = maxChars - 1 - head;
    return text.left(head) + QChar(0x2026) + text.right(tail);
}
