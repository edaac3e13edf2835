#include "text/datetext.h"

#include "text/texterror.h"

#include <QRegularExpression>

namespace {
QDate g_today;

int expandYear(int year, int digits)
{
    if (digits > 2)
        return year;
    const int base = DateText::today().year() - DateText::kTwoDigitYearWindow;
    int full = (base / 100) * 100 + year;
    if (full < base)
        full += 100;
    return full;
}
} // namespace

namespace DateText {

QString fromDate(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

QString fromDateTime(const QDateTime &dt)
{
    if (!dt.isValid())
        return QString();
    if (dt.time() == QTime(0, 0))
        return fromDate(dt.date());
    return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool tryToDateTime(const QString &text, QDateTime *out)
{
    static const QRegularExpression re(QStringLiteral(
        "^\\s*(\\d{1,4})-(\\d{1,2})-(\\d{1,2})(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?\\s*$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    const QString y = m.captured(1);
    const int year = expandYear(y.toInt(), int(y.size()));
    const QDate d(year, m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid())
        return false;
    QTime t(0, 0);
    if (m.capturedLength(4) > 0) {
        t = QTime(m.captured(4).toInt(), m.captured(5).toInt(),
                  m.capturedLength(6) > 0 ? m.captured(6).toInt() : 0);
        if (!t.isValid())
            return false;
    }
    if (out)
        *out = QDateTime(d, t);
    return true;
}

QDateTime toDateTime(const QString &text)
{
    QDateTime dt;
    if (!tryToDateTime(text, &dt))
        throw TextError(QStringLiteral("“%1”不是有效的日期").arg(text));
    return dt;
}

QDate toDate(const QString &text)
{
    return toDateTime(text).date();
}

QDate today()
{
    return g_today.isValid() ? g_today : QDate::currentDate();
}

void setToday(const QDate &date)
{
    g_today = date;
}

} // namespace DateText
