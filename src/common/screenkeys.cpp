#include "common/screenkeys.h"

#include "common/dialogs.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

bool ScreenKeys::isEnter(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

bool ScreenKeys::isCtrlDelete(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier);
}

namespace {

// Lives as a child of the widget it watches, so it goes with the widget.
class KeyHook : public QObject
{
public:
    KeyHook(QWidget *widget, QObject *context, std::function<bool(const QKeyEvent *)> matches,
            std::function<void()> action)
        : QObject(widget), m_context(context), m_matches(std::move(matches)), m_action(std::move(action))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress || !m_context || watched != parent())
            return false;
        if (!m_matches(static_cast<QKeyEvent *>(event)))
            return false;
        m_action();
        return true;
    }

private:
    QPointer<QObject> m_context;
    std::function<bool(const QKeyEvent *)> m_matches;
    std::function<void()> m_action;
};

} // namespace

void ScreenKeys::onKey(QWidget *widget, QObject *context, std::function<bool(const QKeyEvent *)> matches,
                       std::function<void()> action)
{
    new KeyHook(widget, context, std::move(matches), std::move(action));
}

void ScreenKeys::onCtrlDelete(QWidget *grid, QObject *context, std::function<void()> action)
{
    onKey(grid, context, &ScreenKeys::isCtrlDelete, std::move(action));
}

QAction *ScreenKeys::addGridAction(QWidget *grid, const QString &caption, const QString &objectName, QObject *context,
                                   std::function<void()> action)
{
    auto *entry = new QAction(caption, grid);
    entry->setObjectName(objectName);
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    grid->addAction(entry);
    QObject::connect(entry, &QAction::triggered, context, [action = std::move(action)] { action(); });
    return entry;
}

bool ScreenKeys::confirmDeleteRow(int row)
{
    return row >= 0 && Dialogs::question(QStringLiteral("Delete record?"), Dialogs::kAppTitle);
}

// ------------------------------------------------------------ highlight

TFocusHighlight::TFocusHighlight(QObject *parent) : QObject(parent) {}

void TFocusHighlight::add(QWidget *field)
{
    if (!m_fields.contains(field))
        m_fields.insert(field, std::nullopt);
}

void TFocusHighlight::watch(QWidget *field)
{
    add(field);
    field->installEventFilter(this);
    connect(field, &QObject::destroyed, this, [this, field] { m_fields.remove(field); });
}

void TFocusHighlight::mark(QWidget *field, bool focused)
{
    auto it = m_fields.find(field);
    if (it == m_fields.end())
        return;
    if (focused) {
        if (!*it)
            *it = field->palette();
        QPalette p = **it;
        p.setColor(QPalette::Base, kColor);
        field->setPalette(p);
    } else if (*it) {
        field->setPalette(**it);
    }
}

bool TFocusHighlight::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        if (auto *w = qobject_cast<QWidget *>(watched))
            mark(w, event->type() == QEvent::FocusIn);
    return false;
}

// ------------------------------------------------------------ Enter chain

void TEnterChain::add(const QList<QWidget *> &chain)
{
    for (int i = 0; i + 1 < chain.size(); ++i)
        m_next.insert(chain[i], chain[i + 1]);
}

bool TEnterChain::advance(QWidget *field) const
{
    QWidget *to = next(field);
    if (!to)
        return false;
    to->setFocus(m_reason);
    return true;
}
