#include "common/lengthlimit.h"

#include "common/dialogs.h"

#include <QLineEdit>

void TLengthLimit::apply(QLineEdit *edit, int maxLength, const QString &caption)
{
    new TLengthLimit(edit, maxLength, caption);
}

TLengthLimit::TLengthLimit(QLineEdit *edit, int maxLength, const QString &caption)
    : QObject(edit), m_edit(edit), m_max(maxLength), m_caption(caption), m_accepted(edit->text())
{
    // Every change within the limit is remembered (texts set by the program
    // included); an edit past it goes back to the last one.
    connect(edit, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (text.size() <= m_max)
            m_accepted = text;
    });
    connect(edit, &QLineEdit::cursorPositionChanged, this, [this](int, int now) {
        if (m_edit->text() == m_accepted)
            m_cursor = now;
    });
    connect(edit, &QLineEdit::textEdited, this, &TLengthLimit::edited);
}

void TLengthLimit::edited(const QString &text)
{
    if (text.size() <= m_max)
        return;
    const int cursor = m_cursor;
    m_edit->setText(m_accepted);
    m_edit->setCursorPosition(cursor);
    Dialogs::message(message(m_caption, m_max));
}

QString TLengthLimit::message(const QString &caption, int maxLength)
{
    return QStringLiteral("%1最多%2个字符，录入或粘贴的文字放不下，没有放入。").arg(caption).arg(maxLength);
}
