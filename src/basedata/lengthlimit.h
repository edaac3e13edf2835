#pragma once

#include <QPointer>
#include <QValidator>

class QLineEdit;

// Holds a text field to the characters its column keeps: an edit or a
// paste that would make the text longer is refused as a whole (the field
// keeps what it had) and the operator is told the limit.
class TLengthLimit : public QValidator
{
    Q_OBJECT
public:
    // Puts a limit on edit; field names the field in the message ("户名").
    static void apply(QLineEdit *edit, const QString &field, int maxLength);

    State validate(QString &input, int &pos) const override;
    int maxLength() const { return m_max; }

    static QString message(const QString &field, int maxLength);

private:
    TLengthLimit(QLineEdit *edit, QString field, int maxLength);

    QPointer<QLineEdit> m_edit;
    QString m_field;
    int m_max;
    mutable bool m_pending = false;
};
