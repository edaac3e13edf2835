#pragma once

#include "common/apperror.h"

#include <QLineEdit>
#include <functional>
#include <optional>

// Runs the handlers of the entry screen. A handler may change other fields,
// whose handlers then run at once, nested inside it. An error (a text that
// is not a number, a database error) ends the whole chain: the outermost
// handler shows it in the standard error box, the nested ones stop where
// they are, and fields already rewritten keep their texts.
//
// Qt must never see an exception pass through a signal, so a handler that
// runs from a signal records its error here; the field setter that caused
// it throws the error again in the handler that called the setter.
class TFieldEvents
{
public:
    // Runs one operation (a button, a focus handler, a change handler that
    // was not started by another handler). At the outermost level an error
    // is shown and swallowed; inside another operation it is thrown on.
    static void run(const std::function<void()> &operation);

    // Runs a change handler from a text-changed signal: never throws.
    static void runFromSignal(const std::function<void()> &handler);

    // After a field was set from code: throws the error of the handler that
    // the change ran, if it failed and an operation is running.
    static void throwPending();

    static bool inOperation() { return s_depth > 0; }

private:
    static int s_depth;
    static std::optional<AppError> s_pending;
};

// A line edit of the entry screen with the change semantics the handlers rely
// on: setting a text runs the field's change handler when the text differs
// from the old one; clearing runs it even when the field was already empty.
// Typing runs it on every change, as setting does.
class TEntryField : public QLineEdit
{
    Q_OBJECT
public:
    explicit TEntryField(QWidget *parent = nullptr);

    void setChangeHandler(std::function<void()> handler) { m_handler = std::move(handler); }

    // The field's name in messages ("电费单价").
    void setCaption(const QString &caption) { m_caption = caption; }
    QString caption() const { return m_caption; }

    void setFieldText(const QString &text);
    void clearField();

    // The text read as a number ("." as the decimal point); throws AppError
    // naming the field and the text (cut short when long) when it is not a
    // number.
    double value() const;
    // Writes the value in the general number form (52.2, 0, 50); throws
    // AppError naming the field when the value is not finite, which a text
    // could not show.
    void setValue(double value);

private:
    void changed();

    std::function<void()> m_handler;
    QString m_caption;
};
