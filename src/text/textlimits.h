#pragma once

#include <QString>

// Limits of what the program can keep: the settings file holds GBK text
// only, the money columns hold 19 digits of which 4 are decimals.

// The characters of `text` (whole code points, in order, each once) that
// GBK cannot encode; empty when the whole text fits.
QString CharactersOutsideGbk(const QString &text);

// The message refusing such characters in the value named `caption`.
QString OutsideGbkMessage(const QString &caption, const QString &outside);

// True when the value can be stored in a money column: finite, and with at
// most 15 digits before the point.
bool FitsMoneyColumn(double value);

// The text cut to at most `maxChars` characters for a message: its start
// and its end joined by "…". Shorter texts stay as they are.
QString ElidedForMessage(const QString &text, int maxChars = 40);
