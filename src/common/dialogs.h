#pragma once

#include <QString>

class QWidget;

// Every message box, question and error box of the program goes through
// here, so that tests can read what was shown and give the answers.
namespace Dialogs {

inline const QString kAppTitle = QStringLiteral("mtrfee");
inline const QString kAskCaption = QStringLiteral("询问");

enum class Kind { Message, Question, Error };

// What a box would have shown; handed to an installed handler.
struct Shown
{
    Kind kind;
    QString caption;
    QString text;
};

class Handler
{
public:
    virtual ~Handler() = default;
    // Returns the answer to a question (true = Yes); ignored for the others.
    virtual bool show(const Shown &box) = 0;
};

// A plain box with one OK button; the caption defaults to the application title.
void message(const QString &text, const QString &caption = kAppTitle);
// A Yes/No question with the question icon.
bool question(const QString &text, const QString &caption = kAskCaption);
// The standard error box for an unexpected failure: shows the error's own text.
void error(const QString &text);

// Tests install a handler; nullptr restores the real boxes.
void setHandler(Handler *handler);
Handler *handler();

// The parent for the real boxes (the main window once it exists).
void setParentWidget(QWidget *parent);

} // namespace Dialogs
