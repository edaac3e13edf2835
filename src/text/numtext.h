#pragma once

#include <QString>

// Numbers live as field texts. They are read with "." as the decimal point
// whatever the locale, and written back in the general form.

// Reads a number text (surrounding blanks allowed, optional sign, digits
// with at most one ".", optional exponent). Throws TextError naming the text
// when it is not a number.
double TextToFloat(const QString &text);

// As TextToFloat, but reports failure instead of throwing.
bool TryTextToFloat(const QString &text, double *value);

// The shortest general decimal form with at most 15 significant digits and
// no trailing zeros: 52.2, 0, 50, -3.5.
QString FloatToText(double value);

// The value with exactly two decimals ("0.00"), rounded half away from zero
// on its 15-digit decimal form, so 2.675 gives 2.68 as a person expects.
QString FormatMoney(double value);
