#include "common/dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace {
Dialogs::Handler *g_handler = nullptr;
QPointer<QWidget> g_parent;

QWidget *parentWidget()
{
    if (QWidget *w = QApplication::activeModalWidget())
        return w;
    if (QWidget *w = QApplication::activeWindow())
        return w;
    return g_parent.data();
}
} // namespace

namespace Dialogs {

void setHandler(Handler *h)
{
    g_handler = h;
}

Handler *handler()
{
    return g_handler;
}

void setParentWidget(QWidget *parent)
{
    g_parent = parent;
}

void message(const QString &text, const QString &caption)
{
    if (g_handler) {
        g_handler->show({Kind::Message, caption, text});
        return;
    }
    QMessageBox::information(parentWidget(), caption, text, QMessageBox::Ok);
}

bool question(const QString &text, const QString &caption)
{
    if (g_handler)
        return g_handler->show({Kind::Question, caption, text});
    return QMessageBox::question(parentWidget(), caption, text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

void error(const QString &text)
{
    if (g_handler) {
        g_handler->show({Kind::Error, kAppTitle, text});
        return;
    }
    QMessageBox::critical(parentWidget(), kAppTitle, text, QMessageBox::Ok);
}

} // namespace Dialogs
