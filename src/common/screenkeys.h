#pragma once

#include <QHash>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <functional>
#include <optional>

class QAction;
class QKeyEvent;
class QWidget;

// The keys and focus behaviours every screen of the program shares.
namespace ScreenKeys {

// Return or the keypad's Enter, whatever the modifiers.
bool isEnter(const QKeyEvent *key);
// Delete with Ctrl held (other modifiers may be held too): in a grid it
// deletes the selected row alone, after the screen's question.
bool isCtrlDelete(const QKeyEvent *key);

// Runs `action` when a key that `matches` is pressed in `widget`; the key
// goes no further. The hook lives with the widget and does nothing once
// `context` is gone (the screen object that owns the action).
void onKey(QWidget *widget, QObject *context, std::function<bool(const QKeyEvent *)> matches,
           std::function<void()> action);
// The grid's Ctrl+Delete.
void onCtrlDelete(QWidget *grid, QObject *context, std::function<void()> action);
// An entry of the grid's context menu (right click) named objectName that
// runs `action`; the menu lists the grid's entries in the order added.
// Returns the entry (tests trigger it).
QAction *addGridAction(QWidget *grid, const QString &caption, const QString &objectName, QObject *context,
                       std::function<void()> action);
// The question before Ctrl+Delete removes the grid's selected row alone:
// false without asking when no row is selected (row < 0), else the answer.
bool confirmDeleteRow(int row);

} // namespace ScreenKeys

// The yellow of the field that has the focus. Fields added here turn yellow
// when marked and get their own palette back when unmarked; watched fields
// are marked by their focus events themselves.
class TFocusHighlight : public QObject
{
    Q_OBJECT
public:
    static inline const QColor kColor = QColor(Qt::yellow);

    explicit TFocusHighlight(QObject *parent = nullptr);

    void add(QWidget *field);
    void watch(QWidget *field);
    // Does nothing for a field that was not added.
    void mark(QWidget *field, bool focused);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Added field -> its own palette, taken when it is first marked.
    QHash<QWidget *, std::optional<QPalette>> m_fields;
};

// Enter moves along chains of fields: from each field of a chain to the one
// after it.
class TEnterChain
{
public:
    explicit TEnterChain(Qt::FocusReason reason = Qt::OtherFocusReason) : m_reason(reason) {}

    void add(const QList<QWidget *> &chain);
    // The field that Enter moves to from `field` (nullptr when none).
    QWidget *next(QWidget *field) const { return m_next.value(field, nullptr); }
    // Gives the focus to the field after `field`; false when there is none.
    bool advance(QWidget *field) const;

private:
    Qt::FocusReason m_reason;
    QHash<QWidget *, QWidget *> m_next;
};
