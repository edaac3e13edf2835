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

QString FilterNumericText(const QString &text)
{
    QString kept;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF19)
            c = QChar(char16_t(u'0' + (u - 0xFF10)));
        else if (u == 0xFF0E)
            c = QChar(u'.');
        // Backspace deletes when typed, but is no character of a text.
        if (c.unicode() == 8) {
            Beep();
            continue;
        }
        FilterNumericKey(c);
        if (!c.isNull())
            kept += c;
    }
    return kept;
}

bool IsEditingKeyText(const QString &text)
{
    if (text.isEmpty())
        return true;
    const QChar c = text.at(0);
    return c.category() == QChar::Other_Control && c.unicode() != 8;
}
