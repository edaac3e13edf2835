#pragma once

#include "common/dialogs.h"

#include <QList>
#include <QStringList>

// Installs itself as the dialog handler for its lifetime: records every box
// and answers questions from a queue (Yes when the queue is empty, unless
// told otherwise).
class RecordingDialogs : public Dialogs::Handler
{
public:
    RecordingDialogs();
    ~RecordingDialogs() override;

    bool show(const Dialogs::Shown &box) override;
    // Records the choice box and picks from the queue of choices (-1, none
    // picked, when it is empty).
    int choose(const Dialogs::Shown &box) override;

    void answer(bool yes) { m_answers.append(yes); }
    void setDefaultAnswer(bool yes) { m_defaultAnswer = yes; }
    void pick(int index) { m_choices.append(index); }

    const QList<Dialogs::Shown> &shown() const { return m_shown; }
    QStringList texts() const;            // every box's text, in order
    QStringList texts(Dialogs::Kind kind) const;
    QString last() const;                 // text of the last box, or empty
    int count() const { return int(m_shown.size()); }
    void clear() { m_shown.clear(); }

private:
    Dialogs::Handler *m_previous;
    QList<Dialogs::Shown> m_shown;
    QList<bool> m_answers;
    QList<int> m_choices;
    bool m_defaultAnswer = true;
};
