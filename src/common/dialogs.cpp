#include "common/dialogs.h"

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>

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

// The boxes of a process under test, written to a file (see installProcessTestLog).
class FileLog : public Dialogs::Handler
{
public:
    FileLog(QString path, QStringList answers) : m_path(std::move(path)), m_answers(std::move(answers)) {}

    bool show(const Dialogs::Shown &box) override
    {
        static const char *const kinds[] = {"message", "question", "error", "choice"};
        QString text = box.text;
        text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        for (const QString &option : box.options)
            text += QLatin1Char('\t') + option;
        QFile f(m_path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Append)) {
            f.write(QByteArray(kinds[int(box.kind)]) + '\t' + box.caption.toUtf8() + '\t' + text.toUtf8() + '\n');
            f.close();
        }
        if (box.kind != Dialogs::Kind::Question || m_answers.isEmpty())
            return false;
        return m_answers.takeFirst().trimmed().compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
    }

private:
    QString m_path;
    QStringList m_answers;
};
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

void installProcessTestLog()
{
    const QString path = qEnvironmentVariable("MTRFEE_TEST_DIALOG_LOG");
    if (path.isEmpty() || QGuiApplication::platformName() != QLatin1String("offscreen"))
        return;
    static FileLog log(path, qEnvironmentVariable("MTRFEE_TEST_DIALOG_ANSWERS").split(QLatin1Char(','), Qt::SkipEmptyParts));
    setHandler(&log);
}

void message(const QString &text, const QString &caption)
{
    if (g_handler) {
        g_handler->show({Kind::Message, caption, text, {}});
        return;
    }
    // A plain box: the text and one OK button, no icon.
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parentWidget());
    box.exec();
}

bool question(const QString &text, const QString &caption)
{
    if (g_handler)
        return g_handler->show({Kind::Question, caption, text, {}});
    return QMessageBox::question(parentWidget(), caption, text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

void error(const QString &text)
{
    if (g_handler) {
        g_handler->show({Kind::Error, kAppTitle, text, {}});
        return;
    }
    QMessageBox::critical(parentWidget(), kAppTitle, text, QMessageBox::Ok);
}

} // namespace Dialogs

int Dialogs::choose(const QString &text, const QStringList &options, const QString &caption)
{
    if (g_handler)
        return g_handler->choose({Kind::Choice, caption, text, options});
    if (options.isEmpty())
        return -1;
    bool ok = false;
    const QString picked = QInputDialog::getItem(parentWidget(), caption, text, options, 0, false, &ok);
    return ok ? int(options.indexOf(picked)) : -1;
}
