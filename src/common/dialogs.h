#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every message box, question and error box of the program goes through
// here, so that tests can read what was shown and give the answers.
namespace Dialogs {

inline const QString kAppTitle = QStringLiteral("mtrfee");
inline const QString kAskCaption = QStringLiteral("询问");

enum class Kind { Message, Question, Error, Choice };

// What a box would have shown; handed to an installed handler.
struct Shown
{
    Kind kind;
    QString caption;
    QString text;
    QStringList options;   // the choices of a Choice, in order
};

class Handler
{
public:
    virtual ~Handler() = default;
    // Returns the answer to a question (true = Yes); ignored for the others.
    virtual bool show(const Shown &box) = 0;
    // The choice made in a Choice box: an index into box.options, or -1 for
    // none (cancelled). By default the box is shown and nothing is chosen.
    virtual int choose(const Shown &box)
    {
        show(box);
        return -1;
    }
};

// A plain box with one OK button; the caption defaults to the application title.
void message(const QString &text, const QString &caption = kAppTitle);
// A Yes/No question with the question icon.
bool question(const QString &text, const QString &caption = kAskCaption);
// A list of options to pick one from, with OK and Cancel; returns the index
// of the option picked, or -1 when the operator cancelled.
int choose(const QString &text, const QStringList &options, const QString &caption = kAskCaption);
// The standard error box for an unexpected failure: shows the error's own text.
void error(const QString &text);

// Tests install a handler; nullptr restores the real boxes.
void setHandler(Handler *handler);
Handler *handler();

// The parent for the real boxes (the main window once it exists).
void setParentWidget(QWidget *parent);

// For tests that run the program itself as a process: when the process runs
// on the offscreen platform (where no box could be seen or answered) and
// MTRFEE_TEST_DIALOG_LOG names a file, every box is appended to that file
// as one line "kind<TAB>caption<TAB>text" (kind: message, question, error;
// line breaks of the text written as "\n"; a choice's options follow, each
// after a tab) instead of being shown.
// Questions take their answers from MTRFEE_TEST_DIALOG_ANSWERS, a comma list
// of "yes"/"no" used in order, then No. On any other platform this does
// nothing, so the operator always gets the real boxes.
void installProcessTestLog();

} // namespace Dialogs
