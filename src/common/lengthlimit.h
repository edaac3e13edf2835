#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

// A text field holds no more than its column does. An edit of the operator
// that would make the text longer (typing, a paste by key, menu or mouse,
// an input method's text, a drop) is undone as a whole, with a message
// naming the field, instead of being cut silently.
class TLengthLimit : public QObject
{
    Q_OBJECT
public:
    // The limit lives as long as `edit`; caption names the field ("户名").
    static void apply(QLineEdit *edit, int maxLength, const QString &caption);

    // What the operator is told when an edit does not fit.
    static QString message(const QString &caption, int maxLength);

private:
    TLengthLimit(QLineEdit *edit, int maxLength, const QString &caption);
    void edited(const QString &text);

    QLineEdit *m_edit;
    int m_max;
    QString m_caption;
    QString m_accepted;      // the last text within the limit
    int m_cursor = 0;        // and its cursor position
};
