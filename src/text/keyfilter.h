#pragma once

#include <QChar>
#include <QString>
#include <functional>

// Key filter of the numeric entry fields: digits, "." and backspace pass;
// any other key becomes the null character and the default beep sounds.
void FilterNumericKey(QChar &key);

// Text arriving in a numeric field in one piece (what an input method
// commits): each character goes through FilterNumericKey, full-width digits
// and the full-width point counting as their ASCII forms. Returns the
// characters that pass; every refused one beeps.
QString FilterNumericText(const QString &text);

// True for the text of a key that edits rather than types: Delete (which
// carries U+007F on X11), Escape and the other control characters. Such
// keys are never put through the filter.
bool IsEditingKeyText(const QString &text);

// The beep used by the filter. The program installs the platform beep;
// tests count calls. Without a hook nothing sounds.
void SetBeepHook(std::function<void()> hook);
void Beep();
