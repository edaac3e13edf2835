#include "text/numtext.h"

#include "text/texterror.h"

#include <QRegularExpression>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const QRegularExpression &numberPattern()
{
    static const QRegularExpression re(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    return re;
}

// Decimal digits of |value| rounded half away from zero to `places`
// decimals, worked on the 15-significant-digit decimal form of the value.
QString roundDecimal(double value, int places)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value)); // d.dddddddddddddde±xx
    QByteArray s(buf);
    const int ePos = s.indexOf('e');
    const int exp = std::atoi(s.constData() + ePos + 1);
    QByteArray digits = s.left(1) + s.mid(2, ePos - 2); // 15 digits
    // Value = 0.digits × 10^(exp+1). Position of the decimal point in digits:
    int point = exp + 1;
    // Pad so that the point and the rounding digit both fall inside.
    if (point < 0) {
        digits.prepend(QByteArray(-point, '0'));
        point = 0;
    }
    const int needed = point + places + 1;
    if (digits.size() < needed)
        digits.append(QByteArray(needed - digits.size(), '0'));
    const bool roundUp = digits.at(point + places) >= '5';
    QByteArray kept = digits.left(point + places);
    if (kept.isEmpty())
        kept = "0";
    if (roundUp) {
        int i = kept.size() - 1;
        while (i >= 0) {
            if (kept[i] == '9') {
                kept[i] = '0';
                --i;
            } else {
                kept[i] = char(kept[i] + 1);
                break;
            }
        }
        if (i < 0) {
            kept.prepend('1');
            ++point;
        }
    }
    int intLen = kept.size() - places;
    QByteArray intPart = intLen > 0 ? kept.left(intLen) : QByteArray("0");
    while (intPart.size() > 1 && intPart.at(0) == '0')
        intPart.remove(0, 1);
    QByteArray frac = places > 0 ? kept.right(places) : QByteArray();
    if (frac.size() < places)
        frac.prepend(QByteArray(places - frac.size(), '0'));
    QString out = QString::fromLatin1(intPart);
    if (places > 0)
        out += QLatin1Char('.') + QString::fromLatin1(frac);
    bool allZero = true;
    for (QChar c : out)
        if (c != QLatin1Char('0') && c != QLatin1Char('.'))
            allZero = false;
    if (value < 0 && !allZero)
        out.prepend(QLatin1Char('-'));
    return out;
}

} // namespace

bool TryTextToFloat(const QString &text, double *value)
{
    const QString t = text.trimmed();
    if (!numberPattern().match(t).hasMatch())
        return false;
    const QByteArray latin = t.toLatin1();
    char *end = nullptr;
    const double v = std::strtod(latin.constData(), &end);
    if (end != latin.constData() + latin.size() || !std::isfinite(v))
        return false;
    if (value)
        *value = v;
    return true;
}

double TextToFloat(const QString &text)
{
    double v = 0;
    if (!TryTextToFloat(text, &v))
        throw TextError(QStringLiteral("“%1”不是有效的数值").arg(text));
    return v;
}

QString FloatToText(double value)
{
    if (value == 0 || !std::isfinite(value))
        return QStringLiteral("0");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    QString s = QString::fromLatin1(buf);
    const int e = s.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        // 1e-05 -> 1E-5, 1.5e+20 -> 1.5E20
        const QString mant = s.left(e);
        const int exp = s.mid(e + 1).toInt();
        s = mant + QLatin1Char('E') + QString::number(exp);
    }
    return s;
}

QString FormatMoney(double value)
{
    return roundDecimal(value, 2);
}
