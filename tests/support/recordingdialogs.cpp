#include "recordingdialogs.h"

RecordingDialogs::RecordingDialogs() : m_previous(Dialogs::handler())
{
    Dialogs::setHandler(this);
}

RecordingDialogs::~RecordingDialogs()
{
    Dialogs::setHandler(m_previous);
}

bool RecordingDialogs::show(const Dialogs::Shown &box)
{
    m_shown.append(box);
    if (box.kind != Dialogs::Kind::Question)
        return true;
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return m_defaultAnswer;
}

int RecordingDialogs::choose(const Dialogs::Shown &box)
{
    m_shown.append(box);
    return m_choices.isEmpty() ? -1 : m_choices.takeFirst();
}

QStringList RecordingDialogs::texts() const
{
    QStringList out;
    for (const auto &b : m_shown)
        out << b.text;
    return out;
}

QStringList RecordingDialogs::texts(Dialogs::Kind kind) const
{
    QStringList out;
    for (const auto &b : m_shown)
        if (b.kind == kind)
            out << b.text;
    return out;
}

QString RecordingDialogs::last() const
{
    return m_shown.isEmpty() ? QString() : m_shown.last().text;
}
