#pragma once

#include <QString>
#include <exception>

// An unexpected failure that ends the current user action: a database
// statement the engine refused, a text that is not a number or a date.
// Handlers catch it and show its text in the standard error box.
class AppError : public std::exception
{
public:
    explicit AppError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
