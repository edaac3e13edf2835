#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <source_location>

// A screen's control, reached by the object name it has in the screen's .ui
// file and by its type: what the screen's generated form would hand out,
// without the form. A control that is missing, of another type or not alone
// with its name under `parent` (and an empty name) ends the test program at
// once, with a message that names the control, the screen and the line of
// the test that asked.
namespace Controls {

[[noreturn]] void fail(const QObject *parent, const char *name, const char *type, qsizetype found,
                       const std::source_location &where);

} // namespace Controls

template <typename T>
T *control(const QObject *parent, const char *name,
           const std::source_location &where = std::source_location::current())
{
    if (parent && name && *name) {
        const QList<T *> found = parent->findChildren<T *>(QString::fromLatin1(name));
        if (found.size() == 1)
            return found.first();
        Controls::fail(parent, name, T::staticMetaObject.className(), found.size(), where);
    }
    Controls::fail(parent, name, T::staticMetaObject.className(), 0, where);
}
