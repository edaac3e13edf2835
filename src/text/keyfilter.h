#pragma once

#include <QChar>
#include <functional>

// Key filter of the numeric entry fields: digits, "." and backspace pass;
// any other key becomes the null character and the default beep sounds.
void FilterNumericKey(QChar &key);

// The beep used by the filter. The program installs the platform beep;
// tests count calls. Without a hook nothing sounds.
void SetBeepHook(std::function<void()> hook);
void Beep();
