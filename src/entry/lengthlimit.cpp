#include "entry/lengthlimit.h"

#include "common/dialogs.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

void TLengthLimit::apply(QWidget *watched, QLineEdit *edit, int maxLength, const QString &caption)
{
    edit->setMaxLength(maxLength);
    watched->installEventFilter(new TLengthLimit(edit, maxLength, caption, watched));
}

TLengthLimit::TLengthLimit(QLineEdit *edit, int maxLength, const QString &caption, QObject *parent)
    : QObject(parent), m_edit(edit), m_max(maxLength), m_caption(caption)
{
}

bool TLengthLimit::refused(const QString &inserted) const
{
    const qsizetype length = m_edit->text().size() - m_edit->selectedText().size() + inserted.size();
    if (length <= m_max)
        return false;
    Dialogs::message(QStringLiteral("%1最多%2个字符，要放入的文字有%3个字符，没有放入")
                         .arg(m_caption)
                         .arg(m_max)
                         .arg(inserted.size()));
    return true;
}

bool TLengthLimit::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste)
        && !m_edit->isReadOnly()) {
        if (refused(QGuiApplication::clipboard()->text()))
            return true;
    } else if (event->type() == QEvent::InputMethod) {
        const QString committed = static_cast<QInputMethodEvent *>(event)->commitString();
        if (!committed.isEmpty() && refused(committed))
            return true;
    }
    return QObject::eventFilter(watched, event);
}
