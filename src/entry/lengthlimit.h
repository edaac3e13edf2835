#pragma once

#include <QObject>
#include <QString>

class QLineEdit;
class QWidget;

// A text field holds no more than its column does. Typing stops at the
// length; a paste or an input method's text that would make the field
// longer is refused as a whole with a message naming the field, instead of
// being cut silently.
class TLengthLimit : public QObject
{
    Q_OBJECT
public:
    // `watched` receives the keys (the combo box itself for a combo box's
    // line edit); `edit` holds the text. The filter lives as long as `watched`.
    static void apply(QWidget *watched, QLineEdit *edit, int maxLength, const QString &caption);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TLengthLimit(QLineEdit *edit, int maxLength, const QString &caption, QObject *parent);
    bool refused(const QString &inserted) const;

    QLineEdit *m_edit;
    int m_max;
    QString m_caption;
};
