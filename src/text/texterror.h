#pragma once

#include <QString>
#include <stdexcept>

// A text that is not the number or date it should be. Thrown by the text
// routines; the handlers that show AppError show this one the same way, in
// the standard error box with its message.
class TextError : public std::runtime_error
{
public:
    explicit TextError(const QString &message)
        : std::runtime_error(message.toUtf8().toStdString()), m_message(message) {}
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};
