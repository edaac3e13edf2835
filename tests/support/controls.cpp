#include "controls.h"

#include <QByteArray>
#include <QtGlobal>
#include <cstdlib>

namespace Controls {

void fail(const QObject *parent, const char *name, const char *type, qsizetype found,
          const std::source_location &where)
{
    QByteArray screen = "no screen";
    if (parent) {
        screen = parent->metaObject()->className();
        if (!parent->objectName().isEmpty())
            screen += " \"" + parent->objectName().toUtf8() + '"';
    }
    const QByteArray what = found == 0 ? QByteArray("no control") : QByteArray::number(found) + " controls";
    qFatal("%s:%u: %s named \"%s\" of type %s under %s", where.file_name(), unsigned(where.line()),
           what.constData(), name ? name : "", type, screen.constData());
    std::abort();
}

} // namespace Controls
