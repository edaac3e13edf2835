#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// The process-wide date conventions: dates are shown and read as
// "yyyy-mm-dd" with "-" as separator; a two-digit year is placed in the
// hundred years that start 70 years before the current year.
namespace DateText {

inline constexpr int kTwoDigitYearWindow = 70;

QString fromDate(const QDate &date);            // 2024-03-05
// A date-time whose time part is zero is shown as the date alone.
QString fromDateTime(const QDateTime &dateTime);

// Reads "yyyy-m-d" (or a two-digit year), optionally followed by a time
// "h:mm[:ss]". Throws TextError naming the text when it is not a date.
QDate toDate(const QString &text);
QDateTime toDateTime(const QString &text);
bool tryToDateTime(const QString &text, QDateTime *out);

// Today's date; tests may fix it.
QDate today();
void setToday(const QDate &date); // invalid date: back to the real clock

} // namespace DateText
