#include "text/keyfilter.h"

namespace {
std::function<void()> &beepHook()
{
    static std::function<void()> hook;
    return hook;
}
} // namespace

void SetBeepHook(std::function<void()> hook)
{
    beepHook() = std::move(hook);
}

void Beep()
{
    if (beepHook())
        beepHook()();
}

void FilterNumericKey(QChar &key)
{
    const ushort c = key.unicode();
    if (c == '.' || (c >= '0' && c <= '9') || c == 8)
        return;
    key = QChar(0);
    Beep();
}
