#include "text/capital.h"

#include <QStringView>

// Amounts are written digit by digit from the left. Each non-zero digit
// carries its place word; a run of zeros writes one 零, and only when a
// non-zero digit follows it. The group words 万 and 亿 are written for a
// zero in their place when the group above them has to be closed.
//
// Integer places repeat every eight digits: 元 拾 佰 仟 万 拾 佰 仟 亿 拾 佰
// 仟 万 ..., so 10^9 is 壹拾亿, 10^12 is 壹万亿 and 10^16 壹亿亿.
// A leading "-" writes 负 before the words of the absolute value.

namespace {

const QChar kDigitWords[10] = {u'零', u'壹', u'贰', u'叁', u'肆', u'伍', u'陆', u'柒', u'捌', u'玖'};

QChar digitWord(QChar c)
{
    return kDigitWords[c.unicode() - u'0'];
}

// Place word of the integer digit p places left of the units digit.
QChar integerPlaceWord(qsizetype p)
{
    if (p == 0)
        return u'元';
    switch (p % 4) {
    case 1: return u'拾';
    case 2: return u'佰';
    case 3: return u'仟';
    default: return p % 8 == 4 ? u'万' : u'亿';
    }
}

// Place word of the k-th fraction digit (k = 1, 2, ...); none past 分.
QChar fractionPlaceWord(qsizetype k)
{
    if (k == 1)
        return u'角';
    if (k == 2)
        return u'分';
    return QChar();
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Digits with at most one ".", either side may be empty.
bool isAmountText(QStringView s)
{
    bool point = false;
    for (QChar c : s) {
        if (c == u'.') {
            if (point)
                return false;
            point = true;
        } else if (!isDigit(c)) {
            return false;
        }
    }
    return true;
}

bool isZeroAmount(QStringView s)
{
    for (QChar c : s)
        if (isDigit(c) && c != u'0')
            return false;
    return true;
}

QString writeUnsigned(QStringView text)
{
    QString result;
    bool zeroPending = false;

    const qsizetype point = text.indexOf(u'.');
    QStringView integer = point < 0 ? text : text.left(point);
    const QStringView fraction = point < 0 ? QStringView() : text.mid(point + 1);

    // Leading zeros carry no value; a single 0 before the point stays and
    // writes the 元 of the units place.
    while (integer.size() > 1 && integer.front() == u'0')
        integer = integer.mid(1);

    const qsizetype length = integer.size();
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = integer[i];
        const qsizetype p = length - 1 - i;
        if (c == u'0') {
            zeroPending = true;
            if (p % 8 == 4) {
                // A zero 万 place closes its group, unless the group is empty
                // and 亿 was just written.
                if (!result.endsWith(u'亿'))
                    result += u'万';
            } else if (p > 0 && p % 8 == 0) {
                // A zero 亿 place always closes the higher groups.
                if (!result.isEmpty())
                    result += u'亿';
            } else if (p == 0) {
                result += u'元';
            }
            continue;
        }
        if (zeroPending)
            result += u'零';
        result += digitWord(c);
        result += integerPlaceWord(p);
        zeroPending = false;
    }

    for (qsizetype k = 1; k <= fraction.size(); ++k) {
        const QChar c = fraction[k - 1];
        if (c == u'0') {
            zeroPending = true;
            continue;
        }
        const QChar place = fractionPlaceWord(k);
        // A zero in front of the 角 digit is never written.
        if (zeroPending && place != u'角')
            result += u'零';
        result += digitWord(c);
        if (!place.isNull())
            result += place;
        zeroPending = false;
    }

    if (!result.contains(u'分'))
        result += u'整';
    return result;
}

} // namespace

QString AmountToCapital(const QString &amount)
{
    QStringView text = QStringView(amount).trimmed();
    bool negative = false;
    if (text.startsWith(u'-')) {
        negative = true;
        text = text.mid(1);
    }
    // Not an amount (letters, a second point, a sign in the middle): there is
    // nothing sensible to write.
    if (!isAmountText(text))
        return QString();
    const QString words = writeUnsigned(text);
    // Minus zero is written as zero.
    if (negative && !isZeroAmount(text))
        return QStringLiteral("负") + words;
    return words;
}
