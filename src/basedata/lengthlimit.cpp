#include "basedata/lengthlimit.h"

#include "common/dialogs.h"

#include <QLineEdit>
#include <QTimer>

TLengthLimit::TLengthLimit(QLineEdit *edit, QString field, int maxLength)
    : QValidator(edit), m_edit(edit), m_field(std::move(field)), m_max(maxLength)
{
}

void TLengthLimit::apply(QLineEdit *edit, const QString &field, int maxLength)
{
    edit->setValidator(new TLengthLimit(edit, field, maxLength));
}

QString TLengthLimit::message(const QString &field, int maxLength)
{
    return QStringLiteral("%1最多%2个字符，录入的文字太长，没有录入。").arg(field).arg(maxLength);
}

QValidator::State TLengthLimit::validate(QString &input, int &) const
{
    if (input.size() <= m_max)
        return Acceptable;
    // Only what the operator types or pastes is told; the message comes
    // after the edit has been refused.
    if (m_edit && m_edit->hasFocus() && !m_pending) {
        m_pending = true;
        const QString text = message(m_field, m_max);
        QTimer::singleShot(0, this, [this, text] {
            m_pending = false;
            Dialogs::message(text);
        });
    }
    return Invalid;
}
